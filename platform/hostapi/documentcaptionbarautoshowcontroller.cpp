#include "documentcaptionbarautoshowcontroller.h"

#include "abstractdocument.h"
#include "commoninputcontrol.h"
#include "logservice.h"

namespace HostApi {

DocumentCaptionBarAutoShowController::DocumentCaptionBarAutoShowController(
    const QList<CommonInputControl *> &controls, AbstractDocument *document)
    : QObject(document)
    , m_document(document)
{
    HOSTAPI_ASSERT(document, return);
    for (CommonInputControl *control : controls) {
        HOSTAPI_ASSERT(control, continue);
        m_controls.append(control);
        connect(control, &CommonInputControl::editingChanged, this,
                &DocumentCaptionBarAutoShowController::update);
        // A control destroyed while editing must not keep the bar forced.
        connect(control, &QObject::destroyed, this,
                &DocumentCaptionBarAutoShowController::update, Qt::QueuedConnection);
    }
    update();
}

void DocumentCaptionBarAutoShowController::update()
{
    if (!m_document)
        return;
    bool editing = false;
    for (const QPointer<CommonInputControl> &control : qAsConst(m_controls))
        editing = editing || (control && control->isEditing());
    m_document->setCaptionBarForced(editing);
}

} // namespace HostApi
