#include "ColorPalette.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

const std::array<std::uint32_t, TColorPalette::kCells> &TColorPalette::Colors()
{
    static constexpr std::array<std::uint32_t, kCells> colors = {
        // light
        0xFFFFFF, 0x9999FF, 0x99CCFF, 0x99FFFF, 0x99FFCC, 0x99FF99, 0xCCFF99, 0xFFFF99, 0xFFCC99, 0xFF9999,
        0xFF99CC, 0xFF99FF, 0xCC99FF,
        // bright
        0xCCCCCC, 0x3333FF, 0x3399FF, 0x33FFFF, 0x33FF99, 0x33FF33, 0x99FF33, 0xFFFF33, 0xFF9933, 0xFF3333,
        0xFF3399, 0xFF33FF, 0x9933FF,
        // strong
        0x666666, 0x0000CC, 0x0066CC, 0x00CCCC, 0x00CC66, 0x00CC00, 0x66CC00, 0xCCCC00, 0xCC6600, 0xCC0000,
        0xCC0066, 0xCC00CC, 0x6600CC,
        // dark
        0x000000, 0x000066, 0x003366, 0x006666, 0x006633, 0x006600, 0x336600, 0x666600, 0x663300, 0x660000,
        0x660033, 0x660066, 0x330066,
    };
    return colors;
}

TColorPalette::TColorPalette(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ColorPalette1"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
}

QSize TColorPalette::sizeHint() const { return QSize(kColumns * kCell + 1, kRows * kCell + 1); }

QRect TColorPalette::cellRect(int cell) const
{
    return QRect((cell % kColumns) * kCell, (cell / kColumns) * kCell, kCell, kCell);
}

int TColorPalette::cellAt(const QPoint &p) const
{
    if (p.x() < 0 || p.y() < 0)
        return -1;
    const int col = p.x() / kCell, row = p.y() / kCell;
    return col < kColumns && row < kRows ? row * kColumns + col : -1;
}

static int firstCellOf(std::uint32_t c)
{
    const auto &colors = TColorPalette::Colors();
    for (int i = 0; i < TColorPalette::kCells; ++i)
        if (colors[size_t(i)] == c)
            return i;
    return -1;
}

void TColorPalette::setForegroundColor(std::uint32_t c)
{
    const int i = firstCellOf(c);
    if (i >= 0 && i != m_fore) {
        m_fore = i;
        update();
        emit selectionChanged();
    }
}

void TColorPalette::setBackgroundColor(std::uint32_t c)
{
    const int i = firstCellOf(c);
    if (i >= 0 && i != m_back) {
        m_back = i;
        update();
        emit selectionChanged();
    }
}

void TColorPalette::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const auto &colors = Colors();
    for (int i = 0; i < kCells; ++i) {
        const std::uint32_t c = colors[size_t(i)];
        const QRect r = cellRect(i);
        p.fillRect(r.adjusted(1, 1, 0, 0), QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        p.setPen(Qt::gray);
        p.drawRect(r);
    }
    // Foreground: a solid frame; background: a dashed one; focus: the focus colour.
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(cellRect(m_fore).adjusted(2, 2, -1, -1));
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawRect(cellRect(m_back).adjusted(5, 5, -4, -4));
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1));
        p.drawRect(cellRect(m_focus).adjusted(0, 0, 0, 0));
    }
}

void TColorPalette::mousePressEvent(QMouseEvent *e)
{
    const int cell = cellAt(e->position().toPoint());
    if (cell < 0)
        return;
    m_focus = cell;
    if (e->button() == Qt::LeftButton)
        m_fore = cell;
    else if (e->button() == Qt::RightButton)
        m_back = cell;
    update();
    emit selectionChanged();
}

void TColorPalette::keyPressEvent(QKeyEvent *e)
{
    auto move = [this](int by) {
        m_focus = ((m_focus + by) % kCells + kCells) % kCells;
        update();
    };
    switch (e->key()) {
    case Qt::Key_Left: move(-1); break;
    case Qt::Key_Right: move(1); break;
    case Qt::Key_Up: move(-kColumns); break;
    case Qt::Key_Down: move(kColumns); break;
    case Qt::Key_F:
        m_fore = m_focus;
        update();
        emit selectionChanged();
        break;
    case Qt::Key_B:
        m_back = m_focus;
        update();
        emit selectionChanged();
        break;
    default:
        QWidget::keyPressEvent(e);
    }
}
