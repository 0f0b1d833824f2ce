#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A titled list of symbols handed between documents as context.
struct SymbolListContext
{
    SymbolListContext() = default;
    SymbolListContext(const QString &title, const QList<QByteArray> &symbols)
        : title(title), symbols(symbols) {}

    bool operator==(const SymbolListContext &other) const
    {
        return title == other.title && symbols == other.symbols;
    }
    bool operator!=(const SymbolListContext &other) const { return !(*this == other); }

    QString title;
    QList<QByteArray> symbols;
};
