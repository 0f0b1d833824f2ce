#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QPointer>

class Document;
class SymbolEditControl;

namespace HostApi {

// Sends a letter or digit typed in a document (its widget or any child that does not take
// text itself) to the document's symbol edit, which starts an edit with it. A child of the
// control.
class HOSTAPI_EXPORT SymbolEditControlActivationHelper : public QObject
{
    Q_OBJECT

public:
    SymbolEditControlActivationHelper(SymbolEditControl *control, Document *document);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QWidget *widget);

    QPointer<SymbolEditControl> m_control;
    QPointer<Document> m_document;
};

} // namespace HostApi
