#pragma once

#include "hostapi_global.h"

#include <QList>
#include <QObject>
#include <QPointer>

class AbstractDocument;
class CommonInputControl;

namespace HostApi {

// Keeps a document's caption bar shown while the user edits in one of its header inputs
// (AbstractDocument::setCaptionBarForced()). A child of the document.
class HOSTAPI_EXPORT DocumentCaptionBarAutoShowController : public QObject
{
    Q_OBJECT

public:
    DocumentCaptionBarAutoShowController(const QList<CommonInputControl *> &controls,
                                         AbstractDocument *document);

private:
    void update();

    QList<QPointer<CommonInputControl>> m_controls;
    QPointer<AbstractDocument> m_document;
};

} // namespace HostApi
