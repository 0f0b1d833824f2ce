#include "outputchannel.h"

namespace HostApi {

OutputChannel::OutputChannel(const QString &id, const QString &title, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_title(title)
{
    setObjectName(id);
}

void OutputChannel::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}

void OutputChannel::clear()
{
    m_text.clear();
    emit cleared();
}

void OutputChannel::append(const QString &text)
{
    if (text.isEmpty())
        return;
    m_text += text;
    if (m_text.size() > MaxTextLength) {
        // Drop the oldest text, up to the start of the first whole line that fits.
        const int excess = m_text.size() - MaxTextLength;
        const int lineEnd = m_text.indexOf(QLatin1Char('\n'), excess - 1);
        m_text.remove(0, lineEnd < 0 ? excess : lineEnd + 1);
    }
    emit appended(text);
}

} // namespace HostApi
