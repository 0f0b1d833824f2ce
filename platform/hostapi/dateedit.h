#pragma once

#include "hostapi_global.h"

#include <QDateEdit>

#include <memory>
#include <vector>

class DateEdit;
class QToolButton;

// Adds something to a DateEdit (a button beside it, a check).
class HOSTAPI_EXPORT IDateEditDecorator
{
public:
    virtual ~IDateEditDecorator() = default;
    virtual void decorate(DateEdit *edit) = 0;
};

// The host's date input: a QDateEdit that decorators extend.
class HOSTAPI_EXPORT DateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget *parent = nullptr);
    ~DateEdit() override;

    // Keeps decorator and lets it decorate the edit at once.
    void addDecorator(std::shared_ptr<IDateEditDecorator> decorator);

private:
    std::vector<std::shared_ptr<IDateEditDecorator>> m_decorators;
};

// A "Today" button inside the edit's right end that sets today's date (clamped to the edit's
// range); with enabled false the button is shown disabled.
class HOSTAPI_EXPORT DateEditTodayButton : public IDateEditDecorator
{
public:
    explicit DateEditTodayButton(bool enabled);

    void decorate(DateEdit *edit) override;

private:
    bool m_enabled;
};
