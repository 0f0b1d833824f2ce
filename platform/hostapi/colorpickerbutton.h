#pragma once

#include "hostapi_global.h"

#include <QColor>
#include <QToolButton>

namespace HostApi {

// A button showing a colour swatch; a click opens the colour dialog (with alpha).
class HOSTAPI_EXPORT ColorPickerButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged USER true)

public:
    explicit ColorPickerButton(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

signals:
    // The user picked a colour.
    void colorChanged(const QColor &color);

private:
    void pick();
    void updateSwatch();

    QColor m_color;
};

} // namespace HostApi
