// TZintLib: the main window's handle on the optional stacked-symbol plugin
// libzintbar.so (GS1 DataBar and PDF417), and the mapping of Zebrix's job
// settings onto its ZintDll call.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "ZintBar.h"

// A ZintBarType above this names a raw library symbology (ZintBarType minus
// this); from this value on the QR branch of the creation flow is off.
inline constexpr int kZintRawOffset = 1000;

// The outcome of one ZintDll call.
struct TZintResult {
    QImage picture;      // RGB888 copy of the plugin's picture (96 dpi); null on failure
    QString errorText;   // libzint's text on failure; empty on success, and on failures without text

    // Success exactly when there is a picture and no error text.
    bool ok() const { return !picture.isNull() && errorText.isEmpty(); }
};

class TZintLib
{
public:
    // The plugin's file name.
    static constexpr const char *kFileName = "libzintbar.so";

    TZintLib() = default;
    ~TZintLib();   // releases the library (dlclose)
    TZintLib(const TZintLib &) = delete;
    TZintLib &operator=(const TZintLib &) = delete;

    // The folders searched by Load(), in order: the executable's folder, the
    // install's lib/zebrix as seen from the executable (bin/../lib/zebrix),
    // and the lib/zebrix of the prefix the program was built for.
    static QStringList SearchFolders();

    // Loads the first libzintbar.so found in the folders (default:
    // SearchFolders()). Only the first file found is tried. Returns loaded().
    // Nothing is reported: a missing or unloadable file means "no library".
    bool Load();
    bool Load(const QStringList &folders);
    // Loads the given file (for tests and explicit locations). Only a file
    // whose ELF headers fit this build (class, byte order, machine, a shared
    // object) and whose header tables and segments all lie inside the file
    // is handed to dlopen: a damaged plugin is no library, like a missing one.
    bool LoadFile(const QString &path);
    // Releases the library, if any.
    void Unload();

    // The library is loaded (the main window's Zhdl).
    bool loaded() const { return m_handle != nullptr; }
    // The library is loaded and exports ZintDll.
    bool hasZintDll() const { return m_zintDll != nullptr; }
    // The file loaded, empty when none.
    const QString &fileName() const { return m_fileName; }

    // Draws one symbol (see ZintBar.h for the layout). text goes as UTF-16
    // up to its first zero character. Colours are 0x00BBGGRR; fontColor is
    // the human-readable text's colour. Without the export the result is a
    // failure with an empty error text. The picture is copied: it stays
    // valid whatever the plugin does next.
    TZintResult Call(int symbology, const QString &text, double scale, int barHeight, int leftMargin,
                     int topMargin, std::uint32_t barColor, std::uint32_t backColor, const QFont &font,
                     std::uint32_t fontColor, bool showText, bool frame) const;

    // The library symbology of a CdType index: 13 → 30 (GS1 DataBar
    // Limited), 14 → 79 (Stacked), 15 → 29 (DataBar), 16 → 80 (Stacked
    // Omnidirectional), 17 → 55 (PDF417), 18 → 56 (PDF417 truncated),
    // 22 → 71 (DataMatrix), 23 → 71 with ZINTBAR_GS1 (GS1 DataMatrix),
    // 24 → 92 (Aztec), other indexes 0. A ZintBarType above 1000 overrides
    // the index with ZintBarType − 1000.
    static int ZintSymbology(int index, int zintBarType);

    // The library scale of a ThinWd item index: 0 → 1.0, 1 → 2.0, 2 → 3.0,
    // anything else (no selection) → 2.0.
    static double ZintScale(int thinWdIndex);

private:
    void *m_handle = nullptr;
    ZintDllProc m_zintDll = nullptr;
    QString m_fileName;
};
