#include "newsgenerator.h"

#include "news/storyrequest.h"
#include "seededrandom.h"

#include <algorithm>
#include <iterator>

namespace FeedApi {
namespace Market {

namespace {

enum Kind { Company, Commodity, Currency, Index, General };

struct Subject
{
    Kind kind;
    const char *symbol;
    const char *name;
    const char *category;   // added to the template's categories when not empty
};

constexpr Subject Subjects[] = {
    {Company, "ACME.QB", "Acme Industries", "Industrials"},
    {Company, "NRTH.N", "Northwind Holdings", "Financials"},
    {Company, "GLBX", "Globex Systems", "Technology"},
    {Company, "VRDN.XPAR", "Viridian Energie", "Energy"},
    {Company, "KSTL.L", "Kestrel Mining", "Mining"},
    {Commodity, "CL#", "Crude oil", "Energy"},
    {Commodity, "GC#", "Gold", "Metals"},
    {Currency, "EURUSD", "The euro", ""},
    {Currency, "USDJPY", "The yen", ""},
    {Currency, "GBPUSD", "Sterling", ""},
    {Index, "QIX", "The QIX index", ""},
    {Index, "SMCX", "Small caps", ""},
};

// %1 the subject's name, %2 a percentage, %3 an amount in millions, %4 a second company.
struct Template
{
    Kind kind;
    const char *text;
    const char *categories;
    const char *sources;
};

constexpr Template Templates[] = {
    {Company, "%1 raises full-year outlook", "Earnings", "MWIRE PRESSLINE"},
    {Company, "%1 shares fall %2% after quarterly results", "Earnings Markets", "MWIRE NEWSDESK"},
    {Company, "%1 beats profit estimates on strong demand", "Earnings", "MWIRE"},
    {Company, "%1 to acquire rival in $%3 million deal", "Mergers", "NEWSDESK PRESSLINE"},
    {Company, "%1 names new chief executive", "Corporate", "PRESSLINE"},
    {Company, "%1 unveils new product line", "Corporate", "PRESSLINE MWIRE"},
    {Company, "Analysts upgrade %1 to buy", "Markets Analysis", "NEWSDESK"},
    {Company, "%1 and %4 announce joint venture", "Mergers", "MWIRE"},
    {Commodity, "%1 climbs %2% as inventories drop", "Commodities", "MWIRE NEWSDESK"},
    {Commodity, "%1 prices slip on demand worries", "Commodities", "NEWSDESK"},
    {Commodity, "%1 futures rally on supply concerns", "Commodities", "MWIRE"},
    {Currency, "%1 slips against the dollar after rate decision", "Forex Economy", "FXWATCH"},
    {Currency, "%1 steadies ahead of inflation data", "Forex", "FXWATCH NEWSDESK"},
    {Currency, "%1 gains %2% on trade surplus", "Forex", "FXWATCH"},
    {Index, "%1 closes at a record high", "Markets", "NEWSDESK MWIRE"},
    {Index, "%1 drops %2% in broad sell-off", "Markets", "NEWSDESK"},
    {General, "Central bank holds interest rates steady", "Economy", "NEWSDESK FXWATCH"},
    {General, "Factory output rises for a third month", "Economy", "MWIRE"},
    {General, "Jobless claims fall more than expected", "Economy", "NEWSDESK"},
};

// Shares of the kinds, in percent, in the order of Kind.
constexpr int KindShares[] = {50, 15, 15, 10, 10};

constexpr const char *Closings[] = {
    "Analysts said the move had been widely expected.",
    "Trading volumes were above their 30-day average.",
    "A spokesperson declined to comment further.",
    "Markets will watch for further data later this week.",
};

constexpr int MinPerDay = 36;
constexpr int ExtraPerDay = 13;
constexpr int MsecsPerDay = 86400000;

Kind pickKind(SeededRandom &random)
{
    int roll = random.below(100);
    for (int kind = Company; kind < General; ++kind) {
        if (roll < KindShares[kind])
            return Kind(kind);
        roll -= KindShares[kind];
    }
    return General;
}

template <typename T>
const T &pickOf(const T *items, int size, Kind kind, SeededRandom &random)
{
    int matching = 0;
    for (int i = 0; i < size; ++i)
        matching += items[i].kind == kind ? 1 : 0;
    int chosen = random.below(matching);
    for (int i = 0; i < size; ++i) {
        if (items[i].kind == kind && chosen-- == 0)
            return items[i];
    }
    return items[0];
}

QByteArray pickWord(const char *words, SeededRandom &random)
{
    const QList<QByteArray> list = QByteArray(words).split(' ');
    return list.at(random.below(list.size()));
}

} // namespace

QVector<NewsGenerator::Item> NewsGenerator::day(const QDate &day) const
{
    SeededRandom random(SeededRandom::key(m_seed, quint64(day.toJulianDay()), 1));
    QVector<int> times(MinPerDay + random.below(ExtraPerDay));
    for (int &time : times)
        time = random.below(MsecsPerDay);
    std::sort(times.begin(), times.end());
    QVector<Item> items;
    const QByteArray prefix = day.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "-";
    for (int i = 0; i < times.size(); ++i) {
        const QDateTime time = QDateTime(day, QTime(0, 0), Qt::UTC).addMSecs(times.at(i));
        const QByteArray id = prefix + QByteArray::number(i).rightJustified(3, '0');
        items.append(item(SeededRandom::key(m_seed, quint64(time.toMSecsSinceEpoch()), 2), time, id));
    }
    return items;
}

NewsGenerator::Item NewsGenerator::live(const QDateTime &time) const
{
    const QDateTime utc = time.toUTC();
    const QByteArray id = utc.toString(QStringLiteral("yyyyMMdd-HHmmsszzz")).toLatin1();
    return item(SeededRandom::key(m_seed, quint64(utc.toMSecsSinceEpoch()), 3), utc, id);
}

NewsGenerator::Item NewsGenerator::item(quint64 key, const QDateTime &time,
                                        const QByteArray &storyId) const
{
    SeededRandom random(key);
    const Kind kind = pickKind(random);
    const Template &pattern = pickOf(Templates, int(std::size(Templates)), kind, random);
    QString text = QString::fromUtf8(pattern.text);
    QByteArray symbols;
    QByteArray categories = pattern.categories;
    if (kind != General) {
        const Subject &subject = pickOf(Subjects, int(std::size(Subjects)), kind, random);
        symbols = subject.symbol;
        text.replace(QLatin1String("%1"), QString::fromUtf8(subject.name));
        if (*subject.category && !categories.split(' ').contains(subject.category))
            categories += QByteArray(" ") + subject.category;
        if (text.contains(QLatin1String("%4"))) {
            const Subject *other = &subject;
            while (other == &subject)
                other = &pickOf(Subjects, int(std::size(Subjects)), Company, random);
            symbols += QByteArray(" ") + other->symbol;
            text.replace(QLatin1String("%4"), QString::fromUtf8(other->name));
        }
    }
    text.replace(QLatin1String("%2"), QString::number((5 + random.below(56)) / 10.0, 'f', 1));
    text.replace(QLatin1String("%3"), QString::number(50 + 10 * random.below(91)));

    Item result;
    result.headline.time = Common::DateTime::fromQDateTime(time);
    result.headline.text = text.toUtf8();
    result.headline.symbols = symbols;
    result.headline.categories = categories;
    result.headline.source = pickWord(pattern.sources, random);
    result.headline.storyId = storyId;

    const QString closing = QString::fromUtf8(Closings[random.below(int(std::size(Closings)))]);
    const QString lead = QStringLiteral("%1, %2 reported on %3.")
                             .arg(text, QString::fromLatin1(result.headline.source),
                                  time.toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")));
    const int roll = random.below(100);
    if (roll < 40) {
        result.format = News::Text;
        result.story = (text + QStringLiteral("\n\n") + lead + QLatin1Char(' ') + closing).toUtf8();
    } else if (roll < 85) {
        result.format = News::Html;
        result.story = QStringLiteral("<html><body><h1>%1</h1><p>%2</p><p>%3</p></body></html>")
                           .arg(text.toHtmlEscaped(), lead.toHtmlEscaped(), closing.toHtmlEscaped())
                           .toUtf8();
    } else {
        result.format = News::Url;
        result.story = "https://news.example.com/stories/" + storyId;
    }
    return result;
}

} // namespace Market
} // namespace FeedApi
