#include "Console.h"

#include "CommandLine.h"
#include "FileNames.h"
#include "JobModel.h"

#include <cstdio>

namespace {

} // namespace

void PrepareConsoleModel(JobModel &m, const QStringList &args)
{
    int index = -1;
    for (const QString &a : args)
        if (const int s = SymbologyOfParam(a); s >= 0)
            index = s;
    if (index >= 0 && index < m.CdType.Count())
        m.CdType.setItemIndex(index);
    m.CdTypeChange();
}

bool WantsLibrary(const QStringList &args)
{
    int index = -1;
    bool raw = false;
    for (const QString &a : args) {
        const TParamRule *rule = MatchParam(a);
        if (!rule)
            continue;
        if (rule->option == Option::Symbology)
            index = rule->value;
        if (rule->option == Option::LibrarySymbology)
            raw = LibraryOfParam(a) > kZintRawOffset;
    }
    return raw || index >= kIndexFirstLibrary;
}

TBarPictures PictureKindFor(const QString &ext)
{
    const QString e = ext.toLower();
    return e == u"emf" || e == u"wmf" || e == u"svg" || e == u"pdf" ? pbarWMF : pbarBMP;
}

QString SaveNameOf(const QStringList &args)
{
    QString name;
    for (const QString &a : args)
        if (const TParamRule *rule = MatchParam(a); rule && rule->option == Option::Save)
            name = a.mid(6);   // the last "/SAVE:" wins
    return name;
}

bool MentionsLibrary(const QStringList &args)
{
    for (const QString &a : args)
        if (const TParamRule *rule = MatchParam(a)) {
            if (rule->option == Option::LibrarySymbology)
                return true;
            if (rule->option == Option::Symbology && rule->value >= kIndexFirstLibrary)
                return true;
        }
    return false;
}

TMade MakeSymbol(JobModel &m, bool wantsLibrary, const std::optional<QString> &ext)
{
    if (m.EditCode.Text().isEmpty())
        return {false, texts::NoData()};
    if (wantsLibrary && !m.Zhdl().hasZintDll()) {
        const QString file = QString::fromLatin1(TZintLib::kFileName);
        return {false, m.LibraryLoaded() ? texts::PluginWithoutExport(file) : texts::PluginMissing(file)};
    }
    if (ext)
        m.SetPictureKind(PictureKindFor(*ext));
    m.BError = false;
    try {
        m.RB_Click();
    } catch (const EConvertError &e) {
        return {false, e.message()};   // a percent escape of the QR data
    } catch (const std::exception &e) {
        return {false, QString::fromUtf8(e.what())};   // made with toStdString()
    }
    if (m.BError)
        return {false, FailureText(m)};
    if (m.CurrentPicture().isEmpty())
        return {false, texts::NotCreated()};
    return {true, {}};
}

QString FailureText(const JobModel &m)
{
    const int index = m.CdType.ItemIndex();
    if (m.Engine() == JobModel::TEngine::Library) {
        if (m.StatusText().isEmpty())
            return texts::LibraryNoPicture();
        // libzint's message is the status itself; Zebrix's GS1 reasons come beside it.
        const QString why = m.FailureReason(texts::TWords::Console);
        return why.isEmpty() || why == m.StatusText() ? m.StatusText() : texts::WithReason(m.StatusText(), why);
    }
    if (m.Engine() == JobModel::TEngine::QR)
        return m.StatusText();
    if (index < 0)
        return texts::NoSymbology();
    const QString why = m.FailureReason(texts::TWords::Console);
    return why.isEmpty() ? m.StatusText() : texts::WithReason(m.StatusText(), why);
}

void PrintError(const QString &text)
{
    const QByteArray line = "zebrixc: " + EncodeFileName(text) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}
