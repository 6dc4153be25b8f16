// The automation object's properties written one after the other, from a
// JAN symbol of 490123456789 created with AutoCopy checked: what each write
// reads back, and how many creations it runs. Shared by the in-process test
// and the test over the bus.
#pragma once

#include <QVariant>

struct AutoWrite {
    const char *property;
    QVariant write;
    QVariant read;
    int creations;
};

inline const AutoWrite kAutoWrites[] = {
    {"Code", "4901234567894", "4901234567894", 0},   // writing does not create
    {"CodeType", 25, 0, 0},                          // beyond the last index
    {"CodeType", 1000, 0, 0},                        // only above 1000 is a raw symbology
    {"CodeType", -1, 0, 0},
    {"CodeType", 12, 12, 1},
    {"CodeType", 0, 0, 1},
    {"BarScale", 2, 2, 0},                           // no redraw
    {"BarScale", 3, 2, 0},
    {"BoxDraw", 5, 1, 1},                            // any non-zero is on
    {"BoxDraw", 0, 0, 1},
    {"QRVersion", 41, 4, 0},
    {"QRVersion", 40, 40, 1},
    {"QRVersion", 0, 0, 1},
    {"QRVersion", 4, 4, 1},
    {"QRErrLevel", 4, 0, 0},
    {"QRErrLevel", 0, 0, 1},                         // creates even when unchanged
    {"QRErrLevel", 3, 3, 1},
    {"AddCodeChar", 1, 1, 0},                        // the text switches at once, no creation
    {"AddComment", 1, 1, 1},
    {"Comment", "Price 100", "Price 100", 0},
    {"CommentPos", 2, 1, 0},
    {"CommentPos", 0, 0, 0},
    {"CommentAlign", 3, 1, 0},
    {"CommentAlign", 2, 2, 0},
    {"FontName", "DejaVu Serif", "DejaVu Serif", 0},
    {"FontSize", 0, 9, 0},
    {"FontSize", 14, 14, 0},
    {"Height", 201, 50, 0},
    {"Height", 150, 150, 1},                         // beyond the spin edit's 110
    {"HMargin", 101, 20, 0},
    {"HMargin", 100, 100, 1},
    {"VMargin", -1, 5, 0},
    {"VMargin", 0, 0, 1},
    {"CopyType", 2, 2, 0},
    {"CopyType", 7, 0, 0},                           // acts as 0
    {"CopyType", 1, 1, 0},
    {"BarColor", 0x0000FF, 0x0000FF, 0},
    {"BackColor", 0xEEEEEE, 0xEEEEEE, 0},
    {"SpecialCode", -3, 1, 0},
    {"CheckDigit", 1, 1, 1},
    {"AddExtChar", 1, 1, 1},
    {"StartChar", "B", "B", 0},
    {"StartChar", "Z", "", 0},                       // no such item: no selection
    {"StopChar", "C", "C", 0},
    {"AutoCopy", 0, 0, 0},
    {"ClipBWatch", 1, 1, 0},
    {"ClipBWatch", 0, 0, 0},
    {"Primary", "extra", "extra", 0},
};
