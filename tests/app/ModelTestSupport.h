// Shared pieces of the job model tests.
#pragma once

#include "Clipboard.h"
#include "JobModel.h"

#include <QString>

// An in-memory clipboard that remembers what was put last.
struct MemClipboard : IClipboard {
    QString kind;
    QString text;
    QImage image;
    QByteArray bytes;
    int writes = 0;
    bool setBitmap(const QImage &i) override { kind = "bitmap"; image = i; ++writes; return true; }
    bool setEnhancedMetafile(const QByteArray &b) override { kind = "emf"; bytes = b; ++writes; return true; }
    bool setWindowsMetafile(const QByteArray &b, const TMetafilePict &) override { kind = "wmf"; bytes = b; ++writes; return true; }
    bool setText(const QString &t) override { kind = "text"; text = t; ++writes; return true; }
};

// A model with the given symbology selected and data typed, as a user would
// leave it before pressing Enter.
inline void Select(JobModel &m, int index, const QString &data)
{
    m.CdType.setItemIndex(index);
    m.EditCode.setText(data);
}
