#pragma once

#include "commoninputcontrol.h"
#include "hostapi_global.h"
#include "symbolbuilderhost.h"

#include <QByteArray>
#include <QPointer>

class QCompleter;
class QLineEdit;
class QStandardItemModel;
class QToolButton;

// The host's symbol input: a line edit that completes from ISymbolSearchService (symbol and
// description per entry). Enter ends the edit (editDone with ReasonEnter), so does picking a
// completion (ReasonCompletion) or a symbol from the builder (ReasonBuilder); Escape restores
// the symbol and emits editCancelled(). An empty text is refused unless allowed.
class HOSTAPI_EXPORT SymbolEditControl : public CommonInputControl
{
    Q_OBJECT

public:
    // Bits of editDone's reasons.
    enum EditReason { ReasonEnter = 1, ReasonCompletion = 2, ReasonBuilder = 4 };
    // Flags of setSymbolBuilderHost().
    enum BuilderFlag { BuilderButton = 2 };   // show a button that opens the builder
    static constexpr int MaxCompletions = 20;

    explicit SymbolEditControl(QWidget *parent = nullptr);
    ~SymbolEditControl() override;

    // The symbol shown (upper-cased as typed); setting it ends no edit and emits nothing.
    virtual void setSymbol(const QByteArray &symbol);
    virtual QByteArray symbol() const;

    void setAllowEmptySymbols(bool allow);
    bool allowsEmptySymbols() const { return m_allowEmpty; }

    // Installs host (not owned; null removes it) to compose symbols.
    void setSymbolBuilderHost(HostApi::SymbolBuilderHost *host, int flags);
    HostApi::SymbolBuilderHost *symbolBuilderHost() const { return m_builderHost; }

    QLineEdit *lineEdit() const { return m_edit; }
    // Starts an edit with text, typed while the document had the focus.
    void startEditing(const QString &text);

signals:
    void editDone(const QByteArray &symbol, int reasons);
    void editCancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateCompletions(const QString &text);
    void finishEdit(int reason);
    void cancelEdit();

    QLineEdit *m_edit;
    QToolButton *m_builderButton;
    QCompleter *m_completer;
    QStandardItemModel *m_completions;
    QByteArray m_symbol;
    bool m_allowEmpty = false;
    QPointer<HostApi::SymbolBuilderHost> m_builderHost;
};
