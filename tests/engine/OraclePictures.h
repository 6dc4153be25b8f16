// Hand-made pictures for the metafile oracles: an EAN-13 symbol drawn from
// its module string as plain fill rectangles, with the text under it, and
// what a reader must show of it.
#pragma once

#include "Metafile.h"

#include <QFont>
#include <QImage>
#include <string>

namespace oracle_pictures {

// EAN-13 4901234567894, module by module from the EAN/UPC code tables:
// first digit 4 selects the parities L G L L G G for 9 0 1 2 3 4.
inline const std::string Ean13Modules = std::string("101")   // start guard
                                        + "0001011"          // 9 L
                                        + "0100111"          // 0 G
                                        + "0011001"          // 1 L
                                        + "0010011"          // 2 L
                                        + "0100001"          // 3 G
                                        + "0011101"          // 4 G
                                        + "01010"            // centre guard
                                        + "1001110"          // 5 R
                                        + "1010000"          // 6 R
                                        + "1000100"          // 7 R
                                        + "1001000"          // 8 R
                                        + "1110100"          // 9 R
                                        + "1011100"          // 4 R
                                        + "101";             // end guard

inline constexpr TColor Background = 0x00E0FFFF; // light yellow: shows the picture's extent
inline constexpr TColor Ink = 0x00000000;

struct EanLayout {
    int scale = 1;
    int quietLeft = 11, quietRight = 7; // modules
    int top = 10, barHeight = 60, textGap = 2, textHeight = 16, bottom = 4;
    int width() const { return (quietLeft + int(Ean13Modules.size()) + quietRight) * scale; }
    int height() const { return top + barHeight + textGap + textHeight + bottom; }
    int x0() const { return quietLeft * scale; }
    int textTop() const { return top + barHeight + textGap; }
};

inline QFont TextFont()
{
    QFont f("DejaVu Sans");
    f.setPixelSize(12);
    return f;
}

// The symbol as a recording: background, one fill per bar, the digits.
inline TMetafile EanPicture(const EanLayout &l, const QString &text = "4901234567894")
{
    TMetafile mf(l.width(), l.height());
    mf.fillRect(QRect(0, 0, l.width(), l.height()), Background);
    const int n = int(Ean13Modules.size());
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && Ean13Modules[size_t(j)] == Ean13Modules[size_t(i)])
            ++j;
        if (Ean13Modules[size_t(i)] == '1')
            mf.fillRect(QRect(l.x0() + i * l.scale, l.top, (j - i) * l.scale, l.barHeight), Ink);
        i = j;
    }
    mf.drawText(QPoint(l.x0(), l.textTop()), text, TextFont(), Ink);
    return mf;
}

// Whether pixel column x of the picture lies on a bar.
inline bool OnBar(const EanLayout &l, int x)
{
    const int m = (x - l.x0()) / l.scale;
    return x >= l.x0() && m < int(Ean13Modules.size()) && Ean13Modules[size_t(m)] == '1';
}

inline bool IsDark(QRgb c)
{
    return qGray(c) < 128;
}

} // namespace oracle_pictures
