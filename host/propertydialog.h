#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class Document;
class QDialogButtonBox;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace HostApi {
class PropertyPage;
}

// The property dialog of one document: the registered property pages its object lists, each
// showing that object, with OK, Apply and Cancel, and "Save as Default" and "Reset to Default"
// for the current page when it has properties with shared defaults. The pages belong to the
// host's registry and are shared by every document of a plug-in: the dialog borrows them and
// gives them back when it closes.
class PropertyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PropertyDialog(Document *document, QWidget *parent = nullptr);
    ~PropertyDialog() override;

    // Whether document's object lists a page that the registry has.
    static bool hasPages(const Document *document);

    QList<HostApi::PropertyPage *> pages() const;
    // Writes every page's edits; each changed property is one undo entry of the document.
    void apply();

    void accept() override;
    void reject() override;

private:
    void showPage(int index);
    void updateButtons();

    QListWidget *m_list;
    QStackedWidget *m_stack;
    QDialogButtonBox *m_buttons;
    QPushButton *m_saveDefault;
    QPushButton *m_resetDefault;
    QList<QPointer<HostApi::PropertyPage>> m_pages;
};
