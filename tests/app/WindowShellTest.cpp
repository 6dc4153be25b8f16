// The window shell: menus and their enabling, view modes, stay-on-top, the
// barcode window, the notification area where there is none, and the about box.
#include "AboutDialog.h"
#include "BarcodeView.h"
#include "Texts.h"
#include "TrayIcon2.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

TEST(WindowShell, MenusCaptionsAndShortcuts)
{
    Window w;
    QStringList titles;
    for (QAction *a : w.window.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "ヘルプ(&H)"}));
    const struct {
        const char *name, *caption;
        QKeySequence key;
    } items[] = {
        {"SaveAsMnu", "名前を付けて保存(&A)...", {}},
        {"PrintMnu", "印刷(&P)...", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"PrinterMnu", "プリンタの設定...", {}},
        {"CloseMnu", "閉じる(&X)", {}},
        {"CopyMnu", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"CopyMf", "メタファイル(WMF)", {}},
        {"CopyEmf", "拡張メタファイル(EMF)", {}},
        {"CopyBm", "ビットマップ(BMP)", {}},
        {"CopyJpg", "Jpeg(JPG)", {}},
        {"Triming", "前後の空白を除去(&K)", {}},
        {"PasteError", "エラーメッセージを貼付(&E)", {}},
        {"AutoCopy", "自動コピー(&A)", {}},
        {"DeleteHistory", "編集履歴の削除(&D)", {}},
        {"DrawBcode", "作成", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {"ClipbrdWatch", "クリップボード監視", QKeySequence(Qt::CTRL | Qt::Key_W)},
        {"ViewDetail", "詳細", {}},
        {"ViewNormal", "簡易１", {}},
        {"ViewMinimum", "簡易２", {}},
        {"FStyle", "手前に表示", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"BWindow", "バーコードウィンドウ", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"TrayIcon", "タスクトレイ常駐", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {"FontStyle", "フォント(&F)...", {}},
        {"BarColor", "バーコードの色(&C)...", {}},
        {"ColorBar", "バーコード(&B)", {}},
        {"ColorBack", "背景(&A)", {}},
        {"LangJP", "日本語(&J)", {}},
        {"LangEN", "&English", {}},
        {"Contents", "目次(&C)...", {}},
        {"About1", "Zebrixについて(&A)...", {}},
    };
    for (const auto &i : items) {
        QAction *a = w.action(i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(i.caption)) << i.name;
        EXPECT_EQ(a->shortcut(), i.key) << i.name;
    }
    EXPECT_FALSE(w.action("CopyJpg")->isVisible());
    EXPECT_FALSE(w.find<QMenu>("Language")->menuAction()->isVisible()) << "the language items are not offered";
    EXPECT_TRUE(w.action("LangJP")->isChecked());
    // The radio groups.
    w.action("ViewNormal")->trigger();
    EXPECT_FALSE(w.action("ViewDetail")->isChecked());
    const std::pair<const char *, const char *> buttons[] = {
        {"CreateBar", "作"}, {"CopyBar", "コ"}, {"ViewDet", "詳"}, {"ViewNor", "簡1"}, {"ViewMin", "簡2"}, {"BWin", "プ"}};
    for (auto [name, caption] : buttons)
        EXPECT_EQ(w.find<QToolButton>(name)->text(), QString::fromUtf8(caption)) << name;
}

TEST(WindowShell, EnablingWhenAMenuOpens)
{
    Window w;
    QMenu *file = w.find<QMenu>("FileMenu");
    for (auto [index, printable] : {std::pair{0, true}, std::pair{12, false}, std::pair{11, true}}) {
        w.model.CdType.setItemIndex(index);
        emit file->aboutToShow();
        EXPECT_EQ(w.action("PrintMnu")->isEnabled(), printable) << index;
    }
    QMenu *edit = w.find<QMenu>("EditMenu");
    emit edit->aboutToShow();
    EXPECT_FALSE(w.action("DeleteHistory")->isEnabled()) << "no history yet";
    w.model.HistoryEx1.Append("4901234567894");
    emit edit->aboutToShow();
    EXPECT_TRUE(w.action("DeleteHistory")->isEnabled());
}

TEST(WindowShell, ViewModesHaveTheirHeights)
{
    Window w;
    QApplication::processEvents();
    for (auto [mode, height, panel2, picture] :
         {std::tuple{3, 108, 49, false}, std::tuple{2, 204, 49, true}, std::tuple{1, 367, 221, true}}) {
        w.window.FormTypeClick(mode);
        EXPECT_EQ(w.window.frameGeometry().height(), height) << mode;
        EXPECT_EQ(w.window.width(), 351) << mode;
        EXPECT_EQ(w.find<QWidget>("Panel2")->height(), panel2) << mode;
        EXPECT_EQ(w.find<QScrollArea>("ScrollBox1")->isVisible(), picture) << mode;
        EXPECT_EQ(w.window.FormTypeValue(), mode);
    }
}

TEST(WindowShell, BarcodeWindowUnderTheMainWindow)
{
    Window w;
    w.model.CdType.setItemIndex(0);
    w.model.EditCode.setText("4901234567894");
    w.model.RB_Click();
    auto *bwin = w.find<QToolButton>("BWin");
    w.action("BWindow")->trigger();   // Ctrl+B
    TBarview *view = w.window.Barview();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->windowTitle(), "Barcode View");
    EXPECT_TRUE(view->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(view->windowFlags() & Qt::FramelessWindowHint);
    const QRect main = w.window.frameGeometry();
    EXPECT_EQ(view->pos(), QPoint(main.left(), main.bottom() + 1));
    EXPECT_EQ(view->size(), QSize(w.model.BarImage1.Width() + 8, w.model.BarImage1.Height() + 8));
    EXPECT_EQ(view->findChild<QWidget *>("Barcode")->pos(), QPoint(4, 4));
    EXPECT_FALSE(bwin->isChecked()) << "the menu item leaves the speed button as it was";
    // It follows the main window, and the next symbol.
    w.window.move(w.window.pos() + QPoint(30, 40));
    QApplication::processEvents();
    EXPECT_EQ(view->pos(), QPoint(w.window.frameGeometry().left(), w.window.frameGeometry().bottom() + 1));
    w.model.BarHeight.setValue(80);
    EXPECT_EQ(view->height(), w.model.BarImage1.Height() + 8);
    // The speed button: down closes it only when up again.
    bwin->click();
    EXPECT_TRUE(w.model.BWindow.Checked());
    bwin->click();
    EXPECT_FALSE(w.model.BWindow.Checked());
    EXPECT_EQ(w.window.Barview(), nullptr) << "the barcode window is gone";
}

TEST(WindowShell, StayOnTopKeepsTheSelections)
{
    Window w;
    w.model.CdType.setItemIndex(10);
    w.model.ThinWd.setItemIndex(2);
    w.action("FStyle")->trigger();
    EXPECT_TRUE(w.window.StayOnTop());
    EXPECT_TRUE(w.window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w.action("FStyle")->isChecked());
    EXPECT_EQ(w.model.CdType.ItemIndex(), 10);
    EXPECT_EQ(w.model.ThinWd.ItemIndex(), 2);
    EXPECT_EQ(w.find<QComboBox>("CdType")->currentIndex(), 10);
    EXPECT_TRUE(w.window.isVisible());
    w.action("FStyle")->trigger();
    EXPECT_FALSE(w.window.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(WindowShell, NoNotificationAreaNoHiding)
{
    Window w;
    if (TTrayIcon2::Available())
        GTEST_SKIP() << "this platform has a notification area";
    w.action("TrayIcon")->trigger();
    EXPECT_FALSE(w.model.ResTaskTray);
    EXPECT_FALSE(w.action("TrayIcon")->isChecked());
    QStringList shown;
    for (const QMessageBox *box : w.window.findChildren<QMessageBox *>())
        if (box->isVisible())
            shown << box->text();
    EXPECT_EQ(shown, QStringList{texts::TrayRegisterFailed()});
    w.window.close();
    EXPECT_TRUE(w.window.Closed()) << "without residence the close box closes";
}

TEST(WindowShell, AboutBox)
{
    TAboutDlg plain{QString()};
    EXPECT_EQ(plain.windowTitle(), "Zebrixについて");
    EXPECT_EQ(plain.findChild<QLabel *>("Version")->text(), QStringLiteral(ZEBRIX_VERSION));
    EXPECT_EQ(plain.findChild<QLabel *>("Library"), nullptr) << "no library line without the library";
    EXPECT_FALSE(plain.findChild<QLabel *>("ProgramIcon")->pixmap().isNull()) << "the program icon";
    TAboutDlg with(QStringLiteral("libzintbar.so"));
    EXPECT_EQ(with.findChild<QLabel *>("Library")->text(), "libzintbar.so");
    EXPECT_EQ(TAboutDlg::VersionText(QString()), "UnKnown");
    // Return and Space close it: OK is the default and has the focus.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        TAboutDlg box{QString()};
        box.show();
        QApplication::setActiveWindow(&box);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, key);
        EXPECT_FALSE(box.isVisible()) << key;
        EXPECT_EQ(box.result(), QDialog::Accepted) << key;
    }
}

TEST(WindowShell, HelpWithoutAProgramForHtmlInAWindowOfItsOwn)
{
    // No xdg-open on the way: nothing on this system opens HTML documents.
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", empty.path().toUtf8());
    Window w;
    w.window.OpenHelp(QStringLiteral(ZEBRIX_TEST_DATA "/../../data/help/zebrixd.html"));
    QDeadlineTimer bound(120000);
    while (!w.window.HelpWindow() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    qputenv("PATH", path);
    ASSERT_NE(w.window.HelpWindow(), nullptr);
    EXPECT_TRUE(w.window.HelpWindow()->isVisible());
    EXPECT_TRUE(w.window.HelpWindow()->Browser()->toPlainText().contains("Zebrix"));
    EXPECT_TRUE(w.window.findChildren<QMessageBox *>().isEmpty()) << "no error";
}

} // namespace
