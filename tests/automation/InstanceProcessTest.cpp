// One Zebrix per user and runtime folder, with real zebrixd processes. Every
// scenario has runtime and settings folders of its own and the offscreen
// platform, so no test ever meets the user's own Zebrix; every wait is for
// a state (the socket accepts, the busy flag, a file, an exit).
#include "PrivateBus.h"
#include "ProcessFixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>

using namespace instance;

namespace {

using namespace processes;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kStressSenders = 100;   // each process starts some three times slower
#else
constexpr int kStressSenders = 300;
#endif

TEST_F(Processes, ASecondStartHandsOverAndEndsOnceTheFileIsThere)
{
    QProcess *first = startInstance({"/JAN", "4901234567894"});
    const QString file = out("second.png");
    EXPECT_EQ(run({"/c39", "ABC", "/save:" + file}), 0) << lastError.toStdString();
    const oracle::Decoded r = decodeFile(file);
    EXPECT_EQ(r.format, ZXing::BarcodeFormat::Code39);
    EXPECT_EQ(r.text, "ABC");
    EXPECT_EQ(run({}), 0) << "a start without parameters hands over nothing and ends";
    EXPECT_EQ(run({"/C39", "DEF", "/SAVE:" + out("third.png")}), 0);
    EXPECT_EQ(decodeFile(out("third.png")).text, "DEF");
    EXPECT_EQ(first->state(), QProcess::Running);
    // Its block is a file of its runtime folder that only the user may open.
    const QFileInfo block(folder.paths().block());
    EXPECT_EQ(block.size(), kBlockSize);
    EXPECT_EQ(block.permissions() & 0x0077, 0) << "open to the group or others";
}

TEST_F(Processes, ExitForwardedEndsTheInstanceAndAtStartUpSavesNothing)
{
    QProcess *first = startInstance();
    EXPECT_EQ(run({"/c39", "ABC", "/EXIT"}), 0) << lastError.toStdString();
    EXPECT_EQ(finish(first), 0);
    EXPECT_EQ(run({"/c39", "ABC", "/SAVE:" + out("no.png"), "/EXIT"}), 0);
    EXPECT_FALSE(QFileInfo::exists(out("no.png")));
}

TEST_F(Processes, ABusyInstanceMakesTheNextSenderWait)
{
    startInstance();
    const QString a = out("a.png"), b = out("b.png");
    QProcess *slow = start({"/JAN", "4901234567894", "/D:300", "/SAVE:" + a});
    ASSERT_TRUE(waitForBusy(slow)) << "the instance never took the slow list";
    EXPECT_EQ(run({"/C39", "XYZ", "/SAVE:" + b}), 0) << lastError.toStdString();
    // It could hand over only after the slow list: that one is saved by now.
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(finish(slow), 0);
    EXPECT_EQ(decodeFile(a).text, "4901234567894");
    EXPECT_EQ(decodeFile(b).text, "XYZ");
}

TEST_F(Processes, TwoRacingFirstStartsLeaveExactlyOneInstance)
{
    QProcess *one = start({});
    QProcess *two = start({});
    // One of them finds the other and ends; the other stays and answers.
    const QDeadlineTimer bound(kBoundMs);
    while (one->state() != QProcess::NotRunning && two->state() != QProcess::NotRunning && !bound.hasExpired()) {
        one->waitForFinished(10);
        two->waitForFinished(10);
    }
    QProcess *ended = one->state() == QProcess::NotRunning ? one : two;
    QProcess *stays = ended == one ? two : one;
    ASSERT_EQ(finish(ended), 0);
    ASSERT_TRUE(accepting(stays, folder.paths()));
    EXPECT_EQ(run({"/C39", "ONE", "/SAVE:" + out("one.png")}), 0);
    EXPECT_EQ(stays->state(), QProcess::Running);
}

TEST_F(Processes, AStartDuringAStartUpThatEndsBecomesTheNextInstance)
{
    // The first instance listens from its start, but ends at the end of its
    // start-up ("/EXIT") without taking the list: the second start takes
    // its place and makes its symbol itself.
    QProcess *first = startInstance({"/D:1000", "/C39", "A", "/EXIT"});
    QProcess *second = start({"/C39", "B", "/SAVE:" + out("b.png")});
    EXPECT_EQ(finish(first), 0);
    ASSERT_TRUE(accepting(second, folder.paths()));
    EXPECT_EQ(run({"/C39", "C", "/SAVE:" + out("c.png")}), 0);
    EXPECT_EQ(decodeFile(out("b.png")).text, "B");
    EXPECT_EQ(decodeFile(out("c.png")).text, "C");
}

TEST_F(Processes, AKilledInstanceLeavesNothingThatStopsTheNext)
{
    QProcess *first = startInstance();
    ::kill(pid_t(first->processId()), SIGKILL);
    finish(first);
    ASSERT_TRUE(QFileInfo::exists(folder.paths().socket())) << "a stale socket file is left";
    QProcess *again = startInstance();
    EXPECT_EQ(run({"/JAN", "4901234567894", "/SAVE:" + out("after.png")}), 0);
    EXPECT_TRUE(QFileInfo::exists(out("after.png")));
    EXPECT_EQ(again->state(), QProcess::Running);
}

TEST_F(Processes, TheInstancesFailuresReachTheSender)
{
    startInstance();
    const struct {
        QStringList args;
        const char *says;
    } cases[] = {
        {{"/HTabc", "/JAN", "4901234567894"}, "valid integer"},
        {{"/JAN", "12"}, "作成できませんでした."},
        {{"/C39", "X", "/SAVE:" + out("missing/x.png")}, "missing/x.png"},
        {{"/QR2", QString(7089, u'7')}, "QR:文字数オーバー."},
        {{"/JAN", "12"}, "JAN takes 7, 8, 12 or 13 digits"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(run(c.args), 1) << c.says;
        EXPECT_NE(lastError.indexOf(QString::fromUtf8(c.says)), -1) << lastError.toStdString();
    }
    // A creation abandoned on a bad escape is a failure too, and saves no
    // earlier symbol under its name.
    EXPECT_EQ(run({"/QR2", "GOOD"}), 0) << lastError.toStdString();
    EXPECT_EQ(run({"/QR2", "/SC1", "100%", "/SAVE:" + out("escape.png")}), 1);
    EXPECT_TRUE(lastError.contains("'%' at byte 4 is not a valid escape")) << lastError.toStdString();
    EXPECT_FALSE(decodeFile(out("escape.png")).ok) << "the error picture, not the symbol made before";
    EXPECT_EQ(run({"/JAN", "4901234567894", "/SAVE:" + out("later.png")}), 0) << "nothing stays blocked";
    EXPECT_TRUE(QFileInfo::exists(out("later.png")));
}

TEST_F(Processes, SendersThatGoAwayDuringTheirListCostTheInstanceNothing)
{
    QProcess *first = startInstance();
    // A real sender interrupted while the instance interprets its list.
    QProcess *sender = start({"/C128", "X", "/D:200", "/SAVE:" + out("x.png")});
    ASSERT_TRUE(waitForBusy(sender));
    ::kill(pid_t(sender->processId()), SIGINT);
    finish(sender);
    // A sender of our own that writes its list and goes.
    {
        QLocalSocket raw;
        raw.connectToServer(folder.paths().socket());
        ASSERT_TRUE(raw.waitForConnected(kBoundMs));
        raw.write(handOverBytes({"/C128", "Y", "/D:200", "/SAVE:" + out("y.png")}));
        ASSERT_TRUE(raw.waitForBytesWritten(kBoundMs));
        const QDeadlineTimer bound(kBoundMs);
        while (flag(folder) != kBusy && !bound.hasExpired())
            raw.waitForReadyRead(1);
        raw.abort();
    }
    EXPECT_EQ(run({"/C128", "Z", "/SAVE:" + out("z.png")}), 0) << lastError.toStdString();
    EXPECT_EQ(first->state(), QProcess::Running);
    // Lists that arrived whole were interpreted whole.
    for (const char *name : {"x", "y", "z"})
        EXPECT_EQ(decodeFile(out(QString::fromLatin1(name) + ".png")).text, QByteArray(name).toUpper().toStdString());
}

TEST_F(Processes, LongListsTravelWholeOrAreRefusedLoudly)
{
    startInstance();
    // Cut at the block's 1021 characters, this name would lose ".new.png"
    // and overwrite the file "x".
    QFile x(out("x"));
    ASSERT_TRUE(x.open(QIODevice::WriteOnly));
    x.write("keep");
    x.close();
    const QString name = out("x.new.png");
    const int dataChars = kMaxChars - int(QStringLiteral("\n/C128\r\n\r\n/SAVE:").size() + out("x").size());
    EXPECT_EQ(run({"/C128", QString(dataChars, u'7'), "/SAVE:" + name}), 0) << lastError.toStdString();
    EXPECT_TRUE(QFileInfo::exists(name));
    EXPECT_EQ(readFile(out("x")), "keep");

    // QR Code's longest byte data, with options after it.
    const QString data(2953, u'Q');
    EXPECT_EQ(run({"/QR2", "/QRV40", "/QRE0", data, "/SAVE:" + out("qr.png"), "/CC0"}), 0);
    EXPECT_EQ(decodeFile(out("qr.png")).text, data.toStdString());

    // More than a hand-over takes: refused before anything is handed over.
    QStringList tooLong(10, QString(60000, u'9'));
    tooLong << "/SAVE:" + out("never.png");
    EXPECT_EQ(run(tooLong), 2);
    EXPECT_NE(lastError.indexOf(QString::number(kMaxListBytes)), -1) << lastError.toStdString();
    EXPECT_EQ(run({"/C39", "OK", "/SAVE:" + out("ok.png")}), 0);
    EXPECT_FALSE(QFileInfo::exists(out("never.png")));
}

TEST_F(Processes, TheNotificationAreaNeverHoldsUpOrEndsTheInstance)
{
    // The offscreen platform has no notification area: "/VOFF" and "/ST"
    // say so in a message that waits for nobody, and the window stays.
    QProcess *first = startInstance();
    EXPECT_EQ(run({"/VOFF"}), 0) << "held up by a message box";
    EXPECT_EQ(run({"/ST"}), 0);
    EXPECT_EQ(run({"/C39", "STAY", "/SAVE:" + out("stay.png")}), 0) << lastError.toStdString();
    EXPECT_EQ(decodeFile(out("stay.png")).text, "STAY");
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(Processes, ARelativeSaveNameIsTheSendersFolder)
{
    QDir(root.path()).mkpath("a");
    QDir(root.path()).mkpath("b/sub");
    startInstance({}, root.filePath("a"));
    EXPECT_EQ(run({"/C39", "REL", "/SAVE:rel.png", "/SAVE:sub/ß.png"}, root.filePath("b")), 0);
    EXPECT_EQ(decodeFile(root.filePath("b/sub/ß.png")).text, "REL");
    EXPECT_EQ(run({"/C39", "REL", "/SAVE:rel.png"}, root.filePath("b")), 0);
    EXPECT_EQ(decodeFile(root.filePath("b/rel.png")).text, "REL");
    EXPECT_FALSE(QFileInfo::exists(root.filePath("a/rel.png")));
}

TEST_F(Processes, HelpVersionAndSaveToStandardOutputNeedNoDisplay)
{
    env.remove("QT_QPA_PLATFORM");
    QProcess *help = start({"/C39", "--help"}, {}, QProcess::SeparateChannels);
    EXPECT_EQ(finish(help), 0);
    EXPECT_TRUE(help->readAllStandardOutput().startsWith("Usage: zebrixd"));
    EXPECT_EQ(lastError, QString());
    QProcess *version = start({"--version"}, {}, QProcess::SeparateChannels);
    EXPECT_EQ(finish(version), 0);
    EXPECT_EQ(version->readAllStandardOutput(), "zebrixd (Zebrix) " ZEBRIX_VERSION "\n");
    EXPECT_EQ(run({"/C39", "X", "/SAVE:-"}), 2);
    EXPECT_NE(lastError.indexOf("/SAVE:-"), -1);
    EXPECT_EQ(run({}), 1) << "no display to show the window on";
}

TEST_F(Processes, WithoutARuntimeFolderTheUsersCacheFolderIsTheIdentity)
{
    env.remove("XDG_RUNTIME_DIR");
    env.insert("XDG_CACHE_HOME", root.filePath("cache"));
    QProcess *first = start({});
    // The instance folder: cache/zebrix/run-<host>, the one folder there.
    const QDir cache(root.filePath("cache/zebrix"));
    auto folders = [&] { return cache.entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    const QDeadlineTimer bound(kBoundMs);
    while (folders().isEmpty() && !bound.hasExpired())
        first->waitForFinished(10);
    ASSERT_EQ(folders().size(), 1);
    const TInstancePaths paths{cache.filePath(folders().constFirst())};
    ASSERT_TRUE(accepting(first, paths));
    EXPECT_EQ(run({"/C39", "HOME", "/SAVE:" + out("home.png")}), 0) << lastError.toStdString();
    EXPECT_EQ(decodeFile(out("home.png")).text, "HOME");
    EXPECT_TRUE(QFileInfo::exists(paths.block()));
}

// --- What other processes do to the instance -------------------------------------------------

// The instance's files are all there again: the lock file, the socket (it
// accepts), and a block that is a plain file of 2048 bytes.
bool restored(QProcess *instance, const TInstancePaths &paths)
{
    const QDeadlineTimer bound(kBoundMs);
    for (;;) {
        const QFileInfo block(paths.block());
        if (QFileInfo::exists(paths.lock()) && !block.isSymLink() && block.isFile() && block.size() == kBlockSize) {
            QLocalSocket s;
            s.connectToServer(paths.socket());
            if (s.waitForConnected(100))
                return true;
        }
        if (bound.hasExpired() || instance->waitForFinished(10))
            return false;
    }
}

TEST_F(Processes, WhateverBecomesOfItsFilesTheInstanceMakesThemAgainAndAnswers)
{
    QFile elsewhere(out("elsewhere"));
    ASSERT_TRUE(elsewhere.open(QIODevice::WriteOnly));
    elsewhere.write("not a block");
    elsewhere.close();
    auto writeFile = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        return f.open(QIODevice::ReadWrite) && f.write(bytes) == bytes.size();
    };
    // In one step, as the instance may make a removed file again at once.
    auto replace = [&](const QString &path, const std::function<bool(const QString &)> &make) {
        const QString passing = out("passing");
        QFile::remove(passing);
        return make(passing) && ::rename(QFile::encodeName(passing).constData(), QFile::encodeName(path).constData()) == 0;
    };
    // Gone at once (the instance fills a folder again while it is emptied).
    auto wipe = [&](const QString &folder) {
        const QString away = out("wiped");
        return ::rename(QFile::encodeName(folder).constData(), QFile::encodeName(away).constData()) == 0
               && QDir(away).removeRecursively();
    };
    const struct {
        const char *what;
        std::function<bool(const TInstancePaths &)> attack;
    } attacks[] = {
        {"block cut to nothing", [](const TInstancePaths &p) { return QFile::resize(p.block(), 0); }},
        {"block made a link", [&](const TInstancePaths &p) {
             return replace(p.block(), [&](const QString &at) { return QFile::link(elsewhere.fileName(), at); });
         }},
        {"busy flag left at 1234", [&](const TInstancePaths &p) { return writeFile(p.block(), QByteArray("\xd2\x04\0\0", 4)); }},
        {"block removed", [](const TInstancePaths &p) { return QFile::remove(p.block()); }},
        {"socket removed", [](const TInstancePaths &p) { return QFile::remove(p.socket()); }},
        {"socket replaced by a file", [&](const TInstancePaths &p) {
             return replace(p.socket(), [&](const QString &at) { return writeFile(at, "x"); });
         }},
        {"lock file removed", [](const TInstancePaths &p) { return QFile::remove(p.lock()); }},
        {"folder wiped", [&](const TInstancePaths &p) { return wipe(p.folder); }},
        {"folder wiped with its parent", [&](const TInstancePaths &p) { return wipe(QFileInfo(p.folder).path()); }},
    };
    // The runtime folder's instance folder, and the cache folder's.
    for (const bool runtime : {true, false}) {
        if (!runtime) {
            env.remove("XDG_RUNTIME_DIR");
            env.insert("XDG_CACHE_HOME", root.filePath("cache"));
        }
        const TInstancePaths paths{runtime ? folder.paths().folder
                                           : root.filePath("cache/zebrix/run-") + QSysInfo::machineHostName().replace(u'/', u'_')};
        QProcess *first = start({"/C39"});
        ASSERT_TRUE(restored(first, paths)) << paths.folder.toStdString();
        int n = 0;
        for (const auto &a : attacks) {
            // The runtime folder itself is the session's, not Zebrix's to make again.
            if (runtime && QByteArray(a.what).endsWith("parent"))
                continue;
            const std::string what = std::string(a.what) + (runtime ? "" : " (cache)");
            ASSERT_TRUE(a.attack(paths)) << what;
            ASSERT_TRUE(restored(first, paths)) << what;
            // A list straight on the socket (no sender that opens the block
            // first), then a second start.
            const QString data = QStringLiteral("R%1%2").arg(runtime).arg(++n);
            TRawConnection raw(paths.socket());
            ASSERT_TRUE(raw.connected()) << what;
            ASSERT_TRUE(raw.write(handOverBytes({data, "/SAVE:" + out(data + ".png")}))) << what;
            EXPECT_EQ(raw.answer().left(12), QByteArray("TAKEDONE\0\0\0\0", 12)) << what;
            EXPECT_EQ(decodeFile(out(data + ".png")).text, data.toStdString()) << what;
            EXPECT_EQ(run({data + "S", "/SAVE:" + out(data + "S.png")}), 0) << what << ": " << lastError.toStdString();
            EXPECT_EQ(decodeFile(out(data + "S.png")).text, (data + "S").toStdString()) << what;
            ASSERT_EQ(first->state(), QProcess::Running) << what;
            EXPECT_EQ(readFile(out("elsewhere")), "not a block") << what;
        }
        // It is still the one instance: a lock nobody else can take, and a block that is idle again.
        TInstanceLock lock;
        EXPECT_FALSE(lock.TryLock(paths.lock()));
        const QDeadlineTimer bound(kBoundMs);
        while (readFile(paths.block()).left(4) != QByteArray(4, '\0') && !bound.hasExpired())
            first->waitForFinished(10);
        EXPECT_EQ(readFile(paths.block()).left(4), QByteArray(4, '\0'));
        EXPECT_EQ(QFileInfo(paths.block()).permissions() & 0x0077, 0);
        first->kill();
        finish(first);
    }
}

TEST_F(Processes, IdleConnectionsNeitherDeafenTheInstanceNorUseUpItsDescriptors)
{
    const struct {
        rlim_t files;
        int connections;
    } cases[] = {{64, 200}, {256, 600}};
    for (const auto &c : cases) {
        const TFolder f(root.path(), QStringLiteral("nofile%1").arg(c.files));
        useFolder(f);
        const rlimit limit {c.files, c.files};
        childSetup = [limit] { ::setrlimit(RLIMIT_NOFILE, &limit); };
        QProcess *first = start({"/C39"});
        childSetup = nullptr;
        ASSERT_TRUE(accepting(first, f.paths()));
        std::vector<std::unique_ptr<TRawConnection>> idle;
        for (int i = 0; i < c.connections; ++i)
            idle.push_back(std::make_unique<TRawConnection>(f.paths().socket()));
        const QString data = QStringLiteral("FD%1").arg(c.files);
        EXPECT_EQ(run({data, "/SAVE:" + out(data + ".png")}), 0) << c.files << ": " << lastError.toStdString();
        EXPECT_EQ(decodeFile(out(data + ".png")).text, data.toStdString());
        EXPECT_TRUE(QFileInfo::exists(f.paths().socket()));
        // The oldest went to make room, the newest when they stayed idle.
        EXPECT_TRUE(idle.front()->closedByInstance()) << c.files;
        EXPECT_TRUE(idle.back()->closedByInstance()) << c.files;
        EXPECT_EQ(first->state(), QProcess::Running);
    }
}

TEST_F(Processes, AStoppedSenderLosesItsTurnAndTheOthersGoOn)
{
    startInstance();
    // Stopped while its list is interpreted: it holds its turn for ever.
    QProcess *stopped = start({"/C39", "STOP", "/D:300", "/SAVE:" + out("stop.png")});
    ASSERT_TRUE(waitForBusy(stopped));
    ::kill(pid_t(stopped->processId()), SIGSTOP);
    // Stopped in the middle of its list.
    TRawConnection half(folder.paths().socket());
    const QByteArray bytes = handOverBytes({"/C39", "HALF", "/SAVE:" + out("half.png")});
    ASSERT_TRUE(half.write(bytes.left(bytes.size() / 2)));
    EXPECT_EQ(run({"/C39", "GO", "/SAVE:" + out("go.png")}), 0) << lastError.toStdString();
    EXPECT_EQ(decodeFile(out("go.png")).text, "GO");
    EXPECT_TRUE(half.closedByInstance()) << "a half list is kept for ever";
    EXPECT_FALSE(QFileInfo::exists(out("half.png")));
    ::kill(pid_t(stopped->processId()), SIGCONT);
    EXPECT_EQ(finish(stopped), 0);
    EXPECT_EQ(decodeFile(out("stop.png")).text, "STOP");
}

TEST_F(Processes, AStartByTheBusBesideAnInstanceOffTheBusSaysWhyItCannotServe)
{
    // The running instance knows no session bus.
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    startInstance();
    // A session bus of the test's own that starts zebrixd for a call, in
    // the same runtime folder.
    TPrivateBus daemon;
    QString why;
    ASSERT_TRUE(daemon.Start(root.path(), env, QStringLiteral(ZEBRIX_DBUS_SERVICES), &why)) << why.toStdString();
    const QString address = daemon.address;
    const auto disconnect = qScopeGuard([] { QDBusConnection::disconnectFromBus(QStringLiteral("offTheBus")); });
    QDBusMessage reply;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("offTheBus"));
        ASSERT_TRUE(bus.isConnected());
        reply = bus.call(QDBusMessage::createMethodCall("org.zebrix.zebrixd", "/DdeZebconv", "org.zebrix.Dde", "Request")
                             << QStringLiteral("DdeZebrix"),
                         QDBus::Block, kBoundMs);
    }
    // The call fails because the started zebrixd ended with its reason, not
    // because the bus gave up waiting for it.
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName().toStdString(), "org.freedesktop.DBus.Error.Spawn.ChildExited") << reply.errorMessage().toStdString();
    const QString said = QString::fromLocal8Bit(readFile(root.filePath("daemon.err")));
    EXPECT_TRUE(said.contains(folder.paths().folder) && said.contains("not on this session bus")) << said.toStdString();
}

// --- Many at once -----------------------------------------------------------------------------

struct TSender {
    QProcess *process;
    QString file, data;
    ZXing::BarcodeFormat format;
};

void expectAllHandedOver(std::vector<TSender> &senders)
{
    const QDeadlineTimer bound(10 * 60 * 1000);
    int failed = 0;
    for (TSender &s : senders) {
        const bool ended = s.process->state() == QProcess::NotRunning
                           || s.process->waitForFinished(int(std::max<qint64>(1, bound.remainingTime())));
        if (!ended || s.process->exitStatus() != QProcess::NormalExit || s.process->exitCode() != 0) {
            ++failed;
            continue;
        }
        const oracle::Decoded r = decodeFile(s.file);
        EXPECT_EQ(r.text, s.data.toStdString()) << s.file.toStdString();
        EXPECT_EQ(r.format, s.format) << s.file.toStdString();
    }
    EXPECT_EQ(failed, 0) << "senders that did not end with 0";
}

TEST_F(Processes, ManySendersAtOnceIntoOneInstance)
{
    startInstance({"/C128"});
    std::vector<TSender> senders;
    for (int i = 0; i < kStressSenders; ++i) {
        const QString data = QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString file = out(data + ".png");
        QProcess *p = start({data, "/SAVE:" + file});
        senders.push_back({p, file, data, ZXing::BarcodeFormat::Code128});
    }
    expectAllHandedOver(senders);
}

// A thousand hand-overs one after the other: none lost, none answered twice.
TEST_F(Processes, AThousandBatchesInARow)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kBatches = 250;
#else
    constexpr int kBatches = 1000;
#endif
    startInstance({"/C128"});
    for (int i = 0; i < kBatches; ++i) {
        const QString data = QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0'));
        ASSERT_EQ(run({data, "/SAVE:" + out(data + ".png")}), 0) << data.toStdString() << ": " << lastError.toStdString();
    }
    EXPECT_EQ(QDir(out()).entryList(QDir::Files).size(), kBatches);
    for (int i : {0, kBatches / 2, kBatches - 1}) {
        const QString data = QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0'));
        EXPECT_EQ(decodeFile(out(data + ".png")).text, data.toStdString());
    }
}

TEST_F(Processes, ManySendersAtOnceIntoTwoInstancesOfTwoRuntimeFolders)
{
    // Each instance keeps the symbology it was started with: the picture
    // tells which instance made it.
    const TFolder other(root.path(), "run2");
    startInstance({"/C39"});
    useFolder(other);
    QProcess *second = start({"/C128"});
    ASSERT_TRUE(accepting(second, other.paths()));
    std::vector<TSender> senders;
    for (int i = 0; i < kStressSenders; ++i) {
        const bool first = i % 2 == 0;
        useFolder(first ? folder : other);
        const QString data = QStringLiteral("T%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString file = out(data + ".png");
        QProcess *p = start({data, "/SAVE:" + file});
        senders.push_back({p, file, data, first ? ZXing::BarcodeFormat::Code39 : ZXing::BarcodeFormat::Code128});
    }
    expectAllHandedOver(senders);
}

} // namespace
