#include "PluginSupport.h"

#include <dlfcn.h>

namespace plugintest {

QRgb toQRgb(std::uint32_t bgr)
{
    return qRgb(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

ZintDllProc RawZintDll()
{
    static const ZintDllProc proc = [] {
        void *handle = dlopen(ZINTBAR_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        return handle ? reinterpret_cast<ZintDllProc>(dlsym(handle, "ZintDll")) : nullptr;
    }();
    return proc;
}

QImage ToImage(const ZintBarPicture *picture)
{
    if (!picture)
        return {};
    return QImage(picture->rgb, picture->width, picture->height, picture->stride, QImage::Format_RGB888).copy();
}

Outcome CallRaw(const Job &job)
{
    Outcome out;
    const ZintDllProc zintDll = RawZintDll();
    if (!zintDll)
        return out;
    static const std::uint16_t empty[1] = {0};
    const std::uint16_t *error = nullptr;
    const ZintBarPicture *picture =
        zintDll(job.symbology, empty, job.text.utf16(), job.scale, job.barHeight, job.leftMargin, job.topMargin,
                job.barColor, job.backColor, job.font, job.showText, job.frame, &error);
    out.picture = ToImage(picture);
    out.errorSet = error != nullptr;
    if (error)
        out.error = QString::fromUtf16(reinterpret_cast<const char16_t *>(error));
    return out;
}

bool AllPixels(const QImage &image, int left, int top, int right, int bottom, QRgb color)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (image.pixel(x, y) != color)
                return false;
    return true;
}

} // namespace plugintest
