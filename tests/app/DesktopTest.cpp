// The main window under a real window manager (openbox on an X server of the
// test's own), typed at through the real keyboard path (xdotool): what a
// frame, activation and focus do to the window.
#include "Desktop.h"
#include "JobModel.h"
#include "MainWindow.h"
#include "SystemClipboard.h"
#include "WinSpinEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

TDesktop *g_desktop = nullptr;

void pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

bool waitFor(const std::function<bool()> &state) { return TDesktop::WaitFor(state, 60000, pump); }

// xdotool on the test's display; the window keeps serving its events meanwhile.
void xdotool(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), g_desktop->Display());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(TDesktop::WaitFor([&] { return p.state() == QProcess::NotRunning || p.waitForFinished(10); }, 60000, pump));
}

QStringList visibleBoxes()
{
    QStringList texts;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            texts << box->text();
    return texts;
}

class Desktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.setClipboard(&clipboard);
        model.LoadLibrary();
        model.CdTypeChange();
        window.show();
        // On the screen with its frame, and active.
        ASSERT_TRUE(waitFor([this] { return window.windowHandle()->frameMargins().top() > 0; }));
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window.winId())});
        ASSERT_TRUE(waitFor([this] { return window.isActiveWindow(); }));
    }
    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w))
                w->close();
    }
    template <typename T> T *find(const char *name) { return window.findChild<T *>(QString::fromLatin1(name)); }

    TSystemClipboard clipboard;
    JobModel model;
    TZebCode window{&model};
};

bool holdsSymbol(const QClipboard *c) { return c->mimeData()->formats().contains(QStringLiteral("image/png")); }

// Each view mode keeps its height, the frame included, from the first show
// on, and shows every control of its rows whole: nothing cut by the status
// line or the window's edge, every list and spin edit as wide as its widest
// value.
TEST_F(Desktop, ViewModesShowTheirControlsWholeInTheirHeights)
{
    for (auto [mode, height, index] : {std::tuple{1, 367, int(cbarUPC)}, std::tuple{2, 204, int(cbarUPC)},
                                       std::tuple{3, 108, int(cbarUPC)}, std::tuple{1, 367, kIndexQR}}) {
        model.CdType.setItemIndex(index);
        model.CdTypeChange();
        window.FormTypeClick(mode);
        EXPECT_TRUE(waitFor([&] { return window.frameGeometry().height() == height; }))
            << "mode " << mode << ": " << window.frameGeometry().height();
        const QRect rows(0, window.menuBar()->geometry().bottom() + 1, window.width(),
                         window.statusBar()->geometry().top() - window.menuBar()->geometry().bottom() - 1);
        for (QWidget *w : window.findChildren<QWidget *>()) {
            const bool control = qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
                || qobject_cast<QAbstractButton *>(w) || qobject_cast<TWinSpinEdit *>(w);
            if (!control || !w->isVisible() || w->objectName().isEmpty() || w->objectName() == u"CodeHistory")
                continue;
            const QRect r(w->mapTo(&window, QPoint(0, 0)), w->size());
            EXPECT_TRUE(rows.contains(r)) << "mode " << mode << ": " << w->objectName().toStdString() << " cut";
            const QFontMetrics fm(w->font());
            if (auto *list = qobject_cast<QComboBox *>(w)) {
                QStyleOptionComboBox opt;
                opt.initFrom(list);
                const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                                  QStyle::SC_ComboBoxEditField, list);
                for (int i = 0; i < list->count(); ++i)
                    EXPECT_GE(field.width(), fm.horizontalAdvance(list->itemText(i)))
                        << list->objectName().toStdString() << ": " << list->itemText(i).toStdString();
            } else if (auto *spin = qobject_cast<TWinSpinEdit *>(w)) {
                EXPECT_GE(spin->edit()->width(), fm.horizontalAdvance(QStringLiteral("100")))
                    << spin->objectName().toStdString();
            }
        }
    }
}

// A failed creation's box comes once: closing it with Return (whose release
// lands in the data line) or with Space (the window is activated again),
// with the barcode window shown or not, returns to a data line that takes
// the next key.
TEST_F(Desktop, AFailedCreationsBoxComesOnceAndTheDataLineStaysEditable)
{
    model.CdType.setItemIndex(kIndexQR);
    model.CdTypeChange();
    model.SpCode.setChecked(true);
    int round = 0;
    for (const char *close : {"Return", "space", "Return"}) {
        if (round++ == 2)
            window.BWindowClick();   // and with the barcode window
        model.EditCode.setText(QString());
        find<QLineEdit>("EditCode")->setFocus();
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("%G1")});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        // Up, and taking the keys.
        ASSERT_TRUE(waitFor([] {
            return visibleBoxes().size() == 1 && qobject_cast<QMessageBox *>(QApplication::activeWindow());
        })) << close;
        xdotool({QStringLiteral("key"), QString::fromLatin1(close)});
        ASSERT_TRUE(waitFor([] { return visibleBoxes().isEmpty(); })) << close;
        // The next key goes to the data line, not to another box.
        xdotool({QStringLiteral("type"), QStringLiteral("x")});
        EXPECT_TRUE(waitFor([this] { return model.EditCode.Text() == u"%G1x"; }))
            << close << ": " << model.EditCode.Text().toStdString();
        EXPECT_TRUE(visibleBoxes().isEmpty()) << close;
    }
}

// The menu's shortcuts work from the data line: Ctrl+C copies the symbol,
// or the text selected in the line; Ctrl+M creates, Ctrl+W watches.
TEST_F(Desktop, MenuShortcutsFromTheDataLine)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    model.CdType.setItemIndex(cbarJAN);
    model.CdTypeChange();
    find<QLineEdit>("EditCode")->setFocus();
    xdotool({QStringLiteral("type"), QStringLiteral("4901234567894")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(waitFor([this] { return model.StatusText() == u"作成しました."; }));

    clipboard->setText(QStringLiteral("before"));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+c")});
    EXPECT_TRUE(waitFor([&] { return holdsSymbol(clipboard); })) << "the symbol";

    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c")});
    EXPECT_TRUE(waitFor([&] { return clipboard->text() == u"4901234567894"; })) << "the selected text";

    model.AutoCopy.setChecked(true);
    clipboard->setText(QStringLiteral("before"));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+m")});
    EXPECT_TRUE(waitFor([&] { return holdsSymbol(clipboard); })) << "created and copied";

    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+w")});
    EXPECT_TRUE(waitFor([this] { return model.ClipbrdWatch.Checked(); }));
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    TDesktop desktop;
    QString why;
    if (!desktop.Start(&why)) {
        std::fprintf(stderr, "%s\n", why.toLocal8Bit().constData());
        return 1;
    }
    g_desktop = &desktop;
    qputenv("DISPLAY", desktop.Display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // The window's font, as zebrixd sets it.
    QApplication::setFont(DefaultBarFont());
    return RUN_ALL_TESTS();
}
