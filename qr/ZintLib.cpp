#include "ZintLib.h"

#include "Executable.h"
#include "Image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <array>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef ZEBRIX_INSTALL_BINDIR
#define ZEBRIX_INSTALL_BINDIR "bin"
#endif
#ifndef ZEBRIX_INSTALL_LIBDIR
#define ZEBRIX_INSTALL_LIBDIR "lib"
#endif
#ifndef ZEBRIX_INSTALL_FULL_LIBDIR
#define ZEBRIX_INSTALL_FULL_LIBDIR "/usr/local/lib"
#endif

namespace {

// CdType items 13..24, in list order; 0 for those Zebrix encodes itself.
constexpr std::array<int, 12> kLibrarySymbologies = {
    30,   // 13 GS1限定型: GS1 DataBar Limited
    79,   // 14 GS1二層型: GS1 DataBar Stacked
    29,   // 15 GS1標準型: GS1 DataBar
    80,   // 16 GS1標準二層型: GS1 DataBar Stacked Omnidirectional
    55,   // 17 PDF417
    56,   // 18 PDF417Trunc: PDF417 truncated
    0,    // 19 GS1-128
    0,    // 20 ITF-14
    0,    // 21 JAN with an add-on
    71,   // 22 DataMatrix (ECC200, square or rectangular, the smallest that holds the data)
    71 | ZINTBAR_GS1,   // 23 GS1 DataMatrix
    92,   // 24 Aztec (libzint's default error correction, 23% + 3 codewords)
};
constexpr int kFirstLibraryIndex = 13;

// ThinWd items 0..2: the module width factor as the library's scale.
constexpr std::array<double, 3> kLibraryScales = {1.0, 2.0, 3.0};
constexpr double kScaleWithoutSelection = 2.0;

static_assert(ZINTBAR_MAX_SIDE <= kMaxPictureSide, "the plugin's pictures must fit Zebrix's");
constexpr int kDotsPerMeter96 = 3780;   // 96 dpi

// --- Is the file a library this process can map? -------------------------------
//
// dlopen maps the parts of the file its headers name. A part beyond the end
// of a damaged (truncated) file is mapped all the same, and the first read of
// it kills the process with SIGBUS. So the headers are read first, and every
// part they name must lie inside the file.

// The ELF machine this build runs on.
#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr int kMachine = EM_PPC64;
#elif defined(__s390x__)
constexpr int kMachine = EM_S390;
#else
constexpr int kMachine = -1;   // not checked
#endif

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kData = ELFDATA2LSB;
#else
constexpr unsigned char kData = ELFDATA2MSB;
#endif

// ElfW(...) is the header type of this build's word size.
using TEhdr = ElfW(Ehdr);
using TPhdr = ElfW(Phdr);
using TShdr = ElfW(Shdr);
constexpr unsigned char kClass = sizeof(void *) == 8 ? ELFCLASS64 : ELFCLASS32;

bool readAt(int fd, void *to, size_t size, off_t offset)
{
    return ::pread(fd, to, size, offset) == ssize_t(size);
}

// Whether count entries of entrySize bytes from offset lie inside a file of size bytes.
bool inside(std::uint64_t offset, std::uint64_t count, std::uint64_t entrySize, std::uint64_t size)
{
    if (offset > size || (entrySize != 0 && count > (size - offset) / entrySize))
        return false;
    return true;
}

bool looksLoadable(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const std::uint64_t size = std::uint64_t(st.st_size);

    TEhdr eh;
    if (size < sizeof eh || !readAt(fd, &eh, sizeof eh, 0))
        return false;
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != kClass
        || eh.e_ident[EI_DATA] != kData || eh.e_ident[EI_VERSION] != EV_CURRENT || eh.e_type != ET_DYN
        || (kMachine >= 0 && eh.e_machine != kMachine) || eh.e_ehsize < sizeof eh)
        return false;

    // The program headers: the table itself, then every segment they name.
    if (eh.e_phentsize != sizeof(TPhdr) || eh.e_phnum == 0 || eh.e_phnum == PN_XNUM
        || !inside(eh.e_phoff, eh.e_phnum, sizeof(TPhdr), size))
        return false;
    bool loadable = false;
    for (unsigned i = 0; i < eh.e_phnum; ++i) {
        TPhdr ph;
        if (!readAt(fd, &ph, sizeof ph, off_t(eh.e_phoff + i * sizeof ph)))
            return false;
        if (!inside(ph.p_offset, ph.p_filesz, 1, size))
            return false;
        loadable |= ph.p_type == PT_LOAD;
    }
    if (!loadable)
        return false;

    // The section headers, when there are any (at least the first entry
    // exists whenever the table does).
    if (eh.e_shoff != 0) {
        const std::uint64_t count = eh.e_shnum != 0 ? eh.e_shnum : 1;
        if (eh.e_shentsize != sizeof(TShdr) || !inside(eh.e_shoff, count, sizeof(TShdr), size))
            return false;
    }
    return true;
}

} // namespace

TZintLib::~TZintLib()
{
    Unload();
}

QStringList TZintLib::SearchFolders()
{
    const QString exe = ExecutableFolder();
    QStringList folders;
    const auto add = [&folders](const QString &folder) {
        if (folder.isEmpty())
            return;
        const QString clean = QDir::cleanPath(folder);
        if (!folders.contains(clean))
            folders << clean;
    };
    add(exe);
    // Installed, the plugin is Zebrix's own: lib/zebrix, seen from bin (a
    // relocated install: only when the executable sits in its bin folder),
    // then the prefix the program was built for.
    if (!exe.isEmpty() && QFileInfo(exe).fileName() == QFileInfo(QStringLiteral(ZEBRIX_INSTALL_BINDIR)).fileName())
        add(exe + QStringLiteral("/../") + QStringLiteral(ZEBRIX_INSTALL_LIBDIR) + QStringLiteral("/zebrix"));
    add(QStringLiteral(ZEBRIX_INSTALL_FULL_LIBDIR) + QStringLiteral("/zebrix"));
    return folders;
}

bool TZintLib::Load()
{
    return Load(SearchFolders());
}

bool TZintLib::Load(const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(QLatin1String(kFileName));
        if (QFileInfo(path).isFile())
            return LoadFile(path);
    }
    Unload();
    return false;
}

bool TZintLib::LoadFile(const QString &path)
{
    Unload();
    // An absolute name, so that dlopen does not go searching the library path.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // A damaged file is no library, like a missing one.
    if (!looksLoadable(absolute))
        return false;
    m_handle = dlopen(QFile::encodeName(absolute).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        dlerror();   // forget the failure: an unloadable file is simply no library
        return false;
    }
    m_fileName = absolute;
    m_zintDll = reinterpret_cast<ZintDllProc>(dlsym(m_handle, "ZintDll"));
    if (!m_zintDll)
        dlerror();
    return true;
}

void TZintLib::Unload()
{
    m_zintDll = nullptr;
    m_fileName.clear();
    if (m_handle) {
        dlclose(m_handle);
        m_handle = nullptr;
    }
}

TZintResult TZintLib::Call(int symbology, const QString &text, double scale, int barHeight, int leftMargin,
                           int topMargin, std::uint32_t barColor, std::uint32_t backColor, const QFont &font,
                           std::uint32_t fontColor, bool showText, bool frame) const
{
    TZintResult result;
    if (!m_zintDll)
        return result;

    const QString family = font.family();
    int pointSize = font.pointSize();
    if (pointSize <= 0 && font.pixelSize() > 0)
        pointSize = int(std::lround(font.pixelSize() * 72.0 / 96.0));
    const std::int32_t style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0)
        | (font.strikeOut() ? 8 : 0);
    const ZintBarFont zintFont{family.utf16(), pointSize, style, fontColor};
    static const std::uint16_t empty[1] = {0};

    const std::uint16_t *error = nullptr;
    const ZintBarPicture *picture =
        m_zintDll(symbology, empty, text.utf16(), scale, barHeight, leftMargin, topMargin, barColor, backColor,
                  &zintFont, showText ? 1 : 0, frame ? 1 : 0, &error);

    if (error && error[0])
        result.errorText = QString::fromUtf16(reinterpret_cast<const char16_t *>(error));
    if (!result.errorText.isEmpty() || !picture)
        return result;
    // Take only a picture that describes itself sanely.
    if (!picture->rgb || picture->width <= 0 || picture->height <= 0 || picture->width > kMaxPictureSide
        || picture->height > kMaxPictureSide || picture->stride / 3 < picture->width)
        return result;
    QImage copy = QImage(picture->rgb, picture->width, picture->height, picture->stride, QImage::Format_RGB888).copy();
    copy.setDotsPerMeterX(kDotsPerMeter96);
    copy.setDotsPerMeterY(kDotsPerMeter96);
    result.picture = copy;
    return result;
}

int TZintLib::ZintSymbology(int index, int zintBarType)
{
    if (zintBarType > kZintRawOffset)
        return zintBarType - kZintRawOffset;
    const int i = index - kFirstLibraryIndex;
    if (i < 0 || i >= int(kLibrarySymbologies.size()))
        return 0;
    return kLibrarySymbologies[std::size_t(i)];
}

double TZintLib::ZintScale(int thinWdIndex)
{
    if (thinWdIndex < 0 || thinWdIndex >= int(kLibraryScales.size()))
        return kScaleWithoutSelection;
    return kLibraryScales[std::size_t(thinWdIndex)];
}
