#include "FontRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <map>
#include <mutex>
#include <set>

#include <fontconfig/fontconfig.h>
#include <hb.h>

#include <climits>
#include <cstdlib>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr quint32 kMagic = 0x5A424652;   // "ZBFR"
constexpr quint32 kVersion = 2;
// Far beyond any real file: a damaged one is no reason to run out of memory.
constexpr quint32 kMaxEntries = 1u << 20;
constexpr int kMaxMaskSide = 1024;
// How Qt blends coverage, as Text.cpp keeps it (its TBlend::Kind).
constexpr quint8 kBlendStraight = 1, kBlendGamma = 2;

// The libraries whose code decides how a text looks.
bool drawsText(const QByteArray &path)
{
    static const char *const kNames[] = {"libQt6Core.", "libQt6Gui.", "libfreetype.", "libharfbuzz.", "libfontconfig."};
    const QByteArray base = path.mid(path.lastIndexOf('/') + 1);
    return std::any_of(std::begin(kNames), std::end(kNames), [&](const char *n) { return base.startsWith(n); });
}

std::vector<QByteArray> loadedLibraries()
{
    std::vector<QByteArray> paths;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            const QByteArray path(info->dlpi_name ? info->dlpi_name : "");
            if (path.isEmpty() || !drawsText(path))
                return 0;
            // The file itself: the same library is found by several paths
            // (/lib and /usr/lib), depending on who loaded it.
            char real[PATH_MAX];
            static_cast<std::vector<QByteArray> *>(data)->push_back(::realpath(path.constData(), real) ? QByteArray(real)
                                                                                                      : path);
            return 0;
        },
        &paths);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Everything a record depends on that can be told without fontconfig: the
// versions, the platform, the language HarfBuzz shapes for, the loaded
// libraries (the paths they were found at) and the environment that Qt and
// fontconfig read.
QByteArray contextText(const QString &platform)
{
    QByteArray t = "zebrix font records\nqt " + QByteArray(qVersion()) + "\nplatform " + platform.toUtf8()
                   + "\nlanguage " + QByteArray(hb_language_to_string(hb_language_get_default())) + '\n';
    for (const QByteArray &lib : loadedLibraries())
        t += "library " + lib + '\n';
    std::vector<QByteArray> env;
    for (char **e = environ; e && *e; ++e) {
        const QByteArray v(*e);
        if ((v.startsWith("QT_") && !v.startsWith("QT_QPA_PLATFORM=")) || v.startsWith("FONTCONFIG_")
            || v.startsWith("FC_") || v.startsWith("HOME=") || v.startsWith("XDG_CONFIG_") || v.startsWith("XDG_DATA_"))
            env.push_back(v);
    }
    std::sort(env.begin(), env.end());
    for (const QByteArray &v : env)
        t += "env " + v + '\n';
    return t;
}

// The files whose change may change what Qt draws: the libraries, every
// configuration file fontconfig read and the folders they lie in, every font
// folder, and the places a user's configuration or fonts would appear.
std::vector<TFileStamp> contextFiles()
{
    std::set<QByteArray> paths;
    for (const QByteArray &lib : loadedLibraries())
        paths.insert(lib);
    auto addList = [&](FcStrList *list) {
        if (!list)
            return;
        while (FcChar8 *s = FcStrListNext(list)) {
            const QByteArray p(reinterpret_cast<const char *>(s));
            paths.insert(p);
            paths.insert(p.left(std::max<qsizetype>(1, p.lastIndexOf('/'))));
        }
        FcStrListDone(list);
    };
    addList(FcConfigGetConfigFiles(nullptr));
    addList(FcConfigGetConfigDirs(nullptr));
    addList(FcConfigGetFontDirs(nullptr));
    const QByteArray home = qgetenv("HOME");
    QByteArray config = qgetenv("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = home + "/.config";
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty())
        data = home + "/.local/share";
    for (const QByteArray &p : {QByteArray("/etc/fonts/fonts.conf"), QByteArray("/etc/fonts/conf.d"),
                                config + "/fontconfig", config + "/fontconfig/fonts.conf",
                                config + "/fontconfig/conf.d", home + "/.fonts.conf", home + "/.fonts.conf.d",
                                data + "/fonts", home + "/.fonts"})
        paths.insert(p);
    std::vector<TFileStamp> stamps;
    for (const QByteArray &p : paths)
        stamps.push_back(TFileStamp::of(p));
    return stamps;
}

// The file is plain little-endian fields, read without a stream: it is
// read by every run that draws text.
class TWriter
{
public:
    QByteArray bytes;
    template <class T> void put(T v)
    {
        static_assert(std::is_arithmetic_v<T>);
        char b[sizeof v];
        std::memcpy(b, &v, sizeof v);
        bytes.append(b, qsizetype(sizeof v));
    }
    void put(const QByteArray &b)
    {
        put(quint32(b.size()));
        bytes.append(b);
    }
    void put(const TFileStamp &f)
    {
        put(f.path);
        put(quint8(f.exists));
        put(f.device);
        put(f.inode);
        put(f.size);
        put(f.modified);
    }
};

class TReader
{
public:
    explicit TReader(const QByteArray &b) : m_p(b.constData()), m_end(b.constData() + b.size()) {}
    bool ok() const { return m_ok; }
    template <class T> T get()
    {
        static_assert(std::is_arithmetic_v<T>);
        T v{};
        if (m_end - m_p < qsizetype(sizeof v)) {
            m_ok = false;
            return v;
        }
        std::memcpy(&v, m_p, sizeof v);
        m_p += sizeof v;
        return v;
    }
    QByteArray bytes()
    {
        const quint32 n = get<quint32>();
        if (!m_ok || m_end - m_p < qsizetype(n)) {
            m_ok = false;
            return {};
        }
        QByteArray b(m_p, qsizetype(n));
        m_p += n;
        return b;
    }
    TFileStamp stamp()
    {
        TFileStamp f;
        f.path = bytes();
        f.exists = get<quint8>() != 0;
        f.device = get<quint64>();
        f.inode = get<quint64>();
        f.size = get<qint64>();
        f.modified = get<qint64>();
        return f;
    }
    // A count of entries, none when the file is damaged.
    quint32 count()
    {
        const quint32 n = get<quint32>();
        if (n > kMaxEntries)
            m_ok = false;
        return m_ok ? n : 0;
    }

private:
    const char *m_p;
    const char *m_end;
    bool m_ok = true;
};

QByteArray keyOf(const TMetaFont &f)
{
    return f.Family.toUtf8() + '\n' + QByteArray::number(f.PixelSize) + (f.Bold ? "b" : "") + (f.Italic ? "i" : "");
}

void writeRecord(TWriter &w, const TFontRecord &r)
{
    w.put(r.font.Family.toUtf8());
    w.put(qint32(r.font.PixelSize));
    w.put(quint8(r.font.Bold));
    w.put(quint8(r.font.Italic));
    w.put(r.faceFile);
    w.put(qint32(r.faceIndex));
    w.put(r.faceStamp);
    w.put(qint32(r.ascent));
    w.put(qint32(r.height));
    w.put(quint8(r.roundAdvances));
    w.put(r.blendKind);
    w.put(r.gamma);
    w.put(quint32(r.glyphs.size()));
    for (const auto &[c, g] : r.glyphs) {
        w.put(quint32(c));
        w.put(g);
    }
    w.put(quint32(r.advances.size()));
    for (const auto &[g, a] : r.advances) {
        w.put(g);
        w.put(a);
    }
    w.put(quint32(r.touched.size()));
    for (const auto &[script, glyphs] : r.touched) {
        w.put(script);
        w.put(quint32(glyphs.size()));
        for (quint32 g : glyphs)
            w.put(g);
    }
    w.put(quint32(r.masks.size()));
    for (const auto &[key, m] : r.masks) {
        w.put(key);
        w.put(m.x);
        w.put(m.y);
        w.put(m.width);
        w.put(m.height);
        w.put(m.alpha);
    }
}

bool readRecord(TReader &in, TFontRecord &r)
{
    r.font.Family = QString::fromUtf8(in.bytes());
    r.font.PixelSize = in.get<qint32>();
    r.font.Bold = in.get<quint8>() != 0;
    r.font.Italic = in.get<quint8>() != 0;
    r.faceFile = in.bytes();
    r.faceIndex = in.get<qint32>();
    r.faceStamp = in.stamp();
    r.ascent = in.get<qint32>();
    r.height = in.get<qint32>();
    r.roundAdvances = in.get<quint8>() != 0;
    r.blendKind = in.get<quint8>();
    r.gamma = in.get<double>();
    // Only what Zebrix itself writes: Qt's two ways of blending, characters
    // and glyphs of 16 bits, masks of such glyphs.
    if ((r.blendKind != kBlendStraight && r.blendKind != kBlendGamma) || !(r.gamma >= 0.5 && r.gamma <= 5.0)
        || r.font.PixelSize < 1 || r.font.PixelSize > 1000)
        return false;
    for (quint32 i = 0, n = in.count(); i < n && in.ok(); ++i) {
        const quint32 c = in.get<quint32>(), g = in.get<quint32>();
        if (c > 0xFFFF || g > 0xFFFF)
            return false;
        r.glyphs[char32_t(c)] = g;
    }
    for (quint32 i = 0, n = in.count(); i < n && in.ok(); ++i) {
        const quint32 g = in.get<quint32>();
        if (g > 0xFFFF)
            return false;
        r.advances[g] = in.get<qint32>();
    }
    for (quint32 i = 0, n = in.count(); i < n && in.ok(); ++i) {
        std::vector<quint32> &glyphs = r.touched[in.get<quint32>()];
        for (quint32 k = 0, m = in.count(); k < m && in.ok(); ++k) {
            glyphs.push_back(in.get<quint32>());
            if (glyphs.back() > 0xFFFF)
                return false;
        }
    }
    for (quint32 i = 0, n = in.count(); i < n && in.ok(); ++i) {
        const quint64 key = in.get<quint64>();
        if (key > TFontRecord::MaskKey(0xFFFF, 3))
            return false;
        TRecordedMask m;
        m.x = in.get<qint16>();
        m.y = in.get<qint16>();
        m.width = in.get<quint16>();
        m.height = in.get<quint16>();
        m.alpha = in.bytes();
        if (m.width > kMaxMaskSide || m.height > kMaxMaskSide || m.alpha.size() != qsizetype(m.width) * m.height)
            return false;
        r.masks[key] = std::move(m);
    }
    return in.ok();
}

// The process's view of the file.
struct TStore {
    std::mutex lock;
    QString path;
    QString platform;
    bool loaded = false;   // the file was read (or found void)
    std::vector<TFileStamp> files;   // the context the records were made in
    std::map<QByteArray, std::shared_ptr<const TFontRecord>> records;

    // Reads the file once; a file that does not hold any more counts as empty.
    void load()
    {
        if (loaded)
            return;
        loaded = true;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = f.readAll();
        TReader in(bytes);
        if (in.get<quint32>() != kMagic || in.get<quint32>() != kVersion || in.bytes() != contextText(platform)
            || !in.ok())
            return;
        std::vector<TFileStamp> stamps(in.count());
        for (TFileStamp &st : stamps) {
            st = in.stamp();
            if (!in.ok() || !(TFileStamp::of(st.path) == st))
                return;   // something changed since: nothing holds
        }
        std::map<QByteArray, std::shared_ptr<const TFontRecord>> read;
        for (quint32 i = 0, n = in.count(); i < n; ++i) {
            auto r = std::make_shared<TFontRecord>();
            if (!readRecord(in, *r))
                return;
            // A face file that changed or went away takes its record with it.
            if (TFileStamp::of(r->faceFile) == r->faceStamp)
                read[keyOf(r->font)] = std::move(r);
        }
        if (!in.ok())
            return;
        files = std::move(stamps);
        records = std::move(read);
    }

    void save()
    {
        if (files.empty())
            files = contextFiles();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return;
        TWriter w;
        w.put(kMagic);
        w.put(kVersion);
        w.put(contextText(platform));
        w.put(quint32(files.size()));
        for (const TFileStamp &st : files)
            w.put(st);
        w.put(quint32(records.size()));
        for (const auto &[key, r] : records)
            writeRecord(w, *r);
        if (f.write(w.bytes) == w.bytes.size())
            f.commit();
    }
};

TStore &store()
{
    static TStore s;
    return s;
}

} // namespace

TFileStamp TFileStamp::of(const QByteArray &path)
{
    TFileStamp f;
    f.path = path;
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return f;
    f.exists = true;
    f.device = quint64(st.st_dev);
    f.inode = quint64(st.st_ino);
    f.size = qint64(st.st_size);
    f.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return f;
}

void SetFontRecordFile(const QString &path, const QString &platform)
{
    TStore &s = store();
    const std::lock_guard<std::mutex> g(s.lock);
    s.path = path;
    s.platform = platform;
    s.loaded = false;
    s.files.clear();
    s.records.clear();
}

bool FontRecordsEnabled()
{
    TStore &s = store();
    const std::lock_guard<std::mutex> g(s.lock);
    return !s.path.isEmpty();
}

std::shared_ptr<const TFontRecord> FindFontRecord(const TMetaFont &font)
{
    TStore &s = store();
    const std::lock_guard<std::mutex> g(s.lock);
    if (s.path.isEmpty())
        return nullptr;
    s.load();
    const auto it = s.records.find(keyOf(font));
    return it == s.records.end() ? nullptr : it->second;
}

void StoreFontRecord(std::shared_ptr<const TFontRecord> record)
{
    TStore &s = store();
    const std::lock_guard<std::mutex> g(s.lock);
    if (s.path.isEmpty() || !record)
        return;
    s.load();
    if (s.files.empty())
        s.records.clear();   // made in another context (or none): begin anew
    s.records[keyOf(record->font)] = std::move(record);
    s.save();
}

bool FindFaceFile(const TMetaFont &font, const std::function<QByteArray(quint32 tag)> &qtTable, QByteArray &file,
                  int &index)
{
    FcPattern *pattern = FcPatternCreate();
    const QByteArray family = font.Family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.constData()));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, font.PixelSize);
    FcPatternAddInteger(pattern, FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8 *path = nullptr;
    int faceIndex = 0;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch
                       && FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) == FcResultMatch;
    const QByteArray candidate = found ? QByteArray(reinterpret_cast<const char *>(path)) : QByteArray();
    FcPatternDestroy(match);
    if (candidate.isEmpty())
        return false;
    // The same face only when every table that decides how text looks is
    // Qt's, byte for byte.
    hb_blob_t *blob = hb_blob_create_from_file(candidate.constData());
    hb_face_t *face = hb_face_create(blob, unsigned(faceIndex));
    hb_blob_destroy(blob);
    bool same = hb_face_get_glyph_count(face) > 0;
    static const char *const kTables[] = {"head", "hhea", "maxp", "OS/2", "name", "cmap", "hmtx",
                                          "GDEF", "GSUB", "GPOS", "kern", "CFF ", "glyf", "fvar"};
    for (const char *t : kTables) {
        if (!same)
            break;
        const hb_tag_t tag = hb_tag_from_string(t, 4);
        hb_blob_t *table = hb_face_reference_table(face, tag);
        unsigned length = 0;
        const char *bytes = hb_blob_get_data(table, &length);
        same = qtTable(tag) == QByteArray::fromRawData(bytes, qsizetype(length));
        hb_blob_destroy(table);
    }
    hb_face_destroy(face);
    if (!same)
        return false;
    file = candidate;
    index = faceIndex;
    return true;
}

bool FamilyInstalled(const QString &family)
{
    FcPattern *pattern = FcPatternCreate();
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet *fonts = FcFontList(nullptr, pattern, objects);
    const bool found = fonts && fonts->nfont > 0;
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}
