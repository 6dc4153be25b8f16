// The linear encoders of the barcode component.
//
// Every encoder is a pure function: it reads the few job properties it needs
// from a TEncodeInput and returns the symbol as a module pattern plus the
// human-readable text. Encoders never draw; they report a rejection by an
// empty pattern, and say beside it what was wrong (TRejectReason), so that a
// caller can tell its user more than "not created".
//
// Module pattern: one decimal digit per element, left to right, quiet zones
// not included. For every symbology except the customer barcode an odd digit
// is a bar, an even digit a space, and the element is (digit / 2) + 1 modules
// wide ("0" one-module space, "1" one-module bar, "2" two-module space, ...).
// Gaps between characters are written as their own "0". For the customer
// barcode each digit is one column one module wide whose value is the mask of
// its inked thirds: 4 top, 2 middle, 1 bottom.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <array>
#include <string>

// The symbologies of the component. The values equal the symbology index of
// the main window's symbology list (0 = JAN ... 11 = CODE93, 19 = GS1-128,
// 20 = ITF-14, 21 = JAN with an add-on); the indexes between are QR Code and
// the library's symbologies, which the component does not draw.
enum TBarTypes : unsigned char {
    cbarJAN, cbarUPC, cbarCODE39, cbarNW7, cbarITF, cbarCTF, cbarIATA,
    cbarMATRIX, cbarNEC, cbarCUSTOMER, cbarCODE128, cbarCODE93,
    cbarGS1128 = 19, cbarITF14, cbarJANADD
};
// One past the largest value of TBarTypes.
inline constexpr int kBarTypeEnd = cbarJANADD + 1;
// Whether a value is one of TBarTypes.
constexpr bool IsBarType(int v) { return (v >= cbarJAN && v <= cbarCODE93) || (v >= cbarGS1128 && v < kBarTypeEnd); }

// What an encoder may read of the component.
struct TEncodeInput {
    QStringView Code;             // the data, UTF-16
    bool CD = false;              // add the optional check character
    QChar StartChar = u'A';       // NW-7 start character / Code 128 start set, "A".."D"
    QChar StopChar = u'A';        // NW-7 stop character, "A".."D"
    bool StartStopChar = false;   // start/stop (and Code 128 check) characters in the text
};

// Why an encoder rejected the data.
enum TRejectKind : unsigned char {
    rejNone,        // not rejected
    rejEmpty,       // there is no data
    rejLength,      // the symbology does not take data of this length (JAN, UPC)
    rejCharacter,   // the character at Position is not in the symbology's character set
    rejEscape,      // the escape at Position cannot be read: Code 128's unclosed "<" or
                    // ">" at the end, Code 93's "<" that opens no shift bracket
    rejCodeSet,     // Code 128: the code set in force (CodeSet) has no character Text;
                    // in code set C, Text is not a pair of digits
    rejUpcE,        // UPC: the 7 digits are no UPC-E number (it must start with 0 and expand)
    rejCheckDigit,  // the check digit Text at Position is wrong; Expected is the right one.
                    // In GS1 data, AI names the field it closes
    rejGS1Syntax,   // GS1: at Position (Text) the data is not "(AI)value" or "[AI]value": it
                    // does not open with a bracket, or a bracket is never closed
    rejGS1AI,       // GS1: Text at Position (the brackets and what they hold) is no application
                    // identifier of the table
    rejGS1Length,   // GS1: the field Text at Position (from its opening bracket to the end of its
                    // value) has a value of a length its Format does not allow; AI names it
    rejGS1Character,// GS1: the character Text at Position is not allowed at its place in the value
                    // of AI (Format says which part takes digits only, N, or GS1's characters, X)
    rejGS1Date,     // GS1: the six digits Text at Position in the value of AI are no date YYMMDD
    rejGS1TooLong,  // GS1-128: the element string has Text characters, more than a symbol takes
};

struct TRejectReason {
    TRejectKind Kind = rejNone;
    qsizetype Position = -1;   // index in Code (UTF-16 units) of Text; -1 when it is no place
    QString Text;              // the offending character or escape, as written
    QChar CodeSet;             // rejCodeSet: "A", "B" or "C"
    QString AI;                // GS1: the application identifier of the field at fault (its
                               // digits); empty when the fault lies in no known field
    QString Format;            // GS1: that field's data format in GS1's notation, N digits,
                               // X GS1's characters, "..n" up to n, "[]" optional, "+" joins
                               // the parts: "N14", "X..20", "N3+X..9", "N13+[X..17]"
    QChar Expected;            // rejCheckDigit: the check digit the data needs
};

// What an encoder gives back. An empty Pattern means the data was rejected;
// Symbol is then empty as well, and Reason says why (its Kind is rejNone
// exactly when Pattern is not empty).
struct TEncodeResult {
    std::string Pattern;   // the module pattern
    QString Symbol;        // the human-readable text (the component's FSymbol)
    QChar StartChar;       // Code 128: the start set actually used when it differs
                           // from the input (a "D" is encoded as "A"); null otherwise
    TRejectReason Reason{};
};

// The character at index i of the text as a reader sees it: a surrogate
// pair stays whole.
inline QString CharacterAt(QStringView text, qsizetype i)
{
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    return text.mid(i, pair ? 2 : 1).toString();
}

// A reason, and a rejection: an empty pattern with its reason.
inline TRejectReason RejectReason(TRejectKind kind, qsizetype position = -1, QString text = {}, QChar codeSet = {})
{
    TRejectReason r;
    r.Kind = kind;
    r.Position = position;
    r.Text = std::move(text);
    r.CodeSet = codeSet;
    return r;
}
inline TEncodeResult Rejected(TRejectKind kind, qsizetype position = -1, QString text = {}, QChar codeSet = {})
{
    TEncodeResult r;
    r.Reason = RejectReason(kind, position, std::move(text), codeSet);
    return r;
}

using TEncoder = TEncodeResult (*)(const TEncodeInput &);

// JAN (EAN-13 from 12 or 13 digits, EAN-8 from 7 or 8 digits; the 13th/8th
// digit is taken as the check digit unverified) and UPC (UPC-A from 11
// digits, UPC-E from 7 digits; input with a check digit is rejected).
TEncodeResult EncodeJAN(const TEncodeInput &in);
TEncodeResult EncodeUPC(const TEncodeInput &in);
// Code 39 (mod-43 check character when CD) and NW-7/Codabar.
TEncodeResult EncodeCODE39(const TEncodeInput &in);
TEncodeResult EncodeNW7(const TEncodeInput &in);
// The two-of-five family.
TEncodeResult EncodeITF(const TEncodeInput &in);
TEncodeResult EncodeCTF(const TEncodeInput &in);
TEncodeResult EncodeIATA(const TEncodeInput &in);
TEncodeResult EncodeMATRIX(const TEncodeInput &in);
TEncodeResult EncodeNEC(const TEncodeInput &in);
// The Japanese postal customer barcode; never rejects non-empty data.
TEncodeResult EncodeCUSTOMER(const TEncodeInput &in);
// Code 128 with its escape syntax and Code 93 with its shift brackets.
TEncodeResult EncodeCODE128(const TEncodeInput &in);
TEncodeResult EncodeCODE93(const TEncodeInput &in);

// GS1-128: Code 128 carrying a GS1 element string, read from Code as
// GS1ElementString reads it. FNC1 follows the start character and stands for
// every separator; Zebrix chooses the code sets (B and C: GS1's characters
// need no other) for the fewest symbol characters, preferring to stay in a
// set on a tie. At most kGS1128MaxData characters of element string (AIs,
// values and separators) fit in one symbol; more is rejGS1TooLong. Symbol is
// the text with the AIs in parentheses; start, FNC1 and check characters are
// never shown. Reads Code only.
// The component draws the pattern as Code 128's (widths never stretched) and
// always prints Symbol as the human-readable line; its margins are the quiet
// zones, which GS1 wants 10 modules wide.
inline constexpr int kGS1128MaxData = 48;
TEncodeResult EncodeGS1128(const TEncodeInput &in);

// ITF-14: interleaved two of five carrying a GTIN-14, from 13 digits (the
// check digit is added) or 14 (the last one is verified: rejCheckDigit, at
// Position 13). A length other than 13 or 14 is rejLength, any other
// character than a digit rejCharacter. The pattern is ITF's (start, seven
// digit pairs, stop); Symbol is the 14 digits. Reads Code only.
// The component (BarType cbarITF14) draws, in modules (narrow elements):
//   - wide elements of ElementRatio / 10 modules when ElementRatio is 23 or
//     more, else the nominal 2.5 (GS1 wants 2.25 to 3);
//   - kITF14QuietZone light modules on either side of the bars;
//   - bearer bars kITF14BearerBar modules thick on all four sides: the top
//     and bottom ones across bars and quiet zones, the vertical ones outside
//     the quiet zones; they keep a scan that runs off the top or bottom of
//     the symbol from reading a shorter ITF inside it;
//   - Symbol as the human-readable line under the bottom bearer bar.
// The bearer bars and quiet zones lie inside the margins (BarSpaceLeft ...);
// BarHeight is the bars' length with the text, the bearer bars come on top.
inline constexpr int kITF14QuietZone = 10;
inline constexpr int kITF14BearerBar = 5;   // 4.8 mm at the nominal 1.016 mm module, rounded up
TEncodeResult EncodeITF14(const TEncodeInput &in);

// JAN with an add-on: an EAN-13 number, 12 digits (the check digit is added)
// or 13 (the last one taken as given, as JAN takes it), one space, and the
// 2 or 5 digits of an EAN-2 or EAN-5 add-on. A character other than a digit
// and that one space is rejCharacter; any other shape is rejLength.
// Pattern: the EAN-13 symbol without JAN's trailing space module
// (kJANMainModules), a gap of kJANAddOnGap light modules, then the add-on
// (kJANAddOn2Modules or kJANAddOn5Modules), all one module per element.
// Symbol: the 13 digits, a space, the add-on digits.
// The component prints the 13 digits centred under the main symbol, and the
// add-on digits centred above the add-on's bars (from module kJANAddOnStart
// on), whose bars are shortened at the top by the height of that line and end
// level with the main symbol's bars. Its right margin is the add-on's quiet
// zone (GS1 wants 5 modules).
inline constexpr int kJANMainModules = 95;
inline constexpr int kJANAddOnGap = 9;   // 7 to 12 for EAN-13, 9 to 12 for UPC: 9 suits both
inline constexpr int kJANAddOnStart = kJANMainModules + kJANAddOnGap;
inline constexpr int kJANAddOn2Modules = 20;
inline constexpr int kJANAddOn5Modules = 47;
TEncodeResult EncodeJANADD(const TEncodeInput &in);

// GS1 element strings, as GS1-128 and the GS1 two-dimensional symbols carry
// them. The data is a run of fields "(AI)value": "(01)04912345123459(10)ABC".
// Square brackets may stand for the parentheses ("[01]...[10]ABC"); the
// first character of the data decides which, and the other kind is then an
// ordinary character of a value (so a value holding "(" is written with
// square brackets). Every field is checked against Zebrix's table of
// application identifiers: its length, its digits-only parts, GS1's 82
// characters elsewhere, dates (YYMMDD) and check digits. A field that is a
// number closed by a check digit (GTIN, SSCC, GLN, ...) may be given one
// digit short: the check digit is then added.
struct TGS1ElementString {
    std::string Data;      // the AIs and values, ASCII, with a GS (0x1D) after every field
                           // whose length is not predefined, unless it is the last; the
                           // FNC1 every GS1 symbol starts with is not included
    QString Text;          // the human-readable form: "(AI)value" for every field
    TRejectReason Reason;  // why the data was rejected; Kind rejNone exactly when Data is
                           // not empty (rejEmpty, rejGS1*, rejCheckDigit)
    QString Bracketed;     // only when asked for: "[AI]value" for every field, the form the
                           // GS1 mode of other barcode libraries reads
};
TGS1ElementString GS1ElementString(QStringView code, bool bracketed = false);

// UPC-E number (7 digits, number system 0, no check digit) to UPC-A number
// (11 digits, no check digit) and back; empty when the number cannot be
// expanded or compressed.
QString UPCEToUPCA(QStringView e);
QString UPCAToUPCE(QStringView a);

// Rewrites Code 93 shift pairs ("<+>A" ...) into the characters they stand for.
QString ExpandFullAscii(QStringView text);

// The encoder of a symbology, or nullptr for a value outside TBarTypes.
TEncoder EncoderFor(int barType);
