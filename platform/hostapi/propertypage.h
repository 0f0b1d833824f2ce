#pragma once

#include "hostapi_global.h"

#include <QIcon>
#include <QWidget>

namespace HostApi {

// A page of the host's property dialog: a widget with an icon, titled by its window title.
class HOSTAPI_EXPORT PropertyPage : public QWidget
{
    Q_OBJECT

public:
    explicit PropertyPage(const QIcon &icon, QWidget *parent = nullptr);

    QIcon icon() const { return m_icon; }

private:
    QIcon m_icon;
};

} // namespace HostApi
