#include "headlinematcher.h"

namespace FeedApi {
namespace Market {

namespace {

QList<QByteArray> upperWords(const QList<QByteArray> &words)
{
    QList<QByteArray> result;
    for (const QByteArray &word : words) {
        const QByteArray trimmed = word.trimmed().toUpper();
        if (!trimmed.isEmpty())
            result.append(trimmed);
    }
    return result;
}

bool anyShared(const QList<QByteArray> &wanted, const QByteArray &blankSeparated)
{
    const QList<QByteArray> present = upperWords(blankSeparated.split(' '));
    for (const QByteArray &word : wanted) {
        if (present.contains(word))
            return true;
    }
    return false;
}

bool isWordCharacter(const QString &text, int index)
{
    return index >= 0 && index < text.size() && text.at(index).isLetterOrNumber();
}

} // namespace

HeadlineMatcher::HeadlineMatcher(const News::HeadlineFilterParameters &filter)
    : m_symbols(upperWords(filter.symbols))
    , m_service(filter.service.trimmed().toUpper())
    , m_categories(upperWords(filter.categories))
    , m_keywordsOr(filter.keywordsOr)
    , m_wholeWord(filter.wholeWord)
    , m_case(filter.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive)
{
    for (const QByteArray &keyword : filter.keywords) {
        const QString text = QString::fromUtf8(keyword).trimmed();
        if (!text.isEmpty())
            m_keywords.append(text);
    }
}

bool HeadlineMatcher::matches(const News::Headline &headline) const
{
    if (!m_symbols.isEmpty() && !anyShared(m_symbols, headline.symbols))
        return false;
    if (!m_service.isEmpty() && headline.source.trimmed().toUpper() != m_service)
        return false;
    if (!m_categories.isEmpty() && !anyShared(m_categories, headline.categories))
        return false;
    if (m_keywords.isEmpty())
        return true;
    const QString text = QString::fromUtf8(headline.text);
    for (const QString &keyword : m_keywords) {
        const bool found = containsKeyword(text, keyword);
        if (found && m_keywordsOr)
            return true;
        if (!found && !m_keywordsOr)
            return false;
    }
    return !m_keywordsOr;
}

bool HeadlineMatcher::containsKeyword(const QString &text, const QString &keyword) const
{
    for (int at = text.indexOf(keyword, 0, m_case); at >= 0;
         at = text.indexOf(keyword, at + 1, m_case)) {
        if (!m_wholeWord
            || (!isWordCharacter(text, at - 1) && !isWordCharacter(text, at + keyword.size())))
            return true;
    }
    return false;
}

} // namespace Market
} // namespace FeedApi
