// TPrtDlg: the print dialog. It proposes the symbol's size in millimetres
// on the chosen printer and prints at the size confirmed.
#pragma once

#include <QDialog>

class JobModel;
class QPrinter;
class TWinSpinEdit;

class TPrtDlg : public QDialog
{
    Q_OBJECT
public:
    TPrtDlg(JobModel *model, QPrinter *printer, QWidget *parent = nullptr);

    TWinSpinEdit *PrX() const { return m_prX; }
    TWinSpinEdit *PrY() const { return m_prY; }
    // The symbol in picture pixels, the printer's dots per inch, and (after
    // printing) the printed size in dots.
    int bx = 0, by = 0, logx = 0, logy = 0, px = 0, py = 0;
    // What went wrong in the last print, empty when it worked.
    const QString &PrintError() const { return m_error; }

    // "印刷(&P)": prints, then closes with OK.
    void PrintClick();

private:
    JobModel *m_model;
    QPrinter *m_printer;
    TWinSpinEdit *m_prX, *m_prY;
    QString m_error;
};
