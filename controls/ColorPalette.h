// TColorPalette: the 52 colours of Zebrix's colour dialog in 4 rows of 13.
// A left click picks the foreground (bar) colour, a right click the
// background; the arrow keys move a focus cell, wrapping at the ends; F or f
// makes the focused cell the foreground, B or b the background.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class TColorPalette : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kColumns = 13;
    static constexpr int kRows = 4;
    static constexpr int kCells = kColumns * kRows;
    // Colours 0x00BBGGRR in cell order, row by row.
    static const std::array<std::uint32_t, kCells> &Colors();

    explicit TColorPalette(QWidget *parent = nullptr);

    std::uint32_t foregroundColor() const { return Colors()[size_t(m_fore)]; }
    std::uint32_t backgroundColor() const { return Colors()[size_t(m_back)]; }
    // Selects the first cell holding exactly that colour; a colour not in
    // the palette leaves the selection where it was.
    void setForegroundColor(std::uint32_t c);
    void setBackgroundColor(std::uint32_t c);
    int foregroundCell() const { return m_fore; }
    int backgroundCell() const { return m_back; }
    int focusCell() const { return m_focus; }

    QSize sizeHint() const override;
    // The cell under a point of the widget, -1 for none.
    int cellAt(const QPoint &p) const;
    QRect cellRect(int cell) const;

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    static constexpr int kCell = 18;   // cell side in pixels
    int m_fore = 0;
    int m_back = 0;
    int m_focus = 0;
};
