#include "Console.h"

#include "CommandLine.h"
#include "FileNames.h"
#include "JobModel.h"

#include <cstdio>

namespace {

bool isVectorKind(const QString &ext)
{
    return ext == u"emf" || ext == u"wmf" || ext == u"svg" || ext == u"pdf";
}

// The encoder's reason in words; empty when it gave none.
QString reasonText(const TRejectReason &r, int index, qsizetype length)
{
    const QString name = JobModel::LinearAndQRItems().value(index);
    const qsizetype position = r.Position + 1;   // users count from 1
    switch (r.Kind) {
    case rejLength: return texts::RejectLength(name, index, length);
    case rejCharacter: return texts::RejectCharacter(name, index, r.Text, position);
    case rejEscape: return texts::RejectEscape(r.Text, position, index == cbarCODE128);
    case rejCodeSet: return texts::RejectCodeSet(r.Text, position, r.CodeSet);
    case rejUpcE: return texts::RejectUpcE(r.Text);
    case rejCheckDigit: return texts::RejectCheckDigit(r.Text, position, r.Expected, r.AI);
    case rejGS1Syntax: return texts::RejectGS1Syntax(r.Text, position);
    case rejGS1AI: return texts::RejectGS1AI(r.Text, position);
    case rejGS1Length: return texts::RejectGS1Length(r.AI, r.Text, position, r.Format);
    case rejGS1Character: return texts::RejectGS1Character(r.AI, r.Text, position, r.Format);
    case rejGS1Date: return texts::RejectGS1Date(r.AI, r.Text, position);
    case rejGS1TooLong: return texts::RejectGS1TooLong(r.Text);
    case rejEmpty: return texts::NoData();
    case rejNone: break;
    }
    return {};
}

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
        if (rule->option == Option::LibrarySymbology) {
            // Characters 2 to 5 as the interpreter reads them.
            bool ok = false;
            const int n = a.mid(1, 4).toInt(&ok, 10);
            raw = ok && n > kZintRawOffset;
        }
    }
    return raw || index >= kIndexFirstLibrary;
}

TMade MakeSymbol(JobModel &m, bool wantsLibrary, const std::optional<QString> &ext)
{
    if (m.EditCode.Text().isEmpty())
        return {false, texts::NoData()};
    if (wantsLibrary && !m.Zhdl().hasZintDll()) {
        const QString file = QString::fromLatin1(TZintLib::kFileName);
        return {false, m.LibraryLoaded() ? texts::PluginWithoutExport(file) : texts::PluginMissing(file)};
    }
    // A raw library symbology overrides the index: the picture to save is
    // then the library's, which the list shows for its library items.
    if (m.ZintBarType > kZintRawOffset && m.CdType.ItemIndex() < kIndexQR)
        m.CdType.setItemIndex(kIndexFirstLibrary);
    if (ext)
        m.SetPictureKind(isVectorKind(ext->toLower()) ? pbarWMF : pbarBMP);
    m.BError = false;
    try {
        m.RB_Click();
    } catch (const EConvertError &e) {
        return {false, e.message()};   // a percent escape of the QR data
    } catch (const std::exception &e) {
        return {false, QString::fromLocal8Bit(e.what())};
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
    if (m.ZintBarType > kZintRawOffset || index >= kIndexFirstLibrary)
        return m.StatusText().isEmpty() ? texts::LibraryNoPicture() : m.StatusText();
    if (index == kIndexQR)
        return m.StatusText();
    if (index < 0)
        return texts::NoSymbology();
    const QString why = reasonText(m.BarImage1.Reason(), index, m.BarImage1.Code().size());
    return why.isEmpty() ? m.StatusText() : texts::WithReason(m.StatusText(), why);
}

void PrintError(const QString &text)
{
    const QByteArray line = "zebrixc: " + EncodeFileName(text) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}
