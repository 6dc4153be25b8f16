#include "BarcodeView.h"

#include "PictureView.h"

TBarview::TBarview(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Barview"));
    setWindowTitle(QStringLiteral("Barcode View"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_barcode.setAutoSize(true);
    m_view = new TPictureView(&m_barcode, this);
    m_view->setObjectName(QStringLiteral("Barcode"));
    m_view->move(4, 4);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);
}

void TBarview::Place(const QRect &mainFrame, const TImage &picture)
{
    m_barcode.Picture() = picture.Picture();
    m_barcode.setSize(picture.Width(), picture.Height());
    m_view->refresh();
    setFixedSize(picture.Width() + 8, picture.Height() + 8);
    move(mainFrame.left(), mainFrame.top() + mainFrame.height());
}
