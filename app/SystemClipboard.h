// The system clipboard (QClipboard) in the forms Zebrix puts on it, and the
// clipboard watcher that turns other programs' new text into barcodes.
#pragma once

#include "Clipboard.h"

#include <QObject>
#include <functional>

// Forms offered: a bitmap as an image (Qt offers image/png, image/bmp, ...;
// a bitmap given beside another form goes on as "image/png" alone),
// an enhanced metafile as "image/emf" and "image/x-emf", a Windows metafile
// (placeable) as "image/wmf" and "image/x-wmf" with its METAFILEPICT fields
// as "application/x-metafilepict" (three little-endian 32-bit integers:
// mapping mode, width and height in 0.01 mm), text as text/plain. Without a
// clipboard (no GUI application) nothing is placed and false is returned.
class TSystemClipboard : public IClipboard
{
public:
    bool setBitmap(const QImage &image) override;
    bool setEnhancedMetafile(const QByteArray &emf, const QImage &png) override;
    bool setWindowsMetafile(const QByteArray &wmf, const TMetafilePict &pict, const QImage &png) override;
    bool setText(const QString &text) override;
    bool setData(const QString &mimeType, const QByteArray &data, const QImage &png) override;
    // Empties the clipboard when Zebrix owns it.
    static void Clear();
    // The clipboard's plain text; a null string when it offers none.
    static QString Text();
};

// TClipboardWatcher: calls OnChange when another program puts something on
// the clipboard, while Enabled and OnChange is set. Zebrix's own writes never
// come back as a change: a notification while Zebrix owns the clipboard is
// its own write and is ignored.
class TClipboardWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TClipboardWatcher(QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    void setOnChange(std::function<void()> handler);
    bool hasOnChange() const { return bool(m_onChange); }
    // Member of the notification chain: Enabled with a handler.
    bool Registered() const { return m_enabled && m_onChange; }
    // Whether the clipboard's notifications reach the watcher (false where
    // there is no clipboard to watch).
    bool Joined() const { return m_joined; }

private:
    void onDataChanged();
    void join();

    bool m_joined = false;
    bool m_enabled = true;
    std::function<void()> m_onChange;
};
