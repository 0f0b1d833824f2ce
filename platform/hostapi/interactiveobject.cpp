#include "interactiveobject.h"

void InteractiveObject::addPropertyPage(const QByteArray &pageId)
{
    if (!m_propertyPages.contains(pageId))
        m_propertyPages.append(pageId);
}
