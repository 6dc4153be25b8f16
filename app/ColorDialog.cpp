#include "ColorDialog.h"

#include "ColorPalette.h"
#include "Language.h"
#include "Texts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TColDlg::TColDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("ColDlg"));
    m_palette = new TColorPalette(this);
    auto *ok = new QPushButton(this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setAutoDefault(false);
    auto *cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    // Texts in the window's language.
    setWindowTitle(texts::ColorDialogTitle());
    ok->setText(texts::OkButton());
    cancel->setText(texts::CancelButton());
    cancel->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *v = new QVBoxLayout(this);
    v->addWidget(m_palette);
    v->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_palette->setFocus();
}
