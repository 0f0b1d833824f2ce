#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class ContextData;
class Document;

// The context a page exchanges with the host: a symbol, or a titled symbol list. The
// document hands it to the page when the host asks for the document's context, builds a
// context menu, or opened the document with a context.
class ScriptContext : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString symbol READ symbol WRITE setSymbol)
    Q_PROPERTY(QStringList symbolList READ symbolList WRITE setSymbolList)
    Q_PROPERTY(QString symbolListTitle READ symbolListTitle WRITE setSymbolListTitle)

public:
    explicit ScriptContext(QObject *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol) { m_symbol = symbol; }
    QStringList symbolList() const { return m_symbolList; }
    void setSymbolList(const QStringList &symbols) { m_symbolList = symbols; }
    QString symbolListTitle() const { return m_symbolListTitle; }
    void setSymbolListTitle(const QString &title) { m_symbolListTitle = title; }

    // Whether the host offers its order and position entries in the document's context menu.
    bool supportOrderPositionMenu() const { return m_supportOrderPositionMenu; }
    void setSupportOrderPositionMenu(bool support) { m_supportOrderPositionMenu = support; }

    // Empties symbol, symbol list and title; the order/position flag stays.
    void clear();
    // Clears, then takes the host context's symbol and symbol list (UTF-8).
    void fromContextData(const ContextData &context);
    // Writes this context into the host's, as coming from document.
    void toContextData(ContextData *context, Document *document) const;

public slots:
    bool containsSymbol() const;
    bool containsSymbolList() const;

private:
    QString m_symbol;
    QStringList m_symbolList;
    QString m_symbolListTitle;
    bool m_supportOrderPositionMenu = false;
};
