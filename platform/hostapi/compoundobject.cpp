#include "compoundobject.h"

#include "appearancemanager.h"
#include "application.h"
#include "logservice.h"
#include "propertyobject.h"
#include "propertysupport.h"

#include <QUndoStack>

CompoundObject::CompoundObject()
    : m_undoStack(new QUndoStack)
{
}

// The held objects may outlive this one (a Qt child is deleted by ~QObject, which runs
// after this destructor): they leave the tree here.
CompoundObject::~CompoundObject()
{
    for (ShellObject *object : qAsConst(m_objects)) {
        object->m_parent = nullptr;
        object->m_key.clear();
    }
}

ObjectNotifier *CompoundObject::notifier() const
{
    if (!m_notifier) {
        // For queued connections and signal spies.
        static const int shellObjectType = qRegisterMetaType<ShellObject *>("ShellObject*");
        Q_UNUSED(shellObjectType)
        m_notifier = std::make_unique<ObjectNotifier>();
    }
    return m_notifier.get();
}

void CompoundObject::addProperty(const QByteArray &key, ShellObject *object)
{
    hold(key, object);
}

bool CompoundObject::hold(const QByteArray &key, ShellObject *object)
{
    HOSTAPI_ASSERT(object, return false);
    HOSTAPI_ASSERT(!key.isEmpty(), return false);
    HOSTAPI_ASSERT(!m_keys.contains(key), return false);
    HOSTAPI_ASSERT(!object->parentObject(), return false);
    bool cycle = false;
    for (const ShellObject *above = this; above && !cycle; above = above->parentObject())
        cycle = above == object;
    HOSTAPI_ASSERT(!cycle, return false);

    m_keys.append(key);
    m_objects.append(object);
    object->m_parent = this;
    object->m_key = key;
    if (isAttached())
        object->joinTree();
    return true;
}

void CompoundObject::addDefaultProperty(const QByteArray &key, PropertyObject *object,
                                        const QVariant &defaultValue,
                                        const QList<PropertyEnum> &enums, bool autoDefault,
                                        int version)
{
    if (!hold(key, object))
        return;
    object->m_sharedDefault = true;
    object->m_manifestDefault = defaultValue;
    object->m_defaultVersion = version;
    object->setPropertyEnum(QByteArray(), enums);
    const QVariant stored = object->storedDefault();
    object->assign(stored.isValid() ? stored : defaultValue, false);
    if (autoDefault)
        object->setPropertyFlag(AutoDefaultFlag, true);
}

void CompoundObject::addThemeProperty(const QByteArray &key, PropertyObject *object,
                                      const QVariant &black, const QVariant &white,
                                      int blackVersion, int whiteVersion)
{
    Q_UNUSED(blackVersion)
    Q_UNUSED(whiteVersion)
    if (!hold(key, object))
        return;
    object->setThemeValues(black, white);
}

void CompoundObject::addFontProperty(const QByteArray &key, PropertyObject *object,
                                     const QFont &font, int version)
{
    Q_UNUSED(version)
    if (!hold(key, object))
        return;
    object->setValue(AppearanceManager::scaledFont(font));
}

ShellObject *CompoundObject::property(const QByteArray &key) const
{
    const int index = m_keys.indexOf(key);
    return index < 0 ? nullptr : m_objects.at(index);
}

QList<QByteArray> CompoundObject::propertyKeys() const
{
    return m_keys;
}

ShellObject *CompoundObject::findObject(const QByteArray &path) const
{
    if (path.isEmpty())
        return nullptr;
    const CompoundObject *compound = this;
    ShellObject *object = nullptr;
    for (const QByteArray &key : path.split('.')) {
        if (!compound)
            return nullptr;
        object = compound->property(key);
        if (!object)
            return nullptr;
        compound = dynamic_cast<const CompoundObject *>(object);
    }
    return object;
}

QVariant CompoundObject::objectToJson() const
{
    QVariantMap map;
    for (int i = 0; i < m_objects.size(); ++i) {
        const QVariant json = m_objects.at(i)->objectToJson();
        if (json.isValid())
            map.insert(QString::fromUtf8(m_keys.at(i)), json);
    }
    return map.isEmpty() ? QVariant() : QVariant(map);
}

void CompoundObject::objectFromJson(const QVariant &json, int flags)
{
    if (json.userType() != QMetaType::QVariantMap) {
        HOSTAPI_PROPERTY_REPORT(this, QStringLiteral("expected a map, got %1")
                                          .arg(QString::fromLatin1(json.typeName())));
        return;
    }
    const QVariantMap map = json.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (ShellObject *object = property(it.key().toUtf8()))
            object->objectFromJson(it.value(), flags);
        else
            HOSTAPI_PROPERTY_REPORT(this, QStringLiteral("unknown key '%1' skipped").arg(it.key()));
    }
}

void CompoundObject::objectChanged(ShellObject *object)
{
    if (m_notifier)
        emit m_notifier->objectChanged(object);
    if (parentObject())
        parentObject()->objectChanged(object);
}

AppearanceManager *CompoundObject::appearanceManager()
{
    return Application::instance()->appearanceManager();
}

void CompoundObject::forget(ShellObject *object)
{
    const int index = m_objects.indexOf(object);
    if (index < 0)
        return;
    m_objects.removeAt(index);
    m_keys.removeAt(index);
}
