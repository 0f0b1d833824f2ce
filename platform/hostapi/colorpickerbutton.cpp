#include "colorpickerbutton.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace HostApi {

ColorPickerButton::ColorPickerButton(QWidget *parent)
    : QToolButton(parent)
    , m_color(Qt::black)
{
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(this, &QToolButton::clicked, this, &ColorPickerButton::pick);
    updateSwatch();
}

void ColorPickerButton::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    updateSwatch();
}

void ColorPickerButton::pick()
{
    const QColor color = QColorDialog::getColor(m_color, this, tr("Select Color"),
                                                QColorDialog::ShowAlphaChannel);
    if (!color.isValid() || color == m_color)
        return;
    setColor(color);
    emit colorChanged(m_color);
}

// A filled square framed in the text colour, and the colour's name beside it; an invalid
// colour shows the frame only. The tool tip stays the owner's.
void ColorPickerButton::updateSwatch()
{
    QPixmap swatch(iconSize());
    swatch.fill(Qt::transparent);
    QPainter painter(&swatch);
    if (m_color.isValid())
        painter.fillRect(swatch.rect(), m_color);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    setIcon(QIcon(swatch));
    setText(m_color.isValid() ? m_color.name(QColor::HexArgb) : QString());
}

} // namespace HostApi
