#pragma once

#include "testsupport.h"

#include <scriptdatafeed/scriptdatafeed.h>

#include <requester.h>
#include <symbolrecord.h>
#include <testbackend.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <functional>
#include <initializer_list>
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
    FeedApi::Requester *started(int index) const { return backend.records().value(index).requester; }
    // The request started at index as type R; null for another type.
    template <typename R>
    const R *sent(int index) const
    {
        return dynamic_cast<const R *>(backend.records().value(index).request.get());
    }
    template <typename R>
    bool respond(int index, const R &response) { return backend.respond(started(index), response); }

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

inline Common::SymbolRecord symbolRecord(
    std::initializer_list<std::pair<int, Common::RecordData>> columns)
{
    Common::SymbolRecord record;
    for (const auto &column : columns)
        record.setValue(column.first, column.second);
    return record;
}

inline Common::SymbolRecord symbolRecord(const QByteArray &symbol, int type)
{
    return symbolRecord({{Common::SymbolRecord::Symbol, Common::RecordData::fromByteString(symbol)},
                         {Common::SymbolRecord::SymbolType, Common::RecordData::fromInt32(type)}});
}

inline QString logLine(const QString &source, const QString &message, const QString &detail)
{
    return source + QStringLiteral(": ") + message + QStringLiteral(", ") + detail + QLatin1Char('\n');
}
