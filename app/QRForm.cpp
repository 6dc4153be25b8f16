#include "QRForm.h"

#include "Binding.h"
#include "JobModel.h"
#include "Language.h"
#include "PictureView.h"
#include "SafeFile.h"
#include "Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLineEdit *edit(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

} // namespace

TQRForm::TQRForm(JobModel *model, QWidget *parent, const QString &addressFile, const QString &saveFile)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_model(model),
      m_saveFile(saveFile.isEmpty() ? TAddressList::WriteLocation() : saveFile)
{
    setObjectName(QStringLiteral("QRForm"));
    m_addresses.Load(addressFile.isEmpty() ? TAddressList::ReadLocation() : addressFile);
    m_pages = new QTabWidget(this);

    // P1: the address book.
    auto *p1 = new QWidget;
    p1->setObjectName(QStringLiteral("P1"));
    KFirstN = edit("KFirstN", p1);
    KLastN = edit("KLastN", p1);
    FirstN = edit("FirstN", p1);
    LastN = edit("LastN", p1);
    Phone1 = edit("Phone1", p1);
    Phone2 = edit("Phone2", p1);
    mail1 = edit("mail1", p1);
    mail2 = edit("mail2", p1);
    Note = edit("Note", p1);
    auto *f1 = new QFormLayout(p1);
    auto *kanji = new QLabel(p1), *kana = new QLabel(p1), *phone = new QLabel(p1), *m1 = new QLabel(p1),
         *m2 = new QLabel(p1), *note = new QLabel(p1), *family = new QLabel(p1), *given = new QLabel(p1);
    auto pair = [p1](QWidget *a, QWidget *b, QLabel *la = nullptr, QLabel *lb = nullptr) {
        auto *row = new QWidget(p1);
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        if (la)
            h->addWidget(la);
        h->addWidget(a);
        if (lb)
            h->addWidget(lb);
        h->addWidget(b);
        return row;
    };
    f1->addRow(kanji, pair(KFirstN, KLastN, family, given));
    f1->addRow(kana, pair(FirstN, LastN));
    f1->addRow(phone, pair(Phone1, Phone2));
    f1->addRow(m1, mail1);
    f1->addRow(m2, mail2);
    f1->addRow(note, Note);
    auto *vcard = new QPushButton(p1);
    vcard->setObjectName(QStringLiteral("VCardBtn"));
    connect(vcard, &QPushButton::clicked, this, &TQRForm::saveVCard);
    f1->addRow(QString(), vcard);

    // P2: a mail.
    auto *p2 = new QWidget;
    p2->setObjectName(QStringLiteral("P2"));
    Address1 = new QComboBox(p2);
    Address1->setObjectName(QStringLiteral("Address1"));
    Address2 = new QComboBox(p2);
    Address2->setObjectName(QStringLiteral("Address2"));
    for (QComboBox *c : {Address1, Address2}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    Sub = edit("Sub", p2);
    Body = new QPlainTextEdit(p2);
    Body->setObjectName(QStringLiteral("Body"));
    auto *f2 = new QFormLayout(p2);
    auto *a1 = new QLabel(p2), *a2 = new QLabel(p2), *sub = new QLabel(p2), *body = new QLabel(p2);
    f2->addRow(a1, Address1);
    f2->addRow(a2, Address2);
    f2->addRow(sub, Sub);
    f2->addRow(body, Body);
    fillAddressLists();

    // P3: a bookmark.
    auto *p3 = new QWidget;
    p3->setObjectName(QStringLiteral("P3"));
    SiteN = edit("SiteN", p3);
    UrlN = edit("UrlN", p3);
    auto *f3 = new QFormLayout(p3);
    auto *site = new QLabel(p3), *url = new QLabel(p3);
    f3->addRow(site, SiteN);
    f3->addRow(url, UrlN);

    // P4: the symbol made from the form.
    auto *p4 = new QScrollArea;
    p4->setObjectName(QStringLiteral("P4"));
    p4->setBackgroundRole(QPalette::Dark);
    m_image.setAutoSize(true);
    m_view = new TPictureView(&m_image);
    m_view->setObjectName(QStringLiteral("Image1"));
    p4->setWidget(m_view);

    // P5: a Wi-Fi network, after the four pages of the form.
    auto *p5 = new QWidget;
    p5->setObjectName(QStringLiteral("P5"));
    Ssid = edit("Ssid", p5);
    WifiPassword = edit("WifiPassword", p5);
    WifiSecurity = new QComboBox(p5);
    WifiSecurity->setObjectName(QStringLiteral("WifiSecurity"));
    WifiSecurity->addItems({QStringLiteral("WPA"), QStringLiteral("WEP"), QStringLiteral("nopass")});
    WifiHidden = new QCheckBox(p5);
    WifiHidden->setObjectName(QStringLiteral("WifiHidden"));
    auto *f5 = new QFormLayout(p5);
    auto *ssid = new QLabel(p5), *security = new QLabel(p5), *password = new QLabel(p5);
    f5->addRow(ssid, Ssid);
    f5->addRow(security, WifiSecurity);
    f5->addRow(password, WifiPassword);
    f5->addRow(QString(), WifiHidden);

    for (QWidget *page : std::initializer_list<QWidget *>{p1, p2, p3, p4, p5})
        m_pages->addTab(page, QString());

    auto *create = new QPushButton(this);
    create->setObjectName(QStringLiteral("CreateBtn"));
    create->setDefault(true);
    auto *cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(create, &QPushButton::clicked, this, &TQRForm::CreateClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(create);
    buttons->addWidget(cancel);
    // What the last creation came to.
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_statusLine->setWordWrap(true);
    auto *v = new QVBoxLayout(this);
    v->addWidget(m_pages);
    v->addWidget(m_statusLine);
    v->addLayout(buttons);
    // Every page's tab in sight, the last (無線LAN) included: no scroll arrows.
    m_pages->setUsesScrollButtons(false);

    // Texts in the current language, then in the window's.
    auto translate = [=, this] {
        setWindowTitle(texts::QRFormTitle());
        const QStringList titles = {texts::QRPageAddress(), texts::QRPageMail(), texts::QRPageBookmark(),
                                    texts::QRPageCode(), texts::QRPageWifi()};
        for (int i = 0; i < titles.size(); ++i)
            m_pages->setTabText(i, titles.at(i));
        kanji->setText(texts::QRKanjiName());
        family->setText(texts::QRFamilyName());
        given->setText(texts::QRGivenName());
        kana->setText(texts::QRReading());
        phone->setText(texts::QRPhone());
        m1->setText(texts::QRMail1());
        m2->setText(texts::QRMail2());
        note->setText(texts::QRNote());
        vcard->setText(texts::QRVCardSave());
        a1->setText(texts::QRAddress1());
        a2->setText(texts::QRAddress2());
        sub->setText(texts::QRSubject());
        body->setText(texts::QRBody());
        site->setText(texts::QRSiteName());
        url->setText(texts::QRUrl());
        ssid->setText(texts::QRWifiSsid());
        security->setText(texts::QRWifiSecurity());
        password->setText(texts::QRWifiPassword());
        WifiHidden->setText(texts::QRWifiHidden());
        create->setText(texts::CreateButton());
        cancel->setText(texts::CancelButton());
    };
    translate();
    SetTranslationLanguage(m_model->LLanguage);
    translate();
}

TQRForm::~TQRForm() { SaveAddresses(); }

QString TQRForm::StatusLine() const { return m_statusLine->text(); }

void TQRForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // At the main window's top left.
    if (parentWidget())
        move(parentWidget()->window()->frameGeometry().topLeft());
}

void TQRForm::done(int result)
{
    SaveAddresses();
    QDialog::done(result);
}

void TQRForm::SaveAddresses()
{
    if (m_saved)
        return;
    m_saved = true;
    m_addresses.Save(m_saveFile);
}

TMecard TQRForm::mecard() const
{
    return TMecard{KFirstN->text(), KLastN->text(), FirstN->text(), LastN->text(), Phone1->text(),
                   Phone2->text(),  mail1->text(),  mail2->text(),  Note->text()};
}

QString TQRForm::Compose()
{
    switch (m_pages->currentIndex()) {
    case P1:
        return ComposeMecard(mecard());
    case P2:
        return ComposeMatmsg(Address1->currentText(), Address2->currentText(), Sub->text(), Body->toPlainText());
    case P3: {
        QString url = UrlN->text();
        const QString text = ComposeMebkm(SiteN->text(), url);
        UrlN->setText(url);   // the escaped URL, as composed
        return text;
    }
    case P5:
        return ComposeWifi(Ssid->text(), WifiSecurity->currentText(), WifiPassword->text(), WifiHidden->isChecked());
    default:
        return {};
    }
}

void TQRForm::CreateClick()
{
    const int page = m_pages->currentIndex();
    if (page == P4)
        return;   // the QR page only shows
    const QString text = Compose();
    m_model->EditCode.setText(text);
    // A creation abandoned on a bad percent escape leaves the last picture
    // in the main window; the preview shows the error picture instead (it
    // never passes an earlier symbol off as this data's), and the message
    // comes up as the main window's does.
    bool abandoned = false;
    binding::Guarded(this, [&] {
        try {
            m_model->RB_Click();
        } catch (const std::exception &e) {
            abandoned = true;
            m_statusLine->setText(QString::fromUtf8(e.what()));
            throw;
        }
    });
    if (page == P2) {
        const QString a1 = Address1->currentText(), a2 = Address2->currentText();
        m_addresses.Add(a1);
        m_addresses.Add(a2);
        fillAddressLists();
        Address1->setCurrentText(a1);
        Address2->setCurrentText(a2);
    }
    // The main window's picture, as it now is.
    if (abandoned) {
        m_image.Picture() = m_model->ErrorPicture();
        m_image.setSize(m_image.Picture().width(), m_image.Picture().height());
    } else {
        const TImage &made = m_model->CurrentImage();
        m_image.Picture() = made.Picture();
        m_image.setSize(made.Width(), made.Height());
        // What became of it, in the form itself: the main window's status
        // line is behind it.
        const QString reason = m_model->FailureReason();
        m_statusLine->setText(reason.isEmpty() ? m_model->StatusText()
                                               : m_model->StatusText() + QStringLiteral("  ") + reason);
    }
    m_view->refresh();
    m_pages->setCurrentIndex(P4);
}

void TQRForm::fillAddressLists()
{
    for (QComboBox *c : {Address1, Address2}) {
        const QString typed = c->currentText();
        c->clear();
        c->addItems(m_addresses.Items());
        c->setCurrentText(typed);
    }
}

void TQRForm::saveVCard()
{
    QFileDialog dlg(this, texts::QRVCardSaveTitle(), QString(), texts::QRVCardFilter());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("vcf"));   // as a picture gets its kind's
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    const QString name = dlg.selectedFiles().constFirst();
    const QString why = WriteFileSafely(name, ComposeVCard(mecard()).toUtf8());
    if (!why.isEmpty())
        binding::ShowError(this, texts::FileError(name, why));
}
