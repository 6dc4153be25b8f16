#include "AboutDialog.h"

#include "AppIcon.h"
#include "Texts.h"
#include "URLLink.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#ifndef ZEBRIX_VERSION
#define ZEBRIX_VERSION ""
#endif

QString TAboutDlg::VersionText(const QString &fileVersion)
{
    return fileVersion.isEmpty() ? QStringLiteral("UnKnown") : fileVersion;
}

TAboutDlg::TAboutDlg(const QString &libraryName, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(texts::AboutTitle());
    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(ZebrixIcon().pixmap(64, 64));
    auto *product = new QLabel(texts::ProductName(), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    product->setFont(big);
    auto *origin = new QLabel(texts::AboutOrigin(), this);
    origin->setWordWrap(true);
    origin->setFixedWidth(300);
    auto *versionLabel = new QLabel(QStringLiteral("Version"), this);
    auto *version = new QLabel(VersionText(QStringLiteral(ZEBRIX_VERSION)), this);
    version->setObjectName(QStringLiteral("Version"));
    auto *contact = new TURLLink(texts::AboutContact(), QUrl(texts::AboutContactUrl()), this);
    contact->setObjectName(QStringLiteral("Contact"));
    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    // Return and Space close the box, whatever else takes the focus.
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(product, 0, 1, 1, 2);
    grid->addWidget(origin, 1, 1, 1, 2);
    auto *versionRow = new QHBoxLayout;
    versionRow->addWidget(versionLabel);
    versionRow->addWidget(version);
    versionRow->addStretch(1);
    grid->addLayout(versionRow, 2, 1, 1, 2);
    grid->addWidget(contact, 3, 1, 1, 2);
    int row = 4;
    if (!libraryName.isEmpty()) {
        auto *library = new QLabel(libraryName, this);
        library->setObjectName(QStringLiteral("Library"));
        auto *page = new TURLLink(texts::LibraryPage(), QUrl(texts::LibraryPageUrl()), this);
        page->setObjectName(QStringLiteral("LibraryPage"));
        grid->addWidget(library, row++, 1, 1, 2);
        grid->addWidget(page, row++, 1, 1, 2);
    }
    grid->addWidget(ok, row, 2, Qt::AlignRight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
