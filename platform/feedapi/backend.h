#pragma once

#include "feedapi_global.h"

#include <QObject>

namespace FeedApi {

class Requester;

// Where requests go: the one replaceable source of the library's data. A backend answers a
// started request with Requester::post(), later and any number of times, until it is ended.
class FEEDAPI_EXPORT Backend : public QObject
{
    Q_OBJECT

public:
    // The backend that new requests go to; null when none is installed.
    static Backend *current();
    // Installs a backend (not owned; null uninstalls) and returns the previous one. A backend
    // that is destroyed uninstalls itself.
    static Backend *setCurrent(Backend *backend);

    // A request starts. Answers must not be delivered from within this call: post them.
    virtual void start(Requester *requester) = 0;
    // The request ended (stopped or deleted): nothing more is delivered for it.
    virtual void end(Requester *requester) = 0;

protected:
    explicit Backend(QObject *parent = nullptr);
};

} // namespace FeedApi
