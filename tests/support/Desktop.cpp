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
    // The server picks a free display and says which on its standard output.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const QDeadlineTimer bound(kBoundMs);
    while (!m_server.canReadLine()) {
        if (bound.hasExpired() || !m_server.waitForReadyRead(1000) && m_server.state() == QProcess::NotRunning) {
            *why = QStringLiteral("Xvfb did not start (is the package xvfb installed?)");
            return false;
        }
    }
    m_display = u':' + QString::fromLatin1(m_server.readLine().trimmed());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    m_wm.setProcessEnvironment(env);
    m_wm.setStandardOutputFile(QProcess::nullDevice());
    m_wm.setStandardErrorFile(QProcess::nullDevice());
    m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_wm.waitForStarted(kBoundMs)) {
        *why = QStringLiteral("openbox did not start (is the package openbox installed?)");
        return false;
    }
    // It runs once it has announced itself on the root window.
    if (!WaitFor([this] {
            return Run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QStringLiteral("window id"));
        })) {
        *why = QStringLiteral("openbox did not take the display");
        return false;
    }
    return true;
}

QString TDesktop::Run(const QString &program, const QStringList &args, int *exitCode) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
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
