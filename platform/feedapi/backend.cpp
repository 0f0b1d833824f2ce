#include "backend.h"

#include <QPointer>

namespace FeedApi {

namespace {

QPointer<Backend> &currentBackend()
{
    static QPointer<Backend> backend;
    return backend;
}

} // namespace

Backend::Backend(QObject *parent)
    : QObject(parent)
{
}

Backend *Backend::current()
{
    return currentBackend();
}

Backend *Backend::setCurrent(Backend *backend)
{
    Backend *previous = currentBackend();
    currentBackend() = backend;
    return previous;
}

} // namespace FeedApi
