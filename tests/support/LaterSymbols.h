// The symbologies that follow the library's in the list (GS1-128, ITF-14,
// JAN with an add-on, DataMatrix, GS1 DataMatrix, Aztec): one symbol of each
// as every front end makes it, and how the oracle must read it back.
#pragma once

#include "Oracle.h"

#include <array>
#include <string>

struct TLaterSymbol {
    const char *name;
    int index;            // the symbology index
    const char *option;   // command line and zebrixc
    const char *word;     // the macro's CODE word
    const char *data;     // upper case: macros upper-case their lines
    ZXing::BarcodeFormat format;
    const char *text;     // what the reader returns (GS1: the element string, GS separators)
    bool gs1;             // read as GS1 data (FNC1 first)
    bool addOn;           // read only when the reader is asked for an add-on
};

inline constexpr std::array<TLaterSymbol, 6> kLaterSymbols = {{
    {"Gs1128", 19, "/GS1128", "GS1128", "(01)04912345123459(10)ABC123(21)XYZ", ZXing::BarcodeFormat::Code128,
     "0104912345123459" "10ABC123\x1D" "21XYZ", true, false},
    {"Itf14", 20, "/ITF14", "ITF14", "0491234512345", ZXing::BarcodeFormat::ITF, "04912345123459", false, false},
    {"JanAddOn", 21, "/JANADD", "JANADD", "491234512345 52495", ZXing::BarcodeFormat::EAN13, "4912345123459 52495",
     false, true},
    {"DataMatrix", 22, "/DM", "DM", "ZEBRIX DATAMATRIX 22", ZXing::BarcodeFormat::DataMatrix, "ZEBRIX DATAMATRIX 22",
     false, false},
    {"Gs1DataMatrix", 23, "/GS1DM", "GS1DM", "[01]04912345123459[17]261231[10]LOT7",
     ZXing::BarcodeFormat::DataMatrix, "0104912345123459" "17261231" "10LOT7", true, false},
    {"Aztec", 24, "/AZTEC", "AZTEC", "ZEBRIX AZTEC 24", ZXing::BarcodeFormat::Aztec, "ZEBRIX AZTEC 24", false, false},
}};

// Reads the symbol with the reader's options it needs (add-ons, the ITF-14
// check digit); ok only when format, text and the GS1 flag are the expected.
inline oracle::Decoded DecodeLater(const QImage &image, const TLaterSymbol &s)
{
    ZXing::DecodeHints hints;
    hints.setFormats(s.format);
    hints.setTryHarder(true);
    hints.setTryRotate(false);
    hints.setTryDownscale(false);
    if (s.addOn)
        hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Require);
    if (s.format == ZXing::BarcodeFormat::ITF)
        hints.setValidateITFCheckSum(true);
    oracle::Decoded d = oracle::Decode(image, hints);
    d.ok = d.ok && d.text == s.text && d.gs1 == s.gs1;
    return d;
}
