#include "PictureView.h"

#include "Image.h"

#include <QPainter>

TPictureView::TPictureView(const TImage *image, QWidget *parent)
    : QWidget(parent), m_image(image)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    refresh();
}

void TPictureView::refresh()
{
    setFixedSize(std::max(0, m_image->Width()), std::max(0, m_image->Height()));
    update();
}

QSize TPictureView::sizeHint() const { return QSize(m_image->Width(), m_image->Height()); }

void TPictureView::paintEvent(QPaintEvent *)
{
    const TPicture &pic = m_image->Picture();
    if (pic.isEmpty())
        return;
    QPainter p(this);
    if (m_image->Stretch() && pic.width() > 0 && pic.height() > 0)
        p.scale(double(width()) / pic.width(), double(height()) / pic.height());
    if (pic.isBitmap())
        p.drawImage(0, 0, pic.bitmap());
    else if (pic.isMetafile())
        pic.metafile().replay(p);
}
