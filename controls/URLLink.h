// TURLLink: a label that is a hyperlink. Clicking it (or Enter/Space with
// focus) opens its URL with the desktop's handler.
#pragma once

#include <QLabel>
#include <QUrl>

class TURLLink : public QLabel
{
    Q_OBJECT
public:
    TURLLink(const QString &text, const QUrl &url, QWidget *parent = nullptr);
    const QUrl &url() const { return m_url; }

signals:
    void opened(const QUrl &url);

protected:
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void open();
    QUrl m_url;
};
