#pragma once

#include <actionwidget.h>

#include <QPointer>

class ScriptDocument;
class ScriptSymbolEdit;

// The document widget of a script document: the web view fills it; it takes part in the
// host's context exchange, property pages, focus, style templates and refresh for the
// document.
class ScriptWidget : public ActionWidget
{
    Q_OBJECT

public:
    // Creates the standard actions for doc.
    explicit ScriptWidget(Document *doc);
    // Deletes the web view first, while the document can still forget it.
    ~ScriptWidget() override;

    // Lays out the document's view and connects the widget to the document's parts.
    void setScriptDoc(ScriptDocument *doc);
    ScriptDocument *scriptDoc() const { return m_scriptDoc; }

    // reimplemented from ContextObject
    void fillContextData(ContextData *context) override;
    ContextMenuActionList contextMenuActions(ContextData *context) override;
    // reimplemented from ShellObject
    void objectAttach() override;

protected slots:
    void updateStyleTemplateAction();

private slots:
    void selectAll();
    void doCopy();
    void doCut();
    void doPaste();
    void doClear();
    void refresh();
    void onSymbolControlValueChanged();

protected:
    // reimplemented from QWidget
    void contextMenuEvent(QContextMenuEvent *event) override;
    // reimplemented from ActionWidget
    void documentActiveChanged(bool active) override;
    void refreshHook() override;

private:
    QPointer<ScriptDocument> m_scriptDoc;
    // The header's symbol edit, whose value the trading connector follows; null without one.
    QPointer<ScriptSymbolEdit> m_symbolControl;
};
