#include "barscsvreader.h"

#include "datetime.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr int ColumnCount = 6;
const char *const columnNames[ColumnCount] = {"Date", "Open", "High", "Low", "Close", "Volume"};
const char byteOrderMark[] = "\xef\xbb\xbf";

// A field as a message may show it: quoted, at most 24 characters, bytes outside printable
// ASCII as \xHH, so that a hostile file cannot drive the terminal.
QString shown(const QByteArray &text)
{
    constexpr int MaxShown = 24;
    QString result(QLatin1Char('\''));
    for (int i = 0; i < qMin(text.size(), MaxShown); ++i) {
        const uchar c = uchar(text.at(i));
        if (c >= 0x20 && c < 0x7f)
            result += QLatin1Char(char(c));
        else
            result += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    }
    if (text.size() > MaxShown)
        result += QLatin1String("...");
    return result + QLatin1Char('\'');
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Splits a line at commas into trimmed fields, unquoting fields in double quotes. Returns the
// reason when the quotes are broken, else an empty text.
QString split(const QByteArray &line, QVector<QByteArray> *fields)
{
    const int size = line.size();
    int at = 0;
    for (;;) {
        while (at < size && isBlank(line.at(at)))
            ++at;
        QByteArray field;
        if (at < size && line.at(at) == '"') {
            ++at;
            for (;;) {
                const int quote = line.indexOf('"', at);
                if (quote < 0)
                    return QStringLiteral("unclosed quote");
                field += line.mid(at, quote - at);
                at = quote + 1;
                if (at >= size || line.at(at) != '"')
                    break;
                field += '"';
                ++at;
            }
            while (at < size && isBlank(line.at(at)))
                ++at;
            if (at < size && line.at(at) != ',')
                return QStringLiteral("text after a closing quote");
            field = field.trimmed();
        } else {
            int comma = line.indexOf(',', at);
            if (comma < 0)
                comma = size;
            field = line.mid(at, comma - at).trimmed();
            at = comma;
        }
        fields->append(field);
        if (at >= size)
            return QString();
        ++at;
    }
}

// yyyy-MM-dd with every digit; an invalid date otherwise.
QDate parseDate(const QByteArray &text)
{
    if (text.size() != 10 || text.at(4) != '-' || text.at(7) != '-')
        return QDate();
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text.at(i) < '0' || text.at(i) > '9')
            return QDate();
    }
    return QDate(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt());
}

QString headerText()
{
    QStringList names;
    for (const char *name : columnNames)
        names.append(QLatin1String(name));
    return names.join(QLatin1Char(','));
}

} // namespace

BarsCsvReader::BarsCsvReader(const QDate &lastDay)
    : m_lastDay(lastDay)
{
}

bool BarsCsvReader::read(const QByteArray &text)
{
    m_bars.clear();
    m_lineOfTime.clear();
    m_errors.clear();
    m_errorCount = 0;

    bool headerRead = false;
    int number = 0;
    for (int start = text.startsWith(byteOrderMark) ? 3 : 0; start < text.size();) {
        int end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        int length = end - start;
        if (length > 0 && text.at(end - 1) == '\r')
            --length;
        ++number;
        if (length > MaxLineLength) {
            fail(number, QStringLiteral("line longer than %1 bytes").arg(MaxLineLength));
            if (!headerRead)
                return false;
        } else {
            const QByteArray line = text.mid(start, length);
            if (!line.trimmed().isEmpty()) {
                if (headerRead)
                    readRow(line, number);
                else if (!(headerRead = readHeader(line, number)))
                    return false;
            }
        }
        start = end + 1;
    }
    if (!headerRead)
        fail(0, QStringLiteral("empty; expected the header %1").arg(headerText()));
    else if (m_errorCount == 0 && m_bars.isEmpty())
        fail(0, QStringLiteral("no bars after the header"));
    std::sort(m_bars.begin(), m_bars.end(),
              [](const FeedApi::Bar &a, const FeedApi::Bar &b) { return a.time < b.time; });
    return m_errorCount == 0;
}

bool BarsCsvReader::readHeader(const QByteArray &line, int number)
{
    QVector<QByteArray> fields;
    bool matches = split(line, &fields).isEmpty() && fields.size() == ColumnCount;
    for (int i = 0; matches && i < ColumnCount; ++i)
        matches = fields.at(i).compare(columnNames[i], Qt::CaseInsensitive) == 0;
    if (!matches)
        fail(number, QStringLiteral("expected the header %1").arg(headerText()));
    return matches;
}

void BarsCsvReader::readRow(const QByteArray &line, int number)
{
    QVector<QByteArray> fields;
    const QString quoting = split(line, &fields);
    if (!quoting.isEmpty())
        return fail(number, quoting);
    if (fields.size() != ColumnCount) {
        return fail(number, QStringLiteral("too %1 columns: %2, expected %3")
                                .arg(fields.size() > ColumnCount ? QLatin1String("many")
                                                                 : QLatin1String("few"))
                                .arg(fields.size())
                                .arg(ColumnCount));
    }

    const QDate date = parseDate(fields.at(0));
    if (!date.isValid())
        return fail(number, QStringLiteral("bad date %1, expected yyyy-MM-dd").arg(shown(fields.at(0))));
    const QString day = date.toString(Qt::ISODate);
    if (date.dayOfWeek() > 5) {
        return fail(number, QStringLiteral("%1 is a %2; the store holds weekdays only")
                                .arg(day, QLocale::c().dayName(date.dayOfWeek())));
    }
    if (date > m_lastDay)
        return fail(number, QStringLiteral("%1 is in the future").arg(day));
    const quint64 time = Common::DateTime::fromQDate(date).toInt64();
    const int first = m_lineOfTime.value(time);
    if (first > 0)
        return fail(number, QStringLiteral("duplicate date %1, first on line %2").arg(day).arg(first));
    m_lineOfTime.insert(time, number);

    FeedApi::Bar bar;
    bar.time = time;
    if (!readPrice("Open", fields.at(1), number, &bar.open)
        || !readPrice("High", fields.at(2), number, &bar.high)
        || !readPrice("Low", fields.at(3), number, &bar.low)
        || !readPrice("Close", fields.at(4), number, &bar.close)) {
        return;
    }
    const QByteArray &volumeText = fields.at(5);
    bool whole = false;
    const qlonglong volume = volumeText.toLongLong(&whole, 10);
    if (!whole)
        return fail(number, QStringLiteral("Volume %1 is not a whole number").arg(shown(volumeText)));
    if (volume < 0)
        return fail(number, QStringLiteral("Volume %1 is negative").arg(QLatin1String(volumeText)));
    bar.volume = quint64(volume);

    const auto text = [&fields](int column) { return QString::fromLatin1(fields.at(column)); };
    if (bar.low > bar.open)
        return fail(number, QStringLiteral("Low %1 is above Open %2").arg(text(3), text(1)));
    if (bar.low > bar.close)
        return fail(number, QStringLiteral("Low %1 is above Close %2").arg(text(3), text(4)));
    if (bar.high < bar.open)
        return fail(number, QStringLiteral("High %1 is below Open %2").arg(text(2), text(1)));
    if (bar.high < bar.close)
        return fail(number, QStringLiteral("High %1 is below Close %2").arg(text(2), text(4)));
    m_bars.append(bar);
}

bool BarsCsvReader::readPrice(const char *name, const QByteArray &text, int number, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    if (!ok || !std::isfinite(*value)) {
        fail(number, QStringLiteral("%1 %2 is not a number").arg(QLatin1String(name), shown(text)));
        return false;
    }
    if (*value <= 0) {
        fail(number, QStringLiteral("%1 %2 is %3").arg(QLatin1String(name), QLatin1String(text),
                                                      *value < 0 ? QLatin1String("negative")
                                                                 : QLatin1String("zero")));
        return false;
    }
    return true;
}

void BarsCsvReader::fail(int line, const QString &reason)
{
    ++m_errorCount;
    if (m_errors.size() < MaxErrors)
        m_errors.append({line, reason});
}
