#pragma once

#include "feedapi_global.h"

#include <QMetaType>

namespace FeedApi {

// Base of every response of the data library. Each concrete type is registered with the
// meta-type system under its short name ("SymbolResponse", "ErrorResponse"); that id selects
// the binding a requester calls (Requester::bind).
class FEEDAPI_EXPORT Response
{
public:
    virtual ~Response();

    virtual int typeId() const = 0;

protected:
    Response() = default;
    Response(const Response &) = default;
    Response &operator=(const Response &) = default;
};

} // namespace FeedApi

// Gives a concrete response class its registered id: registeredType() registers the class
// under its short name on first use and returns the id, typeId() returns the same. Put it
// first in the class body; the members after it are public until the next access specifier.
#define FEEDAPI_RESPONSE_TYPE(Class) \
public: \
    static int registeredType() \
    { \
        static const int id = qRegisterMetaType<Class>(#Class); \
        return id; \
    } \
    int typeId() const override { return registeredType(); }
