// The copy kinds on a real X clipboard, read by another program (xclip), and
// the clipboard watcher that must not see Zebrix's own writes.
#include "MetaParse.h"
#include "ModelTestSupport.h"
#include "Oracle.h"
#include "SystemClipboard.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// Runs xclip while our event loop serves the clipboard (Zebrix owns it and
// must answer the selection requests itself).
QByteArray xclip(const QStringList &args, int timeoutMs = 20000)
{
    QProcess p;
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    p.start(QStringLiteral("xclip"), QStringList{QStringLiteral("-selection"), QStringLiteral("clipboard")} + args);
    loop.exec();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
    }
    return p.readAllStandardOutput();
}

QStringList targets()
{
    return QString::fromUtf8(xclip({QStringLiteral("-t"), QStringLiteral("TARGETS"), QStringLiteral("-o")}))
        .split(u'\n', Qt::SkipEmptyParts);
}

// One target's data. A loaded machine sometimes gives xclip an empty answer
// (the request arrives while the X server is busy): ask again, a few times.
QByteArray target(const char *mime)
{
    QByteArray data;
    for (int attempt = 0; attempt < 5 && data.isEmpty(); ++attempt)
        data = xclip({QStringLiteral("-t"), QString::fromLatin1(mime), QStringLiteral("-o")});
    return data;
}

// Beside every kind the picture goes on as a PNG that decodes.
void expectPngDecodes(const QStringList &offered, ZXing::BarcodeFormat format, const char *text)
{
    EXPECT_TRUE(offered.contains("image/png")) << offered.join(' ').toStdString();
    const QImage img = QImage::fromData(target("image/png"), "PNG");
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(oracle::Decode(img, format).text, text);
}

class XClipboard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != u"xcb")
            GTEST_SKIP() << "needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        m.setClipboard(&clipboard);
        m.ThinWd.setItemIndex(1);
        Select(m, 0, QStringLiteral("4901234567894"));
    }
    TSystemClipboard clipboard;
    JobModel m;
};

TEST_F(XClipboard, BitmapKind)
{
    m.CopyBm.Click();
    m.CopyPicture();
    const QStringList t = targets();
    EXPECT_TRUE(t.contains("image/png")) << t.join(' ').toStdString();
    EXPECT_TRUE(t.contains("image/bmp"));
    const QImage img = QImage::fromData(target("image/png"), "PNG");
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), m.CurrentPicture().toImage().size());
    EXPECT_EQ(oracle::Decode(img, ZXing::BarcodeFormat::EAN13).text, "4901234567894");
}

TEST_F(XClipboard, EnhancedMetafileKind)
{
    m.CopyEmf.Click();
    m.CopyPicture();
    const QStringList t = targets();
    EXPECT_TRUE(t.contains("image/emf")) << t.join(' ').toStdString();
    EXPECT_TRUE(t.contains("image/x-emf"));
    const metaparse::Emf emf = metaparse::ParseEmf(target("image/x-emf"));
    ASSERT_TRUE(emf.ok) << emf.error;
    EXPECT_EQ(emf.header.bounds.right + 1, m.CurrentPicture().width());
    expectPngDecodes(t, ZXing::BarcodeFormat::EAN13, "4901234567894");

    Select(m, 12, QStringLiteral("QR from Zebrix"));
    m.RB_Click();
    m.CopyPicture();
    expectPngDecodes(targets(), ZXing::BarcodeFormat::QRCode, "QR from Zebrix");
}

TEST_F(XClipboard, WindowsMetafileKind)
{
    m.CopyMf.Click();
    m.CopyPicture();
    const QStringList t = targets();
    EXPECT_TRUE(t.contains("image/wmf")) << t.join(' ').toStdString();
    EXPECT_TRUE(t.contains("image/x-wmf"));
    const metaparse::Wmf wmf = metaparse::ParseWmf(target("image/wmf"));
    ASSERT_TRUE(wmf.ok) << wmf.error;
    const QByteArray pict = target("application/x-metafilepict");
    ASSERT_EQ(pict.size(), 12);
    EXPECT_EQ(qFromLittleEndian<qint32>(pict.constData()), 8) << "MM_ANISOTROPIC";
    EXPECT_EQ(qFromLittleEndian<qint32>(pict.constData() + 4), qRound(m.CurrentPicture().width() * 2540 / 96.0));
    expectPngDecodes(t, ZXing::BarcodeFormat::EAN13, "4901234567894");
}

TEST_F(XClipboard, ErrorTextWithPasteError)
{
    m.PasteError.Click();
    m.EditCode.setText("12");
    m.RB_Click();
    EXPECT_EQ(QString::fromUtf8(target("UTF8_STRING")), QStringLiteral("作成できませんでした."));
}

TEST_F(XClipboard, WatcherTakesOtherProgramsTextButNotZebrixsOwn)
{
    m.CdType.setItemIndex(10);   // Code 128
    m.Triming.Click();
    m.ClipbrdWatch.Click();
    ASSERT_TRUE(m.ClipboardWatcher1.Registered());
    int changes = 0;
    QObject::connect(&m, &JobModel::statusTextChanged, &m, [&](const QString &s) { changes += !s.isEmpty(); });

    // Zebrix's own writes: a copy, an automatic copy, the error paste.
    m.AutoCopy.Click();
    m.PasteError.Click();
    m.EditCode.setText("OWN");
    m.RB_Click();
    m.CopyPicture();
    QCoreApplication::processEvents();
    const int own = changes;
    EXPECT_EQ(m.EditCode.Text(), "OWN");

    // Another program's text: becomes the data line, trimmed, and a symbol.
    QProcess other;
    other.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-i")});
    other.write("  FROM XCLIP \n");
    other.closeWriteChannel();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (m.EditCode.Text() == "FROM XCLIP")
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(m.EditCode.Text(), "FROM XCLIP");
    EXPECT_EQ(m.BarImage1.Code(), "FROM XCLIP");
    EXPECT_EQ(changes, own + 1) << "one creation from the other program's text";
    EXPECT_TRUE(m.WatcherEnabled());
    other.kill();
    other.waitForFinished();

    // Text whose creation fails with a conversion error: reported, not thrown
    // out of the notification.
    m.CdType.setItemIndex(12);
    m.SpCode.setChecked(true);
    QString error;
    QObject::connect(&m, &JobModel::errorOccurred, &m, [&](const QString &e) { error = e; });
    other.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-i")});
    other.write("100%ZZ");
    other.closeWriteChannel();
    QObject::disconnect(&poll, nullptr, nullptr, nullptr);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!error.isEmpty())
            loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(error.contains("%ZZ")) << error.toStdString();
    EXPECT_FALSE(m.Running);
    other.kill();
    other.waitForFinished();
}

TEST(NoClipboard, CopiesAreSilentlyLost)
{
    // A clipboard that refuses (here: none at all) is a lost copy, not a crash.
    JobModel m;
    Select(m, 0, "4901234567894");
    m.RB_Click();
    m.CopyPicture();
    m.setClipboard(nullptr);
    m.AutoCopy.Click();
    m.setWatcherEnabled(true);
    m.RB_Click();
    EXPECT_FALSE(m.WatcherEnabled()) << "a lost copy leaves watching off until it is set again";
    EXPECT_EQ(m.StatusText(), "作成しました.");
}

} // namespace
