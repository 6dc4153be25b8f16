// The QR assist form on the offscreen platform: what each page composes
// into the main window's data line, the preview, and the address file.
#include "Oracle.h"
#include "WidgetTestSupport.h"
#include "WindowFixture.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QTabBar>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(QRForm, EachPageComposesIntoTheDataLineAndThePreviewDecodes)
{
    Window w;
    TQRForm &form = w.openQRForm();
    form.KFirstN->setText(QStringLiteral("山田"));
    form.KLastN->setText(QStringLiteral("太郎"));
    form.FirstN->setText(QStringLiteral("ヤマダ"));
    form.Phone1->setText("012");
    form.Pages()->setCurrentIndex(TQRForm::AddressPage);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), QStringLiteral("MECARD:N:山田,太郎;SOUND:ヤマダ;TEL:012;;"));
    EXPECT_EQ(form.Pages()->currentIndex(), TQRForm::CodePage) << "the QR page shows the result";
    const oracle::Decoded d = oracle::Decode(form.Image1().Picture().toImage(), ZXing::BarcodeFormat::QRCode);
    EXPECT_EQ(QString::fromStdString(d.text), w.model.EditCode.Text());

    form.CreateClick();   // on the QR page: nothing
    EXPECT_EQ(form.Pages()->currentIndex(), TQRForm::CodePage);

    form.UrlN->setText("x://y");
    form.Pages()->setCurrentIndex(TQRForm::BookmarkPage);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), "MEBKM:URL:x\\://y;;");
    EXPECT_EQ(form.UrlN->text(), "x\\://y");
    form.Pages()->setCurrentIndex(TQRForm::BookmarkPage);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), "MEBKM:URL:x\\\\://y;;") << "escaped once more";

    form.Ssid->setText("Home");
    form.WifiPassword->setText("secret");
    form.Pages()->setCurrentIndex(TQRForm::WifiPage);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), "WIFI:T:WPA;S:Home;P:secret;;");
}

// A creation from the form that fails: the preview never shows the symbol
// made before, and the form says why (its own status line; a bad escape
// also in a message box, as the main window does).
struct FormFailure { const char *name; bool special; const char *note; const char *status; bool box; };
class FormFailures : public ::testing::TestWithParam<FormFailure> {};

TEST_P(FormFailures, ShowTheErrorPictureAndTheReason)
{
    const FormFailure &c = GetParam();
    Window w;
    TQRForm &form = w.openQRForm();
    form.KFirstN->setText("A");
    form.Pages()->setCurrentIndex(TQRForm::AddressPage);
    form.CreateClick();   // a symbol first
    ASSERT_FALSE(w.model.BError);
    w.model.SpCode.setChecked(c.special);
    form.Note->setText(QString::fromUtf8(c.note));
    form.Pages()->setCurrentIndex(TQRForm::AddressPage);
    form.CreateClick();
    EXPECT_EQ(form.Image1().Picture().toImage(), w.model.ErrorPicture().toImage());
    EXPECT_TRUE(form.StatusLine().startsWith(QString::fromUtf8(c.status))) << form.StatusLine().toStdString();
    QStringList boxes;
    for (const QMessageBox *b : form.findChildren<QMessageBox *>())
        if (b->isVisible())
            boxes << b->text();
    EXPECT_EQ(boxes.size(), c.box ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Table, FormFailures, ::testing::Values(
    FormFailure{"BadEscape", true, "100%", "'%;;' at byte", true},
    FormFailure{"TooLongForVersion4", false, "0123456789012345678901234567890123456789012345678901234567890123456789",
                "QR:文字数オーバー.  データは", false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QRForm, EveryPageIsInSightAndAVCardGetsItsExtension)
{
    Window w;
    TQRForm &form = w.openQRForm();
    form.show();
    const QTabBar *tabs = form.Pages()->tabBar();
    EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(TQRForm::WifiPage))) << "無線LAN without scroll arrows";

    QTemporaryDir dir;
    QString title;
    answerNextDialog<QFileDialog>([&](QFileDialog *d) {
        title = d->windowTitle();
        d->setDirectory(dir.path());
        d->selectFile(QStringLiteral("card"));
        static_cast<QDialog *>(d)->accept();
    });
    form.findChild<QPushButton *>("VCardBtn")->click();
    EXPECT_EQ(title, "vCardで保存");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("card.vcf")));
}

TEST(QRForm, MailAddressesAreRememberedInTheirFile)
{
    Window w;
    {
        QFile file(w.addresses);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\xFF\xFE" "a\0\n\0b\0\n\0", 10));   // UTF-16: a, b
    }
    {
        TQRForm &form = w.openQRForm();
        EXPECT_EQ(form.Address1->count(), 2);
        form.Address1->setCurrentText("c");
        form.Sub->setText("s");
        form.Pages()->setCurrentIndex(TQRForm::MailPage);
        form.CreateClick();
        EXPECT_EQ(w.model.EditCode.Text(), "MATMSG:TO:c;SUB:s;;");
        EXPECT_EQ(form.Addresses().Items(), (QStringList{"a", "c", "b"}));
        form.Address2->setCurrentText("A");
        form.Pages()->setCurrentIndex(TQRForm::MailPage);
        form.CreateClick();
        EXPECT_EQ(form.Addresses().Items(), (QStringList{"a", "c", "b"})) << "A is a";
        form.reject();
    }
    QFile file(w.addresses);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE")) << "the file stays UTF-16";
    EXPECT_EQ(bytes.size(), 2 + 2 * 6);
    w.qrForm.reset();
}

// Address files Zebrix cannot take whole: one mail made from the form with a
// new address, then the form closed. The lines it could not decode stay
// byte for byte, the new address goes in after the first one it shows; a
// file it could not read whole stays as it was, and the user is told.
QByteArray repeated(const QByteArray &line, qint64 times)
{
    QByteArray bytes;
    bytes.reserve(line.size() * times);
    for (qint64 i = 0; i < times; ++i)
        bytes += line;
    return bytes;
}

struct DamagedAddresses {
    const char *name;
    QByteArray (*file)();
    int shown;                 // the addresses the form offers
    QByteArray (*after)();     // the file after the mail; nullptr: as it was
};
class DamagedAddressFiles : public ::testing::TestWithParam<DamagedAddresses> {};

TEST_P(DamagedAddressFiles, KeepEveryByteTheyHad)
{
    const DamagedAddresses &c = GetParam();
    Window w;
    const QByteArray before = c.file();
    {
        QFile file(w.addresses);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(before), before.size());
    }
    TQRForm &form = w.openQRForm();
    EXPECT_EQ(form.Address1->count(), c.shown);
    form.Address1->setCurrentText("new@z");
    form.Pages()->setCurrentIndex(TQRForm::MailPage);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), "MATMSG:TO:new@z;;");
    form.reject();
    QFile file(w.addresses);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QByteArray expected = c.after ? c.after() : before;
    EXPECT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected) << bytes.left(64).toHex(' ').constData();
    QStringList boxes;
    for (const QMessageBox *b : w.window.findChildren<QMessageBox *>())
        if (b->isVisible())
            boxes << b->text();
    EXPECT_EQ(boxes.size(), c.after ? 0 : 1) << boxes.join(u'\n').toStdString();
    w.qrForm.reset();
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedAddressFiles, ::testing::Values(
    DamagedAddresses{"AnUndecodableByte", [] { return QByteArray("a@x\nb\xFF" "c\nd@y\n"); }, 2,
                     [] { return QByteArray("a@x\nnew@z\nb\xFF" "c\nd@y\n"); }},
    DamagedAddresses{"ANul", [] { return QByteArray("a@x\nb\0c\nd@y\n", 11); }, 2,
                     [] { return QByteArray("a@x\nnew@z\nb\0c\nd@y\n", 17); }},
    DamagedAddresses{"AnUndecodableLineWithAMarkAndCrLf",
                     [] { return QByteArray("\xEF\xBB\xBF\r\nb\xC3(\r\na@x\r\nd@y"); }, 2,
                     [] { return QByteArray("\xEF\xBB\xBF\r\nb\xC3(\r\na@x\r\nnew@z\r\nd@y"); }},
    DamagedAddresses{"OverFourMegabytes", [] { return repeated("a@x\n", TAddressList::kMaxFileSize / 4 + 1); }, 0,
                     nullptr},
    DamagedAddresses{"TwoMillionLines", [] { return repeated("a\n", 2000000); }, TAddressList::kMaxLines,
                     [] { return "a\nnew@z\n" + repeated("a\n", 2000000 - 1); }}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
