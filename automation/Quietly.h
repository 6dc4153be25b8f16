// Drivers that set a property of the barcode component directly (a colour,
// the font, the data) change the job without creating: the component still
// redraws its picture, but that redraw is not a creation of its own and
// brings no mode text and no automatic copy.
#pragma once

#include "BarImage.h"

#include <QScopeGuard>
#include <utility>

template <class F>
void Quietly(TBarImage &b, F &&set)
{
    auto handler = std::exchange(b.OnPaintedBar, nullptr);
    const auto back = qScopeGuard([&] { b.OnPaintedBar = std::move(handler); });
    set();
}
