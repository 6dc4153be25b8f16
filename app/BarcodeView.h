// TBarview: "Barcode View", the borderless window that stays on top and
// shows the current symbol directly under the main window.
#pragma once

#include "Image.h"

#include <QWidget>

class TPictureView;

class TBarview : public QWidget
{
    Q_OBJECT
public:
    explicit TBarview(QWidget *parent = nullptr);

    // Shows a copy of the picture at 4,4 and goes under the main window (its
    // outer rectangle): left edge on the main window's, top at its bottom,
    // size the picture control's plus 8 each way.
    void Place(const QRect &mainFrame, const TImage &picture);
    const TImage &Barcode() const { return m_barcode; }

private:
    TImage m_barcode;
    TPictureView *m_view;
};
