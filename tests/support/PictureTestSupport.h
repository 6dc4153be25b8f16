// Small helpers for the tests of drawn pictures.
#pragma once

#include "Metafile.h"

#include <QFont>
#include <QString>

// Sets the reference DPI for one test and puts the old one back.
class DpiScope
{
public:
    explicit DpiScope(int dpi) : m_old(ReferenceDpi()) { SetReferenceDpi(dpi); }
    ~DpiScope() { SetReferenceDpi(m_old); }
    DpiScope(const DpiScope &) = delete;
    DpiScope &operator=(const DpiScope &) = delete;

private:
    int m_old;
};

// A font of a pixel size, so measurements do not depend on any DPI.
inline QFont PixelFont(int px, const QString &family = QStringLiteral("DejaVu Sans"))
{
    QFont f(family);
    f.setPixelSize(px);
    return f;
}
