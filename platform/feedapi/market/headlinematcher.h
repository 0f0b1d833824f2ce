#pragma once

#include "news/headlinefilterparameters.h"
#include "news/headlineresponse.h"

#include <QString>
#include <QStringList>

namespace FeedApi {
namespace Market {

// Tells whether a headline passes a filter (the meanings of HeadlineFilterParameters). Empty
// entries of the filter's lists are ignored. A whole word is bounded by the ends of the text
// or by characters that are neither letters nor digits.
class HeadlineMatcher
{
public:
    explicit HeadlineMatcher(const News::HeadlineFilterParameters &filter);

    bool matches(const News::Headline &headline) const;

private:
    bool containsKeyword(const QString &text, const QString &keyword) const;

    QList<QByteArray> m_symbols;
    QByteArray m_service;
    QList<QByteArray> m_categories;
    QStringList m_keywords;
    bool m_keywordsOr;
    bool m_wholeWord;
    Qt::CaseSensitivity m_case;
};

} // namespace Market
} // namespace FeedApi
