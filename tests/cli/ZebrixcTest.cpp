// zebrixc as a user's shell runs it: one symbol per family, exit statuses,
// standard output, and batches of a thousand lines.
#include "Batch.h"
#include "Oracle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace {

using ZXing::BarcodeFormat;

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

Outcome zebrixc(const QStringList &args, const QByteArray &input = {}, int timeoutMs = 120000)
{
    QProcess p;
    p.start(QStringLiteral(ZEBRIXC), args);
    p.waitForStarted();
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    Outcome r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

struct Family { const char *name; QStringList args; BarcodeFormat format; const char *text; };
class OneShot : public ::testing::TestWithParam<Family> {};

TEST_P(OneShot, DecodesFromTheFile)
{
    const Family &f = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Sym.png"));
    const Outcome r = zebrixc(f.args + QStringList{"/TN2", "/SAVE:" + file});
    ASSERT_EQ(r.status, 0) << f.name << ": " << r.err.toStdString();
    const oracle::Decoded d = oracle::Decode(QImage(file), f.format);
    ASSERT_TRUE(d.ok) << f.name;
    EXPECT_EQ(d.text, f.text) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Families, OneShot, ::testing::Values(
    Family{"jan", {"/JAN", "490123456789"}, BarcodeFormat::EAN13, "4901234567894"},
    Family{"upc", {"/UPC", "03600029145"}, BarcodeFormat::UPCA, "036000291452"},
    Family{"code39", {"/C39", "/CD1", "ZEBRIX-39"}, BarcodeFormat::Code39, "ZEBRIX-39E"},
    Family{"nw7", {"/NW7", "/STB", "/SPD", "1234"}, BarcodeFormat::Codabar, "B1234D"},
    Family{"itf", {"/ITF", "/CD1", "12345"}, BarcodeFormat::ITF, "123457"},
    Family{"code128", {"/C128", "/STB", "Zebrix 128"}, BarcodeFormat::Code128, "Zebrix 128"},
    Family{"code93", {"/C93", "CODE<+>A93"}, BarcodeFormat::Code93, "CODEa93"},
    Family{"qr", {"/QR2", "/QRV5", "/QRE1", "Zebrix QR コード"}, BarcodeFormat::QRCode, "Zebrix QR コード"},
    Family{"text", {"/JAN", "/CC1", "/C:Price", "4901234567894"}, BarcodeFormat::EAN13, "4901234567894"}),
    [](const auto &i) { return std::string(i.param.name); });

TEST(ZebrixcStatus, FailureConversionAndWriteErrors)
{
    QTemporaryDir dir;
    Outcome r = zebrixc({"/JAN", "12", "/SAVE:" + dir.filePath("bad.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("作成できませんでした."))) << r.err.toStdString();
    r = zebrixc({"/QR2", "/QRV0", "x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("QR:バージョン指定エラー.")));
    r = zebrixc({"/HTabc", "/JAN", "4901234567894"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("not a valid integer"));
    r = zebrixc({"/JAN", "4901234567894", "/SAVE:" + dir.filePath("no/such/dir/x.png")});
    EXPECT_EQ(r.status, 2);
    r = zebrixc({"/JAN"});
    EXPECT_EQ(r.status, 1) << "no data";
    r = zebrixc({"--bogus"});
    EXPECT_EQ(r.status, 2);
}

TEST(ZebrixcOutput, PictureOnStandardOutput)
{
    Outcome r = zebrixc({"/C128", "/STB", "piped", "/SAVE:-"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("\x89PNG"));
    EXPECT_EQ(oracle::Decode(QImage::fromData(r.out), BarcodeFormat::Code128).text, "piped");
    r = zebrixc({"--type", "bmp", "/JAN", "4901234567894", "/SAVE:-"});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("BM"));
    r = zebrixc({"--type", "emf", "/JAN", "4901234567894", "/SAVE:-"});
    EXPECT_EQ(r.out.mid(40, 4), " EMF");
}

TEST(ZebrixcOutput, HelpListsTheOptions)
{
    const Outcome r = zebrixc({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *option : {"/JAN", "/C128", "/QR2", "/SAVE:", "/HT", "--batch", "--jobs", "/SC1", "SC0"})
        EXPECT_TRUE(r.out.contains(option)) << option;
}

TEST(BatchNames, RunOfHashesBecomesTheLineNumber)
{
    EXPECT_EQ(BatchFileName("out/#####.png", 7), "out/00007.png");
    EXPECT_EQ(BatchFileName("a##b##.png", 123), "a123b##.png");
    EXPECT_EQ(BatchFileName("#.bmp", 1000), "1000.bmp");
}

QByteArray batchInput(int lines, int failing)
{
    QByteArray in;
    for (int i = 1; i <= lines; ++i)
        in += (i == failing ? QByteArray("bad\xC3\xA9") : "ZB" + QByteArray::number(i)) + (i % 2 ? "\r\n" : "\n");
    return in;
}

TEST(Batch, ThousandLinesWithAFailureInTheMiddle)
{
    QTemporaryDir dir;
    const Outcome r = zebrixc({"--batch", "/C128", "/STA", "/SAVE:" + dir.filePath("####.png")}, batchInput(1000, 500));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("zebrixc: line 500: 作成できませんでした.").toUtf8());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("0500.png")));
    int decoded = 0;
    for (int i = 1; i <= 1000; ++i) {
        if (i == 500)
            continue;
        const QString name = dir.filePath(QStringLiteral("%1.png").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(QFileInfo::exists(name)) << i;
        if (i % 10 == 1) {
            const oracle::Decoded d = oracle::Decode(QImage(name), BarcodeFormat::Code128);
            ASSERT_EQ(d.text, "ZB" + std::to_string(i));
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 100);
}

TEST(Batch, TwoThreadsWriteTheSameBytesAsOne)
{
    QTemporaryDir one, two;
    QByteArray in;
    for (int i = 1; i <= 300; ++i)
        in += QByteArray::number(4900000000000LL + i) + "\n";
    for (const char *ext : {"png", "bmp", "svg"}) {
        const QString p1 = one.filePath(QStringLiteral("###.%1").arg(QLatin1String(ext)));
        const QString p2 = two.filePath(QStringLiteral("###.%1").arg(QLatin1String(ext)));
        ASSERT_EQ(zebrixc({"--batch", "--jobs", "1", "/JAN", "/CC1", "/SAVE:" + p1}, in).status, 0);
        ASSERT_EQ(zebrixc({"--batch", "--jobs", "2", "/JAN", "/CC1", "/SAVE:" + p2}, in).status, 0);
        for (int i = 1; i <= 300; ++i) {
            const QString n = QStringLiteral("%1.%2").arg(i, 3, 10, QLatin1Char('0')).arg(QLatin1String(ext));
            QFile a(one.filePath(n)), b(two.filePath(n));
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << n.toStdString();
            ASSERT_EQ(a.readAll(), b.readAll()) << n.toStdString();
        }
    }
}

TEST(Batch, NameWithoutHashesAndFullDisk)
{
    QTemporaryDir dir;
    Outcome r = zebrixc({"--batch", "/JAN", "/SAVE:" + dir.filePath("x.png")}, "4901234567894\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("#"));

    const QString mnt = dir.filePath("small");
    QDir().mkpath(mnt);
    if (mount("tmpfs", mnt.toLocal8Bit().constData(), "tmpfs", 0, "size=12k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): full-disk case not run";
    struct Unmount { QString at; ~Unmount() { umount2(at.toLocal8Bit().constData(), MNT_DETACH); } } unmount{mnt};
    r = zebrixc({"--batch", "/JAN", "/TN3", "/HT110", "/SAVE:" + mnt + "/##.bmp"}, batchInput(40, 0).replace("ZB", "49012345678"));
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("line 40")) << "every line is reported";
    // Whatever is there is whole: no half-written files.
    for (const QFileInfo &fi : QDir(mnt).entryInfoList(QDir::Files)) {
        QFile f(fi.filePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_FALSE(QImage::fromData(f.readAll()).isNull()) << fi.fileName().toStdString();
    }
}

} // namespace
