#include "workspacestore.h"

#include "linkgroups.h"

#include <application.h>
#include <logservice.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <iterator>

namespace {

const char *const stateNames[] = {"normal", "maximized", "minimized"};

void warn(const QString &text)
{
    static const int category = QuorvexServiceApi()->registerCategory("TesselHost.Workspace");
    QuorvexServiceApi()->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

bool isInt(const QJsonValue &value, int min, int max)
{
    if (!value.isDouble())
        return false;
    // The range first: converting a double outside it to an integer is undefined.
    const double number = value.toDouble();
    return number >= min && number <= max && number == double(qint64(number));
}

// One document entry; false, with the reason, when it breaks a rule.
bool readDocument(const QJsonValue &value, WorkspaceDocument &document, QString &reason)
{
    if (!value.isObject()) {
        reason = QStringLiteral("not an object");
        return false;
    }
    const QJsonObject object = value.toObject();
    const QString id = object.value(QLatin1String("template")).toString();
    if (id.isEmpty() || id.size() > WorkspaceStore::MaxIdLength || id.contains(QChar::Null)) {
        reason = QStringLiteral("no usable \"template\"");
        return false;
    }
    const QJsonValue title = object.value(QLatin1String("title"));
    if (!title.isUndefined() && (!title.isString() || title.toString().size() > WorkspaceStore::MaxTitleLength)) {
        reason = QStringLiteral("\"title\" is not a text of at most %1 characters")
                     .arg(WorkspaceStore::MaxTitleLength);
        return false;
    }
    // No geometry at all is allowed (the host places the window); a partial one is not.
    const int max = WorkspaceStore::MaxCoordinate;
    const struct { const char *key; int min; } geometryKeys[] = {{"x", -max}, {"y", -max}, {"width", 1}, {"height", 1}};
    const bool placed = std::any_of(std::begin(geometryKeys), std::end(geometryKeys),
                                    [&object](const auto &g) { return object.contains(QLatin1String(g.key)); });
    for (const auto &g : geometryKeys) {
        if (placed && !isInt(object.value(QLatin1String(g.key)), g.min, max)) {
            reason = QStringLiteral("\"%1\" is not a whole number from %2 to %3")
                         .arg(QLatin1String(g.key)).arg(g.min).arg(max);
            return false;
        }
    }
    const QJsonValue linkGroup = object.value(QLatin1String("linkGroup"));
    if (!linkGroup.isUndefined() && !isInt(linkGroup, 0, LinkGroups::Count)) {
        reason = QStringLiteral("\"linkGroup\" is not a whole number from 0 to %1")
                     .arg(LinkGroups::Count);
        return false;
    }
    const QString state = object.value(QLatin1String("state")).toString(QLatin1String(stateNames[0]));
    int stateIndex = -1;
    for (int i = 0; i < int(std::size(stateNames)); ++i) {
        if (state == QLatin1String(stateNames[i]))
            stateIndex = i;
    }
    if (stateIndex < 0) {
        reason = QStringLiteral("unknown \"state\" '%1'").arg(state);
        return false;
    }

    document.templateId = id.toUtf8();
    document.title = title.toString();
    if (placed) {
        document.geometry = QRect(object.value(QLatin1String("x")).toInt(),
                                  object.value(QLatin1String("y")).toInt(),
                                  object.value(QLatin1String("width")).toInt(),
                                  object.value(QLatin1String("height")).toInt());
    }
    document.state = WorkspaceDocument::WindowState(stateIndex);
    document.linkGroup = linkGroup.toInt(0);
    return true;
}

QByteArray fromBase64(const QJsonValue &value)
{
    const auto result = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                       QByteArray::AbortOnBase64DecodingErrors);
    return result ? *result : QByteArray();
}

} // namespace

WorkspaceStore::WorkspaceStore(const QString &fileName)
    : m_fileName(fileName)
{
}

QString WorkspaceStore::defaultFileName()
{
    return Application::instance()->appDataPath() + QLatin1String(FileName);
}

Workspace WorkspaceStore::load() const
{
    Workspace workspace;
    QFile file(m_fileName);
    const QFileInfo info(m_fileName);
    if (!info.exists())
        return workspace;
    // A pipe or device would block the start-up or never end.
    if (!info.isFile()) {
        warn(QStringLiteral("%1 is not a regular file; not restored").arg(m_fileName));
        return workspace;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("cannot read %1: %2").arg(m_fileName, file.errorString()));
        return workspace;
    }
    if (file.size() > MaxFileSize) {
        warn(QStringLiteral("%1 is larger than %2 bytes; not restored").arg(m_fileName).arg(MaxFileSize));
        return workspace;
    }
    // Reads the size checked above: a read of MaxFileSize would allocate all of it up front.
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(file.read(file.size()), &error);
    if (!json.isObject()) {
        warn(QStringLiteral("%1 is not a JSON object (%2); not restored")
                 .arg(m_fileName, error.errorString()));
        return workspace;
    }
    const QJsonObject root = json.object();
    if (root.value(QLatin1String("format")).toInt() != Format) {
        warn(QStringLiteral("%1 has an unknown format; not restored").arg(m_fileName));
        return workspace;
    }

    const QJsonObject window = root.value(QLatin1String("window")).toObject();
    workspace.windowGeometry = fromBase64(window.value(QLatin1String("geometry")));
    workspace.windowState = fromBase64(window.value(QLatin1String("state")));

    const QJsonArray documents = root.value(QLatin1String("documents")).toArray();
    const int active = root.value(QLatin1String("active")).toInt(-1);
    if (documents.size() > MaxDocuments) {
        warn(QStringLiteral("%1 lists %2 documents; the first %3 are restored")
                 .arg(m_fileName).arg(documents.size()).arg(MaxDocuments));
    }
    for (int i = 0; i < documents.size() && i < MaxDocuments; ++i) {
        WorkspaceDocument document;
        QString reason;
        if (!readDocument(documents.at(i), document, reason)) {
            warn(QStringLiteral("%1: document %2 left out: %3").arg(m_fileName).arg(i).arg(reason));
            continue;
        }
        // Property values are checked as the document restores them; the document itself does
        // not depend on them.
        const QJsonValue properties = documents.at(i).toObject().value(QLatin1String("properties"));
        if (properties.isObject()) {
            document.properties = properties.toObject().toVariantMap();
        } else if (!properties.isUndefined()) {
            warn(QStringLiteral("%1: document %2: \"properties\" is not an object; not restored")
                     .arg(m_fileName).arg(i));
        }
        if (i == active)
            workspace.activeDocument = workspace.documents.size();
        workspace.documents.append(document);
    }
    return workspace;
}

bool WorkspaceStore::save(const Workspace &workspace) const
{
    QJsonArray documents;
    for (const WorkspaceDocument &document : workspace.documents) {
        QJsonObject entry{
            {QStringLiteral("template"), QString::fromUtf8(document.templateId)},
            {QStringLiteral("title"), document.title},
            {QStringLiteral("state"), QLatin1String(stateNames[int(document.state)])},
            {QStringLiteral("linkGroup"), document.linkGroup},
        };
        if (!document.geometry.isNull()) {
            entry.insert(QStringLiteral("x"), document.geometry.x());
            entry.insert(QStringLiteral("y"), document.geometry.y());
            entry.insert(QStringLiteral("width"), document.geometry.width());
            entry.insert(QStringLiteral("height"), document.geometry.height());
        }
        if (!document.properties.isEmpty())
            entry.insert(QStringLiteral("properties"), QJsonObject::fromVariantMap(document.properties));
        documents.append(entry);
    }
    const QJsonObject root{
        {QStringLiteral("format"), Format},
        {QStringLiteral("window"), QJsonObject{
             {QStringLiteral("geometry"), QString::fromLatin1(workspace.windowGeometry.toBase64())},
             {QStringLiteral("state"), QString::fromLatin1(workspace.windowState.toBase64())},
         }},
        {QStringLiteral("active"), workspace.activeDocument},
        {QStringLiteral("documents"), documents},
    };

    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(root).toJson()) < 0 || !file.commit()) {
        warn(QStringLiteral("cannot write %1: %2").arg(m_fileName, file.errorString()));
        return false;
    }
    return true;
}
