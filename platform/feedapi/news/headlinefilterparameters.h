#pragma once

#include <QByteArray>
#include <QList>

namespace FeedApi {
namespace News {

// Which headlines a request wants. An empty list or service matches every headline.
// - symbols: a headline naming any of them;
// - service: headlines of that source, compared without regard to case;
// - categories: a headline in any of them, compared without regard to case;
// - keywords: headline texts holding all of them, or any when keywordsOr; a keyword matches
//   inside words unless wholeWord, and without regard to case unless caseSensitive.
struct HeadlineFilterParameters
{
    QList<QByteArray> symbols;
    QByteArray service;
    QList<QByteArray> categories;
    QList<QByteArray> keywords;
    bool keywordsOr = false;
    bool wholeWord = false;
    bool caseSensitive = false;
};

} // namespace News
} // namespace FeedApi
