#include "webinspectorwindow.h"

#include <QVBoxLayout>
#include <QWebInspector>

namespace {

const char WindowId[] = "WebInspectorWindow";
const char GeometryName[] = "globalWebInspectorGeometry";
// The host dialog's geometry version, layout spacing and whether it remembers its geometry:
// the same as the insert-symbol dialog's.
constexpr int GeometryVersion = 1;
constexpr int LayoutSpacing = 13;
constexpr bool RememberGeometry = true;

} // namespace

WebInspectorWindow::WebInspectorWindow(QWebPage *page, QStyle *style)
    : HostApi::Dialog(nullptr, QLatin1String(WindowId), Qt::Tool, GeometryVersion, LayoutSpacing,
                      RememberGeometry)
    , m_inspector(new QWebInspector(this))
{
    setStatisticsCounterName(QLatin1String(WindowId));
    setGeometryName(QLatin1String(GeometryName));
    m_inspector->setPage(page);
    if (style)
        m_inspector->setStyle(style);
    contentLayout()->addWidget(m_inspector);
    setWindowTitle(tr("Web Inspector"));
}
