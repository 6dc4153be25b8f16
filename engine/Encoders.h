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
// the main window's symbology list (0 = JAN ... 11 = CODE93).
enum TBarTypes : unsigned char {
    cbarJAN, cbarUPC, cbarCODE39, cbarNW7, cbarITF, cbarCTF, cbarIATA,
    cbarMATRIX, cbarNEC, cbarCUSTOMER, cbarCODE128, cbarCODE93
};
inline constexpr int kBarTypeCount = 12;

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
};

struct TRejectReason {
    TRejectKind Kind = rejNone;
    qsizetype Position = -1;   // index in Code (UTF-16 units) of Text; -1 when it is no place
    QString Text;              // the offending character or escape, as written
    QChar CodeSet;             // rejCodeSet: "A", "B" or "C"
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

// A rejection: an empty pattern with its reason.
inline TEncodeResult Rejected(TRejectKind kind, qsizetype position = -1, QString text = {}, QChar codeSet = {})
{
    TEncodeResult r;
    r.Reason = {kind, position, std::move(text), codeSet};
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

// UPC-E number (7 digits, number system 0, no check digit) to UPC-A number
// (11 digits, no check digit) and back; empty when the number cannot be
// expanded or compressed.
QString UPCEToUPCA(QStringView e);
QString UPCAToUPCE(QStringView a);

// Rewrites Code 93 shift pairs ("<+>A" ...) into the characters they stand for.
QString ExpandFullAscii(QStringView text);

// The encoder of a symbology, or nullptr for a value outside TBarTypes.
TEncoder EncoderFor(int barType);
