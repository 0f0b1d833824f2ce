#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class QIcon;
class QWidget;
class ScriptDocument;

// A native control of the document header, as pages see it: it wraps one widget, made by
// init() from the control's entry of the manifest's "header". The object name is the entry's
// "id", type() its "type".
class ScriptControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString type READ type)

public:
    explicit ScriptControl(QObject *parent = nullptr);
    ~ScriptControl() override;

    // Builds the control's widget from params (the entry, a JSON object) as a child of
    // parent, for doc.
    virtual void init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc) = 0;

    QString type() const { return m_type; }
    void setType(const QString &type) { m_type = type; }

    // The wrapped widget; null before init() and once the widget is destroyed.
    QWidget *widget() const { return m_widget; }
    // Set once, by init().
    void setWidget(QWidget *widget);

protected:
    // Writes "header: message, detail" to doc's plug-in output.
    static void logLine(ScriptDocument *doc, const QString &message, const QString &detail);
    // The manifest's icon name, or an empty icon, with an output line for a name that is not
    // in the manifest's icon table.
    static QIcon icon(ScriptDocument *doc, const QString &name);

private:
    QPointer<QWidget> m_widget;
    QString m_type;
};
