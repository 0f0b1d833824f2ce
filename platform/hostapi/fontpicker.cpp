#include "fontpicker.h"

#include "appearancemanager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace HostApi {

namespace {

// Whether the dynamic property name leaves that part of the font to the user (true unless
// set to false).
bool isModifiable(const QObject *picker, const char *name)
{
    const QVariant modifiable = picker->property(name);
    return !modifiable.isValid() || modifiable.toBool();
}

} // namespace

FontPicker::FontPicker(QWidget *parent)
    : QWidget(parent)
    , m_family(new QFontComboBox(this))
    , m_size(new QComboBox(this))
    , m_bold(new QCheckBox(tr("Bold"), this))
    , m_italic(new QCheckBox(tr("Italic"), this))
{
    m_family->setObjectName(QStringLiteral("family"));
    m_size->setObjectName(QStringLiteral("size"));
    m_bold->setObjectName(QStringLiteral("bold"));
    m_italic->setObjectName(QStringLiteral("italic"));
    for (int size : AppearanceManager::validPointSizes())
        m_size->addItem(QString::number(size), size);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_family);
    layout->addWidget(m_size);
    layout->addWidget(m_bold);
    layout->addWidget(m_italic);

    // Only the user's actions: activated and clicked are not emitted for changes made here.
    connect(m_family, QOverload<int>::of(&QComboBox::activated), this, &FontPicker::emitChanged);
    connect(m_size, QOverload<int>::of(&QComboBox::activated), this, &FontPicker::emitChanged);
    connect(m_bold, &QCheckBox::clicked, this, &FontPicker::emitChanged);
    connect(m_italic, &QCheckBox::clicked, this, &FontPicker::emitChanged);

    setCurrentFont(font());
}

QFont FontPicker::currentFont() const
{
    return m_font;
}

void FontPicker::setCurrentFont(const QFont &font)
{
    m_font = font;
    const QSignalBlocker familyBlocker(m_family);
    const QSignalBlocker sizeBlocker(m_size);
    m_family->setCurrentFont(font);
    int index = m_size->findData(font.pointSize());
    if (index < 0) {
        // A size outside the list is shown as it is, in order.
        index = 0;
        while (index < m_size->count() && m_size->itemData(index).toInt() < font.pointSize())
            ++index;
        m_size->insertItem(index, QString::number(font.pointSize()), font.pointSize());
    }
    m_size->setCurrentIndex(index);
    m_bold->setChecked(font.bold());
    m_italic->setChecked(font.italic());
}

bool FontPicker::event(QEvent *event)
{
    if (event->type() == QEvent::DynamicPropertyChange)
        applyModifiable();
    return QWidget::event(event);
}

void FontPicker::applyModifiable()
{
    m_family->setEnabled(isModifiable(this, "modifyFontFamily"));
    m_size->setEnabled(isModifiable(this, "modifyFontSize"));
    m_bold->setEnabled(isModifiable(this, "modifyFontBold"));
    m_italic->setEnabled(isModifiable(this, "modifyFontItalic"));
}

void FontPicker::emitChanged()
{
    QFont font = m_font;
    font.setFamily(m_family->currentFont().family());
    font.setPointSize(m_size->currentData().toInt());
    font.setBold(m_bold->isChecked());
    font.setItalic(m_italic->isChecked());
    if (font == m_font)
        return;
    m_font = font;
    emit currentFontChanged(m_font);
}

} // namespace HostApi
