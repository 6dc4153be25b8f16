// Code 39 and NW-7 (Codabar): the two classic two-width symbologies.
//
// Both tables are written in the two-width form: a narrow element is one
// module ("1" bar, "0" space), a wide one two modules ("3" bar, "2" space).
// The renderer stretches wide elements by ElementRatio, so nothing here
// knows about the wide-to-narrow ratio. Every row ends with the one-module
// gap "0" that separates characters; the stop character keeps its gap too.
#include "Encoders.h"

#include <optional>
#include <string_view>

namespace {

// ---------------------------------------------------------------------------
// Code 39

// Data characters in value order; the value of a character is its position.
constexpr std::u16string_view kCode39Alphabet = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// Code 39 character table of ISO/IEC 16388: nine elements (bar first, three
// of them wide) and the inter-character gap, in value order; the last row is
// the start/stop character "*".
constexpr std::array<std::string_view, 44> kCode39Rows = {
    // 0 .. 9
    "1012303010", "3012101030", "1032101030", "3032101010", "1012301030",
    "3012301010", "1032301010", "1012103030", "3012103010", "1032103010",
    // 10 .. 19: A .. J
    "3010121030", "1030121030", "3030121010", "1010321030", "3010321010",
    "1030321010", "1010123030", "3010123010", "1030123010", "1010323010",
    // 20 .. 29: K .. T
    "3010101230", "1030101230", "3030101210", "1010301230", "3010301210",
    "1030301210", "1010103230", "3010103210", "1030103210", "1010303210",
    // 30 .. 39: U .. Z, "-", ".", space, "$"
    "3210101030", "1230101030", "3230101010", "1210301030", "3210301010",
    "1230301010", "1210103030", "3210103010", "1230103010", "1212121010",
    // 40 .. 42: "/", "+", "%"
    "1212101210", "1210121210", "1012121210",
    // 43: start/stop "*"
    "1210303010",
};
constexpr size_t kCode39StartStop = 43;
constexpr int kCode39Modulus = 43;

// ---------------------------------------------------------------------------
// NW-7

// Characters in value order. "A" to "D" are the start/stop characters, but
// they are valid inside the data as well.
constexpr std::u16string_view kNw7Alphabet = u"0123456789-$:/.+ABCD";

// Codabar character table of EN 798 in its two-width form: seven elements
// (bar first) and the inter-character gap, in value order.
constexpr std::array<std::string_view, 20> kNw7Rows = {
    // 0 .. 9
    "10101230", "10103210", "10121030", "32101010", "10301210",
    "30101210", "12101030", "12103010", "12301010", "30121010",
    // 10 .. 15: "-", "$", ":", "/", ".", "+"
    "10123010", "10321010", "30103030", "30301030", "30303010", "10303030",
    // 16 .. 19: start/stop characters A, B, C, D
    "10321210", "12121030", "10121230", "10123210",
};
constexpr int kNw7Modulus = 16;

// Value of c in the alphabet; nothing when it is not one of its characters.
std::optional<int> valueIn(std::u16string_view alphabet, QChar c)
{
    const size_t at = alphabet.find(c.unicode());
    if (at == std::u16string_view::npos)
        return std::nullopt;
    return int(at);
}

// NW-7's start and stop properties only ever hold "A" to "D"; anything else
// is taken as "A", just as the component's setters store it.
QChar nw7StartStop(QChar c)
{
    return c >= u'A' && c <= u'D' ? c : QChar(u'A');
}

} // namespace

TEncodeResult EncodeCODE39(const TEncodeInput &in)
{
    TEncodeResult r;
    if (in.Code.isEmpty())
        return Rejected(rejEmpty);

    std::string pattern;
    pattern.reserve(size_t(in.Code.size() + 3) * 10);
    pattern += kCode39Rows[kCode39StartStop];
    int sum = 0;   // kept reduced: the data has no length limit
    for (qsizetype i = 0; i < in.Code.size(); ++i) {
        const QChar c = in.Code[i];
        const std::optional<int> v = valueIn(kCode39Alphabet, c);
        if (!v)
            return Rejected(rejCharacter, i, CharacterAt(in.Code, i));   // lower case and "*" included
        pattern += kCode39Rows[size_t(*v)];
        sum = (sum + *v) % kCode39Modulus;
    }
    QString symbol;
    if (in.StartStopChar)
        symbol += u'*';
    symbol += in.Code;
    if (in.CD) {
        pattern += kCode39Rows[size_t(sum)];
        symbol += QChar(kCode39Alphabet[size_t(sum)]);
    }
    pattern += kCode39Rows[kCode39StartStop];
    if (in.StartStopChar)
        symbol += u'*';

    r.Pattern = std::move(pattern);
    r.Symbol = std::move(symbol);
    return r;
}

TEncodeResult EncodeNW7(const TEncodeInput &in)
{
    TEncodeResult r;
    if (in.Code.isEmpty())
        return Rejected(rejEmpty);

    const QChar start = nw7StartStop(in.StartChar);
    const QChar stop = nw7StartStop(in.StopChar);
    const int startValue = *valueIn(kNw7Alphabet, start);   // "A" to "D" are in the alphabet
    const int stopValue = *valueIn(kNw7Alphabet, stop);

    std::string pattern;
    pattern.reserve(size_t(in.Code.size() + 3) * 8);
    pattern += kNw7Rows[size_t(startValue)];
    int sum = startValue + stopValue;
    for (qsizetype i = 0; i < in.Code.size(); ++i) {
        const QChar c = in.Code[i];
        const std::optional<int> v = valueIn(kNw7Alphabet, c);
        if (!v)
            return Rejected(rejCharacter, i, CharacterAt(in.Code, i));   // lower-case "a" to "d" included
        pattern += kNw7Rows[size_t(*v)];
        sum = (sum + *v) % kNw7Modulus;
    }
    QString symbol;
    if (in.StartStopChar)
        symbol += start;
    symbol += in.Code;
    if (in.CD) {
        // Whatever the sum, the check character is one of the first sixteen.
        const int check = (kNw7Modulus - sum % kNw7Modulus) % kNw7Modulus;
        pattern += kNw7Rows[size_t(check)];
        symbol += QChar(kNw7Alphabet[size_t(check)]);
    }
    pattern += kNw7Rows[size_t(stopValue)];
    if (in.StartStopChar)
        symbol += stop;

    r.Pattern = std::move(pattern);
    r.Symbol = std::move(symbol);
    return r;
}
