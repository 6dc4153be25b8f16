#include "Desktop.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

namespace {

constexpr int kBoundMs = 60000;

} // namespace

TDesktop::~TDesktop()
{
    Stop();
}

void TDesktop::Stop()
{
    for (QProcess *p : {&m_wm, &m_server}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
}

bool TDesktop::Start(QString *why)
{
    // A server or window manager that fails to come up once (a display
    // number taken in between, a crash at start) gets a fresh try; the
    // reason of the last try is what the test reports.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (TryStart(why))
            return true;
        Stop();
    }
    return false;
}

bool TDesktop::TryStart(QString *why)
{
    // The server picks a free display and says which on its standard output.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const QDeadlineTimer bound(kBoundMs);
    while (!m_server.canReadLine()) {
        if (bound.hasExpired() || (!m_server.waitForReadyRead(1000) && m_server.state() == QProcess::NotRunning)) {
            *why = QStringLiteral("Xvfb did not start (is the package xvfb installed?)");
            return false;
        }
    }
    m_display = u':' + QString::fromLatin1(m_server.readLine().trimmed());

    // The window manager keeps its log and settings in folders of the test's
    // own, never in the user's.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.path() + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/config"));
    env.remove(QStringLiteral("XAUTHORITY"));
    m_wm.setProcessEnvironment(env);
    m_wm.setProcessChannelMode(QProcess::MergedChannels);
    m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_wm.waitForStarted(kBoundMs)) {
        *why = QStringLiteral("openbox did not start (is the package openbox installed?)");
        return false;
    }
    // It runs once it has announced itself on the root window.
    if (!WaitFor(
            [this] {
                return m_wm.state() == QProcess::NotRunning
                    || Run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                           .contains(QStringLiteral("window id"));
            },
            kBoundMs / 3)
        || m_wm.state() == QProcess::NotRunning) {
        const QString said = QString::fromLocal8Bit(m_wm.readAll()).trimmed();
        *why = QStringLiteral("openbox did not take the display %1 (%2)%3")
                   .arg(m_display,
                        m_wm.state() == QProcess::NotRunning ? QStringLiteral("it ended with %1").arg(m_wm.exitCode())
                                                              : QStringLiteral("still running"),
                        said.isEmpty() ? QString() : QStringLiteral(": ") + said);
        return false;
    }
    return true;
}

QString TDesktop::Run(const QString &program, const QStringList &args, int *exitCode) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("XAUTHORITY"));
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    const bool ended = p.waitForFinished(kBoundMs);
    if (exitCode)
        *exitCode = ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}

QStringList TDesktop::Windows(const QString &windowClass) const
{
    return Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--class"), windowClass})
        .split(u'\n', Qt::SkipEmptyParts);
}

TDesktop::TFrame TDesktop::Frame(const QString &window) const
{
    TFrame f;
    const QString info = Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    auto field = [&](const char *name) {
        const QRegularExpression re(QString::fromLatin1(name) + QStringLiteral(":\\s+(-?\\d+)"));
        return re.match(info).captured(1).toInt();
    };
    const int x = field("Absolute upper-left X"), y = field("Absolute upper-left Y");
    const int w = field("Width"), h = field("Height");
    // left, right, top, bottom
    const QStringList extents = Run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")})
                                    .section(u'=', 1)
                                    .split(u',', Qt::SkipEmptyParts);
    const int left = extents.value(0).trimmed().toInt(), right = extents.value(1).trimmed().toInt();
    const int top = extents.value(2).trimmed().toInt(), bottom = extents.value(3).trimmed().toInt();
    f.x = x - left;
    f.y = y - top;
    f.width = w + left + right;
    f.height = h + top + bottom;
    return f;
}

bool TDesktop::WaitFor(const std::function<bool()> &state, int boundMs, const std::function<void()> &pump)
{
    const QDeadlineTimer bound(boundMs);
    while (!state()) {
        if (bound.hasExpired())
            return false;
        if (pump)
            pump();
        else
            QThread::msleep(20);
    }
    return true;
}
