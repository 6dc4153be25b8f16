// Code 128 with Zebrix's escape syntax, and GS1-128.
//
// In plain Code 128 Zebrix never chooses a code set by itself: the symbol
// starts in the set named by StartChar, and every change of set, function
// character and control character is written by the user into the data:
//   "<<"          the character "<"
//   "<name>"      the table text "name" (upper-cased), e.g. <FNC1>, <CR>, <CODEC>
//   ">x"          the character x itself, so ">>" is ">"
//   two digits    one value while code set C is in force
// Any other character stands for itself in code set A or B.
//
// GS1-128 is the opposite: the data is a GS1 element string, and the code
// sets are Zebrix's choice, the one that gives the fewest symbol characters.
#include "Encoders.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

struct Row {
    std::array<std::u16string_view, 3> text;   // in code sets A, B, C
    std::string_view pattern;                  // bar first, widths as digits 2w-1 / 2w-2
};

// Code 128 symbol character table of ISO/IEC 15417: for each value its text
// in code sets A, B and C and its six elements (the stop code has seven, the
// last being the termination bar). 103 to 105 are the start codes A, B, C,
// 106 the stop code; they have no texts. The enquiry character is named
// "ENO" in code set A.
constexpr std::array<Row, 107> kCode128 = {{
    // 0
    {{u" ", u" ", u"00"}, "303232"},
    {{u"!", u"!", u"01"}, "323032"},
    {{u"\"", u"\"", u"02"}, "323230"},
    {{u"#", u"#", u"03"}, "121234"},
    {{u"$", u"$", u"04"}, "121432"},
    {{u"%", u"%", u"05"}, "141232"},
    {{u"&", u"&", u"06"}, "123214"},
    {{u"'", u"'", u"07"}, "123412"},
    // 8
    {{u"(", u"(", u"08"}, "143212"},
    {{u")", u")", u"09"}, "321214"},
    {{u"*", u"*", u"10"}, "321412"},
    {{u"+", u"+", u"11"}, "341212"},
    {{u",", u",", u"12"}, "103252"},
    {{u"-", u"-", u"13"}, "123052"},
    {{u".", u".", u"14"}, "123250"},
    {{u"/", u"/", u"15"}, "105232"},
    // 16
    {{u"0", u"0", u"16"}, "125032"},
    {{u"1", u"1", u"17"}, "125230"},
    {{u"2", u"2", u"18"}, "325210"},
    {{u"3", u"3", u"19"}, "321052"},
    {{u"4", u"4", u"20"}, "321250"},
    {{u"5", u"5", u"21"}, "305212"},
    {{u"6", u"6", u"22"}, "325012"},
    {{u"7", u"7", u"23"}, "503050"},
    // 24
    {{u"8", u"8", u"24"}, "501232"},
    {{u"9", u"9", u"25"}, "521032"},
    {{u":", u":", u"26"}, "521230"},
    {{u";", u";", u"27"}, "503212"},
    {{u"<", u"<", u"28"}, "523012"},
    {{u"=", u"=", u"29"}, "523210"},
    {{u">", u">", u"30"}, "303034"},
    {{u"?", u"?", u"31"}, "303430"},
    // 32
    {{u"@", u"@", u"32"}, "343030"},
    {{u"A", u"A", u"33"}, "101434"},
    {{u"B", u"B", u"34"}, "141034"},
    {{u"C", u"C", u"35"}, "141430"},
    {{u"D", u"D", u"36"}, "103414"},
    {{u"E", u"E", u"37"}, "143014"},
    {{u"F", u"F", u"38"}, "143410"},
    {{u"G", u"G", u"39"}, "301414"},
    // 40
    {{u"H", u"H", u"40"}, "341014"},
    {{u"I", u"I", u"41"}, "341410"},
    {{u"J", u"J", u"42"}, "103054"},
    {{u"K", u"K", u"43"}, "103450"},
    {{u"L", u"L", u"44"}, "143050"},
    {{u"M", u"M", u"45"}, "105034"},
    {{u"N", u"N", u"46"}, "105430"},
    {{u"O", u"O", u"47"}, "145030"},
    // 48
    {{u"P", u"P", u"48"}, "505030"},
    {{u"Q", u"Q", u"49"}, "301450"},
    {{u"R", u"R", u"50"}, "341050"},
    {{u"S", u"S", u"51"}, "305014"},
    {{u"T", u"T", u"52"}, "305410"},
    {{u"U", u"U", u"53"}, "305050"},
    {{u"V", u"V", u"54"}, "501034"},
    {{u"W", u"W", u"55"}, "501430"},
    // 56
    {{u"X", u"X", u"56"}, "541030"},
    {{u"Y", u"Y", u"57"}, "503014"},
    {{u"Z", u"Z", u"58"}, "503410"},
    {{u"[", u"[", u"59"}, "543010"},
    {{u"\\", u"\\", u"60"}, "507010"},
    {{u"]", u"]", u"61"}, "321610"},
    {{u"^", u"^", u"62"}, "741010"},
    {{u"_", u"_", u"63"}, "101236"},
    // 64
    {{u"NUL", u"`", u"64"}, "101632"},
    {{u"SOH", u"a", u"65"}, "121036"},
    {{u"STX", u"b", u"66"}, "121630"},
    {{u"ETX", u"c", u"67"}, "161032"},
    {{u"EOT", u"d", u"68"}, "161230"},
    {{u"ENO", u"e", u"69"}, "103216"},
    {{u"ACK", u"f", u"70"}, "103612"},
    {{u"BEL", u"g", u"71"}, "123016"},
    // 72
    {{u"BS", u"h", u"72"}, "123610"},
    {{u"HT", u"i", u"73"}, "163012"},
    {{u"LF", u"j", u"74"}, "163210"},
    {{u"VT", u"k", u"75"}, "361210"},
    {{u"FF", u"l", u"76"}, "321016"},
    {{u"CR", u"m", u"77"}, "705010"},
    {{u"SO", u"n", u"78"}, "361012"},
    {{u"SI", u"o", u"79"}, "147010"},
    // 80
    {{u"DLE", u"p", u"80"}, "101272"},
    {{u"DC1", u"q", u"81"}, "121072"},
    {{u"DC2", u"r", u"82"}, "121270"},
    {{u"DC3", u"s", u"83"}, "107212"},
    {{u"DC4", u"t", u"84"}, "127012"},
    {{u"NAK", u"u", u"85"}, "127210"},
    {{u"SYN", u"v", u"86"}, "701212"},
    {{u"ETB", u"w", u"87"}, "721012"},
    // 88
    {{u"CAN", u"x", u"88"}, "721210"},
    {{u"EM", u"y", u"89"}, "303070"},
    {{u"SUB", u"z", u"90"}, "307030"},
    {{u"ESC", u"{", u"91"}, "703030"},
    {{u"FS", u"|", u"92"}, "101074"},
    {{u"GS", u"}", u"93"}, "101470"},
    {{u"RS", u"~", u"94"}, "141070"},
    {{u"US", u"DEL", u"95"}, "107014"},
    // 96
    {{u"FNC3", u"FNC3", u"96"}, "107410"},
    {{u"FNC2", u"FNC2", u"97"}, "701014"},
    {{u"SHIFT", u"SHIFT", u"98"}, "701410"},
    {{u"CODEC", u"CODEC", u"99"}, "105070"},
    {{u"CODEB", u"FNC4", u"CODEB"}, "107050"},
    {{u"FNC4", u"CODEA", u"CODEA"}, "501070"},
    {{u"FNC1", u"FNC1", u"FNC1"}, "701050"},
    {{u"", u"", u""}, "301612"},
    // 104
    {{u"", u"", u""}, "301216"},
    {{u"", u"", u""}, "301252"},
    {{u"", u"", u""}, "3450103"},
}};

constexpr int kLastData = 102;   // texts are looked up among values 0 .. 102
constexpr int kCodeC = 99;       // in code sets A and B
constexpr int kCodeB = 100;      // in code sets A and C
constexpr int kFnc1 = 102;
constexpr int kStartA = 103;     // start codes A, B, C follow in order
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kStop = 106;
constexpr int kModulus = 103;

enum CodeSet { SetA, SetB, SetC };

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t asciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }

// The units as they are (fromUtf16 would drop a byte-order mark).
QString toQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

// What a rejection names of an unreadable escape: its beginning, enough to find it.
constexpr size_t kShownEscape = 12;

// Reads the token that starts at position i of the data and moves i past
// it; nothing when the data cannot be read there (an unclosed "<", a ">" at
// the end, no digit pair in code set C), and why is then set. Positions past
// the end read as NUL.
std::optional<std::u16string> readToken(std::u16string_view code, size_t &i, CodeSet set, TRejectReason &why)
{
    const auto at = [&](size_t k) { return k < code.size() ? code[k] : u'\0'; };
    const char16_t c = code[i];
    if (c == u'<') {
        if (at(i + 1) == u'<') {
            i += 2;
            return u"<";
        }
        // The name starts with whatever follows "<" (even a ">") and runs to
        // the next ">". Upper-casing is ASCII only: no other character is in
        // any code set, and must not turn into one.
        const size_t close = i + 2 <= code.size() ? code.find(u'>', i + 2) : std::u16string_view::npos;
        if (close == std::u16string_view::npos) {
            why = RejectReason(rejEscape, qsizetype(i), toQString(code.substr(i, kShownEscape)));
            return std::nullopt;
        }
        std::u16string name(code.substr(i + 1, close - i - 1));
        for (char16_t &n : name)
            n = asciiUpper(n);
        i = close + 1;
        return name;
    }
    if (c == u'>') {
        if (i + 1 >= code.size()) {
            // The escaped character would be the NUL after the end.
            why = RejectReason(rejEscape, qsizetype(i), QStringLiteral(">"));
            return std::nullopt;
        }
        i += 2;
        return std::u16string(1, code[i - 1]);
    }
    if (set == SetC) {
        if (!isDigit(c) || !isDigit(at(i + 1))) {
            why = RejectReason(rejCodeSet, qsizetype(i), toQString(code.substr(i, 2)), u'C');
            return std::nullopt;
        }
        i += 2;
        return std::u16string(code.substr(i - 2, 2));
    }
    i += 1;
    return std::u16string(1, c);
}

// The value whose text in the code set is the token; nothing when the set
// has no such text.
std::optional<int> lookUp(std::u16string_view token, CodeSet set)
{
    for (int v = 0; v <= kLastData; ++v) {
        if (kCode128[size_t(v)].text[set] == token)
            return v;
    }
    return std::nullopt;
}

// A value's text as the user would type it: "<" and ">" doubled, a name
// between angle brackets, a single character as it is.
QString escaped(std::u16string_view text)
{
    if (text == u"<")
        return QStringLiteral("<<");
    if (text == u">")
        return QStringLiteral(">>");
    const QString t = toQString(text);
    return text.size() == 1 ? t : u'<' + t + u'>';
}

} // namespace

TEncodeResult EncodeCODE128(const TEncodeInput &in)
{
    TEncodeResult r;
    // Only A, B and C name a start set; anything else starts in A, and the
    // component is told so.
    QChar startChar = in.StartChar;
    if (startChar != u'A' && startChar != u'B' && startChar != u'C') {
        startChar = u'A';
        r.StartChar = startChar;
    }
    if (in.Code.isEmpty()) {
        r.Reason.Kind = rejEmpty;
        return r;
    }

    const std::u16string_view code(reinterpret_cast<const char16_t *>(in.Code.utf16()), size_t(in.Code.size()));
    CodeSet set = CodeSet(startChar.unicode() - u'A');
    bool shifted = false;         // a SHIFT changed the set for one token
    CodeSet remembered = set;     // the set to return to after it

    const int startValue = kStartA + set;
    std::string pattern;
    pattern.reserve((code.size() + 3) * 6 + 1);
    pattern += kCode128[size_t(startValue)].pattern;
    int checksum = startValue;
    int position = 0;   // kept reduced modulo 103, like the checksum
    for (size_t i = 0; i < code.size();) {
        const size_t from = i;
        const std::optional<std::u16string> token = readToken(code, i, set, r.Reason);
        if (!token)
            return r;
        const std::optional<int> found = lookUp(*token, set);
        if (!found) {
            r.Reason =
                RejectReason(rejCodeSet, qsizetype(from), toQString(code.substr(from, i - from)), QChar(u'A' + set));
            return r;
        }
        const int value = *found;
        position = (position + 1) % kModulus;
        checksum = (checksum + value * position) % kModulus;
        pattern += kCode128[size_t(value)].pattern;

        if (*token == u"SHIFT") {
            // One character from the other of A and B, then back.
            shifted = true;
            remembered = set;
            set = set == SetA ? SetB : SetA;
        } else if (*token == u"CODEA" || *token == u"CODEB" || *token == u"CODEC") {
            set = CodeSet(token->back() - u'A');
        } else if (shifted) {
            set = remembered;
            shifted = false;
        }
    }
    pattern += kCode128[size_t(checksum)].pattern;
    pattern += kCode128[kStop].pattern;

    r.Pattern = std::move(pattern);
    if (in.StartStopChar)
        r.Symbol = startChar + in.Code.toString() + escaped(kCode128[size_t(checksum)].text[set]);
    else
        r.Symbol = in.Code.toString();
    return r;
}

namespace {

// The symbol characters of a GS1 element string: FNC1 first and for every
// separator, the rest in code sets B and C. GS1's characters all lie in
// code set B (A adds only control characters, which GS1 data never holds),
// so the choice is between B and C alone. Counting from the end, the fewest
// characters that encode the rest of the data in either set are known at
// every position; a walk from the front then stays in its set as long as
// that is not dearer than changing.
class GS1Plan
{
public:
    explicit GS1Plan(const std::string &data) : m_data(data), m_n(data.size() + 1)
    {
        m_inB[m_n] = m_inC[m_n] = 0;
        for (size_t i = m_n; i-- > 0;) {
            const int b = stayB(i), c = stayC(i);
            m_inB[i] = std::min(b, c + 1);
            m_inC[i] = std::min(c, b + 1);
        }
    }

    // Appends the values of the symbol characters from the start character
    // to the last data character.
    template <class Emit>
    void values(Emit &&out) const
    {
        bool inC = m_inC[0] <= m_inB[0];
        out(inC ? kStartC : kStartB);
        for (size_t i = 0; i < m_n;) {
            if (inC && stayC(i) > stayB(i) + 1) {
                out(kCodeB);
                inC = false;
            } else if (!inC && stayB(i) > stayC(i) + 1) {
                out(kCodeC);
                inC = true;
            }
            if (isFnc1(i)) {
                out(kFnc1);
                i += 1;
            } else if (inC) {
                out((m_data[i - 1] - '0') * 10 + (m_data[i] - '0'));
                i += 2;
            } else {
                out(m_data[i - 1] - ' ');
                i += 1;
            }
        }
    }

private:
    static constexpr int kNever = 1 << 20;

    // Item 0 is the leading FNC1, item i > 0 the data's character i - 1.
    bool isFnc1(size_t i) const { return i == 0 || m_data[i - 1] == '\x1D'; }
    bool isDigit(size_t i) const { return i > 0 && i < m_n && m_data[i - 1] >= '0' && m_data[i - 1] <= '9'; }
    // The fewest characters for items i.. that encode item i in the set.
    int stayB(size_t i) const { return 1 + m_inB[i + 1]; }
    int stayC(size_t i) const
    {
        if (isFnc1(i))
            return 1 + m_inC[i + 1];
        if (isDigit(i) && isDigit(i + 1))
            return 1 + m_inC[i + 2];
        return kNever;
    }

    const std::string &m_data;
    size_t m_n;   // items: the leading FNC1 and the data
    std::array<int, kGS1128MaxData + 3> m_inB, m_inC;   // fewest characters for items i.., in B / in C
};

} // namespace

TEncodeResult EncodeGS1128(const TEncodeInput &in)
{
    TGS1ElementString es = GS1ElementString(in.Code);
    if (es.Data.empty()) {
        TEncodeResult r;
        r.Reason = std::move(es.Reason);
        return r;
    }
    if (es.Data.size() > size_t(kGS1128MaxData))
        return Rejected(rejGS1TooLong, -1, QString::number(es.Data.size()));

    // The start, at most one symbol character for the leading FNC1 and each
    // data character with a change of set before each, the check character.
    std::array<int, 2 * kGS1128MaxData + 4> values;
    size_t count = 0;
    GS1Plan(es.Data).values([&](int value) { values[count++] = value; });
    int checksum = values[0];
    for (size_t k = 1; k < count; ++k)
        checksum += values[k] * int(k);
    values[count++] = checksum % kModulus;

    TEncodeResult r;
    r.Pattern.resize(count * 6 + kCode128[kStop].pattern.size());
    char *out = r.Pattern.data();
    for (size_t k = 0; k < count; ++k, out += 6)
        std::copy_n(kCode128[size_t(values[k])].pattern.data(), 6, out);
    std::copy_n(kCode128[kStop].pattern.data(), kCode128[kStop].pattern.size(), out);
    r.Symbol = std::move(es.Text);
    return r;
}
