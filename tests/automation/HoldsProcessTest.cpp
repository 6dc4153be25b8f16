// What may hold the running instance, and for how long: a save onto a FIFO
// that nobody reads, the "/D:" hold, a termination request during either,
// and other drivers arriving in the middle of a forwarded interpretation.
#include "PrivateBus.h"
#include "ProcessFixture.h"
#include "Encoders.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>

#include <csignal>
#include <sys/stat.h>

using namespace processes;

namespace {

bool makeFifo(const QString &path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

} // namespace

TEST_F(Processes, ASaveOntoAFifoNobodyReadsFailsAndHoldsNobodyElse)
{
    startInstance();
    const QString fifo = out("fifo");
    ASSERT_TRUE(makeFifo(fifo));
    QProcess *stuck = start({"/JAN", "490123456789", "/SAVE:" + fifo});
    ASSERT_TRUE(waitForBusy(stuck)) << "the instance never took the list";
    // The next sender gets its turn once the reader's time is over.
    EXPECT_EQ(run({"/C39", "NEXT", "/SAVE:" + out("next.png")}), 0) << lastError.toStdString();
    EXPECT_EQ(decodeFile(out("next.png")).text, "NEXT");
    EXPECT_EQ(finish(stuck), 1);
    EXPECT_TRUE(lastError.contains(fifo + ": nobody read it within 10 seconds")) << lastError.toStdString();
}

TEST_F(Processes, AFifosReaderGetsTheWholePicture)
{
    startInstance();
    const QString fifo = out("fifo");
    ASSERT_TRUE(makeFifo(fifo));
    QProcess *sender = start({"/JAN", "490123456789", "/SAVE:" + fifo + ".png"});
    Q_UNUSED(sender);
    // The name's extension picks the kind; the FIFO is reached through a link.
    ASSERT_TRUE(QFile::link(fifo, fifo + ".png"));
    ASSERT_TRUE(waitForBusy(sender));
    QProcess reader;
    reader.setStandardInputFile(fifo);
    reader.setStandardOutputFile(out("read.png"));
    reader.start("cat", {});
    ASSERT_TRUE(reader.waitForFinished(kBoundMs));
    EXPECT_EQ(finish(sender), 0) << lastError.toStdString();
    EXPECT_EQ(decodeFile(out("read.png")).text, "4901234567894");
}

// A termination request ends the instance at once, whatever it waits for,
// and the settings are kept. Each wait lasts longer than the test waits.
TEST_F(Processes, TerminationEndsHoldsAndWaitsForReaders)
{
    struct Case {
        const char *name;
        QStringList params;
    };
    const QString fifo = out("fifo");
    ASSERT_TRUE(makeFifo(fifo));
    const Case cases[] = {
        {"a /D: hold", {"/D:3600000", "/JAN", "490123456789"}},
        {"a FIFO nobody reads", {"/JAN", "490123456789", "/SAVE:" + fifo}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(root.filePath("config/zebrixd/zebrixd.ini"));
        QProcess *instance = startInstance();
        QProcess *sender = start(c.params);
        ASSERT_TRUE(waitForBusy(sender));
        QElapsedTimer t;
        t.start();
        instance->terminate();
        // Well before the 10 s a reader has, and the hold's 60 s bound.
        ASSERT_TRUE(instance->waitForFinished(9000)) << "the instance waited on";
        EXPECT_EQ(finish(instance), 0);
        EXPECT_TRUE(QFileInfo::exists(root.filePath("config/zebrixd/zebrixd.ini"))) << "the settings were not kept";
        finish(sender);
    }
}

// The instance on a bus of the test's own, and programs that drive it over
// the bus at the same time as the test does.
class BusDrivers : public Processes
{
protected:
    void SetUp() override
    {
        Processes::SetUp();
        QString why;
        ASSERT_TRUE(bus.Start(root.path(), env, root.path(), &why)) << why.toStdString();
        instance = startInstance();
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, "holds");
        const QDeadlineTimer bound(kBoundMs);
        while (!client.interface()->isServiceRegistered(kName) && !bound.hasExpired())
            ASSERT_FALSE(instance->waitForFinished(10)) << "the instance ended";
        QDBusConnection::disconnectFromBus("holds");
    }
    // A python3-dbus program (Z: the bus name, bus: the connection); its
    // standard output once it ends. Its first argument is the stop file:
    // loops end once it is there.
    QProcess *client(const QString &body)
    {
        auto *p = new QProcess;
        clients.emplace_back(p);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start("/usr/bin/python3", {"-c",
                                      "import dbus, os, sys\nZ = '" + kName + "'\nbus = dbus.SessionBus()\n"
                                          "stopped = lambda: os.path.exists(sys.argv[1])\n" + body,
                                      out("stop")});
        EXPECT_TRUE(p->waitForStarted(kBoundMs));
        return p;
    }
    QByteArray finishClient(QProcess *p)
    {
        EXPECT_TRUE(p->waitForFinished(kBoundMs));
        EXPECT_EQ(p->exitCode(), 0);
        return p->readAllStandardOutput();
    }
    void stopClients() { QFile(out("stop")).open(QIODevice::WriteOnly); }

    // Macros from another program, one after the other until told to stop,
    // at least 300 of them.
    QProcess *macros()
    {
        return client("o = bus.get_object(Z, '/DdeZebconv')\n"
                      "n = 0\n"
                      "while n < 300 or not stopped():\n"
                      "    o.Execute('CODE CODE39\\r\\nWRITE MACRO%04d\\r\\nCOPYTYPE EMF' % n,"
                      " dbus_interface='org.zebrix.Dde', timeout=600)\n"
                      "    n += 1\n"
                      "print(n)\n");
    }

    const QString kName = QStringLiteral("org.zebrix.zebrixd");
    TPrivateBus bus;
    QProcess *instance = nullptr;
    std::vector<std::unique_ptr<QProcess>> clients;
};

// Macros over the bus while second starts hand over: every forwarded file
// holds the forwarded symbol, never a macro's, however the two interleave.
// A forwarded list (creation and save) is one unit.
TEST_F(BusDrivers, MacrosNeverGetIntoAForwardedStartsFile)
{
    QProcess *m = macros();
    constexpr int kStarts = 100, kAtOnce = 10;
    for (int from = 0; from < kStarts; from += kAtOnce) {
        std::vector<QProcess *> senders;
        for (int i = from; i < from + kAtOnce; ++i)
            senders.push_back(start({"/C39", "/CC1", "/CEM", QStringLiteral("FWD%1").arg(i, 3, 10, QChar(u'0')),
                                     "/SAVE:" + out(QStringLiteral("f%1.emf").arg(i))}));
        for (QProcess *s : senders)
            EXPECT_EQ(finish(s), 0) << lastError.toStdString();
    }
    stopClients();
    EXPECT_GE(finishClient(m).trimmed().toInt(), 300);

    // The text line of the picture is in the file as UTF-16.
    auto utf16 = [](const QString &s) { return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2); };
    int wrong = 0;
    for (int i = 0; i < kStarts; ++i) {
        const QByteArray emf = readFile(out(QStringLiteral("f%1.emf").arg(i)));
        if (!emf.contains(utf16(QStringLiteral("FWD%1").arg(i, 3, 10, QChar(u'0')))) || emf.contains(utf16("MACRO")))
            ++wrong;
    }
    EXPECT_EQ(wrong, 0);
}

// An automation client's Execute and its SaveFile are one unit too: what it
// saves is what its Execute made, while macros and second starts come in
// between as they like (its settings are its own only while it drives
// alone).
TEST_F(BusDrivers, AnAutomationClientSavesWhatItsExecuteMade)
{
    QProcess *m = macros();
    QProcess *pairs = client(QStringLiteral("CODE39 = %1\n").arg(int(cbarCODE39)) + "p = bus.get_object(Z, '/Auto').Create(dbus_interface='org.zebrix.AutoFactory')\n"
                             "o = bus.get_object(Z, p)\n"
                             "props = dbus.Interface(o, 'org.freedesktop.DBus.Properties')\n"
                             "props.Set('org.zebrix.Auto', 'CodeType', dbus.Int32(CODE39))\n"
                             "for n in range(150):\n"
                             "    props.Set('org.zebrix.Auto', 'Code', 'PAIR%03d' % n)\n"
                             "    o.Execute(dbus_interface='org.zebrix.Auto')\n"
                             "    made = props.Get('org.zebrix.Auto', 'Code')\n"
                             "    o.SaveFile(os.path.dirname(sys.argv[1]) + '/p%03d.png' % n,"
                             " dbus_interface='org.zebrix.Auto')\n"
                             "    print(made)\n");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(run({"/C39", QStringLiteral("FWD%1").arg(i), "/SAVE:" + out(QStringLiteral("f%1.png").arg(i))}), 0);
    const QList<QByteArray> made = finishClient(pairs).split('\n');
    stopClients();
    finishClient(m);
    ASSERT_GE(made.size(), 150);
    int wrong = 0;
    for (int n = 0; n < 150; ++n) {
        const std::string saved = decodeFile(out(QStringLiteral("p%1.png").arg(n, 3, 10, QChar(u'0')))).text;
        if (saved != made.at(n).toStdString()) {
            ++wrong;
            ADD_FAILURE() << "p" << n << ".png holds " << saved << ", the Execute made " << made.at(n).toStdString();
        }
    }
    EXPECT_EQ(wrong, 0);
}
