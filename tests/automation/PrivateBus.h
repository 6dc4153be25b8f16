// A session bus of a test's own: a dbus-daemon with a private configuration
// (the build tree's service files, as a desktop session's limits allow),
// ended with the test. Its address goes into the environment the test's
// processes run in.
#pragma once

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

class TPrivateBus
{
public:
    ~TPrivateBus()
    {
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();
            daemon.waitForFinished(5000);
        }
    }
    // Starts the daemon with its files in folder; false (and why) when it
    // cannot. Sets DBUS_SESSION_BUS_ADDRESS in env.
    bool Start(const QString &folder, QProcessEnvironment &env, const QString &serviceFolder, QString *why)
    {
        QFile conf(folder + QStringLiteral("/bus.conf"));
        if (!conf.open(QIODevice::WriteOnly)) {
            *why = conf.errorString();
            return false;
        }
        conf.write(QStringLiteral(
                       "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                       "<servicedir>%2</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
                       "<allow eavesdrop=\"true\"/>"
                       "<allow own=\"*\"/></policy>"
                       // as a desktop session allows: many calls in flight, messages
                       // up to the protocol's 128 MiB
                       "<limit name=\"max_replies_per_connection\">50000</limit>"
                       "<limit name=\"max_message_size\">1000000000</limit>"
                       "<limit name=\"max_incoming_bytes\">1000000000</limit>"
                       "<limit name=\"max_outgoing_bytes\">1000000000</limit></busconfig>")
                       .arg(folder, serviceFolder)
                       .toUtf8());
        conf.close();
        daemon.setProcessEnvironment(env);
        daemon.setStandardErrorFile(folder + QStringLiteral("/daemon.err"));
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + conf.fileName(), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted(10000)) {
            *why = QStringLiteral("dbus-daemon is missing");
            return false;
        }
        while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        if (address.isEmpty()) {
            *why = QStringLiteral("dbus-daemon gave no address");
            return false;
        }
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        return true;
    }

    QProcess daemon;
    QString address;
};
