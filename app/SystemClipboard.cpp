#include "SystemClipboard.h"

#include "ImageFiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtEndian>

namespace {

QClipboard *systemClipboard()
{
    return FontsAvailable() ? QGuiApplication::clipboard() : nullptr;
}

// The bitmap beside another form, as PNG: the form nearly every program pastes.
void addPng(QMimeData *data, const QImage &png)
{
    if (!png.isNull())
        data->setData(QStringLiteral("image/png"), EncodePng(png));
}

bool put(QMimeData *data)
{
    QClipboard *cb = systemClipboard();
    if (!cb) {
        delete data;
        return false;
    }
    cb->setMimeData(data, QClipboard::Clipboard);
    return true;
}

} // namespace

bool TSystemClipboard::setBitmap(const QImage &image)
{
    auto *data = new QMimeData;
    data->setImageData(image);
    return put(data);
}

bool TSystemClipboard::setEnhancedMetafile(const QByteArray &emf, const QImage &png)
{
    auto *data = new QMimeData;
    addPng(data, png);
    data->setData(QStringLiteral("image/emf"), emf);
    data->setData(QStringLiteral("image/x-emf"), emf);
    return put(data);
}

bool TSystemClipboard::setWindowsMetafile(const QByteArray &wmf, const TMetafilePict &pict, const QImage &png)
{
    auto *data = new QMimeData;
    addPng(data, png);
    data->setData(QStringLiteral("image/wmf"), wmf);
    data->setData(QStringLiteral("image/x-wmf"), wmf);
    QByteArray fields(12, '\0');
    qToLittleEndian<qint32>(pict.mm, fields.data());
    qToLittleEndian<qint32>(pict.xExt, fields.data() + 4);
    qToLittleEndian<qint32>(pict.yExt, fields.data() + 8);
    data->setData(QStringLiteral("application/x-metafilepict"), fields);
    return put(data);
}

bool TSystemClipboard::setText(const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    return put(data);
}

bool TSystemClipboard::setData(const QString &mimeType, const QByteArray &bytes, const QImage &png)
{
    auto *data = new QMimeData;
    addPng(data, png);
    data->setData(mimeType, bytes);
    return put(data);
}

void TSystemClipboard::Clear()
{
    QClipboard *cb = systemClipboard();
    if (cb && cb->ownsClipboard())
        cb->clear(QClipboard::Clipboard);
}

QString TSystemClipboard::Text()
{
    QClipboard *cb = systemClipboard();
    const QMimeData *data = cb ? cb->mimeData(QClipboard::Clipboard) : nullptr;
    if (!data || !data->hasText())
        return {};
    return data->text();
}

TClipboardWatcher::TClipboardWatcher(QObject *parent)
    : QObject(parent)
{
}

void TClipboardWatcher::setEnabled(bool on)
{
    m_enabled = on;
    join();
}

void TClipboardWatcher::setOnChange(std::function<void()> handler)
{
    m_onChange = std::move(handler);
    join();
}

void TClipboardWatcher::join()
{
    // The clipboard is asked for only once watching is wanted: a model that
    // never watches (the console front end, its threads) never touches it.
    if (m_joined || !Registered())
        return;
    if (QClipboard *cb = systemClipboard()) {
        connect(cb, &QClipboard::dataChanged, this, &TClipboardWatcher::onDataChanged);
        m_joined = true;
    }
}

void TClipboardWatcher::onDataChanged()
{
    QClipboard *cb = systemClipboard();
    // Qt reports Zebrix's own writes as well, while Zebrix owns the clipboard.
    if (!Registered() || !cb || cb->ownsClipboard())
        return;
    // A copy: the handler may set a new one while it runs.
    const std::function<void()> handler = m_onChange;
    handler();
}
