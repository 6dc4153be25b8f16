// Shared helpers of the plugin tests: the plugin's raw export, and pictures.
#pragma once

#include "ZintBar.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace plugintest {

// Colours as Zebrix passes them (0x00BBGGRR) and as the picture holds them.
inline constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
inline constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
QRgb toQRgb(std::uint32_t bgr);

// ZintDll resolved from the built plugin (dlopen'ed once, kept loaded).
ZintDllProc RawZintDll();

// One ZintDll call with Zebrix's defaults unless changed.
struct Job {
    std::int32_t symbology = 29;
    QString text;
    double scale = 1.0;
    std::int32_t barHeight = 50;
    std::int32_t leftMargin = 0;
    std::int32_t topMargin = 0;
    std::uint32_t barColor = kBlack;
    std::uint32_t backColor = kWhite;
    const ZintBarFont *font = nullptr;
    bool showText = false;
    bool frame = false;
};

struct Outcome {
    QImage picture;   // deep copy, null when ZintDll returned null
    QString error;    // *errorText as UTF-16
    bool errorSet = false;
};
Outcome CallRaw(const Job &job);

// The picture of a ZintBarPicture as an RGB888 image (deep copy).
QImage ToImage(const ZintBarPicture *picture);

// True when every pixel of the rectangle has the colour.
bool AllPixels(const QImage &image, int left, int top, int right, int bottom, QRgb color);

} // namespace plugintest
