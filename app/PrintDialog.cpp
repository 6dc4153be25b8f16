#include "PrintDialog.h"

#include "JobModel.h"
#include "Language.h"
#include "Printing.h"
#include "Texts.h"
#include "WinSpinEdit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <climits>

namespace {

int number(TWinSpinEdit *edit)
{
    bool ok = false;
    const int v = edit->edit()->text().trimmed().toInt(&ok);
    return ok ? v : 0;   // a text that is no number counts as 0
}

} // namespace

TPrtDlg::TPrtDlg(JobModel *model, QPrinter *printer, QWidget *parent)
    : QDialog(parent, Qt::Tool), m_model(model), m_printer(printer)
{
    setObjectName(QStringLiteral("PrtDlg"));
    m_prX = new TWinSpinEdit(this);
    m_prX->setObjectName(QStringLiteral("PrX"));
    m_prY = new TWinSpinEdit(this);
    m_prY->setObjectName(QStringLiteral("PrY"));
    for (TWinSpinEdit *e : {m_prX, m_prY}) {
        // Whole millimetres, no limit but the integer's.
        e->OnStep = [e](int steps) {
            const long long v = (long long)number(e) + steps;
            e->edit()->setText(QString::number(std::clamp<long long>(v, INT_MIN, INT_MAX)));
        };
    }
    auto *print = new QPushButton(this);
    print->setObjectName(QStringLiteral("PrintBtn"));
    print->setDefault(true);
    auto *cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(print, &QPushButton::clicked, this, &TPrtDlg::PrintClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *width = new QLabel(this), *height = new QLabel(this), *mm1 = new QLabel(this), *mm2 = new QLabel(this);
    auto *grid = new QGridLayout(this);
    grid->addWidget(width, 0, 0);
    grid->addWidget(m_prX, 0, 1);
    grid->addWidget(mm1, 0, 2);
    grid->addWidget(height, 1, 0);
    grid->addWidget(m_prY, 1, 1);
    grid->addWidget(mm2, 1, 2);
    grid->addWidget(print, 2, 0, 1, 2);
    grid->addWidget(cancel, 2, 2);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Texts in the window's language.
    setWindowTitle(texts::PrintDialogTitle());
    width->setText(texts::PrintWidth());
    height->setText(texts::PrintHeight());
    mm1->setText(texts::Millimetres());
    mm2->setText(texts::Millimetres());
    print->setText(texts::PrintButton());
    cancel->setText(texts::CancelButton());

    // The proposal: the symbol at ten printer dots per picture pixel.
    const QSize symbol = PrintSymbolSize(*m_model);
    bx = symbol.width();
    by = symbol.height();
    logx = m_printer->logicalDpiX();
    logy = m_printer->logicalDpiY();
    m_prX->edit()->setText(QString::number(ProposedMillimetres(bx, logx)));
    m_prY->edit()->setText(QString::number(ProposedMillimetres(by, logy)));
}

void TPrtDlg::PrintClick()
{
    const int w = number(m_prX), h = number(m_prY);
    px = MillimetresToDots(w, logx);
    py = MillimetresToDots(h, logy);
    m_error = PrintSymbol(*m_model, *m_printer, w, h);
    accept();
}
