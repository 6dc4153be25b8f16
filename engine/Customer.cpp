// The Japanese postal customer barcode: a four-state code of 20 data
// positions that carries the postal code and the address number.
//
// Each pattern digit is one column, one module wide, whose value is the mask
// of its inked thirds (4 top, 2 middle, 1 bottom): "7" long bar, "6"
// ascender, "3" descender, "2" timing bar, "0" empty column. A character is
// three bars, each followed by an empty column.
#include "Encoders.h"

#include <string_view>

namespace {

// Bar table of the customer barcode as published by Japan Post, indexed by
// character value: the digits, the hyphen, then the control codes CC1 to CC8.
constexpr std::array<std::string_view, 19> kCustomerRows = {
    // 0 .. 4
    "702020", "707020", "703060", "307060", "706030",
    // 5 .. 9
    "702070", "306070", "607030", "603070", "207070",
    // 10: hyphen; 11 .. 14: CC1 .. CC4
    "207020", "306020", "302060", "603020", "203060",
    // 15 .. 18: CC5 .. CC8, seen only as check characters
    "602030", "206030", "202070", "707070",
};
constexpr int kHyphen = 10;
constexpr int kCC1 = 11;   // CC1 .. CC3 introduce the letters
constexpr int kCC4 = 14;   // fills the positions the data leaves empty
constexpr int kModulus = 19;

constexpr std::string_view kStart = "007030";   // two empty columns, long bar, descender
constexpr std::string_view kStop = "307000";    // descender, long bar, three empty columns

// What is printed for a check value: the digits, the hyphen, and a space for
// each control code.
constexpr std::u16string_view kCheckDisplay = u"0123456789-        ";

constexpr int kPositions = 20;
constexpr qsizetype kPaddedLength = 21;

} // namespace

TEncodeResult EncodeCUSTOMER(const TEncodeInput &in)
{
    TEncodeResult r;
    if (in.Code.isEmpty())
        return Rejected(rejEmpty);

    QString text = in.Code.toString();
    if (text.size() < kPaddedLength)
        text += QString(kPaddedLength - text.size(), u' ');

    std::string pattern;
    pattern.reserve(kStart.size() + (kPositions + 1) * 6 + kStop.size());
    pattern += kStart;
    int sum = 0;
    int filled = 0;
    auto put = [&](int value) {
        pattern += kCustomerRows[size_t(value)];
        sum += value;
        ++filled;
    };
    // At most 20 characters are looked at. A character that cannot be encoded
    // uses no position but still counts, so the symbol may come out short.
    for (qsizetype i = 0; i < kPositions && filled < kPositions; ++i) {
        const QChar c = text[i];
        if (c == u' ') {
            put(kCC4);
        } else if (c >= u'0' && c <= u'9') {
            put(c.unicode() - u'0');
        } else if (c == u'-') {
            put(kHyphen);
        } else if (c >= u'A' && c <= u'Z') {
            // A letter takes two positions; one that would start in the last
            // position is dropped and that position filled with CC4.
            if (filled == kPositions - 1) {
                put(kCC4);
            } else {
                const int letter = c.unicode() - u'A';
                put(kCC1 + letter / 10);
                put(letter % 10);
            }
        }
    }
    const int check = (kModulus - sum % kModulus) % kModulus;
    pattern += kCustomerRows[size_t(check)];
    pattern += kStop;

    r.Pattern = std::move(pattern);
    r.Symbol = text + QChar(kCheckDisplay[size_t(check)]);
    return r;
}
