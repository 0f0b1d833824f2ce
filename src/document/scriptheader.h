#pragma once

#include <QObject>
#include <QObjectList>
#include <QPointer>

class QWidget;
class ScriptControl;
class ScriptDocument;
class ScriptSymbolEdit;

// The row of native controls a plug-in declares in the manifest's "header", built once with
// the document. Pages reach the controls through controls, in manifest order; the host shows
// widget() above the page. Entries without an id or of an unknown type are skipped with a
// plug-in output line ("header: …").
class ScriptHeader : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObjectList controls READ controls)

public:
    // Builds the row for doc as a child of parent, the document widget.
    ScriptHeader(QObject *parent, ScriptDocument *doc);

    QObjectList controls() const { return m_controls; }
    // The row widget, a child of the document widget; null once it is destroyed.
    QWidget *widget() const { return m_widget; }
    // The first control that is a symbol edit, or null.
    ScriptSymbolEdit *symbolEdit() const;

private:
    // The control for an entry's type; null for a type the header does not know.
    static ScriptControl *createControl(const QString &type);
    void limitInputWidths();

    QObjectList m_controls;
    QPointer<QWidget> m_widget;
    ScriptDocument *m_doc;
};
