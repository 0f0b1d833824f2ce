#include "symboldraganddrop.h"

#include "document.h"
#include "logservice.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace HostApi {

namespace {

bool isValidSymbol(const QString &symbol)
{
    if (symbol.size() > SymbolDragAndDrop::MaxSymbolLength)
        return false;
    for (const QChar c : symbol) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace

SymbolDragAndDrop::SymbolDragAndDrop(QObject *parent, Document *document, bool multipleSymbols)
    : QObject(parent)
    , m_document(document)
    , m_multipleSymbols(multipleSymbols)
{
}

void SymbolDragAndDrop::addWatchedObject(QWidget *widget)
{
    HOSTAPI_ASSERT(0 != widget, return);
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

QList<QByteArray> SymbolDragAndDrop::symbolsOf(const QMimeData *data)
{
    if (!data)
        return {};
    QString text;
    if (data->hasFormat(QLatin1String(SymbolMimeType)))
        text = QString::fromUtf8(data->data(QLatin1String(SymbolMimeType)));
    else if (data->hasText())
        text = data->text();
    else
        return {};

    QList<QByteArray> symbols;
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > MaxSymbolCount)
        return {};
    for (const QString &line : lines) {
        const QString symbol = line.trimmed();
        if (symbol.isEmpty())
            continue;
        if (!isValidSymbol(symbol))
            return {};
        symbols.append(symbol.toUtf8());
    }
    return symbols;
}

QMimeData *SymbolDragAndDrop::createMimeData(const QList<QByteArray> &symbols)
{
    auto *data = new QMimeData;
    const QByteArray joined = symbols.isEmpty() ? QByteArray() : symbols.join('\n');
    data->setData(QLatin1String(SymbolMimeType), joined);
    data->setText(QString::fromUtf8(joined));
    return data;
}

bool SymbolDragAndDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (drag->source() == watched || symbolsOf(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<QByteArray> symbols = drop->source() == watched
            ? QList<QByteArray>() : symbolsOf(drop->mimeData());
        if (symbols.isEmpty())
            return false;
        drop->acceptProposedAction();
        // A receiver may delete this object; deliver through a guard.
        QPointer<SymbolDragAndDrop> guard(this);
        for (const QByteArray &symbol : symbols) {
            emit dropSymbol(symbol);
            if (!guard || !m_multipleSymbols)
                break;
        }
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace HostApi
