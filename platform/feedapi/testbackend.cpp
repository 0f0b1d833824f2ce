#include "testbackend.h"

#include "requester.h"

namespace FeedApi {

TestBackend::TestBackend(QObject *parent)
    : Backend(parent)
    , m_previous(Backend::setCurrent(this))
{
}

TestBackend::~TestBackend()
{
    if (Backend::current() == this)
        Backend::setCurrent(m_previous);
}

int TestBackend::endedCount() const
{
    int count = 0;
    for (const Record &record : m_records)
        count += record.ended ? 1 : 0;
    return count;
}

QList<Requester *> TestBackend::running() const
{
    QList<Requester *> result;
    for (const Record &record : m_records) {
        if (!record.ended && record.requester)
            result.append(record.requester);
    }
    return result;
}

bool TestBackend::respond(Requester *requester, std::shared_ptr<const Response> response)
{
    if (!response || indexOfRunning(requester) < 0)
        return false;
    requester->post(std::move(response));
    return true;
}

void TestBackend::start(Requester *requester)
{
    m_records.append(Record{requester, requester->request(), requester->receiverName(), false});
    emit requestStarted(requester);
}

void TestBackend::end(Requester *requester)
{
    const int index = indexOfRunning(requester);
    if (index < 0)
        return;
    m_records[index].ended = true;
    emit requestEnded(requester);
}

int TestBackend::indexOfRunning(Requester *requester) const
{
    if (!requester)
        return -1;
    for (int i = 0; i < m_records.size(); ++i) {
        if (!m_records.at(i).ended && m_records.at(i).requester == requester)
            return i;
    }
    return -1;
}

} // namespace FeedApi
