#pragma once

#include "testsupport.h"

#include <scriptdatafeed/scriptdatafeed.h>

#include <errorresponse.h>
#include <requester.h>
#include <rerequestresponse.h>
#include <symbolrecord.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <testbackend.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

// Keeps every line and also hands each one to onLine as it comes.
struct TracingChannel : RecordingChannel
{
    void append(const QString &text) override
    {
        RecordingChannel::append(text);
        if (onLine)
            onLine(text);
    }

    std::function<void(const QString &)> onLine;
};

// The datafeed with its standard handlers on a test backend; its log lines and answers are
// kept for the test.
struct DatafeedFixture
{
    DatafeedFixture() : datafeed(&channel), spy(&datafeed, &ScriptDatafeed::response) {}

    // Delivers what the backends queued; the answers since the last call.
    QList<QVariantMap> answers()
    {
        QCoreApplication::processEvents();
        QList<QVariantMap> maps;
        for (const QList<QVariant> &arguments : qAsConst(spy))
            maps.append(arguments.first().toMap());
        spy.clear();
        return maps;
    }
    // The request started at index as type R; null for another type.
    template <typename R>
    const R *sent(int index) const
    {
        return dynamic_cast<const R *>(backend.records().value(index).request.get());
    }
    template <typename R>
    bool respond(int index, const R &response)
    {
        return backend.respond(backend.records().value(index).requester, response);
    }

    FeedApi::TestBackend backend;
    TracingChannel channel;
    ScriptDatafeed datafeed;
    QSignalSpy spy;
};

inline QVariantMap request(const QString &type, const QVariant &rid, QVariantMap keys = {})
{
    keys.insert(QStringLiteral("type"), type);
    keys.insert(QStringLiteral("rid"), rid);
    return keys;
}

// An answer as the page gets it.
inline QVariantMap answer(const QVariantMap &request, const QString &result, QVariantMap payload = {})
{
    payload.insert(QStringLiteral("request"), request);
    payload.insert(QStringLiteral("result"), result);
    return payload;
}

inline Common::SymbolRecord symbolRecord(const QByteArray &symbol, int type,
                                         std::initializer_list<std::pair<int, Common::RecordData>> more = {})
{
    Common::SymbolRecord record;
    record.setValue(Common::SymbolRecord::Symbol, Common::RecordData::fromByteString(symbol));
    record.setValue(Common::SymbolRecord::SymbolType, Common::RecordData::fromInt32(type));
    for (const auto &column : more)
        record.setValue(column.first, column.second);
    return record;
}

// The line a source writes to the output log.
inline QString logLine(const QString &source, const QString &message, const QString &detail = {})
{
    return source + QStringLiteral(": ") + message + QStringLiteral(", ") + detail + QLatin1Char('\n');
}

inline QString skippedField(const QString &name)
{
    return logLine(QStringLiteral("quote datafeed"), "skipping fieldName '" + name + "' from request",
                   QStringLiteral("unknown fieldName"));
}

const QString NoEndDate = logLine(QStringLiteral("historical bars datafeed"),
                                  QStringLiteral("'endDate' parameter is not specified. "
                                                 "Requesting data from current date."));
