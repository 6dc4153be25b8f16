#include "WinSpinEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

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

void TWinSpinEdit::setRange(int min, int max)
{
    m_min = min;
    m_max = max;
    updateGeometry();
}

QSize TWinSpinEdit::sizeHint() const
{
    // The widest value of the range, a blank and room for the cursor, then
    // the buttons and frame the style adds.
    ensurePolished();
    const QFontMetrics fm(fontMetrics());
    int w = 0;
    for (int v : {m_min, m_max})
        w = std::max(w, fm.horizontalAdvance(QString::number(v) + u' '));
    w += 2;
    QStyleOptionSpinBox opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, QSize(w, lineEdit()->sizeHint().height()), this);
}
