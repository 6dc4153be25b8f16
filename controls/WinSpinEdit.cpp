#include "WinSpinEdit.h"

#include <QLineEdit>

TWinSpinEdit::TWinSpinEdit(QWidget *parent)
    : QAbstractSpinBox(parent)
{
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

void TWinSpinEdit::stepBy(int steps)
{
    if (OnStep)
        OnStep(steps);
}

QValidator::State TWinSpinEdit::validate(QString &, int &) const
{
    return QValidator::Acceptable;   // any text: the edit holds text, not a number
}

QAbstractSpinBox::StepEnabled TWinSpinEdit::stepEnabled() const
{
    StepEnabled e = StepNone;
    if (!CanStep || CanStep(1))
        e |= StepUpEnabled;
    if (!CanStep || CanStep(-1))
        e |= StepDownEnabled;
    return e;
}
