#include "devmanifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace {

// A value as compact JSON.
QString jsonText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// The member names of both objects, sorted.
QStringList allKeys(const QJsonObject &before, const QJsonObject &after)
{
    QStringList keys = before.keys() + after.keys();
    keys.removeDuplicates();
    keys.sort();
    return keys;
}

QString memberChanges(const QJsonObject &before, const QJsonObject &after)
{
    QStringList changes;
    for (const QString &key : allKeys(before, after)) {
        if (!before.contains(key))
            changes.append(DevManifest::tr("%1 added").arg(key));
        else if (!after.contains(key))
            changes.append(DevManifest::tr("%1 removed").arg(key));
        else if (before.value(key) != after.value(key))
            changes.append(DevManifest::tr("%1 changed").arg(key));
    }
    return changes.join(QLatin1String(", "));
}

} // namespace

QString DevManifest::tesselPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(TesselProgram));
}

bool DevManifest::read(const QString &tessel, const QString &folder, QString *error)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(tessel, {QStringLiteral("json"), QStringLiteral("--compact"), QLatin1String(FileName)});
    if (!process.waitForFinished(ReadTimeoutMilliseconds)) {
        *error = process.error() == QProcess::FailedToStart
            ? tr("cannot run %1: %2").arg(tessel, process.errorString())
            : tr("%1 did not answer within %2 s")
                  .arg(tessel).arg(ReadTimeoutMilliseconds / 1000);
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        // The reason is the command's last line on standard error.
        const QStringList lines = QString::fromUtf8(process.readAllStandardError())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        *error = lines.isEmpty() ? tr("%1 failed").arg(tessel)
                                 : lines.last();
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(process.readAllStandardOutput());
    if (!document.isObject()) {
        *error = tr("%1 holds no object").arg(QLatin1String(FileName));
        return false;
    }
    m_object = document.object();
    return true;
}

QStringList DevManifest::changes(const QJsonObject &before, const QJsonObject &after)
{
    QStringList changes;
    for (const QString &key : allKeys(before, after)) {
        const QJsonValue old = before.value(key);
        const QJsonValue now = after.value(key);
        if (!before.contains(key))
            changes.append(tr("%1: added %2").arg(key, jsonText(now)));
        else if (!after.contains(key))
            changes.append(tr("%1: removed").arg(key));
        else if (old.isObject() && now.isObject() && old != now)
            changes.append(QStringLiteral("%1: %2").arg(key, memberChanges(old.toObject(), now.toObject())));
        else if (old != now)
            changes.append(QStringLiteral("%1: %2 → %3").arg(key, jsonText(old), jsonText(now)));
    }
    return changes;
}
