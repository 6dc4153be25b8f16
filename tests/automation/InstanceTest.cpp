// One Zebrix per user: the shared block, the hand-over of a second start's
// parameters, and real zebrixd processes racing, forwarding and crashing.
#include "CommandLine.h"
#include "Instance.h"
#include "JobModel.h"
#include "Oracle.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QCoreApplication>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace instance;

namespace {

// --- The shared block in-process ----------------------------------------------------

TEST(SharedBlock, PrivateToTheUser)
{
    TSharedBlock::Unlink();
    TSharedBlock b;
    QString error;
    ASSERT_TRUE(b.Open(&error)) << error.toStdString();
    EXPECT_EQ(b.Mode(), 0600);
    EXPECT_EQ(BlockName(), "/Zebrix-" + QByteArray::number(getuid()));
    if (getuid() != 0)
        GTEST_SKIP() << "another user can be tried only as root";
    // Another user cannot open it (by our name: the other user's own name differs).
    const QByteArray name = BlockName();
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const int fd = shm_open(name.constData(), O_RDWR, 0);
        _exit(fd < 0 && errno == EACCES ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user opened the block";
}

TEST(SharedBlock, RefusesABlockOthersMayOpen)
{
    TSharedBlock::Unlink();
    const int fd = shm_open(BlockName().constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    fchmod(fd, 0666);
    close(fd);
    TSharedBlock b;
    QString error;
    EXPECT_FALSE(b.Open(&error));
    EXPECT_FALSE(error.isEmpty());
    TSharedBlock::Unlink();
}

TEST(SharedBlock, TextIsCutAt1021CharactersAndNeverOverrun)
{
    TSharedBlock::Unlink();
    TSharedBlock b;
    ASSERT_TRUE(b.Open());
    b.SetText(QString(5000, u'x'));
    EXPECT_EQ(b.Text().size(), kMaxChars);
    b.SetText(QStringLiteral("\n/JAN\r\n4901234567894"));
    EXPECT_EQ(b.Text(), "\n/JAN\r\n4901234567894");
    EXPECT_EQ(b.Flag(), 0);
    // A garbled block: no NUL anywhere.
    unsigned char *raw = static_cast<unsigned char *>(
        mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED,
             shm_open(BlockName().constData(), O_RDWR, 0), 0));
    ASSERT_NE(raw, MAP_FAILED);
    std::memset(raw, 0x41, kBlockSize);
    EXPECT_EQ(b.Text(), QString(kMaxChars, QChar(0x4141)));
    munmap(raw, kBlockSize);
}

TEST(InstanceServer, HostileBlockAndConversionErrorStillEndIdle)
{
    TSharedBlock::Unlink();
    TSharedBlock b;
    ASSERT_TRUE(b.Open());
    b.SetFlag(777);
    b.SetText(QString(3000, u'/'));
    TInstanceServer server;
    QStringList got;
    QString error;
    server.OnParams = [&](const QStringList &p) {
        got = p;
        EXPECT_EQ(b.Flag(), kBusy);
        throw EConvertError(QStringLiteral("'X' is not a valid integer value"));
    };
    server.OnError = [&](const QString &m) { error = m; };
    server.HandleForwarded();
    EXPECT_EQ(got, QStringList{QString(kMaxChars, u'/')});
    EXPECT_NE(error.indexOf("valid integer"), -1);
    EXPECT_EQ(b.Flag(), 0) << "senders after this one must not wait for ever";
}

TEST(Forwarding, NobodyListening)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_EQ(ForwardParams({"/JAN"}, &error, {}, dir.filePath("none.sock")), TForward::NoInstance);
}

// --- Real processes ---------------------------------------------------------------------

class Processes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TSharedBlock::Unlink();
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        socket = runtime.path() + "/zebrix/Zebrix.sock";
    }
    void TearDown() override
    {
        for (QProcess *p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }
    QProcess *start(const QStringList &args)
    {
        auto *p = new QProcess;
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(ZEBRIXD), args);
        started << p;
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }
    // Starts and waits until the instance listens.
    QProcess *startFirst(const QStringList &args = {})
    {
        QProcess *p = start(args);
        QElapsedTimer t;
        t.start();
        while (!QFileInfo(socket).exists() && t.elapsed() < 15000 && !p->waitForFinished(20)) {
        }
        // The socket file appears a moment before the server accepts.
        QThread::msleep(100);
        EXPECT_TRUE(QFileInfo(socket).exists()) << "the first instance does not listen";
        return p;
    }
    int runToEnd(const QStringList &args, int timeoutMs = 30000)
    {
        QProcess *p = start(args);
        if (!p->waitForFinished(timeoutMs))
            return -1;
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -2;
    }

    QTemporaryDir runtime;
    QTemporaryDir out;
    QProcessEnvironment env;
    QString socket;
    QList<QProcess *> started;
};

oracle::Decoded decodeFile(const QString &path)
{
    return oracle::Decode(QImage(path), ZXing::BarcodeFormat::Any);
}

TEST_F(Processes, SecondStartHandsOverAndTheFileAppears)
{
    QProcess *first = startFirst({"/JAN", "4901234567894"});
    const QString file = out.filePath("Second.png");
    EXPECT_EQ(runToEnd({"/c39", "ABC", "/save:" + file}), 0);
    // The sender ends only after the running instance has saved.
    ASSERT_TRUE(QFileInfo::exists(file));
    const oracle::Decoded r = decodeFile(file);
    EXPECT_EQ(r.format, ZXing::BarcodeFormat::Code39);
    EXPECT_EQ(r.text, "ABC");
    EXPECT_FALSE(first->waitForFinished(100));
    EXPECT_EQ(runToEnd({}), 0) << "a start without parameters hands over nothing and ends";
    EXPECT_FALSE(first->waitForFinished(100));
}

TEST_F(Processes, ForwardedExitEndsTheRunningInstance)
{
    QProcess *first = startFirst();
    EXPECT_EQ(runToEnd({"/c39", "ABC", "/EXIT"}), 0);
    EXPECT_TRUE(first->waitForFinished(15000)) << "the first instance is still running";
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(Processes, StartUpExitCreatesAndEnds)
{
    QProcess *p = start({"/c39", "ABC", "/EXIT"});
    EXPECT_TRUE(p->waitForFinished(15000));
    EXPECT_EQ(p->exitCode(), 0);
}

TEST_F(Processes, ABusyInstanceMakesTheNextSenderWait)
{
    startFirst();
    const QString a = out.filePath("a.png"), b = out.filePath("b.png");
    QProcess *slow = start({"/JAN", "4901234567894", "/D:800", "/SAVE:" + a});
    QThread::msleep(300);   // the running instance is now inside the delay
    QProcess *next = start({"/C39", "XYZ", "/SAVE:" + b});
    ASSERT_TRUE(next->waitForFinished(30000));
    EXPECT_EQ(next->exitCode(), 0);
    // It could hand over only after the slow batch: that one is done by now.
    EXPECT_TRUE(slow->waitForFinished(1000));
    EXPECT_EQ(slow->exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(decodeFile(a).text, "4901234567894");
    EXPECT_EQ(decodeFile(b).text, "XYZ");
}

TEST_F(Processes, TwoRacingFirstStartsLeaveExactlyOneInstance)
{
    QProcess *one = start({});
    QProcess *two = start({});
    // One of them finds the other and ends; the other stays.
    QElapsedTimer t;
    t.start();
    bool oneEnded = false, twoEnded = false;
    while (!oneEnded && !twoEnded && t.elapsed() < 15000) {
        oneEnded = one->waitForFinished(50);
        twoEnded = two->waitForFinished(50);
    }
    ASSERT_TRUE(oneEnded || twoEnded) << "neither start gave way";
    QProcess *stays = oneEnded ? two : one;
    EXPECT_FALSE(stays->waitForFinished(1500)) << "both ended";
    EXPECT_EQ((oneEnded ? one : two)->exitCode(), 0);
}

TEST_F(Processes, AKilledInstanceLeavesNoStaleLock)
{
    QProcess *first = startFirst();
    ::kill(pid_t(first->processId()), SIGKILL);
    first->waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(socket)) << "a stale socket file is left";
    QProcess *again = startFirst();
    EXPECT_FALSE(again->waitForFinished(500)) << "the new start became the instance";
    const QString file = out.filePath("after.png");
    EXPECT_EQ(runToEnd({"/JAN", "4901234567894", "/SAVE:" + file}), 0);
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST_F(Processes, ForwardedConversionErrorDoesNotBlockLaterSenders)
{
    startFirst();
    EXPECT_EQ(runToEnd({"/HTabc", "/JAN", "4901234567894"}), 0);
    const QString file = out.filePath("later.png");
    EXPECT_EQ(runToEnd({"/JAN", "4901234567894", "/SAVE:" + file}, 20000), 0);
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST_F(Processes, LongParameterListsAreCutNotOverrun)
{
    startFirst();
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << QStringLiteral("/TN%1").arg(1 + i % 3);
    many << QString(3000, u'9');
    EXPECT_EQ(runToEnd(many), 0);
    const QString file = out.filePath("still.png");
    EXPECT_EQ(runToEnd({"/JAN", "4901234567894", "/SAVE:" + file}), 0);
    EXPECT_TRUE(QFileInfo::exists(file));
}

} // namespace

namespace {

TEST(InstanceServer, AMessageDuringABatchWaitsForItInsteadOfNesting)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nest.sock");
    TSharedBlock::Unlink();
    TInstanceServer server;
    ASSERT_TRUE(server.Listen(path));
    int depth = 0, maxDepth = 0, batches = 0;
    QLocalSocket intruder;
    server.OnParams = [&](const QStringList &) {
        ++batches;
        maxDepth = std::max(maxDepth, ++depth);
        if (batches == 1) {
            // Another message arrives while this batch runs and lets the queue run.
            TSharedBlock b;
            b.Open();
            intruder.connectToServer(path);
            intruder.waitForConnected(1000);
            QByteArray m(12, '\0');
            qToLittleEndian<qint32>(kMessage, m.data());
            qToLittleEndian<qint32>(kParamsInBlock, m.data() + 4);
            intruder.write(m);
            intruder.flush();
            for (int i = 0; i < 20; ++i) {
                QCoreApplication::processEvents();
                QThread::msleep(5);
            }
        }
        --depth;
    };
    TSharedBlock block;
    ASSERT_TRUE(block.Open());
    block.SetText(QStringLiteral("\n/JAN"));
    server.HandleForwarded();
    QElapsedTimer t;
    t.start();
    while (batches < 2 && t.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_EQ(batches, 2) << "the second message was handled after the first";
    EXPECT_EQ(maxDepth, 1) << "never inside the first";
}

} // namespace
