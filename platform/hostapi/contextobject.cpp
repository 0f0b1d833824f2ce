#include "contextobject.h"

ContextObject::~ContextObject() = default;

void ContextObject::contextChanged()
{
    if (m_changeHandler)
        m_changeHandler();
}

void ContextObject::setContextChangeHandler(ChangeHandler handler)
{
    m_changeHandler = std::move(handler);
}
