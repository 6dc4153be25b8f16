// Reading EMF and WMF bytes back, for the tests: a reader of the published
// record layouts written apart from Zebrix's writers, strict about sizes and
// object handling, plus a small playback that turns the records into the
// fills, texts and images a player would draw.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace metaparse {

// Little-endian fields of a record, read by byte offset. Reads past the
// end give 0 and mark the record as short.
struct Record {
    std::uint32_t type = 0;     // EMF: record type; WMF: function number
    std::uint32_t size = 0;     // EMF: bytes; WMF: 16-bit words
    qsizetype offset = 0;       // of the record in the file
    QByteArray data;            // the whole record

    std::uint8_t u8(qsizetype at) const;
    std::uint16_t u16(qsizetype at) const;
    std::int16_t i16(qsizetype at) const { return std::int16_t(u16(at)); }
    std::uint32_t u32(qsizetype at) const;
    std::int32_t i32(qsizetype at) const { return std::int32_t(u32(at)); }
    float f32(qsizetype at) const;
    mutable bool shortRead = false;
};

struct RectL {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const RectL &) const = default;
};

// ---- EMF ----------------------------------------------------------------

namespace emr {
enum : std::uint32_t {
    HEADER = 1, POLYGON = 3, EOF_ = 14, SETBKMODE = 18, SETTEXTALIGN = 22, SETTEXTCOLOR = 24,
    SELECTOBJECT = 37, CREATEBRUSHINDIRECT = 39, DELETEOBJECT = 40, RECTANGLE = 43,
    STRETCHDIBITS = 81, EXTCREATEFONTINDIRECTW = 82, EXTTEXTOUTW = 84, POLYGON16 = 86,
};
}

struct EmfHeader {
    RectL bounds, frame;
    std::uint32_t signature = 0, version = 0, bytes = 0, records = 0;
    std::uint16_t handles = 0, reserved = 0;
    std::uint32_t nDescription = 0, offDescription = 0, nPalEntries = 0;
    int deviceX = 0, deviceY = 0, millimetersX = 0, millimetersY = 0;
    std::uint32_t cbPixelFormat = 0, offPixelFormat = 0, openGL = 0;
    int micrometersX = 0, micrometersY = 0;
    std::uint32_t size = 0;
};

struct Emf {
    bool ok = false;
    std::string error;          // why ok is false
    EmfHeader header;
    std::vector<Record> records; // including header and EOF
};

// Splits the bytes into records and checks the framing: header first with
// its signature, every size a multiple of 4 and inside the file, EOF last
// and at the very end.
Emf ParseEmf(const QByteArray &bytes);

// ---- WMF ----------------------------------------------------------------

namespace meta {
enum : std::uint16_t {
    EOF_ = 0x0000, SETBKMODE = 0x0102, SETMAPMODE = 0x0103, SETTEXTCOLOR = 0x0209,
    SETWINDOWORG = 0x020B, SETWINDOWEXT = 0x020C, SELECTOBJECT = 0x012D, SETTEXTALIGN = 0x012E,
    DELETEOBJECT = 0x01F0, CREATEPENINDIRECT = 0x02FA, CREATEFONTINDIRECT = 0x02FB,
    CREATEBRUSHINDIRECT = 0x02FC, RECTANGLE = 0x041B, POLYGON = 0x0324, EXTTEXTOUT = 0x0A32,
    STRETCHDIB = 0x0F43,
};
}

struct Wmf {
    bool ok = false;
    std::string error;
    bool placeable = false;
    // Placeable header.
    std::uint32_t key = 0;
    int bboxLeft = 0, bboxTop = 0, bboxRight = 0, bboxBottom = 0;
    int inch = 0;
    std::uint16_t checksum = 0, checksumComputed = 0;
    // Metafile header.
    std::uint16_t type = 0, headerSize = 0, version = 0;
    std::uint32_t sizeWords = 0;
    std::uint16_t numberOfObjects = 0;
    std::uint32_t maxRecord = 0;
    std::uint16_t numberOfMembers = 0;
    qsizetype headerOffset = 0; // 22 with a placeable header, else 0
    std::vector<Record> records; // parameters start at byte 6 of each record
};

// Checks the framing: header size 9 words, record sizes at least 3 words
// and inside the file, META_EOF last and at the very end, header size field
// equal to the file size.
Wmf ParseWmf(const QByteArray &bytes);

// ---- Playback -----------------------------------------------------------

struct Fill {
    QRect rect;                 // x, y, width, height in logical units
    std::uint32_t color = 0;    // 0x00BBGGRR
    bool operator==(const Fill &) const = default;
};

struct TextOut {
    QPoint pos;
    QString text;               // decoded (WMF: through the font's code page)
    std::vector<int> dx;        // EMF: per UTF-16 unit; WMF: per byte
    std::vector<int> charDx;    // WMF: per decoded character (its bytes summed)
    QByteArray bytes;           // WMF: the text bytes as stored
    std::uint32_t color = 0;
    int height = 0, width = 0, weight = 0;
    bool italic = false, underline = false, strikeOut = false;
    std::uint8_t charSet = 0;
    QString face;
    std::uint32_t options = 0;
};

struct Picture {
    QRect dest;
    QRect src;
    std::uint32_t rop = 0;
    std::uint32_t usage = 0;
    int bitCount = 0;
    QImage image;               // the DIB decoded to RGB888, top row first
};

struct Playback {
    std::vector<Fill> fills;
    std::vector<TextOut> texts;
    std::vector<Picture> images;
    std::vector<std::string> problems;  // misuse of objects or malformed records
    int objectSlots = 0;        // EMF: highest index used + 1; WMF: table size needed
    std::uint32_t bkMode = 0, textAlign = 0, mapMode = 0;
    QPoint windowOrg, windowExt;
    int deletes = 0;            // objects deleted before the end
    int objectsLeft = 0;        // objects still alive at EOF
};

Playback PlayEmf(const Emf &emf);
Playback PlayWmf(const Wmf &wmf);

// The Windows code page (iconv name) of a LOGFONT character set, or null.
const char *CodePageOfCharSet(std::uint8_t charSet);
// Text bytes in a code page decoded to UTF-16; empty QString on failure.
QString Decode(const QByteArray &bytes, const char *codePage);

} // namespace metaparse
