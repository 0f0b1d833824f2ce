#include "csstextforms.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr int MaxComponent = 255;
// Larger sizes from untrusted text are refused rather than handed to the font engine.
constexpr double MaxPointSize = 1000;

struct CssWeight
{
    const char *literal;
    int weight;
};

constexpr CssWeight CssWeights[] = {
    {"100 ", 25}, {"200 ", 33}, {"300 ", 42}, {"400 ", 50}, {"500 ", 58},
    {"600 ", 66}, {"700 ", 75}, {"800 ", 81}, {"900 ", 87},
};

// A cursor over the lowered, simplified text. Every step first skips spaces.
class CssCursor
{
public:
    explicit CssCursor(const QString &text)
        : m_text(text.toLower().simplified())
    {
    }

    // Consumes literal when the text at the cursor starts with it and something follows it.
    bool consume(const char *literal)
    {
        skipSpaces();
        const QLatin1String expected(literal);
        if (m_text.size() - m_pos <= expected.size()
            || !m_text.midRef(m_pos).startsWith(expected)) {
            return false;
        }
        m_pos += expected.size();
        return true;
    }

    // The text up to the next space or the end.
    QString takeWord()
    {
        skipSpaces();
        int end = m_text.indexOf(QLatin1Char(' '), m_pos);
        if (end < 0)
            end = m_text.size();
        const QString word = m_text.mid(m_pos, end - m_pos);
        m_pos = end;
        return word;
    }

    QString rest()
    {
        skipSpaces();
        const QString text = m_text.mid(m_pos);
        m_pos = m_text.size();
        return text;
    }

private:
    void skipSpaces()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char(' '))
            ++m_pos;
    }

    const QString m_text;
    int m_pos = 0;
};

constexpr int KeywordCategories = 3;

bool readWeight(CssCursor *cursor, QFont *font)
{
    if (cursor->consume("bold ")) {
        font->setWeight(QFont::Bold);
        return true;
    }
    for (const CssWeight &weight : CssWeights) {
        if (cursor->consume(weight.literal)) {
            font->setWeight(weight.weight);
            return true;
        }
    }
    return false;
}

// "rrggbb" or the short "rgb", hexadecimal digits only.
QColor hexColor(const QString &digits)
{
    static const QRegularExpression hex(QStringLiteral("^(?:[0-9a-f]{3}|[0-9a-f]{6})$"));
    if (!hex.match(digits).hasMatch())
        return QColor();
    QString full = digits;
    if (digits.size() == 3)
        full = QString(2, digits.at(0)) + QString(2, digits.at(1)) + QString(2, digits.at(2));
    const int red = full.midRef(0, 2).toInt(nullptr, 16);
    const int green = full.midRef(2, 2).toInt(nullptr, 16);
    const int blue = full.midRef(4, 2).toInt(nullptr, 16);
    return QColor(red, green, blue);
}

// "c1,c2,...)" with count integer components 0 to 255; the last of four is the alpha.
QColor componentColor(const QString &text, int count)
{
    if (!text.endsWith(QLatin1Char(')')))
        return QColor();
    const QStringList parts = text.left(text.size() - 1).split(QLatin1Char(','));
    if (parts.size() != count)
        return QColor();
    int components[4] = {0, 0, 0, MaxComponent};
    for (int i = 0; i < count; ++i) {
        const int value = parts.at(i).trimmed().toInt();
        if (value < 0 || value > MaxComponent)
            return QColor();
        components[i] = value;
    }
    return QColor(components[0], components[1], components[2], components[3]);
}

} // namespace

QString fontToCss(const QFont &font)
{
    QString css;
    if (font.weight() > QFont::Normal)
        css += QLatin1String("bold ");
    if (font.italic())
        css += QLatin1String("italic ");
    css += QStringLiteral("%1pt ").arg(font.pointSize());
    css += QStringLiteral("\"%1\"").arg(font.family());
    return css;
}

QFont fontFromCss(const QString &text)
{
    QFont font;
    CssCursor cursor(text);

    // Style, variant and weight, each at most once, in any order (fontToCss writes the weight
    // first); "normal" stands for any of them.
    bool style = false;
    bool variant = false;
    bool weight = false;
    for (int keyword = 0; keyword < KeywordCategories; ++keyword) {
        if (!style && (cursor.consume("italic ") || cursor.consume("oblique "))) {
            font.setItalic(true);
            style = true;
        } else if (!variant && cursor.consume("small-caps ")) {
            variant = true;
        } else if (!weight && readWeight(&cursor, &font)) {
            weight = true;
        } else if (!cursor.consume("normal ")) {
            break;
        }
    }

    // The number must start the match, so "12.5pt" reads 12.5 rather than 5.
    static const QRegularExpression size(QStringLiteral("(?<![\\d.])(\\d+(?:\\.\\d+)?)pt"));
    const QRegularExpressionMatch match = size.match(cursor.takeWord());
    if (match.hasMatch()) {
        bool ok = false;
        const double pointSize = match.captured(1).toDouble(&ok);
        if (ok && pointSize > 0 && pointSize <= MaxPointSize)
            font.setPointSizeF(pointSize);
    }

    QString family = cursor.rest();
    if (family.size() > 2 && family.startsWith(QLatin1Char('"'))
        && family.endsWith(QLatin1Char('"'))) {
        family = family.mid(1, family.size() - 2);
    }
    font.setFamily(family);
    return font;
}

QString colorToCss(const QColor &color)
{
    if (!color.isValid())
        return QString();
    if (color.alpha() == MaxComponent) {
        return QStringLiteral("rgb(%1,%2,%3)")
            .arg(color.red())
            .arg(color.green())
            .arg(color.blue());
    }
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QColor colorFromCss(const QString &text)
{
    CssCursor cursor(text);
    if (cursor.consume("#"))
        return hexColor(cursor.rest());
    if (cursor.consume("rgb("))
        return componentColor(cursor.rest(), 3);
    if (cursor.consume("rgba("))
        return componentColor(cursor.rest(), 4);
    return QColor();
}
