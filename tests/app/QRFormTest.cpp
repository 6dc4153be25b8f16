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
    form.Pages()->setCurrentIndex(TQRForm::P1);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), QStringLiteral("MECARD:N:山田,太郎;SOUND:ヤマダ;TEL:012;;"));
    EXPECT_EQ(form.Pages()->currentIndex(), TQRForm::P4) << "the QR page shows the result";
    const oracle::Decoded d = oracle::Decode(form.Image1().Picture().toImage(), ZXing::BarcodeFormat::QRCode);
    EXPECT_EQ(QString::fromStdString(d.text), w.model.EditCode.Text());

    form.CreateClick();   // on the QR page: nothing
    EXPECT_EQ(form.Pages()->currentIndex(), TQRForm::P4);

    form.UrlN->setText("x://y");
    form.Pages()->setCurrentIndex(TQRForm::P3);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), "MEBKM:URL:x\\://y;;");
    EXPECT_EQ(form.UrlN->text(), "x\\://y");
    form.Pages()->setCurrentIndex(TQRForm::P3);
    form.CreateClick();
    EXPECT_EQ(w.model.EditCode.Text(), "MEBKM:URL:x\\\\://y;;") << "escaped once more";

    form.Ssid->setText("Home");
    form.WifiPassword->setText("secret");
    form.Pages()->setCurrentIndex(TQRForm::P5);
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
    form.Pages()->setCurrentIndex(TQRForm::P1);
    form.CreateClick();   // a symbol first
    ASSERT_FALSE(w.model.BError);
    w.model.SpCode.setChecked(c.special);
    form.Note->setText(QString::fromUtf8(c.note));
    form.Pages()->setCurrentIndex(TQRForm::P1);
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
    EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(TQRForm::P5))) << "無線LAN without scroll arrows";

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
        form.Pages()->setCurrentIndex(TQRForm::P2);
        form.CreateClick();
        EXPECT_EQ(w.model.EditCode.Text(), "MATMSG:TO:c;SUB:s;;");
        EXPECT_EQ(form.Addresses().Items(), (QStringList{"a", "c", "b"}));
        form.Address2->setCurrentText("A");
        form.Pages()->setCurrentIndex(TQRForm::P2);
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

} // namespace
