#include "propertypage.h"

namespace HostApi {

PropertyPage::PropertyPage(const QIcon &icon, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
{
}

} // namespace HostApi
