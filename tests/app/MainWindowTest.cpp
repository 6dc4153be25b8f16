// The main window: its controls and captions, and a creation from the keyboard.
#include "ColorDialog.h"
#include "ColorPalette.h"
#include "Language.h"
#include "WidgetTestSupport.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

TEST(MainWindow, ControlsAndCaptions)
{
    Window w;
    EXPECT_EQ(w.window.windowTitle(), "Zebrix");
    for (const char *name : {"EditCode", "ComntStr"})
        EXPECT_NE(w.find<QLineEdit>(name), nullptr) << name;
    for (const char *name : {"CdType", "ThinWd", "StartCh", "StopCH", "QRErr", "ComntPos", "ComntAl", "CodeHistory"})
        EXPECT_NE(w.find<QComboBox>(name), nullptr) << name;
    const std::pair<const char *, const char *> checks[] = {
        {"BoxDraw", "外枠をつける"}, {"CheckDigit", "チェック・デジット"}, {"AddCodeChar", "コード文字列"},
        {"AddSChar", "拡張表示"}, {"Comnt", "コメント"}, {"SpCode", "特殊"}};
    for (auto [name, caption] : checks) {
        auto *c = w.find<QCheckBox>(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->text(), QString::fromUtf8(caption));
    }
    EXPECT_EQ(w.find<QPushButton>("FontBtn")->text(), "フォント(&F)...");
    EXPECT_FALSE(w.find<QPushButton>("FontBtn")->isEnabled()) << "until the text line is on";
    EXPECT_EQ(w.find<QPushButton>("ColorBtn")->text(), "色(&C)...");
    EXPECT_EQ(w.find<QToolButton>("CreateBar")->toolTip(), "バーコードを作成する");
    EXPECT_EQ(w.find<QToolButton>("CopyBar")->toolTip(), "クリップボードにコピーする");
    EXPECT_FALSE(w.find<QLineEdit>("ComntStr")->isEnabled());
    QStringList labels;
    for (const QLabel *l : w.window.findChildren<QLabel *>())
        labels << l->text();
    for (const char *caption : {"データ文字列", "コード", "倍率", "スタート", "ストップ", "バージョン", "エラー訂正",
                                "サイズ(高さ)", "左右", "上下"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(caption))) << caption;
    EXPECT_EQ(w.find<QComboBox>("CdType")->count(), 13);
    EXPECT_EQ(w.find<QComboBox>("CdType")->currentText(), "UPC");

    const std::pair<const char *, QKeySequence> shortcuts[] = {
        {"CopyMnu", QKeySequence(Qt::CTRL | Qt::Key_C)}, {"DrawBcode", QKeySequence(Qt::CTRL | Qt::Key_M)}};
    for (auto [name, key] : shortcuts) {
        auto *a = w.find<QAction>(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->shortcut(), key) << name;
    }
    EXPECT_EQ(w.find<QAction>("SaveAsMnu")->text(), "名前を付けて保存(&A)...");
    EXPECT_TRUE(w.find<QAction>("CopyEmf")->isChecked());
    EXPECT_FALSE(w.find<QAction>("CopyJpg")->isVisible()) << "the JPEG copy kind is never shown";
}

TEST(MainWindow, TypingJanDataAndEnterCreatesTheSymbol)
{
    Window w;
    auto *cdType = w.find<QComboBox>("CdType");
    cdType->setCurrentIndex(0);
    emit cdType->activated(0);   // as a user's pick
    auto *edit = w.find<QLineEdit>("EditCode");
    edit->setFocus();
    QTest::keyClicks(edit, "4901234567894");
    EXPECT_EQ(w.model.EditCode.Text(), "4901234567894");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.window.findChild<QLabel *>("StatusBar1")->text(), "作成しました.");
    // EAN-13 at width 1: 96 modules and the 20-pixel margins on both sides;
    // bar height 50 and 5 above and below. The metafile picture reports one
    // pixel more each way.
    auto *view = w.window.findChild<QWidget *>("BarImage1");
    EXPECT_EQ(view->size(), QSize(96 + 40 + 1, 50 + 10 + 1));
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(w.model.HistoryEx1.History(), QStringList{"4901234567894"});
    EXPECT_EQ(w.window.findChild<QLabel *>("Mode")->text(), "JAN 1×");

    // Enter released in the history list creates as well.
    w.model.EditCode.setText("490123456789");
    QTest::keyClick(w.find<QComboBox>("CodeHistory"), Qt::Key_Return);
    EXPECT_EQ(w.model.HistoryEx1.History().value(0), "490123456789");

    if (!qEnvironmentVariableIsEmpty("ZEBRIX_SCREENSHOT")) {
        w.model.AddCodeChar.setChecked(true);
        w.window.grab().save(qEnvironmentVariable("ZEBRIX_SCREENSHOT"));
    }
}

TEST(MainWindow, QRPanelTakesThePlaceOfTheTextPanel)
{
    Window w;
    auto *cdType = w.find<QComboBox>("CdType");
    emit cdType->activated(12);
    EXPECT_TRUE(w.find<QWidget>("QRPanel")->isVisible());
    EXPECT_FALSE(w.find<QWidget>("Panel3")->isVisible());
    EXPECT_FALSE(w.find<QWidget>("BarHeight")->isEnabled());
    emit cdType->activated(3);
    EXPECT_TRUE(w.find<QWidget>("Panel3")->isVisible());
    EXPECT_TRUE(w.find<QComboBox>("StopCH")->isEnabled());
    EXPECT_EQ(w.find<QComboBox>("StopCH")->count(), 4);
}

TEST(MainWindow, ViewModes)
{
    Window w;
    w.window.setViewMode(3);
    EXPECT_FALSE(w.find<QWidget>("ScrollBox1")->isVisible());
    EXPECT_FALSE(w.find<QWidget>("CdType")->isVisible());
    EXPECT_TRUE(w.find<QToolButton>("ViewMin")->isChecked());
    w.window.setViewMode(1);
    EXPECT_TRUE(w.find<QWidget>("ScrollBox1")->isVisible());
    EXPECT_TRUE(w.find<QAction>("ViewDetail")->isChecked());
}

} // namespace

namespace {

TEST(Language, DialogsSpeakTheWindowsLanguage)
{
    InitTranslations(nullptr);
    for (const auto &[language, title, cancel] : {std::tuple{"en_US", "Colours", "&Cancel"},
                                                  std::tuple{"ja", "色の設定", "キャンセル(&C)"}}) {
        TColDlg dlg(QString::fromLatin1(language));
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(title)) << language;
        EXPECT_EQ(dlg.findChild<QPushButton *>("CancelBtn")->text(), QString::fromUtf8(cancel)) << language;
    }
    SetTranslationLanguage(QString());
}

TEST(Language, QtsOwnDialogsFollowTheSystemLanguage)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    InitTranslations(qApp);
    QFileDialog dlg;
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (const QLabel *l : dlg.findChildren<QLabel *>())
        labels << l->text();
    EXPECT_TRUE(labels.join(u' ').contains(QStringLiteral("ファイル名"))) << labels.join(u'|').toStdString();
    QLocale::setDefault(before);
}

TEST(ColourDialogs, OkWithoutClickingAppliesTheSelectedCells)
{
    Window w;
    emit w.find<QComboBox>("CdType")->activated(0);
    w.model.EditCode.setText("4901234567894");
    w.model.BarImage1.setBarColor(0x123456);   // outside the palette (as through ColorBar)
    answerNextDialog<TColDlg>([](TColDlg *d) { d->findChild<QPushButton *>("OKBtn")->click(); });
    w.window.ColorBtnClick();
    EXPECT_EQ(w.model.BarCol, 0xFFFFFFu) << "white: the palette's first cell";
    EXPECT_EQ(w.model.BarImage1.BarColor(), 0xFFFFFFu);
}

TEST(ColourDialogs, CancelStillRedrawsAndIsTheDefault)
{
    Window w;
    w.model.CdType.setItemIndex(0);
    w.model.EditCode.setText("4901234567894");
    answerNextDialog<TColDlg>([](TColDlg *d) {
        EXPECT_EQ(d->windowTitle(), "色の設定");
        auto *cancel = d->findChild<QPushButton *>("CancelBtn");
        EXPECT_TRUE(cancel->isDefault());
        EXPECT_EQ(cancel->text(), "キャンセル(&C)");
        cancel->click();
    });
    w.window.ColorBtnClick();
    EXPECT_EQ(w.model.StatusText(), "作成しました.");
    EXPECT_EQ(w.model.BarCol, 0u);
}

TEST(ColourDialogs, PaletteColoursGoToBothColoursOfEveryKind)
{
    Window w;
    w.model.CdType.setItemIndex(12);
    w.model.EditCode.setText("A");
    answerNextDialog<TColDlg>([](TColDlg *d) {
        auto *p = d->ColorPalette1();
        QTest::mouseClick(p, Qt::LeftButton, {}, p->cellRect(27).center());    // 0x0000CC
        QTest::mouseClick(p, Qt::RightButton, {}, p->cellRect(3).center());    // 0x99FFFF
        d->findChild<QPushButton *>("OKBtn")->click();
    });
    w.window.ColorBtnClick();
    EXPECT_EQ(w.model.BarCol, 0x0000CCu);
    EXPECT_EQ(w.model.BackCol, 0x99FFFFu);
    const QImage img = w.model.Image1.Picture().toImage();
    EXPECT_EQ(img.pixel(0, 0), qRgb(0xFF, 0xFF, 0x99));
}

TEST(ColourDialogs, DetailedBarColourChangesOnlyTheComponent)
{
    Window w;
    w.model.CopyBm.Click();
    w.model.CdType.setItemIndex(0);
    w.model.EditCode.setText("4901234567894");
    w.model.RB_Click();
    answerNextDialog<QColorDialog>([](QColorDialog *d) {
        d->setCurrentColor(Qt::red);
        d->accept();
    });
    w.window.ColorDetailClick(true);
    EXPECT_EQ(w.model.BarImage1.BarColor(), 0x0000FFu);
    EXPECT_EQ(w.model.BarCol, 0u) << "BarCol is not changed";
    EXPECT_EQ(w.model.BarImage1.Picture().bitmap().pixel(20, 5), qRgb(255, 0, 0)) << "the linear symbol is red at once";
    w.model.CdType.setItemIndex(12);
    w.model.RB_Click();
    EXPECT_EQ(w.model.Image1.Picture().toImage().pixel(4, 4), qRgb(0, 0, 0)) << "QR stays in BarCol";
}

} // namespace

namespace {

TEST(SaveDialog, FiltersTitleAndPreselectionByPictureKind)
{
    for (bool bitmap : {false, true}) {
        Window w;
        if (bitmap)
            w.model.CopyBm.Click();
        QStringList filters;
        QString selected, title;
        answerNextDialog<QFileDialog>([&](QFileDialog *d) {
            filters = d->nameFilters();
            selected = d->selectedNameFilter();
            title = d->windowTitle();
            d->reject();
        });
        EXPECT_TRUE(w.window.askSaveFileName().isEmpty());
        EXPECT_EQ(title, "バーコードに名前を付けて保存する");
        EXPECT_EQ(filters, (QStringList{"BMPファイル(*.bmp)", "メタファイル(*.emf)", "Jpegファイル(*.jpg)",
                                        "PNGファイル(*.png)", "SVGファイル(*.svg)", "PDFファイル(*.pdf)",
                                        "WMFファイル(*.wmf)"}));
        EXPECT_EQ(selected, filters.at(bitmap ? 0 : 1));

        // A name typed without an extension gets the one of the filter shown.
        QTemporaryDir dir;
        answerNextDialog<QFileDialog>([&](QFileDialog *d) {
            d->setDirectory(dir.path());
            d->selectFile(QStringLiteral("barcode"));
            static_cast<QDialog *>(d)->accept();
        });
        EXPECT_EQ(QFileInfo(w.window.askSaveFileName()).fileName(), bitmap ? "barcode.bmp" : "barcode.emf");

        // The next time the dialog opens where the last save went.
        w.model.CdType.setItemIndex(cbarCODE39);
        w.model.EditCode.setText("A");
        answerNextDialog<QFileDialog>([&](QFileDialog *d) {
            d->setDirectory(dir.path());
            d->selectFile(QStringLiteral("first.png"));
            static_cast<QDialog *>(d)->accept();
        });
        w.window.SaveAsMnuClick();
        ASSERT_TRUE(QFileInfo::exists(dir.filePath("first.png")));
        QString opened;
        answerNextDialog<QFileDialog>([&](QFileDialog *d) {
            opened = d->directory().absolutePath();
            d->reject();
        });
        w.window.SaveAsMnuClick();
        EXPECT_EQ(opened, QDir(dir.path()).absolutePath());
    }
}

} // namespace
