#include "URLLink.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>

TURLLink::TURLLink(const QString &text, const QUrl &url, QWidget *parent)
    : QLabel(text, parent), m_url(url)
{
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Link));
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(url.toString());
}

void TURLLink::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        open();
    QLabel::mouseReleaseEvent(e);
}

void TURLLink::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) {
        open();
        return;
    }
    QLabel::keyPressEvent(e);
}

void TURLLink::open()
{
    emit opened(m_url);
    QDesktopServices::openUrl(m_url);
}
