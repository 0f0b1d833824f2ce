#include "settingsdialog.h"

#include <application.h>
#include <featuremanager.h>
#include <logservice.h>
#include <preferences.h>
#include <settings.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimeZone>
#include <QVBoxLayout>

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_userName(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_updates(new QCheckBox(tr("Update web plug-ins at start"), this))
    , m_decimalSymbol(new QComboBox(this))
    , m_systemFormatting(new QCheckBox(tr("Use the system's number and date formats"), this))
    , m_timeZone(new QComboBox(this))
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

    auto *formatting = new QGroupBox(tr("Formatting"), this);
    auto *formattingLayout = new QFormLayout(formatting);
    const Preferences *preferences = Preferences::instance();
    m_decimalSymbol->addItem(tr("Point (1234.56)"), QStringLiteral("."));
    m_decimalSymbol->addItem(tr("Comma (1234,56)"), QStringLiteral(","));
    m_decimalSymbol->setCurrentIndex(m_decimalSymbol->findData(preferences->decimalSymbol()));
    m_systemFormatting->setChecked(preferences->isUseSystemFormatting());
    m_decimalSymbol->setEnabled(!m_systemFormatting->isChecked());
    connect(m_systemFormatting, &QCheckBox::toggled, m_decimalSymbol,
            [this](bool system) { m_decimalSymbol->setEnabled(!system); });
    QList<QByteArray> zones = QTimeZone::availableTimeZoneIds();
    const QByteArray zone = preferences->localTimeZoneId();
    if (!zones.contains(zone))
        zones.prepend(zone);
    for (const QByteArray &id : qAsConst(zones))
        m_timeZone->addItem(QString::fromUtf8(id));
    m_timeZone->setCurrentText(QString::fromUtf8(zone));
    formattingLayout->addRow(tr("Decimal symbol:"), m_decimalSymbol);
    formattingLayout->addRow(m_systemFormatting);
    formattingLayout->addRow(tr("Time zone:"), m_timeZone);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(account);
    layout->addWidget(plugins);
    layout->addWidget(formatting);
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
    // The controls offer valid choices only, so the preferences never refuse them.
    const bool formattingStored = Preferences::instance()->setFormatting(
        m_decimalSymbol->currentData().toString(), m_systemFormatting->isChecked(),
        m_timeZone->currentText().toUtf8());
    HOSTAPI_ASSERT(formattingStored, );
    settings->sync();
}

void SettingsDialog::accept()
{
    apply();
    QDialog::accept();
}
