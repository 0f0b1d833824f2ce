#pragma once

#include "scriptbutton.h"
#include "ui_insertsymboldialog.h"

#include <requesterptr.h>

#include <QDate>
#include <QPointer>
#include <QPropertyAnimation>
#include <QSet>

class DateEdit;
class ScriptSymbolEdit;

namespace FeedApi {
class ChainResponse;
class ErrorResponse;
class RerequestResponse;
class SymbolResponse;
}

namespace HostApi { class Dialog; }

// A header button of type "InsertSymbolButton" with a floating dialog ("Insert Curve") in
// which the user types a symbol and picks a date. Confirming resolves the symbol, checks that
// its type suits the window and asks for its chain as of the date; only a non-empty chain
// accepts the symbol. Closing the dialog by Cancel, by cancelling the edit, by closeDialog()
// or by activating another document emits exactly one of symbolAccepted() and
// symbolRejected(); an acceptance closes it with symbolAccepted(). Hiding it stops the
// running requests.
class ScriptInsertSymbolButton : public ScriptButton
{
    Q_OBJECT
    Q_PROPERTY(QString symbol READ symbol WRITE setSymbol)
    Q_PROPERTY(QDate date READ date WRITE setDate)
    Q_PROPERTY(QString dialogTitle READ dialogTitle WRITE setDialogTitle)

public:
    // Failures shown in the status strip.
    enum Error {
        NoError = 0,
        ResolveFailed = 1,
        HistoricalWithDate = 2,
        SpreadWithDate = 3,
        UnsuitableType = 4,
        TypeNotAllowed = 5,
        EmptyChain = 6
    };

    explicit ScriptInsertSymbolButton(QObject *parent = nullptr);
    // Deletes the dialog.
    ~ScriptInsertSymbolButton() override;

    // reimplemented from ScriptControl; params: "button" (the button's own entry),
    // "allowedSymbolTypes", "symbolEdit" (the dialog's symbol edit entry), "dialog" with
    // "title", "dateEdit" with "value" ("dd.MM.yyyy").
    void init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc) override;

    // reimplemented from QObject: the dialog's hiding and activation changes.
    bool eventFilter(QObject *watched, QEvent *event) override;

    QString symbol() const { return m_symbol; }
    QDate date() const;
    QString dialogTitle() const;

    // The dialog; null once destroyed.
    HostApi::Dialog *dialog() const;

signals:
    void symbolAccepted();
    void symbolRejected();

public slots:
    void setSymbol(QString symbol);
    void setDate(QDate date);
    void setDialogTitle(QString title);
    void showDialog();
    void closeDialog();
    void setError(QString error);
    // Types by name ("Futures", "Forex", …; single quotes are removed); unknown names are
    // reported and left out. Empty: every type that suits the window.
    void setAllowedSymbolTypes(QStringList types);

private slots:
    void onAccepted();
    void onDialogClose();
    void onGeometryUpdated();
    void onActivationChanged();
    void symbolEditDone(QByteArray value, int reasons);

private:
    void createDialog(const QVariantMap &params);
    void showStatus(bool error, const QString &text);
    void hideStatus();
    // Keeps the strip at the height the animation reached and fits the dialog around it.
    void fitStatus();
    void reportError(int code);
    QString errorText(int code) const;
    void emitResult();
    bool isWhiteTheme() const;

    void onSymbol(FeedApi::Requester *requester, const FeedApi::SymbolResponse &response);
    void onChain(FeedApi::Requester *requester, const FeedApi::ChainResponse &response);
    void onError(FeedApi::Requester *requester, const FeedApi::ErrorResponse &response);
    void onRerequest(FeedApi::Requester *requester, const FeedApi::RerequestResponse &response);
    bool isCurrent(FeedApi::Requester *requester) const;

    QPointer<ScriptSymbolEdit> m_symbolEdit;
    QPointer<HostApi::Dialog> m_dialog;
    QPointer<DateEdit> m_dateEdit;
    QPropertyAnimation m_animation;
    // The form's widgets live in the dialog: valid while m_dialog is.
    Ui::InsertSymbolDialog m_ui{};
    QString m_pendingSymbol;
    QString m_symbol;
    bool m_accepted = false;
    QSet<int> m_allowedSymbolTypes;
    FeedApi::RequesterPtr m_symbolRequester;
    FeedApi::RequesterPtr m_chainRequester;
};
