#include "ColorDialog.h"

#include "ColorPalette.h"
#include "Texts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TColDlg::TColDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("ColDlg"));
    setWindowTitle(texts::ColorDialogTitle());
    m_palette = new TColorPalette(this);
    auto *ok = new QPushButton(texts::OkButton(), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setAutoDefault(false);
    auto *cancel = new QPushButton(texts::CancelButton(), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
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
