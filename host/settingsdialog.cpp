#include "settingsdialog.h"

#include <application.h>
#include <featuremanager.h>
#include <settings.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_userName(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_updates(new QCheckBox(tr("Update web plug-ins on start"), this))
{
    setWindowTitle(tr("Settings"));
    Application *application = Application::instance();
    HostApi::Settings *settings = application->settings();

    auto *account = new QGroupBox(tr("Account"), this);
    auto *accountLayout = new QFormLayout(account);
    m_userName->setText(application->username());
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setText(application->password());
    m_password->setToolTip(tr("Kept for this session only"));
    accountLayout->addRow(tr("User name:"), m_userName);
    accountLayout->addRow(tr("Password:"), m_password);

    auto *plugins = new QGroupBox(tr("Web plug-ins"), this);
    auto *pluginsLayout = new QVBoxLayout(plugins);
    QVariant updates = settings->value(QLatin1String(UpdatesKey), true);
    m_updates->setChecked(updates.convert(QMetaType::Bool) ? updates.toBool() : true);
    pluginsLayout->addWidget(m_updates);

    FeatureManager *features = FeatureManager::instance();
    for (const QString &feature : features->features()) {
        const QString text = feature == QLatin1String(DeveloperFeature)
            ? tr("Developer tools: web inspector (%1)").arg(feature)
            : tr("Feature %1").arg(feature);
        auto *box = new QCheckBox(text, plugins);
        box->setChecked(features->isEnabled(feature));
        pluginsLayout->addWidget(box);
        m_features.insert(feature, box);
    }
    auto *note = new QLabel(tr("Plug-in and feature changes apply from the next start."), plugins);
    note->setWordWrap(true);
    pluginsLayout->addWidget(note);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(account);
    layout->addWidget(plugins);
    layout->addWidget(buttons);
}

void SettingsDialog::restoreUserName()
{
    Application *application = Application::instance();
    application->setUsername(
        application->settings()->value(QLatin1String(UserNameKey)).toString());
}

void SettingsDialog::apply()
{
    Application *application = Application::instance();
    HostApi::Settings *settings = application->settings();
    application->setUsername(m_userName->text());
    application->setPassword(m_password->text());
    settings->setValue(QLatin1String(UserNameKey), m_userName->text());
    settings->setValue(QLatin1String(UpdatesKey), m_updates->isChecked());
    for (auto it = m_features.cbegin(); it != m_features.cend(); ++it)
        FeatureManager::instance()->setEnabled(it.key(), it.value()->isChecked());
    settings->sync();
}

void SettingsDialog::accept()
{
    apply();
    QDialog::accept();
}
