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
    QImage png;         // the bitmap offered beside a metafile or other form
    int writes = 0;
    bool refuse = false;
    bool setBitmap(const QImage &i) override { kind = "bitmap"; image = i; png = {}; ++writes; return !refuse; }
    bool setEnhancedMetafile(const QByteArray &b, const QImage &p) override { kind = "emf"; bytes = b; png = p; ++writes; return !refuse; }
    bool setWindowsMetafile(const QByteArray &b, const TMetafilePict &, const QImage &p) override { kind = "wmf"; bytes = b; png = p; ++writes; return !refuse; }
    bool setText(const QString &t) override { kind = "text"; text = t; ++writes; return !refuse; }
    bool setData(const QString &m, const QByteArray &b, const QImage &p) override { kind = m; bytes = b; png = p; ++writes; return !refuse; }
};

// A model with the given symbology selected and data typed, as a user would
// leave it before pressing Enter.
inline void Select(JobModel &m, int index, const QString &data)
{
    m.CdType.setItemIndex(index);
    m.EditCode.setText(data);
}
