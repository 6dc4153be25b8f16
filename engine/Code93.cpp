// Code 93 with the four shift characters typed in brackets.
//
// The data holds the 43 basic characters and the shift characters ($), (%),
// (/) and (+) written as "<$>", "<%>", "</>" and "<+>". Zebrix does not
// translate full ASCII into shift pairs itself; the user types the pairs
// ("<+>A" for a lower-case a), and ExpandFullAscii turns them back into
// their characters for the human-readable line.
#include "Encoders.h"

#include <string_view>
#include <vector>

namespace {

// Characters in value order. Inside the encoder the shift characters ($),
// (%), (/), (+) are held as "!", "#", "&", "@" (values 43 to 46); the user
// cannot type those directly.
constexpr std::u16string_view kAlphabet = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%!#&@";
constexpr int kBasicCount = 43;
// The bracketed forms of the shift characters, in value order from 43.
constexpr std::u16string_view kShiftSigns = u"$%/+";

// Code 93 character table of AIM USS Code 93: three bars and three spaces
// per character, bar first, a width w written as 2w-1 for a bar and 2w-2
// for a space; in value order.
constexpr std::array<std::string_view, 47> kRows = {
    // 0 .. 9
    "141012", "101214", "101412", "101610", "121014",
    "121212", "121410", "101016", "141210", "161010",
    // 10 .. 19: A .. J
    "301014", "301212", "301410", "321012", "321210",
    "341010", "103014", "103212", "103410", "123012",
    // 20 .. 29: K .. T
    "143010", "101034", "101232", "101430", "121032",
    "141030", "303012", "303210", "301032", "301230",
    // 30 .. 39: U .. Z, "-", ".", space, "$"
    "321030", "323010", "103032", "103230", "123030",
    "125010", "121050", "501012", "501210", "521010",
    // 40 .. 42: "/", "+", "%"
    "103050", "105030", "301050",
    // 43 .. 46: the shift characters ($), (%), (/), (+)
    "121230", "503010", "501030", "123210",
};
constexpr std::string_view kStart = "101070";    // the start/stop character
constexpr std::string_view kStop = "1010701";    // start/stop character and termination bar
constexpr int kModulus = 47;
constexpr int kWeightWrapC = 20;
constexpr int kWeightWrapK = 15;

// Code 93 full-ASCII table: the shift pairs (in bracket notation) and the
// characters they stand for; control characters by their ASCII names.
struct FullAscii {
    std::u16string_view key;
    std::u16string_view text;
};
constexpr std::array<FullAscii, 88> kFullAscii = {{
    // ($) A .. Z: control characters 1 .. 26
    {u"<$>A", u"SOH"}, {u"<$>B", u"STX"}, {u"<$>C", u"ETX"}, {u"<$>D", u"EOT"},
    {u"<$>E", u"ENQ"}, {u"<$>F", u"ACK"}, {u"<$>G", u"BEL"}, {u"<$>H", u"BS"},
    {u"<$>I", u"HT"}, {u"<$>J", u"LF"}, {u"<$>K", u"VT"}, {u"<$>L", u"FF"},
    {u"<$>M", u"CR"}, {u"<$>N", u"SO"}, {u"<$>O", u"SI"}, {u"<$>P", u"DLE"},
    {u"<$>Q", u"DC1"}, {u"<$>R", u"DC2"}, {u"<$>S", u"DC3"}, {u"<$>T", u"DC4"},
    {u"<$>U", u"NAK"}, {u"<$>V", u"SYN"}, {u"<$>W", u"ETB"}, {u"<$>X", u"CAN"},
    {u"<$>Y", u"EM"}, {u"<$>Z", u"SUB"},
    // (%) A .. E: control characters 27 .. 31
    {u"<%>A", u"ESC"}, {u"<%>B", u"FS"}, {u"<%>C", u"GS"}, {u"<%>D", u"RS"},
    {u"<%>E", u"US"},
    // (%) F .. T: punctuation
    {u"<%>F", u";"}, {u"<%>G", u"<"}, {u"<%>H", u"="}, {u"<%>I", u">"},
    {u"<%>J", u"?"}, {u"<%>K", u"["}, {u"<%>L", u"\\"}, {u"<%>M", u"]"},
    {u"<%>N", u"^"}, {u"<%>O", u"_"}, {u"<%>P", u"{"}, {u"<%>Q", u"|"},
    {u"<%>R", u"}"}, {u"<%>S", u"~"}, {u"<%>T", u"DEL"},
    // (%) U .. Z
    {u"<%>U", u"NUL"}, {u"<%>V", u"@"}, {u"<%>W", u"`"}, {u"<%>X", u"DEL"},
    {u"<%>Y", u"DEL"}, {u"<%>Z", u"DEL"},
    // (+) A .. Z: lower-case letters
    {u"<+>A", u"a"}, {u"<+>B", u"b"}, {u"<+>C", u"c"}, {u"<+>D", u"d"},
    {u"<+>E", u"e"}, {u"<+>F", u"f"}, {u"<+>G", u"g"}, {u"<+>H", u"h"},
    {u"<+>I", u"i"}, {u"<+>J", u"j"}, {u"<+>K", u"k"}, {u"<+>L", u"l"},
    {u"<+>M", u"m"}, {u"<+>N", u"n"}, {u"<+>O", u"o"}, {u"<+>P", u"p"},
    {u"<+>Q", u"q"}, {u"<+>R", u"r"}, {u"<+>S", u"s"}, {u"<+>T", u"t"},
    {u"<+>U", u"u"}, {u"<+>V", u"v"}, {u"<+>W", u"w"}, {u"<+>X", u"x"},
    {u"<+>Y", u"y"}, {u"<+>Z", u"z"},
    // (/) with A .. C, F .. J, L, Z: punctuation; the other slash pairs
    // encode characters Code 93 has directly and stay as typed
    {u"</>A", u"!"}, {u"</>B", u"\""}, {u"</>C", u"#"}, {u"</>F", u"&"},
    {u"</>G", u"'"}, {u"</>H", u"("}, {u"</>I", u")"}, {u"</>J", u"*"},
    {u"</>L", u","}, {u"</>Z", u":"},
}};

// The check character computed over values with weights 1, 2, ... from the
// right, starting again at 1 after wrap.
int checkValue(const std::vector<int> &values, int wrap)
{
    int sum = 0;
    int weight = 0;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        weight = weight % wrap + 1;
        sum = (sum + *it * weight) % kModulus;
    }
    return sum;
}

// A value as text: its character, or the bracket of a shift character.
QString valueText(int value)
{
    if (value < kBasicCount)
        return QChar(kAlphabet[size_t(value)]);
    return QStringLiteral("<") + QChar(kShiftSigns[size_t(value - kBasicCount)]) + u'>';
}

} // namespace

TEncodeResult EncodeCODE93(const TEncodeInput &in)
{
    if (in.Code.isEmpty())
        return Rejected(rejEmpty);

    const std::u16string_view code(reinterpret_cast<const char16_t *>(in.Code.utf16()), size_t(in.Code.size()));
    std::vector<int> values;
    values.reserve(code.size() + 1);
    for (size_t i = 0; i < code.size();) {
        if (code[i] == u'<') {
            // Only the four complete brackets; a "<" in any other use is an error.
            const size_t sign = i + 3 <= code.size() && code[i + 2] == u'>'
                                    ? kShiftSigns.find(code[i + 1])
                                    : std::u16string_view::npos;
            if (sign == std::u16string_view::npos)
                return Rejected(rejEscape, qsizetype(i), in.Code.mid(qsizetype(i), 3).toString());
            values.push_back(kBasicCount + int(sign));
            i += 3;
            continue;
        }
        const size_t v = kAlphabet.substr(0, kBasicCount).find(code[i]);
        if (v == std::u16string_view::npos)   // lower case and the internal "!", "#", "&", "@" included
            return Rejected(rejCharacter, qsizetype(i), CharacterAt(in.Code, qsizetype(i)));
        values.push_back(int(v));
        ++i;
    }

    const int c = checkValue(values, kWeightWrapC);
    values.push_back(c);
    const int k = checkValue(values, kWeightWrapK);
    values.push_back(k);

    std::string pattern;
    pattern.reserve(kStart.size() + values.size() * 6 + kStop.size());
    pattern += kStart;
    for (const int v : values)
        pattern += kRows[size_t(v)];
    pattern += kStop;

    QString symbol = in.Code.toString();
    if (in.StartStopChar)
        symbol += valueText(c) + valueText(k);
    TEncodeResult r;
    r.Pattern = std::move(pattern);
    r.Symbol = ExpandFullAscii(symbol);
    return r;
}

QString ExpandFullAscii(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const std::u16string_view t(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    for (size_t i = 0; i < t.size();) {
        const FullAscii *hit = nullptr;
        if (t[i] == u'<') {
            const std::u16string_view here = t.substr(i, 4);
            for (const FullAscii &row : kFullAscii) {
                if (row.key == here) {
                    hit = &row;
                    break;
                }
            }
        }
        if (hit) {
            out += QStringView(hit->text.data(), qsizetype(hit->text.size()));
            i += hit->key.size();
        } else {
            out += QChar(t[i]);
            ++i;
        }
    }
    return out;
}
