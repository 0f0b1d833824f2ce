#include "keysequencecheck.h"

#include "editdistance.h"

#include <QKeySequence>
#include <QRegularExpression>
#include <QStringList>

namespace {

bool parses(const QString &text)
{
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.isEmpty())
        return false;
    for (int i = 0; i < sequence.count(); ++i) {
        if ((sequence[i] & ~Qt::KeyboardModifierMask) == Qt::Key_unknown)
            return false;
    }
    return true;
}

// One key of a sequence ("Ctl+Shift+H") with each misspelt modifier replaced by the nearest
// modifier name. The last part is the key itself, and "+" may be that key ("Alt++").
QString correctModifiers(const QString &key)
{
    static const QStringList modifiers{QStringLiteral("Ctrl"), QStringLiteral("Shift"),
                                       QStringLiteral("Alt"), QStringLiteral("Meta")};
    const bool plusKey = key.endsWith(QLatin1String("++"));
    QStringList parts = (plusKey ? key.chopped(2) : key).split(QLatin1Char('+'));
    const QString last = plusKey ? QStringLiteral("+") : parts.takeLast();
    for (QString &part : parts) {
        const QString nearest = closestName(part, modifiers);
        if (!nearest.isNull())
            part = nearest;
    }
    parts.append(last);
    return parts.join(QLatin1Char('+'));
}

QString suggestion(const QString &text)
{
    static const QRegularExpression trailing(QStringLiteral("[\\s,]+$"));
    QString trimmed = text.trimmed();
    trimmed.remove(trailing);
    QStringList keys = trimmed.split(QLatin1Char(','));
    for (QString &key : keys)
        key = correctModifiers(key.trimmed());
    const QString corrected = keys.join(QLatin1String(", "));
    return parses(corrected) ? corrected : QString();
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString keySequenceProblem(const QString &text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("an empty key sequence; the host registers no key for it");
    if (parses(text))
        return QString();
    const QString better = suggestion(text);
    if (better.isEmpty())
        return QStringLiteral("%1 is not a key sequence; the host registers no key for it")
            .arg(quoted(text));
    return QStringLiteral("%1 is not a key sequence; did you mean %2?").arg(quoted(text),
                                                                        quoted(better));
}
