#pragma once

#include "news/headlineresponse.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QVector>

namespace FeedApi {
namespace Market {

// Seeded news: headlines about the store's companies, commodities, currencies and indices,
// with their symbols, categories ("Earnings", "Mergers", "Commodities", "Forex", "Economy",
// ...), a source ("MWIRE", "NEWSDESK", "FXWATCH", "PRESSLINE") and a story in text, HTML or
// URL form. A day's headlines depend on the seed and the day alone.
class NewsGenerator
{
public:
    struct Item
    {
        News::Headline headline;
        QByteArray story;
        int format = 0;   // News::StoryFormat
    };

    explicit NewsGenerator(quint64 seed) : m_seed(seed) {}

    // The headlines of day (36 to 48), oldest first; story ids "yyyyMMdd-NNN".
    QVector<Item> day(const QDate &day) const;
    // A headline of a running host at time; story id "yyyyMMdd-HHmmsszzz".
    Item live(const QDateTime &time) const;

private:
    Item item(quint64 key, const QDateTime &time, const QByteArray &storyId) const;

    quint64 m_seed;
};

} // namespace Market
} // namespace FeedApi
