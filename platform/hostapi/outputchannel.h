#pragma once

#include "hostapi_global.h"
#include "ioutputchannel.h"

#include <QObject>
#include <QString>

namespace HostApi {

// A channel of the host's output window. It keeps the text appended to it (the newest
// MaxTextLength characters, cut at a line start) and announces each append, so the output
// window shows it as it comes.
class HOSTAPI_EXPORT OutputChannel : public QObject, public IOutputChannel
{
    Q_OBJECT

public:
    static constexpr int MaxTextLength = 1 << 20;

    OutputChannel(const QString &id, const QString &title, QObject *parent = nullptr);

    QString id() const { return m_id; }
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    QString text() const { return m_text; }
    void clear();

    void append(const QString &text) override;

signals:
    void appended(const QString &text);
    void titleChanged(const QString &title);
    void cleared();

private:
    QString m_id;
    QString m_title;
    QString m_text;
};

} // namespace HostApi
