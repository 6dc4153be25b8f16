#include "QRForm.h"

#include "Binding.h"
#include "JobModel.h"
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

template <class T>
T *make(const char *name, QWidget *parent)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// Two fields side by side in one row of a form, each with its label if any.
QWidget *pair(QWidget *parent, QWidget *a, QWidget *b, QLabel *la = nullptr, QLabel *lb = nullptr)
{
    auto *row = new QWidget(parent);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{la, a, lb, b})
        if (w)
            h->addWidget(w);
    return row;
}

} // namespace

TQRForm::TQRForm(JobModel *model, QWidget *parent, const QString &addressFile, const QString &saveFile)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_model(model),
      m_saveFile(saveFile.isEmpty() ? TAddressList::WriteLocation() : saveFile)
{
    setObjectName(QStringLiteral("QRForm"));
    m_addresses.Load(addressFile.isEmpty() ? TAddressList::ReadLocation() : addressFile);
    m_pages = new QTabWidget(this);
    // Every page's tab in sight, the last (無線LAN) included: no scroll arrows.
    m_pages->setUsesScrollButtons(false);
    m_pages->addTab(createAddressPage(), QString());
    m_pages->addTab(createMailPage(), QString());
    m_pages->addTab(createBookmarkPage(), QString());
    m_pages->addTab(createCodePage(), QString());
    m_pages->addTab(createWifiPage(), QString());

    // What the last creation came to.
    m_statusLine = make<QLabel>("StatusLine", this);
    m_statusLine->setWordWrap(true);
    auto *v = new QVBoxLayout(this);
    v->addWidget(m_pages);
    v->addWidget(m_statusLine);
    v->addLayout(createButtons());
    retranslate();
}

QLabel *TQRForm::label(QString (*text)(), QWidget *parent)
{
    auto *l = new QLabel(parent);
    m_texts.push_back({l, text});
    return l;
}

template <class B>
B *TQRForm::button(const char *name, QString (*text)(), QWidget *parent)
{
    auto *b = make<B>(name, parent);
    m_texts.push_back({b, text});
    return b;
}

void TQRForm::retranslate()
{
    setWindowTitle(texts::QRFormTitle());
    const QString titles[] = {texts::QRPageAddress(), texts::QRPageMail(), texts::QRPageBookmark(),
                              texts::QRPageCode(), texts::QRPageWifi()};
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->setTabText(i, titles[i]);
    for (const auto &[widget, text] : m_texts) {
        if (auto *l = qobject_cast<QLabel *>(widget))
            l->setText(text());
        else if (auto *b = qobject_cast<QAbstractButton *>(widget))
            b->setText(text());
    }
}

// P1: the address book.
QWidget *TQRForm::createAddressPage()
{
    auto *p1 = make<QWidget>("P1", nullptr);
    KFirstN = make<QLineEdit>("KFirstN", p1);
    KLastN = make<QLineEdit>("KLastN", p1);
    FirstN = make<QLineEdit>("FirstN", p1);
    LastN = make<QLineEdit>("LastN", p1);
    Phone1 = make<QLineEdit>("Phone1", p1);
    Phone2 = make<QLineEdit>("Phone2", p1);
    mail1 = make<QLineEdit>("mail1", p1);
    mail2 = make<QLineEdit>("mail2", p1);
    Note = make<QLineEdit>("Note", p1);
    auto *f = new QFormLayout(p1);
    f->addRow(label(texts::QRKanjiName, p1),
              pair(p1, KFirstN, KLastN, label(texts::QRFamilyName, p1), label(texts::QRGivenName, p1)));
    f->addRow(label(texts::QRReading, p1), pair(p1, FirstN, LastN));
    f->addRow(label(texts::QRPhone, p1), pair(p1, Phone1, Phone2));
    f->addRow(label(texts::QRMail1, p1), mail1);
    f->addRow(label(texts::QRMail2, p1), mail2);
    f->addRow(label(texts::QRNote, p1), Note);
    auto *vcard = button<QPushButton>("VCardBtn", texts::QRVCardSave, p1);
    connect(vcard, &QPushButton::clicked, this, &TQRForm::saveVCard);
    f->addRow(QString(), vcard);
    return p1;
}

// P2: a mail.
QWidget *TQRForm::createMailPage()
{
    auto *p2 = make<QWidget>("P2", nullptr);
    Address1 = make<QComboBox>("Address1", p2);
    Address2 = make<QComboBox>("Address2", p2);
    for (QComboBox *c : {Address1, Address2}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    Sub = make<QLineEdit>("Sub", p2);
    Body = make<QPlainTextEdit>("Body", p2);
    auto *f = new QFormLayout(p2);
    f->addRow(label(texts::QRAddress1, p2), Address1);
    f->addRow(label(texts::QRAddress2, p2), Address2);
    f->addRow(label(texts::QRSubject, p2), Sub);
    f->addRow(label(texts::QRBody, p2), Body);
    fillAddressLists();
    return p2;
}

// P3: a bookmark.
QWidget *TQRForm::createBookmarkPage()
{
    auto *p3 = make<QWidget>("P3", nullptr);
    SiteN = make<QLineEdit>("SiteN", p3);
    UrlN = make<QLineEdit>("UrlN", p3);
    auto *f = new QFormLayout(p3);
    f->addRow(label(texts::QRSiteName, p3), SiteN);
    f->addRow(label(texts::QRUrl, p3), UrlN);
    return p3;
}

// P4: the symbol made from the form.
QWidget *TQRForm::createCodePage()
{
    auto *p4 = make<QScrollArea>("P4", nullptr);
    p4->setBackgroundRole(QPalette::Dark);
    m_image.setAutoSize(true);
    m_view = new TPictureView(&m_image);
    m_view->setObjectName(QStringLiteral("Image1"));
    p4->setWidget(m_view);
    return p4;
}

// P5: a Wi-Fi network, after the four pages of the form.
QWidget *TQRForm::createWifiPage()
{
    auto *p5 = make<QWidget>("P5", nullptr);
    Ssid = make<QLineEdit>("Ssid", p5);
    WifiPassword = make<QLineEdit>("WifiPassword", p5);
    WifiSecurity = make<QComboBox>("WifiSecurity", p5);
    WifiSecurity->addItems({QStringLiteral("WPA"), QStringLiteral("WEP"), QStringLiteral("nopass")});
    WifiHidden = button<QCheckBox>("WifiHidden", texts::QRWifiHidden, p5);
    auto *f = new QFormLayout(p5);
    f->addRow(label(texts::QRWifiSsid, p5), Ssid);
    f->addRow(label(texts::QRWifiSecurity, p5), WifiSecurity);
    f->addRow(label(texts::QRWifiPassword, p5), WifiPassword);
    f->addRow(QString(), WifiHidden);
    return p5;
}

QLayout *TQRForm::createButtons()
{
    auto *create = button<QPushButton>("CreateBtn", texts::CreateButton, this);
    create->setDefault(true);
    auto *cancel = button<QPushButton>("CancelBtn", texts::CancelButton, this);
    connect(create, &QPushButton::clicked, this, &TQRForm::CreateClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(create);
    buttons->addWidget(cancel);
    return buttons;
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
    if (const QString why = m_addresses.Save(m_saveFile); !why.isEmpty())
        binding::ShowError(parentWidget() ? parentWidget()->window() : this, texts::FileError(m_saveFile, why));
}

TMecard TQRForm::mecard() const
{
    return TMecard{KFirstN->text(), KLastN->text(), FirstN->text(), LastN->text(), Phone1->text(),
                   Phone2->text(),  mail1->text(),  mail2->text(),  Note->text()};
}

QString TQRForm::Compose()
{
    switch (m_pages->currentIndex()) {
    case AddressPage:
        return ComposeMecard(mecard());
    case MailPage:
        return ComposeMatmsg(Address1->currentText(), Address2->currentText(), Sub->text(), Body->toPlainText());
    case BookmarkPage: {
        QString url = UrlN->text();
        const QString text = ComposeMebkm(SiteN->text(), url);
        UrlN->setText(url);   // the escaped URL, as composed
        return text;
    }
    case WifiPage:
        return ComposeWifi(Ssid->text(), WifiSecurity->currentText(), WifiPassword->text(), WifiHidden->isChecked());
    default:
        return {};
    }
}

void TQRForm::CreateClick()
{
    const int page = m_pages->currentIndex();
    if (page == CodePage)
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
    if (page == MailPage) {
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
    m_pages->setCurrentIndex(CodePage);
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
