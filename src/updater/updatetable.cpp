#include "updatetable.h"

#include <QVariantList>
#include <QVariantMap>

namespace Tessel {
namespace Updater {

namespace {

constexpr int MaxFileNameBytes = 255;

// Reads the members of one table object; the first failure names its place in *error.
class TableReader
{
public:
    explicit TableReader(QString *error) : m_error(error) {}

    bool map(const QVariant &value, const QString &place, QVariantMap *map)
    {
        if (value.userType() != QMetaType::QVariantMap)
            return fail(place, QStringLiteral("not an object"));
        *map = value.toMap();
        return true;
    }

    bool list(const QVariantMap &object, const QString &place, const QString &key,
              QVariantList *list)
    {
        const QVariant value = object.value(key);
        if (!value.isValid())
            return fail(place, QStringLiteral("no \"%1\"").arg(key));
        if (value.userType() != QMetaType::QVariantList)
            return fail(join(place, key), QStringLiteral("not an array"));
        *list = value.toList();
        return true;
    }

    bool text(const QVariantMap &object, const QString &place, const QString &key, QString *text,
              bool optional = false)
    {
        const QVariant value = object.value(key);
        if (!value.isValid()) {
            text->clear();
            return optional || fail(place, QStringLiteral("no \"%1\"").arg(key));
        }
        if (value.userType() != QMetaType::QString)
            return fail(join(place, key), QStringLiteral("not a string"));
        *text = value.toString();
        return true;
    }

    bool version(const QVariantMap &object, const QString &place, const QString &key,
                 VersionPattern *version)
    {
        QString text;
        if (!this->text(object, place, key, &text))
            return false;
        *version = VersionPattern::fromString(text);
        return version->isValid()
            || fail(join(place, key), QStringLiteral("\"%1\" is not a version").arg(text));
    }

    bool fail(const QString &place, const QString &reason)
    {
        *m_error = place.isEmpty() ? reason : place + QLatin1String(": ") + reason;
        return false;
    }

    static QString join(const QString &place, const QString &key)
    {
        return place.isEmpty() ? key : place + QLatin1Char('.') + key;
    }

    static QString item(const QString &place, int index)
    {
        return place + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
    }

private:
    QString *m_error;
};

bool readUpdate(TableReader &reader, const QVariant &value, const QString &place,
                UpdateEntry *update)
{
    QVariantMap object;
    QString md5;
    QString sha256;
    if (!reader.map(value, place, &object)
        || !reader.text(object, place, QStringLiteral("filename"), &update->filename)
        || !reader.text(object, place, QStringLiteral("md5"), &md5)
        || !reader.text(object, place, QStringLiteral("sha256"), &sha256, true)
        || !reader.version(object, place, QStringLiteral("versionFrom"), &update->versionFrom)
        || !reader.version(object, place, QStringLiteral("versionTo"), &update->versionTo)) {
        return false;
    }
    update->md5 = QByteArray::fromHex(md5.toLatin1());
    update->sha256 = QByteArray::fromHex(sha256.toLatin1());
    return true;
}

bool readPlugin(TableReader &reader, const QVariant &value, const QString &place,
                PluginEntry *plugin)
{
    QVariantMap object;
    QVariantList updates;
    if (!reader.map(value, place, &object)
        || !reader.text(object, place, QStringLiteral("filename"), &plugin->filename)
        || !reader.list(object, place, QStringLiteral("updates"), &updates)) {
        return false;
    }
    const QString updatesPlace = TableReader::join(place, QStringLiteral("updates"));
    for (int i = 0; i < updates.size(); ++i) {
        UpdateEntry update;
        if (!readUpdate(reader, updates.at(i), TableReader::item(updatesPlace, i), &update))
            return false;
        plugin->updates.append(update);
    }
    return true;
}

} // namespace

bool PluginEntry::isPlainBundleName(const QString &name)
{
    if (name.size() <= 4 || !name.endsWith(QLatin1String(".wps"), Qt::CaseInsensitive)
        || name.toUtf8().size() > MaxFileNameBytes) {
        return false;
    }
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c.category() == QChar::Other_Control) {
            return false;
        }
    }
    return true;
}

const UpdateEntry *PluginEntry::updateFor(const VersionPattern &version) const
{
    for (const UpdateEntry &update : updates) {
        if (version.isWithin(update.versionFrom, update.versionTo))
            return &update;
    }
    return nullptr;
}

bool UpdateTable::read(const QVariant &json, UpdateTable *table, QString *error)
{
    TableReader reader(error);
    QVariantMap object;
    QVariantList plugins;
    UpdateTable result;
    if (!reader.map(json, QString(), &object)
        || !reader.text(object, QString(), QStringLiteral("updateServer"), &result.updateServer)
        || !reader.list(object, QString(), QStringLiteral("plugins"), &plugins)) {
        return false;
    }
    for (int i = 0; i < plugins.size(); ++i) {
        PluginEntry plugin;
        if (!readPlugin(reader, plugins.at(i), TableReader::item(QStringLiteral("plugins"), i),
                        &plugin)) {
            return false;
        }
        result.plugins.append(plugin);
    }
    *table = result;
    return true;
}

} // namespace Updater
} // namespace Tessel
