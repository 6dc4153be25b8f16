// Where the current picture goes: the clipboard in the checked copy kind.
#include "JobModel.h"

#include "Clipboard.h"
#include "EmfWriter.h"
#include "WmfWriter.h"

namespace {

// The picture as a metafile: a bitmap is wrapped as one image record.
TMetafile asMetafile(const TPicture &pic)
{
    if (pic.isMetafile())
        return pic.metafile();
    TMetafile mf(pic.width(), pic.height());
    if (pic.isBitmap())
        mf.drawImage(QPoint(0, 0), pic.bitmap());
    return mf;
}

} // namespace

void JobModel::CopyPicture()
{
    // Zebrix must not react to its own copy.
    setWatcherEnabled(false);
    const TPicture &pic = CurrentPicture();
    if (m_clipboard && !pic.isEmpty()) {
        if (CopyJpg.Checked()) {
            // The hidden JPEG kind is never offered: nothing to put.
        } else if (CopyBm.Checked()) {
            m_clipboard->setBitmap(pic.toImage());
        } else if (CopyEmf.Checked()) {
            m_clipboard->setEnhancedMetafile(WriteEmf(asMetafile(pic)));
        } else if (CopyMf.Checked()) {
            const TMetafile mf = asMetafile(pic);
            m_clipboard->setWindowsMetafile(WriteWmf(mf, true), MetafilePictFor(mf));
        }
    }
    setWatcherEnabled(true);
}
