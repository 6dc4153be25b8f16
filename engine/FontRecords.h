// What Zebrix learns of a font from Qt, kept in a file so that a later run
// draws the same text without starting Qt's font machinery (fontconfig, the
// font database, FreeType): the face file the font resolves to, its line
// metrics, how Qt blends its glyphs, and the glyph, advance and coverage of
// every character met so far, all as Qt gave them.
//
// A record holds only while nothing it depends on has changed: the face
// file, the libraries that drew it, the fontconfig configuration and font
// folders, the platform, the language and the environment Qt reads. Any
// change makes the whole file void; the next run with Qt's fonts writes it
// anew. The console front end turns this on (SetFontRecordFile); the window
// never needs it.
#pragma once

#include "Metafile.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

// A file as found on disk, to tell whether it changed.
struct TFileStamp {
    QByteArray path;
    bool exists = false;
    quint64 device = 0, inode = 0;
    qint64 size = 0, modified = 0;   // modified: nanoseconds since the epoch

    static TFileStamp of(const QByteArray &path);
    bool operator==(const TFileStamp &) const = default;
};

// One glyph's coverage as Qt draws it at one of its four sub-pixel
// positions (0, 16, 32, 48 in 1/64 pixel), and where it sits relative to
// the whole-pixel pen position on the baseline.
struct TRecordedMask {
    qint16 x = 0, y = 0;
    quint16 width = 0, height = 0;   // 0 x 0: a glyph without ink
    QByteArray alpha;                // width * height bytes, row after row
};

struct TFontRecord {
    TMetaFont font;                  // the font, pixel-sized, without decorations
    QByteArray faceFile;             // the file Qt drew it from, and the face in it
    int faceIndex = 0;
    TFileStamp faceStamp;
    int ascent = 0, height = 0;      // QFontMetrics
    bool roundAdvances = false;      // Qt rounds every advance to whole pixels
    quint8 blendKind = 0;            // how Qt blends coverage: 1 straight, 2 through gamma (Text.cpp's TBlend::Kind)
    double gamma = 1.0;
    std::unordered_map<char32_t, quint32> glyphs;   // 0: not in this face
    std::unordered_map<quint32, qint32> advances;   // 1/64 pixel
    std::unordered_map<quint64, TRecordedMask> masks;   // by MaskKey
    // By script (hb_script_t): the glyphs its shaping's lookups may touch
    // (Shaping.h), so that a run needs no shape plan for texts of others.
    std::map<quint32, std::vector<quint32>> touched;

    static quint64 MaskKey(quint32 glyph, int quarter) { return (quint64(glyph) << 2) | quint64(quarter & 3); }
};

// Turns remembering on: records are read from and written to this file, and
// hold the drawing of this Qt platform ("offscreen" for the console).
void SetFontRecordFile(const QString &path, const QString &platform);
bool FontRecordsEnabled();

// The record of a font that still holds: one this process made or read, or
// one read now from the file after checking everything it depends on. Null
// when there is none. Thread-safe.
std::shared_ptr<const TFontRecord> FindFontRecord(const TMetaFont &font);

// Keeps a record made or grown with Qt's fonts and writes the file (only
// from a process with a GUI application of the recorded platform). A file
// that cannot be written is no error: the next run asks Qt again.
void StoreFontRecord(std::shared_ptr<const TFontRecord> record);

// The face file fontconfig resolves the font to, when its tables are the
// ones Qt draws with (qtTable gives Qt's table of a tag, empty when the face
// has none). Needs a GUI application (fontconfig started by Qt).
bool FindFaceFile(const TMetaFont &font, const std::function<QByteArray(quint32 tag)> &qtTable, QByteArray &file,
                  int &index);

// Whether fontconfig has a face of the family, asked for that family alone
// (Qt's font database would list every family first).
bool FamilyInstalled(const QString &family);
