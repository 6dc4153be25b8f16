// One Zebrix per user and runtime folder, in-process: the instance folder,
// the shared block file, the list on the socket, relative save names, the
// server against senders that go away at every point of the exchange, and
// what the running instance shows after a list.
#include "CommandLine.h"
#include "FileNames.h"
#include "Instance.h"
#include "JobModel.h"
#include "RawConnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace instance;
using processes::handOverBytes;
using processes::TRawConnection;

namespace {

int modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// --- The instance folder: lock, socket and block in one place ------------------------------

TEST(InstanceFolder, TheRuntimeFolderOrAPrivateOneInTheUsersCache)
{
    const char *vars[] = {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"};
    QList<QByteArray> saved;
    for (const char *v : vars)
        saved << qgetenv(v);
    const auto restore = qScopeGuard([&] {
        for (int i = 0; i < 3; ++i)
            saved[i].isNull() ? qunsetenv(vars[i]) : qputenv(vars[i], saved[i]);
    });
    QTemporaryDir root;
    for (const char *sub : {"run", "run2", "elsewhere", "theirs/zebrix"})
        ASSERT_TRUE(QDir(root.path()).mkpath(sub));
    ASSERT_TRUE(QFile::link(root.filePath("elsewhere"), root.filePath("run2/zebrix")));
    const bool asRoot = getuid() == 0;   // only root can give a folder to another user
    if (asRoot) {
        ASSERT_EQ(::chown(QFile::encodeName(root.filePath("theirs/zebrix")).constData(), 65534, 65534), 0);
    }
    const struct {
        const char *runtime, *cache, *home;
        QString expected;   // a prefix; empty: refused
    } cases[] = {
        {"run", nullptr, nullptr, root.filePath("run/zebrix")},
        {nullptr, "cache", "home", root.filePath("cache/zebrix/run-")},
        {nullptr, nullptr, "home", root.filePath("home/.cache/zebrix/run-")},
        {"run2", nullptr, nullptr, {}},   // a link, not a folder of ours
        {asRoot ? "theirs" : "run2", nullptr, nullptr, {}},
    };
    for (const auto &c : cases) {
        for (int i = 0; i < 3; ++i) {
            const char *value = i == 0 ? c.runtime : i == 1 ? c.cache : c.home;
            value ? qputenv(vars[i], QFile::encodeName(root.filePath(value))) : qunsetenv(vars[i]);
        }
        QString error;
        const QString folder = InstanceFolder(&error);
        if (c.expected.isEmpty()) {
            EXPECT_EQ(folder, QString());
            EXPECT_NE(error.indexOf(root.filePath(c.runtime) + "/zebrix"), -1) << error.toStdString();
            continue;
        }
        EXPECT_TRUE(folder.startsWith(c.expected)) << folder.toStdString() << error.toStdString();
        EXPECT_EQ(modeOf(folder), 0700);
        // Ours, but opened up by hand: closed again.
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        EXPECT_EQ(InstanceFolder(), folder);
        EXPECT_EQ(modeOf(folder), 0700);
    }
}

// --- The shared block file ------------------------------------------------------------------

TEST(SharedBlock, AFileOfTheFolderWithTheFlagAndTheText)
{
    QTemporaryDir dir;
    const TInstancePaths paths{dir.path()};
    TSharedBlock b;
    QString error;
    ASSERT_TRUE(b.Open(paths.block(), &error)) << error.toStdString();
    EXPECT_EQ(b.Mode(), 0600);
    b.SetFlag(kBusy);
    EXPECT_TRUE(b.SetText(QStringLiteral("\n/JAN\r\n4901234567894")));
    QFile f(paths.block());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    f.close();
    ASSERT_EQ(raw.size(), kBlockSize);
    EXPECT_EQ(qFromLittleEndian<qint32>(raw.constData()), kBusy);
    EXPECT_EQ(raw.mid(4, 12), QByteArray("\n\0/\0J\0A\0N\0", 10) + QByteArray("\r\0", 2));
    EXPECT_EQ(b.Text(), "\n/JAN\r\n4901234567894");

    // A list longer than the block leaves its text empty (it travels whole on the socket).
    EXPECT_TRUE(b.SetText(QString(kMaxChars, u'x')));
    EXPECT_FALSE(b.SetText(QString(kMaxChars + 1, u'x')));
    EXPECT_EQ(b.Text(), QString());
    // A garbled block without a NUL is read no further than its end.
    TSharedBlock other;
    ASSERT_TRUE(other.Open(paths.block()));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(QByteArray(kBlockSize, 0x41));
    f.close();
    EXPECT_EQ(other.Text(), QString(kMaxChars, QChar(0x4141)));
}

TEST(SharedBlock, AFileCutShortReadsAsZerosPastItsEnd)
{
    QTemporaryDir dir;
    const TInstancePaths paths{dir.path()};
    TSharedBlock b;
    ASSERT_TRUE(b.Open(paths.block()));
    b.SetFlag(kBusy);
    ASSERT_TRUE(b.SetText(QStringLiteral("\n/JAN")));
    // Cut by somebody else while it is open (1234 is D2 04 00 00).
    const struct {
        qint64 size;
        qint32 flag;
        QString text;
    } cases[] = {{6, kBusy, "\n"}, {2, kBusy, ""}, {1, 0xD2, ""}, {0, 0, ""}};
    for (const auto &c : cases) {
        ASSERT_TRUE(QFile::resize(paths.block(), c.size));
        EXPECT_EQ(b.Flag(), c.flag) << c.size;
        EXPECT_EQ(b.Text(), c.text) << c.size;
    }
    // Written past its end, the file grows to hold what was written.
    b.SetFlag(kBusy);
    EXPECT_TRUE(b.SetText(QStringLiteral("x")));
    EXPECT_EQ(b.Flag(), kBusy);
    EXPECT_EQ(b.Text(), "x");
}

TEST(SharedBlock, RefusesFilesThatAreNotPrivatePlainFiles)
{
    QTemporaryDir dir;
    const QString open = dir.filePath("open"), link = dir.filePath("link"), folder = dir.filePath("folder");
    QFile f(open);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    ASSERT_TRUE(QFile::link(open, link));
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString &path : {open, link, folder}) {
        TSharedBlock b;
        QString error;
        EXPECT_FALSE(b.Open(path, &error)) << path.toStdString();
        EXPECT_NE(error.indexOf(path), -1) << error.toStdString();
    }
    if (getuid() != 0)
        GTEST_SKIP() << "another user can be tried only as root";
    // Another user cannot open a block in the private folder.
    TSharedBlock b;
    ASSERT_TRUE(QDir().mkdir(dir.filePath("private")));
    ::chmod(QFile::encodeName(dir.filePath("private")).constData(), 0700);
    ASSERT_TRUE(b.Open(dir.filePath("private/Zebrix.block")));
    const QByteArray path = QFile::encodeName(dir.filePath("private/Zebrix.block"));
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(::open(path.constData(), O_RDWR) < 0 && errno == EACCES ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other user opened the block";
}

// --- The list on the socket -----------------------------------------------------------------

TEST(ParamList, EveryParameterComesBackAsItWasWritten)
{
    const QStringList cases[] = {
        {},
        {QString()},
        {QStringLiteral("/QR2"), QStringLiteral("line 1\r\nline 2"), QString(7089, u'9')},
        {DecodeFileName("/SAVE:caf\xe9.png"), QStringLiteral("日本語")},   // a byte that is no UTF-8
    };
    for (const QStringList &params : cases)
        EXPECT_EQ(DecodeParamList(EncodeParamList(params)), params);

    const QByteArray good = EncodeParamList({QStringLiteral("/JAN"), QStringLiteral("49")});
    const QByteArray bad[] = {
        {},
        good.chopped(1),
        good + QByteArray(1, '\0'),
        QByteArray("\xff\xff\xff\x7f", 4),   // a count the bytes cannot hold
        QByteArray("\x01\0\0\0\xff\xff\xff\xff", 8),
    };
    for (const QByteArray &bytes : bad)
        EXPECT_FALSE(DecodeParamList(bytes)) << bytes.toHex().constData();
}

// --- Relative save names -----------------------------------------------------------------------

TEST(AbsoluteSaveNames, ARelativeNameMeansTheSendersFolder)
{
    const QString odd = DecodeFileName("/tmp/d\xe9");   // a folder whose name is no UTF-8
    struct Case {
        QString param, folder, expected;
    } cases[] = {
        {"/SAVE:rel.png", "/tmp/a", "/SAVE:/tmp/a/rel.png"},
        {"/save:sub/x.BMP", "/tmp/a/", "/save:/tmp/a/sub/x.BMP"},
        {"/SAVE:../up.png", "/tmp/a", "/SAVE:/tmp/a/../up.png"},
        {"/SAVE:/abs.png", "/tmp/a", "/SAVE:/abs.png"},
        {"/SAVE:-", "/tmp/a", "/SAVE:-"},
        {"/SAVE:", "/tmp/a", "/SAVE:"},
        {DecodeFileName("/SAVE:\xff.png"), odd, "/SAVE:" + odd + DecodeFileName("/\xff.png")},
        {"SAVE:data", "/tmp/a", "SAVE:data"},
        {"/ST", "/tmp/a", "/ST"},
    };
    for (const Case &c : cases) {
        const auto out = AbsoluteSaveNames({QStringLiteral("/C39"), c.param}, c.folder);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->at(1), c.expected) << c.param.toStdString();
        EXPECT_EQ(EncodeFileName(out->at(1)), EncodeFileName(c.expected));
    }
    EXPECT_FALSE(AbsoluteSaveNames({QStringLiteral("/SAVE:rel.png")}, QString())) << "no folder to resolve it in";
    EXPECT_TRUE(AbsoluteSaveNames({QStringLiteral("/SAVE:/abs.png")}, QString()));
}

// --- The running instance's end against senders ------------------------------------------------

// Lets the server run until the condition holds (a minute at most, so that
// a fault fails the test instead of hanging it).
template <typename F> bool pumpUntil(F done)
{
    const QDeadlineTimer limit(60000);
    while (!done() && !limit.hasExpired()) {
        QCoreApplication::processEvents();
        std::this_thread::yield();
    }
    return done();
}

// Lets the server see what is already waiting for it (a closed sender, a
// list in the socket's buffer), then really deletes what it gave up.
void pumpPending()
{
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Server : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Listen(paths));
        server.SetReady();
        server.OnParams = [this](const QStringList &p) {
            lists << p;
            if (duringBatch)
                duringBatch();
            return failure;
        };
    }
    // A sender of ours on a thread of its own, the server on this one.
    TForward forward(const QStringList &params, QString *error = nullptr)
    {
        std::optional<TForward> result;
        std::thread sender([&] { result = ForwardParams(params, paths, error); });
        pumpUntil([&] { return result.has_value(); });
        sender.join();
        return *result;
    }

    QTemporaryDir dir;
    TInstancePaths paths{dir.path()};
    TInstanceServer server;
    QList<QStringList> lists;
    std::function<void()> duringBatch;
    QString failure;
};

TEST_F(Server, ASenderThatGoesAwayAtAnyPointCostsNothingButItsAnswer)
{
    const QStringList params = {QStringLiteral("/C39"), QString(3000, u'A')};
    const QByteArray bytes = handOverBytes(params);
    QList<QStringList> expected;
    // Cut after every part of the message, inside the list, and never.
    for (const qsizetype cut : {qsizetype(0), qsizetype(4), qsizetype(12), qsizetype(14), qsizetype(16),
                                qsizetype(20), bytes.size() / 2, bytes.size() - 1}) {
        TRawConnection raw(paths.socket());
        ASSERT_TRUE(raw.connected());
        EXPECT_TRUE(raw.write(bytes.left(cut)));
        raw.close();
        expected << QStringList{QStringLiteral("/JAN"), QString::number(cut)};
        EXPECT_EQ(forward(expected.last()), TForward::Done) << cut;
    }
    // The whole list, and gone while it is interpreted: the interpretation
    // lets the message queue run, sees the sender go, and deletes what was
    // given up.
    TRawConnection raw(paths.socket());
    duringBatch = [&] {
        duringBatch = nullptr;
        raw.close();
        pumpPending();
    };
    EXPECT_TRUE(raw.write(bytes));
    expected << params;
    EXPECT_TRUE(pumpUntil([&] { return lists.size() == expected.size(); }));
    pumpPending();
    expected << QStringList{QStringLiteral("/JAN"), QStringLiteral("after")};
    EXPECT_EQ(forward(expected.last()), TForward::Done);
    EXPECT_EQ(lists, expected) << "every whole list once, whole";
}

TEST_F(Server, OnlyWholeWellFormedListsAreInterpreted)
{
    QByteArray hugeHeader = handOverBytes({});
    qToLittleEndian<qint32>(kMaxListBytes + 1, hugeHeader.data() + 12);
    QByteArray badList = handOverBytes({QStringLiteral("x")});
    qToLittleEndian<qint32>(99, badList.data() + 16);   // more parameters than the bytes hold
    QByteArray empty(12, '\0');
    qToLittleEndian<qint32>(kMessage, empty.data());
    for (const QByteArray &bytes : {hugeHeader, badList, empty + QByteArray(12, '\x7f')}) {
        TRawConnection raw(paths.socket());
        EXPECT_TRUE(raw.write(bytes));
        EXPECT_EQ(forward({QStringLiteral("/JAN"), QStringLiteral("ok")}), TForward::Done);
    }
    EXPECT_EQ(lists.size(), 3) << "only the senders' own lists";
}

TEST_F(Server, AFailureReachesTheSenderAndTheBlockEndsIdle)
{
    TSharedBlock block;
    ASSERT_TRUE(block.Open(paths.block()));
    QString shown, error;
    server.OnError = [&](const QString &m) { shown = m; };
    server.OnParams = [&](const QStringList &) -> QString {
        EXPECT_EQ(block.Flag(), kBusy);
        throw EConvertError(QStringLiteral("'X' is not a valid integer value"));
    };
    EXPECT_EQ(forward({QStringLiteral("/HTX")}, &error), TForward::Failed);
    EXPECT_NE(error.indexOf("valid integer"), -1) << error.toStdString();
    EXPECT_EQ(shown, error) << "shown in the window as well";
    EXPECT_EQ(block.Flag(), 0) << "senders after this one must not wait for ever";

    server.OnParams = [](const QStringList &) { return QStringLiteral("作成できませんでした."); };
    EXPECT_EQ(forward({QStringLiteral("/C39"), QStringLiteral("a")}, &error), TForward::Failed);
    EXPECT_EQ(error, "作成できませんでした.");
    EXPECT_EQ(forward({}), TForward::Done) << "a start without parameters";
}

TEST_F(Server, AListThatArrivesDuringAnotherWaitsForItsEnd)
{
    int depth = 0, deepest = 0;
    TRawConnection intruder(paths.socket());
    server.OnParams = [&](const QStringList &p) {
        lists << p;
        deepest = std::max(deepest, ++depth);
        if (lists.size() == 1) {
            // Another list arrives while this one runs and lets the queue run.
            intruder.write(handOverBytes({QStringLiteral("2")}));
            pumpPending();
        }
        --depth;
        return QString();
    };
    EXPECT_EQ(forward({QStringLiteral("1")}), TForward::Done);
    EXPECT_TRUE(pumpUntil([&] { return lists.size() == 2; }));
    EXPECT_EQ(lists, (QList<QStringList>{{"1"}, {"2"}}));
    EXPECT_EQ(deepest, 1) << "never inside the first";
}

TEST(Forwarding, NobodyListeningAndTooLongLists)
{
    QTemporaryDir dir;
    const TInstancePaths paths{dir.path()};
    QString error;
    EXPECT_EQ(ForwardParams({QStringLiteral("/JAN")}, paths, &error), TForward::NoInstance);
    TInstanceServer server;
    ASSERT_TRUE(server.Listen(paths));
    const QStringList tooLong(10, QString(60000, u'9'));
    EXPECT_EQ(ForwardParams(tooLong, paths, &error), TForward::Refused);
    EXPECT_NE(error.indexOf(QString::number(kMaxListBytes)), -1) << error.toStdString();
}

// --- What the window shows after a list ---------------------------------------------------------

// The picture, panels and start list of the symbology a list ends with, as
// its list's handler would show them, without it creating or refilling.
TEST(InterpretParamList, ShowsThePictureAndPanelsOfTheSymbologyItEndsWith)
{
    JobModel m;
    m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    ASSERT_TRUE(m.LibraryLoaded());
    ICommandHost host;
    struct Step {
        QStringList params;
        bool image1, qrPanel, startList;
    } steps[] = {
        {{"/C39", "RESET"}, false, false, false},
        {{"/QR2", "hello"}, true, true, false},
        {{"/NW7", "A123B"}, false, false, true},
        {{"/QR2", "/HTx"}, true, true, false},   // stopped by the conversion error, shown all the same
        {{"/C128", "X"}, false, false, true},
        {{"/PDF417", "hello"}, true, false, false},
    };
    for (const Step &s : steps) {
        try {
            InterpretParamList(m, host, s.params);
        } catch (const EConvertError &) {
        }
        const std::string what = s.params.join(u' ').toStdString();
        EXPECT_EQ(m.Image1View.Visible(), s.image1) << what;
        EXPECT_EQ(m.BarImage1View.Visible(), !s.image1) << what;
        EXPECT_EQ(m.QRPanel.Visible(), s.qrPanel) << what;
        EXPECT_EQ(m.StartCh.Enabled(), s.startList) << what;
        EXPECT_TRUE(m.AutoCopy.Checked()) << what;
    }
}

} // namespace
