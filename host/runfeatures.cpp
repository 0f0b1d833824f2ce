#include "runfeatures.h"

#include <application.h>
#include <settings.h>

#include <algorithm>

namespace {

const char settingsGroup[] = "features/";

} // namespace

RunFeatures::RunFeatures(const QStringList &names)
{
    HostApi::Settings *settings = Application::instance()->settings();
    for (const QString &name : names) {
        const QString key = QLatin1String(settingsGroup) + name;
        const bool seen = std::any_of(m_saved.cbegin(), m_saved.cend(),
                                      [&key](const Saved &saved) { return saved.key == key; });
        if (seen)
            continue;
        m_saved.append(Saved{key, settings->value(key)});
        settings->setValue(key, true);
    }
}

RunFeatures::~RunFeatures()
{
    HostApi::Settings *settings = Application::instance()->settings();
    for (const Saved &saved : qAsConst(m_saved)) {
        if (saved.value.isValid())
            settings->setValue(saved.key, saved.value);
        else
            settings->remove(saved.key);
    }
    settings->sync();
}
