// Zebrix on a private session bus: a zebrixd process per scenario, driven by
// real clients (gdbus, python3-dbus, QtDBus) the way other programs drive it.
#include "AutoCases.h"
#include "PrivateBus.h"
#include "AutomationService.h"
#include "CommandLine.h"
#include "JobModel.h"
#include "Oracle.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/stat.h>

namespace {

const QString kName = QStringLiteral("org.zebrix.zebrixd");

// A session bus of the test's own, with the build tree's service file, and
// the environment zebrixd and the clients run in (their own runtime and
// settings folders, the offscreen platform).
class Bus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(root.path()).mkpath("run");
        ::chmod(QFile::encodeName(root.filePath("run")).constData(), 0700);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", root.filePath("run"));
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DISPLAY");
        QString why;
        ASSERT_TRUE(privateBus.Start(root.path(), env, QStringLiteral(ZEBRIX_DBUS_SERVICES), &why)) << why.toStdString();
        address = privateBus.address;
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, connectionName()));
        ASSERT_TRUE(bus->isConnected());
    }

    void TearDown() override
    {
        // Zebrix closes on its own macro; a process that does not is killed.
        if (const qint64 pid = ownerPid(); pid > 0 && pid != QCoreApplication::applicationPid()) {
            call("/DdeZebconv", "org.zebrix.Dde", "Execute", {"CLOSE"});
            if (pid == zebrixd.processId()) {
                EXPECT_TRUE(zebrixd.waitForFinished(30000));
                EXPECT_EQ(zebrixd.exitStatus(), QProcess::NormalExit) << zebrixdErrors().toStdString();
                EXPECT_EQ(zebrixd.exitCode(), 0) << zebrixdErrors().toStdString();
            } else if (!waitFor([pid] { return ::kill(pid_t(pid), 0) != 0; })) {
                ::kill(pid_t(pid), SIGKILL);   // started by the bus
            }
        }
        if (zebrixd.state() != QProcess::NotRunning) {
            zebrixd.kill();
            zebrixd.waitForFinished();
        }
        bus.reset();
        QDBusConnection::disconnectFromBus(connectionName());
    }

    static QString connectionName()
    {
        return QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // Polls a state (never a sleep taken as long enough); false after 30 s.
    static bool waitFor(const std::function<bool()> &state)
    {
        QDeadlineTimer deadline(30000);
        while (!state()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(10);
        }
        return true;
    }

    // Runs this thread's event loop until the call is answered; false after 30 s.
    static bool answered(const QDBusPendingCall &call)
    {
        QDBusPendingCallWatcher watcher(call);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        return watcher.isFinished();
    }

    bool nameHasOwner() { return bus->interface()->isServiceRegistered(kName); }
    qint64 ownerPid()
    {
        const QDBusReply<uint> pid = bus->interface()->servicePid(kName);
        return pid.isValid() ? qint64(pid.value()) : -1;
    }

    // zebrixd started directly, and on the bus.
    void startZebrix(const QStringList &args = {})
    {
        zebrixd.setProcessEnvironment(env);
        zebrixd.setStandardOutputFile(QProcess::nullDevice());
        zebrixd.setStandardErrorFile(root.filePath("zebrixd.err"));
        zebrixd.start(QStringLiteral(ZEBRIXD), args);
        ASSERT_TRUE(zebrixd.waitForStarted(10000));
        ASSERT_TRUE(waitFor([this] { return nameHasOwner() || zebrixd.state() == QProcess::NotRunning; }));
        ASSERT_TRUE(nameHasOwner()) << zebrixdErrors().toStdString();
    }
    QString zebrixdErrors()
    {
        QFile f(root.filePath("zebrixd.err"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QDBusMessage call(const QString &path, const QString &iface, const QString &method, const QVariantList &args = {},
                      QDBusConnection *on = nullptr)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kName, path, iface, method);
        m.setArguments(args);
        return (on ? on : bus.get())->call(m, QDBus::Block, 60000);
    }
    QString create(QDBusConnection *on = nullptr)
    {
        const QDBusMessage r = call("/Auto", "org.zebrix.AutoFactory", "Create", {}, on);
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }
    QDBusMessage set(const QString &path, const QString &property, const QVariant &value)
    {
        return call(path, "org.freedesktop.DBus.Properties", "Set",
                    {"org.zebrix.Auto", property, QVariant::fromValue(QDBusVariant(value))});
    }
    QVariant get(const QString &path, const QString &property)
    {
        const QDBusMessage r = call(path, "org.freedesktop.DBus.Properties", "Get", {"org.zebrix.Auto", property});
        return r.arguments().value(0).value<QDBusVariant>().variant();
    }

    // A client program; its standard output, and its exit code in rc.
    QString client(const QString &program, const QStringList &args, int *rc = nullptr, QString *err = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(60000);
        if (rc)
            *rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString gdbus(const QStringList &args, int *rc = nullptr, QString *err = nullptr)
    {
        return client("gdbus", QStringList{"call", "--session", "-d", kName} + args, rc, err);
    }
    QString python(const QString &script)
    {
        QFile f(root.filePath("client.py"));
        f.open(QIODevice::WriteOnly);
        f.write("import dbus, os, sys\nbus = dbus.bus.BusConnection(os.environ['DBUS_SESSION_BUS_ADDRESS'])\n"
                "Z = 'org.zebrix.zebrixd'\n"
                "def auto(b):\n"
                "    p = b.get_object(Z, '/Auto').Create(dbus_interface='org.zebrix.AutoFactory')\n"
                "    return p, dbus.Interface(b.get_object(Z, p), 'org.freedesktop.DBus.Properties')\n");
        f.write(script.toUtf8());
        f.close();
        int rc = 0;
        QString err;
        const QString out = client("/usr/bin/python3", {f.fileName()}, &rc, &err);
        EXPECT_EQ(rc, 0) << err.toStdString();
        return out;
    }

    QTemporaryDir root;
    QProcessEnvironment env;
    TPrivateBus privateBus;
    QProcess zebrixd;
    QString address;
    std::unique_ptr<QDBusConnection> bus;
};

oracle::Decoded decodeFile(const QString &path) { return oracle::Decode(QImage(path)); }

TEST_F(Bus, MacrosCreateAndSaveKeepingTheFileNamesCase)
{
    startZebrix();
    const QString jan = root.filePath("Out/Jan 13.Bmp"), qr = root.filePath("Out/QR.png");
    QDir(root.path()).mkpath("Out");
    int rc = 0;
    EXPECT_EQ(gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Execute",
                     "code jan\nwrite 490123456789\nSAVE " + jan + "\r\nCODE QR2\r\nWRITE Zebrix\r\nSAVE " + qr + "\n"},
                    &rc),
              "()");
    EXPECT_EQ(rc, 0);
    const auto a = decodeFile(jan);
    EXPECT_EQ(a.format, ZXing::BarcodeFormat::EAN13);
    EXPECT_EQ(a.text, "4901234567894");
    const auto b = decodeFile(qr);
    EXPECT_EQ(b.format, ZXing::BarcodeFormat::QRCode);
    EXPECT_EQ(b.text, "ZEBRIX") << "WRITE data is upper-cased";

    // A number that does not convert is the caller's error.
    QString err;
    gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Execute", "THIN 2\nHEIGHT 12x\nTHIN 3"}, &rc, &err);
    EXPECT_NE(rc, 0);
    EXPECT_NE(err.indexOf("org.zebrix.Error.Conversion"), -1) << err.toStdString();
    EXPECT_NE(err.indexOf("'12X'"), -1) << err.toStdString();

    // The item, and the picture POKE would have drawn.
    EXPECT_EQ(gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Request", "DdeZebrix"}), "('',)");
    EXPECT_EQ(gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Poke", "DdeZebrix", "kept"}), "()");
    EXPECT_EQ(gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Request", "ddezebrix"}), "('kept',)");
    gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Request", "Other"}, &rc, &err);
    EXPECT_NE(err.indexOf("org.zebrix.Error.UnknownItem"), -1) << err.toStdString();
    call("/DdeZebconv", "org.zebrix.Dde", "Execute", {"COPYTYPE BMP\nWRITE Picture\nPOKE 123"});
    const QDBusMessage pic = call("/DdeZebconv", "org.zebrix.Dde", "Picture");
    ASSERT_EQ(pic.arguments().size(), 2) << pic.errorMessage().toStdString();
    EXPECT_EQ(pic.arguments().at(0).toString(), "bmp");
    EXPECT_EQ(oracle::Decode(QImage::fromData(pic.arguments().at(1).toByteArray(), "BMP")).text, "PICTURE");
}

TEST_F(Bus, EveryPropertyOverTheBus)
{
    startZebrix();
    const QString o = create();
    ASSERT_TRUE(o.startsWith("/Auto/")) << o.toStdString();
    // The starting point of the table: a JAN symbol created with AutoCopy on.
    set(o, "CodeType", 0);
    set(o, "Code", "490123456789");
    set(o, "AutoCopy", 1);
    EXPECT_EQ(call(o, "org.zebrix.Auto", "Execute").arguments().value(0), QVariant(0));
    for (const AutoWrite &w : kAutoWrites) {
        const QDBusMessage r = set(o, w.property, w.write);
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << w.property << ": " << r.errorMessage().toStdString();
        EXPECT_EQ(get(o, w.property), w.read) << w.property << " = " << w.write.toString().toStdString();
    }
    const QDBusMessage all = call(o, "org.freedesktop.DBus.Properties", "GetAll", {"org.zebrix.Auto"});
    EXPECT_EQ(qdbus_cast<QVariantMap>(all.arguments().value(0)).size(), 28);

    // Failures and wrong calls are errors, never silence.
    const std::tuple<QDBusMessage, const char *> errors[] = {
        {set(o, "StartChar", ""), "org.zebrix.Error.Failed"},
        {set(o, "Height", "tall"), "org.freedesktop.DBus.Error.InvalidArgs"},
        {set(o, "Colour", 1), "org.freedesktop.DBus.Error.UnknownProperty"},
        {call(o, "org.zebrix.Auto", "Show", {"1"}), "org.freedesktop.DBus.Error.UnknownMethod"},
        {call(o, "org.zebrix.Auto", "Paint"), "org.freedesktop.DBus.Error.UnknownMethod"},
        {call("/Auto/999", "org.zebrix.Auto", "Execute"), "org.freedesktop.DBus.Error.UnknownObject"},
    };
    for (const auto &[reply, name] : errors)
        EXPECT_EQ(reply.errorName(), name);

    // The methods.
    set(o, "CodeType", 12);
    EXPECT_EQ(get(o, "CodeType"), QVariant(12)) << "QR Code selected, and created";
    set(o, "Code", "Zebrix QR");
    EXPECT_EQ(call(o, "org.zebrix.Auto", "Execute").arguments().value(0), QVariant(0));
    set(o, "QRVersion", 0);
    EXPECT_EQ(call(o, "org.zebrix.Auto", "Execute").arguments().value(0), QVariant(-1)) << "version 0 fails";
    set(o, "QRVersion", 3);
    const QString saved = root.filePath("Saved.Png");
    EXPECT_EQ(call(o, "org.zebrix.Auto", "SaveFile", {saved}).arguments().value(0), QVariant(1));
    EXPECT_EQ(decodeFile(saved).text, "Zebrix QR");
    EXPECT_EQ(call(o, "org.zebrix.Auto", "SaveFile", {root.filePath("no/such/dir/x.bmp")}).errorName(),
              "org.zebrix.Error.Failed");
    set(o, "CopyType", 0);
    const QString temp = call(o, "org.zebrix.Auto", "SaveTempPict").arguments().value(0).toString();
    EXPECT_EQ(temp, root.filePath("config/zebrixd/tmppict.bmp"));
    EXPECT_EQ(decodeFile(temp).text, "Zebrix QR");
    set(o, "CopyType", 2);
    EXPECT_EQ(call(o, "org.zebrix.Auto", "SaveTempPict").arguments().value(0).toString(),
              root.filePath("config/zebrixd/tmppict.emf"));
}

TEST_F(Bus, EachClientHasItsOwnObjectsForAsLongAsItStays)
{
    startZebrix();
    // Two python clients on connections of their own; the first leaves.
    const QString out = python(
        "b1 = dbus.bus.BusConnection(os.environ['DBUS_SESSION_BUS_ADDRESS'])\n"
        "p1, a1 = auto(b1)\n"
        "p2, a2 = auto(bus)\n"
        "a1.Set('org.zebrix.Auto', 'Comment', 'SHARED')\n"
        "print(p1 != p2, a2.Get('org.zebrix.Auto', 'Comment'))\n"
        "b1.close()\n"
        "import time\n"
        "for i in range(3000):\n"
        "    try:\n"
        "        bus.get_object(Z, p1).Get('org.zebrix.Auto', 'Code',\n"
        "                                  dbus_interface='org.freedesktop.DBus.Properties')\n"
        "    except dbus.DBusException as e:\n"
        // Not this client's object, until it is gone.
        "        if e.get_dbus_name() != 'org.zebrix.Error.Failed':\n"
        "            print(e.get_dbus_name()); break\n"
        "    time.sleep(0.01)\n"
        "print(a2.Get('org.zebrix.Auto', 'Comment'))\n"
        "bus.get_object(Z, p2).Release(dbus_interface='org.zebrix.Auto')\n"
        "try:\n"
        "    a2.Get('org.zebrix.Auto', 'Code')\n"
        "except dbus.DBusException as e:\n"
        "    print(e.get_dbus_name())\n");
    EXPECT_EQ(out.split('\n'), (QStringList{"True SHARED", "org.freedesktop.DBus.Error.UnknownObject", "SHARED",
                                           "org.freedesktop.DBus.Error.UnknownObject"}));
    // The python client itself has left: nothing of it remains.
    const QDBusMessage xml = call("/Auto", "org.freedesktop.DBus.Introspectable", "Introspect");
    EXPECT_EQ(xml.arguments().value(0).toString().indexOf("<node name=\""), -1);
}

TEST_F(Bus, TheFirstCallStartsZebrixHidden)
{
    ASSERT_FALSE(nameHasOwner());
    EXPECT_EQ(gdbus({"-o", "/DdeZebconv", "-m", "org.zebrix.Dde.Request", "DdeZebrix"}), "('',)");
    ASSERT_TRUE(nameHasOwner()) << "the call started zebrixd";
    const QString o = create();
    EXPECT_EQ(get(o, "Visible"), QVariant(0)) << "started for a client: the window stays hidden";
    call(o, "org.zebrix.Auto", "Show", {5});
    EXPECT_EQ(get(o, "Visible"), QVariant(1));
    call(o, "org.zebrix.Auto", "Show", {0});
    EXPECT_EQ(get(o, "Visible"), QVariant(0));
    set(o, "Visible", 1);
    EXPECT_EQ(get(o, "Visible"), QVariant(1)) << "the mark, the window stays as it is";
    // A hidden Zebrix still ends on CLOSE.
    const qint64 pid = ownerPid();
    EXPECT_EQ(call("/DdeZebconv", "org.zebrix.Dde", "Execute", {"CLOSE"}).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(waitFor([pid] { return ::kill(pid_t(pid), 0) != 0; }));
    EXPECT_FALSE(nameHasOwner());
}

TEST_F(Bus, TakenNameIsSaidOnceAndZebrixGoesOn)
{
    ASSERT_TRUE(bus->registerService(kName));
    zebrixd.setProcessEnvironment(env);
    zebrixd.setStandardErrorFile(root.filePath("zebrixd.err"));
    zebrixd.start(QStringLiteral(ZEBRIXD), {});
    ASSERT_TRUE(waitFor([&] { return zebrixdErrors().contains("org.zebrix.zebrixd"); }));
    EXPECT_FALSE(zebrixd.waitForFinished(300)) << "Zebrix runs on without the bus";
    EXPECT_EQ(zebrixdErrors().count("org.zebrix.zebrixd"), 1) << zebrixdErrors().toStdString();
    zebrixd.kill();
    zebrixd.waitForFinished();
    bus->unregisterService(kName);
}

TEST_F(Bus, BadInputGetsDefinedAnswers)
{
    startZebrix();
    const QString o = create();
    const QString sig = "org.zebrix.Dde";
    // 10 MB: one line of data, and a million short lines.
    QString big = "CODE QR2\nWRITE " + QString(10 * 1024 * 1024, u'a');
    EXPECT_EQ(call("/DdeZebconv", sig, "Execute", {big}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(get(o, "Code").toString().size(), 10 * 1024 * 1024) << "nothing cut";
    big.clear();
    for (int i = 0; big.size() < 10 * 1024 * 1024; ++i)
        big += QStringLiteral("THIN %1\n").arg(1 + i % 3);
    EXPECT_EQ(call("/DdeZebconv", sig, "Execute", {big + "COMMENT LAST"}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(get(o, "Comment"), QVariant("LAST"));
    // Binary and undecodable bytes, unknown commands, huge numbers.
    QByteArray binary;
    for (int i = 1; i < 256; ++i)
        binary += char(i);
    const std::tuple<QString, QString> macros[] = {
        {QString::fromLatin1(binary), ""},
        {QString::fromUtf8("COMMENT \xff\xfe\xc3\x28 x"), ""},
        {"FROB 1\nWRITE\tX\nQRVER 99999999999999999999", ""},
        {"HEIGHT 99999999999", "org.zebrix.Error.Conversion"},
        {"BARCOL $1FFFFFFFF", "org.zebrix.Error.Conversion"},
    };
    for (const auto &[macro, error] : macros)
        EXPECT_EQ(call("/DdeZebconv", sig, "Execute", {macro}).errorName(), error) << macro.left(20).toStdString();
    EXPECT_EQ(call("/DdeZebconv", sig, "Execute", {QByteArray("CLOSE")}).errorName(),
              "org.freedesktop.DBus.Error.UnknownMethod") << "bytes are not a macro";
    const std::pair<const char *, int> huge[] = {
        {"Height", 2147483647}, {"FontSize", 2147483647}, {"CodeType", INT32_MIN}, {"QRVersion", -2147483647}};
    for (const auto &[property, value] : huge)
        EXPECT_EQ(set(o, property, value).type(), QDBusMessage::ReplyMessage) << property;
    EXPECT_EQ(get(o, "Height"), QVariant(50)) << "out of range: ignored";

    // A client that leaves in the middle of its call: the call runs to its
    // end and the client's object goes.
    python("p, a = auto(bus)\n"
           "print(p)\n"
           "macro = '\\n'.join(['CODE QR2', 'QRVER 40', 'WRITE ' + 'Z' * 2000] * 20 + ['COMMENT DONE'])\n"
           "call = dbus.lowlevel.MethodCallMessage(Z, '/DdeZebconv', 'org.zebrix.Dde', 'Execute')\n"
           "call.append(macro, signature='s')\n"
           "bus.send_message(call)\n"
           "bus.flush()\n"
           "os._exit(0)\n");
    EXPECT_TRUE(waitFor([&] { return get(o, "Comment") == QVariant("DONE"); }));
    EXPECT_TRUE(waitFor([&] {
        const QDBusMessage xml = call("/Auto", "org.freedesktop.DBus.Introspectable", "Introspect");
        return xml.arguments().value(0).toString().count("<node name=\"") == 1;
    })) << "the object of the client that left is gone, this test's stays";
    EXPECT_EQ(call(o, "org.zebrix.Auto", "Execute").type(), QDBusMessage::ReplyMessage) << "nothing stuck";
}

TEST_F(Bus, AThousandMacrosFromTwoClientsAtOnce)
{
    startZebrix();
    QDBusConnection second = QDBusConnection::connectToBus(address, connectionName() + "2");
    const auto run = [&](QDBusConnection &c, const QString &tag) {
        QList<QDBusPendingCall> calls;
        for (int i = 0; i < 500; ++i) {
            QDBusMessage m = QDBusMessage::createMethodCall(kName, "/DdeZebconv", "org.zebrix.Dde", "Execute");
            m.setArguments({QStringLiteral("CODE 128\nWRITE %1%2\nCOMMENT %1%2").arg(tag).arg(i)});
            calls << c.asyncCall(m, 120000);
        }
        return calls;
    };
    // One after the other, each answered before the next is sent.
    QElapsedTimer t;
    t.start();
    int ok = 0;
    for (int i = 0; i < 1000; ++i)
        ok += call("/DdeZebconv", "org.zebrix.Dde", "Execute", {QStringLiteral("CODE 128\nWRITE S%1").arg(i)}).type()
              == QDBusMessage::ReplyMessage;
    std::printf("[ figures  ] 1000 macros in a row (create Code 128), one client: %lld ms\n", t.elapsed());
    EXPECT_EQ(ok, 1000);
    // Then 500 from each of two clients, all sent before any answer.
    t.restart();
    const QList<QDBusPendingCall> a = run(*bus, "A"), b = run(second, "B");
    int answered = 0, failed = 0;
    for (const QList<QDBusPendingCall> *calls : {&a, &b})
        for (QDBusPendingCall c : *calls) {
            c.waitForFinished();
            ++answered;
            failed += c.isError();
            EXPECT_FALSE(c.isError()) << c.error().name().toStdString() << ": " << c.error().message().toStdString();
        }
    const qint64 ms = t.elapsed();
    std::printf("[ figures  ] 1000 macros (create Code 128, set the comment), two clients at once: %lld ms\n", ms);
    EXPECT_EQ(answered, 1000);
    EXPECT_EQ(failed, 0);
    // Each client's calls ran in its order; the last to arrive wins.
    const QString o = create();
    const QString last = get(o, "Comment").toString();
    EXPECT_TRUE(last == "A499" || last == "B499") << last.toStdString();
    EXPECT_EQ(get(o, "Code").toString(), last);
    EXPECT_EQ(call(o, "org.zebrix.Auto", "Execute").arguments().value(0), QVariant(0)) << "nothing stuck";
    QDBusConnection::disconnectFromBus(connectionName() + "2");
}

TEST_F(Bus, AnObjectAnswersOnlyTheClientThatCreatedIt)
{
    startZebrix();
    const QString ownerName = connectionName() + "Owner";
    {
        QDBusConnection owner = QDBusConnection::connectToBus(address, ownerName);
        const QString o = create(&owner);
        const QString props = "org.freedesktop.DBus.Properties";
        call(o, props, "Set", {"org.zebrix.Auto", "Code", QVariant::fromValue(QDBusVariant("MINE"))}, &owner);
        call(o, "org.zebrix.Auto", "Execute", {}, &owner);
        // Every member, from another connection: refused, and nothing done.
        const QString theirs = root.filePath("theirs.bmp");
        const std::tuple<QString, QString, QVariantList> members[] = {
            {props, "Set", {"org.zebrix.Auto", "Code", QVariant::fromValue(QDBusVariant("THEIRS"))}},
            {props, "Get", {"org.zebrix.Auto", "Code"}},
            {props, "GetAll", {"org.zebrix.Auto"}},
            {"org.zebrix.Auto", "Execute", {}},
            {"org.zebrix.Auto", "SaveFile", {theirs}},
            {"org.zebrix.Auto", "SaveTempPict", {}},
            {"org.zebrix.Auto", "Show", {0}},
            {"org.zebrix.Auto", "Release", {}},
        };
        for (const auto &[iface, member, args] : members) {
            const QDBusMessage r = call(o, iface, member, args);
            EXPECT_EQ(r.errorName(), "org.zebrix.Error.Failed") << member.toStdString();
            EXPECT_TRUE(r.errorMessage().contains(o)) << r.errorMessage().toStdString();
        }
        EXPECT_FALSE(QFile::exists(theirs));
        EXPECT_FALSE(QFile::exists(root.filePath("config/zebrixd/tmppict.bmp")));
        const QDBusMessage code = call(o, props, "Get", {"org.zebrix.Auto", "Code"}, &owner);
        EXPECT_EQ(code.arguments().value(0).value<QDBusVariant>().variant(), QVariant("MINE"));
        EXPECT_EQ(call(o, props, "Get", {"org.zebrix.Auto", "Visible"}, &owner).arguments().value(0)
                      .value<QDBusVariant>().variant(),
                  QVariant(1))
            << "the window was not hidden";
        EXPECT_EQ(call(o, "org.zebrix.Auto", "Release", {}, &owner).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(call(o, props, "Get", {"org.zebrix.Auto", "Code"}, &owner).errorName(),
                  "org.freedesktop.DBus.Error.UnknownObject");
    }
    QDBusConnection::disconnectFromBus(ownerName);
}

TEST_F(Bus, OverlongCallsAreRefusedAndTheServiceListensOn)
{
    startZebrix();
    // A client's calls; each check prints what a call answered, then how
    // long the item is for a new client (its call bounded by a timeout: a
    // deaf service fails it).
    const QString client = "addr = os.environ['DBUS_SESSION_BUS_ADDRESS']\n"
                           "def poke(b, chars, reply=True):\n"
                           "    m = dbus.lowlevel.MethodCallMessage(Z, '/DdeZebconv', 'org.zebrix.Dde', 'Poke')\n"
                           "    m.append('DdeZebrix', 'B' * chars, signature='ss')\n"
                           "    if not reply:\n"
                           "        return b.send_message(m)\n"
                           "    try:\n"
                           "        b.send_message_with_reply_and_block(m, 50)\n"
                           "        return 'answered'\n"
                           "    except dbus.DBusException as e:\n"
                           "        return e.get_dbus_name()\n"
                           "def item():\n"
                           "    m = dbus.lowlevel.MethodCallMessage(Z, '/DdeZebconv', 'org.zebrix.Dde', 'Request')\n"
                           "    m.append('DdeZebrix', signature='s')\n"
                           "    b = dbus.bus.BusConnection(addr)\n"
                           "    try:\n"
                           "        return len(b.send_message_with_reply_and_block(m, 50).get_args_list()[0])\n"
                           "    except dbus.DBusException as e:\n"
                           "        return e.get_dbus_name()\n";
    // More than any symbol needs, less than the bus carries: Zebrix refuses.
    EXPECT_EQ(python(client + "print(poke(bus, 64 << 20), item())\n"), "org.zebrix.Error.TooLong 0");
    // Calls Zebrix takes, together more than libdbus keeps read and
    // unanswered (63 MiB), sent while Zebrix is busy: the connection stops
    // reading until they are answered, then reads on.
    EXPECT_EQ(python(client + "busy = dbus.lowlevel.MethodCallMessage(Z, '/DdeZebconv', 'org.zebrix.Dde', 'Execute')\n"
                              "busy.append('\\n'.join(['CODE QR2', 'QRVER 40', 'WRITE ' + 'Z' * 2000] * 600), "
                              "signature='s')\n"
                              "bus.send_message(busy)\n"
                              "for n in range(4):\n"
                              "    poke(bus, (16 << 20) - 4096 + n, reply=False)\n"
                              "print(poke(bus, 7), item())\n"),
              "answered 7");
    // More than the bus carries (128 MiB): the bus cuts the sender off.
    EXPECT_EQ(python(client + "print(poke(bus, 200 << 20) != 'answered', item())\n"), "True 7");
    // The refusal says what the bound is, and why.
    const QDBusMessage r = call("/DdeZebconv", "org.zebrix.Dde", "Execute", {"COMMENT " + QString(17 << 20, u'x')});
    EXPECT_EQ(r.errorName(), "org.zebrix.Error.TooLong");
    EXPECT_TRUE(r.errorMessage().contains("16777216")) << r.errorMessage().toStdString();
    EXPECT_EQ(get(create(), "Comment"), QVariant("")) << "the job never saw it";
}

TEST_F(Bus, ThreeClientsAtOnceEachJobInOneCallIsWhole)
{
    startZebrix();
    QDir(root.path()).mkpath("out");
    // Three clients, each with its own object, send all their calls before
    // any answer: a whole job in one macro, then a read of every setting.
    struct TClient {
        QString name, object;
        QList<QDBusPendingCall> jobs, reads;
    };
    std::array<TClient, 3> clients;
    for (size_t k = 0; k < clients.size(); ++k) {
        TClient &c = clients[k];
        c.name = connectionName() + QString::number(k);
        QDBusConnection connection = QDBusConnection::connectToBus(address, c.name);
        c.object = create(&connection);
        ASSERT_TRUE(c.object.startsWith("/Auto/"));
    }
    for (int i = 0; i < 20; ++i)
        for (size_t k = 0; k < clients.size(); ++k) {
            TClient &c = clients[k];
            QDBusConnection connection(c.name);
            const QString tag = QStringLiteral("K%1N%2").arg(k).arg(i);
            QDBusMessage job = QDBusMessage::createMethodCall(kName, "/DdeZebconv", "org.zebrix.Dde", "Execute");
            job.setArguments({QStringLiteral("CODE 128\nCOMMENT %1\nWRITE %1\nSAVE %2")
                                  .arg(tag, root.filePath("out/" + tag + ".png"))});
            c.jobs << connection.asyncCall(job, 120000);
            QDBusMessage read =
                QDBusMessage::createMethodCall(kName, c.object, "org.freedesktop.DBus.Properties", "GetAll");
            read.setArguments({"org.zebrix.Auto"});
            c.reads << connection.asyncCall(read, 120000);
        }
    for (size_t k = 0; k < clients.size(); ++k) {
        TClient &c = clients[k];
        for (int i = 0; i < c.jobs.size(); ++i) {
            c.jobs[i].waitForFinished();
            EXPECT_FALSE(c.jobs[i].isError()) << c.jobs[i].error().message().toStdString();
            const QString tag = QStringLiteral("K%1N%2").arg(k).arg(i);
            EXPECT_EQ(decodeFile(root.filePath("out/" + tag + ".png")).text, tag.toStdString());
            c.reads[i].waitForFinished();
            const auto all = qdbus_cast<QVariantMap>(c.reads[i].reply().arguments().value(0));
            EXPECT_EQ(all.value("Code"), all.value("Comment")) << "a read between another client's lines";
        }
        QDBusConnection::disconnectFromBus(c.name);
    }
}

TEST_F(Bus, CallsWaitWhileAnotherDriverCreates)
{
    // The service in this process, on a connection of its own.
    JobModel m;
    ICommandHost host;
    const QString served = connectionName() + "Served";
    {
        QObject owner;
        ASSERT_TRUE(StartAutomationService(m, host, &owner, QDBusConnection::connectToBus(address, served), kName));
        // A creation of another driver is under way further down the stack.
        m.Running = true;
        QDBusMessage msg = QDBusMessage::createMethodCall(kName, "/DdeZebconv", "org.zebrix.Dde", "Execute");
        msg.setArguments({"COMMENT Queued"});
        const QDBusPendingCall pending = bus->asyncCall(msg);
        // Introspection never waits; its answer, sent after the macro, says
        // that the macro has arrived.
        ASSERT_TRUE(answered(bus->asyncCall(QDBusMessage::createMethodCall(
            kName, "/DdeZebconv", "org.freedesktop.DBus.Introspectable", "Introspect"))));
        EXPECT_FALSE(pending.isFinished());
        EXPECT_TRUE(m.ComntStr.Text().isEmpty()) << "the macro waits";
        m.Running = false;
        ASSERT_TRUE(answered(pending));
        EXPECT_FALSE(pending.isError()) << pending.error().message().toStdString();
        EXPECT_EQ(m.ComntStr.Text(), "QUEUED");
    }
    QDBusConnection::disconnectFromBus(served);
}

// A host whose save lets the event loop run (a save that waits for its file).
class TEventfulSave : public ICommandHost
{
public:
    void Save(JobModel &, const QString &) override { meanwhile(); }
    std::function<void()> meanwhile;
};

TEST_F(Bus, NoCallRunsInsideAnother)
{
    JobModel m;
    TEventfulSave host;
    const QString served = connectionName() + "Served", other = connectionName() + "Other";
    {
        QObject owner;
        ASSERT_TRUE(StartAutomationService(m, host, &owner, QDBusConnection::connectToBus(address, served), kName));
        QDBusConnection second = QDBusConnection::connectToBus(address, other);
        std::optional<QDBusPendingCall> secondCall;
        QString seen;
        host.meanwhile = [&] {
            // Another client's call arrives in the middle of the save.
            QDBusMessage msg = QDBusMessage::createMethodCall(kName, "/DdeZebconv", "org.zebrix.Dde", "Execute");
            msg.setArguments({"COMMENT Second"});
            secondCall.emplace(second.asyncCall(msg));
            // The answer to an introspection sent after it says it has arrived.
            EXPECT_TRUE(answered(second.asyncCall(QDBusMessage::createMethodCall(
                kName, "/DdeZebconv", "org.freedesktop.DBus.Introspectable", "Introspect"))));
            seen = m.ComntStr.Text();
        };
        QDBusMessage msg = QDBusMessage::createMethodCall(kName, "/DdeZebconv", "org.zebrix.Dde", "Execute");
        msg.setArguments({"COMMENT First\nSAVE out.bmp\nCOMMENT First done"});
        const QDBusPendingCall first = bus->asyncCall(msg);
        ASSERT_TRUE(answered(first));
        EXPECT_FALSE(first.isError()) << first.error().message().toStdString();
        EXPECT_EQ(seen, "FIRST") << "the other call waits for the end of the first";
        ASSERT_TRUE(secondCall && answered(*secondCall));
        EXPECT_EQ(m.ComntStr.Text(), "SECOND");
    }
    QDBusConnection::disconnectFromBus(other);
    QDBusConnection::disconnectFromBus(served);
}

} // namespace
