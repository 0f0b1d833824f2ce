#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

class Document;
class QMimeData;
class QWidget;

namespace HostApi {

// Accepts symbols dropped on the widgets it watches, for one document. A drop carries
// symbols either as the host's symbol type SymbolMimeType (UTF-8, one symbol a line) or as
// plain text (one symbol a line). Each line is trimmed; empty lines are skipped; a drop with a
// line longer than MaxSymbolLength or holding control characters is refused as a whole and
// left to the widget, as are drags that start in the watched widget itself.
class HOSTAPI_EXPORT SymbolDragAndDrop : public QObject
{
    Q_OBJECT

public:
    static constexpr const char SymbolMimeType[] = "application/x-quorvex-symbols";
    static constexpr int MaxSymbolLength = 256;
    static constexpr int MaxSymbolCount = 1000;

    // With multipleSymbols false only the first symbol of a drop is delivered.
    SymbolDragAndDrop(QObject *parent, Document *document, bool multipleSymbols);

    Document *document() const { return m_document; }

    // Watches widget (it is made to accept drops) until it is destroyed.
    void addWatchedObject(QWidget *widget);

    // The symbols a drag carries; empty when it carries none or is refused.
    static QList<QByteArray> symbolsOf(const QMimeData *data);
    // Drag data carrying symbols, in the host's type and as text.
    static QMimeData *createMimeData(const QList<QByteArray> &symbols);

signals:
    void dropSymbol(const QByteArray &symbol);

protected:
    // reimplemented from QObject
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<Document> m_document;
    bool m_multipleSymbols;
};

} // namespace HostApi
