// TWinSpinEdit: a spin edit that holds text. The up and down steps stay
// within Min..Max; typed text is taken as it is (a value outside the range,
// or no number at all, is the reader's business).
#pragma once

#include <QAbstractSpinBox>
#include <functional>

class QLineEdit;

class TWinSpinEdit : public QAbstractSpinBox
{
    Q_OBJECT
public:
    explicit TWinSpinEdit(QWidget *parent = nullptr);

    // What a step does; the owner decides (and then sets the text).
    std::function<void(int steps)> OnStep;
    // Whether a step in each direction is possible now.
    std::function<bool(int steps)> CanStep;

    // The edit inside, for the text.
    QLineEdit *edit() const { return lineEdit(); }
    // The values its steps go through: the edit is wide enough for the
    // widest of them, and never narrower.
    void setRange(int min, int max);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_min = 0, m_max = 0;
};
