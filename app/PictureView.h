// Shows an image control's picture: the bitmap as it is, the metafile
// replayed at its own size (or both stretched when the control says so).
#pragma once

#include <QWidget>

class TImage;

class TPictureView : public QWidget
{
    Q_OBJECT
public:
    TPictureView(const TImage *image, QWidget *parent = nullptr);
    // Takes the control's size and repaints.
    void refresh();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    const TImage *m_image;
};
