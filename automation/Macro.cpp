#include "Macro.h"

#include "CommandLine.h"
#include "JobModel.h"
#include "Quietly.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <array>

namespace {

// The words "CODE" takes, upper-case (lines are upper-cased before they are
// read). The transposed "OCDE-128" and "OCDE-93" are words of the macro
// language too: macros written with them must keep working.
struct TSymbologyWord {
    const char *word;
    int index;
};
constexpr std::array<TSymbologyWord, 34> kSymbologyWords = {{
    {"JAN", cbarJAN}, {"UPC", cbarUPC},
    {"CODE39", cbarCODE39}, {"CODE-39", cbarCODE39}, {"39", cbarCODE39},
    {"NW7", cbarNW7}, {"NW-7", cbarNW7}, {"7", cbarNW7},
    {"ITF", cbarITF}, {"CTF", cbarCTF}, {"IATA", cbarIATA}, {"MATRIX", cbarMATRIX}, {"NEC", cbarNEC},
    {"CST", cbarCUSTOMER}, {"CUSTOMER", cbarCUSTOMER},
    // 15
    {"CODE128", cbarCODE128}, {"OCDE-128", cbarCODE128}, {"128", cbarCODE128},
    {"CODE93", cbarCODE93}, {"OCDE-93", cbarCODE93}, {"93", cbarCODE93},
    {"QR2", kIndexQR},
    // 22: the library's symbologies (items of the list only when it is loaded)
    {"GS1LTD", kIndexFirstLibrary}, {"GS1STK", kIndexFirstLibrary + 1}, {"GS1STD", kIndexFirstLibrary + 2},
    {"GS1SOM", kIndexFirstLibrary + 3}, {"PDF417", kIndexFirstLibrary + 4}, {"PDF417T", kIndexFirstLibrary + 5},
    // 28: the items after the library's, which come with it
    {"GS1128", cbarGS1128}, {"ITF14", cbarITF14}, {"JANADD", cbarJANADD},
    {"DM", kIndexDataMatrix}, {"GS1DM", kIndexGS1DataMatrix}, {"AZTEC", kIndexAztec},
}};

// Long values are shortened in messages, never in what is run.
QString shownValue(const QString &value)
{
    constexpr qsizetype kShown = 40;
    return value.size() <= kShown ? value : value.left(kShown) + QStringLiteral("…");
}

// "TRUE" or "1" on, "FALSE" or "0" off, anything else: no change.
int macroBool(const QString &v)
{
    if (v == u"TRUE" || v == u"1")
        return 1;
    if (v == u"FALSE" || v == u"0")
        return 0;
    return -1;
}

// Blanks and control characters at both ends go.
QString trimmed(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from).unicode() <= 0x20)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 0x20)
        --to;
    return text.mid(from, to - from);
}

struct TLine {
    JobModel &m;
    ICommandHost &host;
    QString command;   // upper-case
    QString value;     // upper-case, untrimmed
    QString written;   // the value as written
};

void code(TLine &l)
{
    JobModel &m = l.m;
    const int index = MacroSymbology(l.value);
    if (index >= 0) {
        m.CdType.setItemIndex(index);
        if (IsBarType(index))
            Quietly(m.BarImage1, [&] { m.BarImage1.setBarType(TBarTypes(index)); });
        // The window shows the picture and panels of the symbology; the
        // creation waits for the next "WRITE".
        m.ShowSymbologyControls();
        return;
    }
    if (!l.value.startsWith(u'1'))
        return;
    // A raw library symbology (+ 1000); below 1000 it clears the override.
    if (m.LibraryLoaded()) {
        const int n = MacroInt(l.value, l.command);
        m.ZintBarType = n < kZintRawOffset ? 0 : n;
    } else {
        m.ZintBarType = 0;
    }
}

void write(TLine &l)
{
    JobModel &m = l.m;
    // The bus queues macros while a creation runs: none starts inside one.
    Q_ASSERT(!m.Running);
    const auto creation = m.Scope({.NoHist = true});
    const QString data = trimmed(l.value);
    m.EditCode.setText(data);
    Quietly(m.BarImage1, [&] { m.BarImage1.setCode(data); });
    m.RB_Click();
}

void setCheck(TCheckState &c, const QString &value)
{
    const int on = macroBool(value);
    if (on >= 0)
        c.setChecked(on);
}

void selectItem(TListState &list, const QString &value)
{
    list.setItemIndex(list.Items().indexOf(value));
}

void color(TLine &l, void (TBarImage::*set)(TColor))
{
    if (l.value.isEmpty())
        return;
    const TColor c = TColor(MacroInt(l.value, l.command));
    Quietly(l.m.BarImage1, [&] { (l.m.BarImage1.*set)(c); });
}

struct TCommand {
    const char *name;
    void (*run)(TLine &);
};

const std::array<TCommand, 25> kCommands = {{
    {"CODE", code},
    {"THIN",
     [](TLine &l) {
         static const QStringList widths = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
         if (const int i = int(widths.indexOf(l.value)); i >= 0)
             l.m.ThinWd.setItemIndex(i);
     }},
    {"CHECKDIGIT", [](TLine &l) { setCheck(l.m.CheckDigit, l.value); }},
    {"CHKDIGIT", [](TLine &l) { setCheck(l.m.CheckDigit, l.value); }},
    {"STARTCHAR", [](TLine &l) { selectItem(l.m.StartCh, l.value); }},
    {"STOPCHAR", [](TLine &l) { selectItem(l.m.StopCH, l.value); }},
    {"VISIBLE",
     [](TLine &l) {
         // FALSE: live in the notification area, the window hidden at start.
         const bool tray = l.value == u"FALSE";
         l.m.ResTaskTray = tray;
         l.host.SetTrayIcon(tray);
         l.host.SetShowMainForm(!l.m.ResTaskTray);   // residence may have ended
     }},
    {"WRITE", write},
    {"POKE",
     [](TLine &l) {
         // Drawing into another program's device context has no meaning
         // here: the number is checked and the picture is fetched with
         // Picture instead.
         (void)MacroInt(l.value, l.command);
     }},
    {"CODECHAR", [](TLine &l) { setCheck(l.m.AddCodeChar, l.value); }},
    {"QRSPECIAL",
     [](TLine &l) {
         if (const int on = macroBool(l.value); on >= 0)
             l.m.SpCode.Assign(on);
     }},
    {"HEIGHT", [](TLine &l) { l.m.BarHeight.setValue(MacroInt(l.value, l.command)); }},
    {"LEFTMARGIN", [](TLine &l) { l.m.LeftMargin.setValue(MacroInt(l.value, l.command)); }},
    {"TOPMARGIN", [](TLine &l) { l.m.TopMargin.setValue(MacroInt(l.value, l.command)); }},
    {"COPYTYPE",
     [](TLine &l) {
         // The picture kind alone: the copy-kind menu keeps its check.
         l.m.SetPictureKind(l.value == u"WMF" ? pbarWMF : l.value == u"BMP" ? pbarBMP : pbarEMF);
     }},
    {"COMMENTSHOW", [](TLine &l) { l.m.Comnt.setChecked(l.value != u"FALSE"); }},
    {"COMMENT", [](TLine &l) { l.m.ComntStr.setText(l.value); }},
    {"COMMENTPOS", [](TLine &l) { l.m.ComntPos.setItemIndex(l.value == u"TOP" ? 0 : 1); }},
    {"COMMENTALIGN",
     [](TLine &l) { l.m.ComntAl.setItemIndex(l.value == u"LEFT" ? 0 : l.value == u"CENTER" ? 1 : 2); }},
    {"QRVER",
     [](TLine &l) {
         // The one number whose conversion error is swallowed.
         int v = 0;
         try {
             v = MacroInt(l.value, l.command);
         } catch (const EConvertError &) {
             return;
         }
         if (v >= kQRMinVersion && v <= kQRMaxVersion)
             l.m.QRVer.setValue(v);
     }},
    {"QRERR",
     [](TLine &l) {
         static const QStringList levels = {QStringLiteral("L"), QStringLiteral("M"), QStringLiteral("Q"),
                                            QStringLiteral("H")};
         if (const int i = int(levels.indexOf(l.value)); i >= 0)
             l.m.QRErr.setItemIndex(i);
     }},
    {"BARCOL", [](TLine &l) { color(l, &TBarImage::setBarColor); }},
    {"BACKCOL", [](TLine &l) { color(l, &TBarImage::setBackColor); }},
    {"SAVE",
     [](TLine &l) {
         // The name as written: Linux file names are case-sensitive.
         if (!l.written.isEmpty())
             l.host.Save(l.m, l.written);
     }},
    {"ADDECHAR", [](TLine &l) { l.m.AddSChar.setChecked(l.value == u"TRUE"); }},
}};

} // namespace

QStringList SplitMacroLines(const QString &macro)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = macro.split(breaks);
    // The text after the last break is a line only when it is not empty.
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

int MacroInt(const QString &value, const QString &command)
{
    static const QRegularExpression form(QStringLiteral("^([+-]?)(?:([0-9]+)|\\$([0-9A-Fa-f]{1,8}))$"));
    const QRegularExpressionMatch match = form.match(value);
    bool ok = false;
    qint64 v = 0;
    if (match.hasMatch()) {
        if (match.hasCaptured(2)) {
            v = match.captured(2).toLongLong(&ok, 10);
            if (match.captured(1) == u"-")
                v = -v;
            ok = ok && v >= INT32_MIN && v <= INT32_MAX;
        } else {
            // Hexadecimal is 32 bits wide, as colours are written.
            v = qint32(quint32(match.captured(3).toULong(&ok, 16)));
            if (match.captured(1) == u"-")
                v = qint32(0u - quint32(v));
        }
    }
    if (!ok)
        throw EConvertError(texts::NotAnInteger(shownValue(value), command));
    return int(v);
}

int MacroSymbology(const QString &value)
{
    for (const TSymbologyWord &w : kSymbologyWords)
        if (value.compare(QLatin1StringView(w.word), Qt::CaseInsensitive) == 0)
            return w.index;
    return -1;
}

void RunMacro(JobModel &m, ICommandHost &host, const QString &macro)
{
    const QStringList lines = SplitMacroLines(macro);
    if (lines.isEmpty())
        return;

    // Every creation of the macro is copied, and Zebrix does not react to
    // its own copies; both come back however the macro ends.
    const auto scope = m.Scope({.Busy = false, .AutoCopy = true, .WatcherOff = true});

    for (const QString &line : lines) {
        if (line.toUpper() == u"CLOSE") {
            m.TaskClose = true;
            host.RequestClose();
        }
        const qsizetype blank = line.indexOf(u' ');
        if (blank < 0)
            return;   // "CLOSE", an empty line, any line without a blank
        // Upper-casing never makes or takes a blank, so the first blank of
        // the line splits its upper-cased form at the same place.
        TLine l{m, host, line.left(blank).toUpper(), line.mid(blank + 1).toUpper(), line.mid(blank + 1)};
        for (const TCommand &c : kCommands) {
            if (l.command == QLatin1StringView(c.name)) {
                c.run(l);
                break;
            }
        }
    }
}
