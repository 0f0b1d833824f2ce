#pragma once

#include "hostapi_global.h"

#include <QFont>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFontComboBox;

namespace HostApi {

// Edits a font: family, point size (AppearanceManager::validPointSizes()), bold and italic.
// The dynamic properties "modifyFontFamily", "modifyFontSize", "modifyFontBold" and
// "modifyFontItalic" (all true unless set) say which parts the user may change; the others
// are shown disabled. The parts are named "family", "size", "bold" and "italic".
class HOSTAPI_EXPORT FontPicker : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QFont currentFont READ currentFont WRITE setCurrentFont NOTIFY currentFontChanged USER true)

public:
    explicit FontPicker(QWidget *parent = nullptr);

    QFont currentFont() const;
    void setCurrentFont(const QFont &font);

signals:
    // The user changed the font.
    void currentFontChanged(const QFont &font);

protected:
    bool event(QEvent *event) override;

private:
    void applyModifiable();
    void emitChanged();

    QFontComboBox *m_family;
    QComboBox *m_size;
    QCheckBox *m_bold;
    QCheckBox *m_italic;
    QFont m_font;
};

} // namespace HostApi
