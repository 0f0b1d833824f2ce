#include "dateedit.h"

#include "logservice.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionSpinBox>
#include <QToolButton>

#include <utility>

namespace {

// Keeps the today button at the right end of its edit's text field and keeps the text clear
// of it.
class TodayButtonPlacer : public QObject
{
public:
    TodayButtonPlacer(DateEdit *edit, QToolButton *button)
        : QObject(button)
        , m_edit(edit)
        , m_button(button)
    {
        edit->installEventFilter(this);
        place();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::StyleChange:
        case QEvent::FontChange:
            place();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // The edit's text field: with a calendar pop-up the edit is drawn as a combo box.
    QRect textFieldRect() const
    {
        if (m_edit->calendarPopup()) {
            QStyleOptionComboBox option;
            option.initFrom(m_edit);
            option.editable = true;
            option.subControls = QStyle::SC_All;
            return m_edit->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                   QStyle::SC_ComboBoxEditField, m_edit);
        }
        QStyleOptionSpinBox option;
        option.initFrom(m_edit);
        option.buttonSymbols = m_edit->buttonSymbols();
        option.subControls = QStyle::SC_All;
        return m_edit->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                               QStyle::SC_SpinBoxEditField, m_edit);
    }

    void place()
    {
        const QRect field = textFieldRect();
        const int width = m_button->sizeHint().width();
        m_button->setGeometry(field.right() - width + 1, field.top(), width, field.height());
        if (auto *text = m_edit->findChild<QLineEdit *>())
            text->setTextMargins(0, 0, width, 0);
        m_button->raise();
    }

    DateEdit *m_edit;
    QToolButton *m_button;
};

} // namespace

DateEdit::DateEdit(QWidget *parent)
    : QDateEdit(parent)
{
}

DateEdit::~DateEdit() = default;

void DateEdit::addDecorator(std::shared_ptr<IDateEditDecorator> decorator)
{
    HOSTAPI_ASSERT(decorator, return);
    m_decorators.push_back(std::move(decorator));
    m_decorators.back()->decorate(this);
}

DateEditTodayButton::DateEditTodayButton(bool enabled)
    : m_enabled(enabled)
{
}

void DateEditTodayButton::decorate(DateEdit *edit)
{
    auto *button = new QToolButton(edit);
    button->setObjectName(QStringLiteral("todayButton"));
    button->setText(QCoreApplication::translate("DateEditTodayButton", "Today"));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
    button->setEnabled(m_enabled);
    QObject::connect(button, &QToolButton::clicked, edit, [edit] {
        edit->setDate(qBound(edit->minimumDate(), QDate::currentDate(), edit->maximumDate()));
    });
    new TodayButtonPlacer(edit, button);
    edit->setMinimumWidth(edit->minimumSizeHint().width() + button->sizeHint().width());
}
