// GS1 element strings: the application identifiers Zebrix knows, and the
// reader that turns "(01)04912345123459(10)ABC" into the element string a
// GS1 symbol carries, checking every field on the way.
#include "Encoders.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

enum class Chars : unsigned char {
    N,   // digits
    X,   // GS1's 82 characters
};

enum class Check : unsigned char {
    None,
    CheckDigit,   // the last digit is the GS1 mod-10 check digit of the others
    Date,         // YYMMDD; day 00 stands for "any day of the month"
    DayDate,      // YYMMDD with a real day
};

// One part of a field's value. Every part but the last has a fixed length;
// min 0 makes the last part optional.
struct Part {
    Chars chars = Chars::N;
    unsigned char min = 0, max = 0;   // max 0: no part
    Check check = Check::None;
};

// One application identifier, or a run of them with the same format.
struct AIRow {
    std::string_view first, last;   // equal lengths, first <= last
    bool predefined;                // the length is predefined: no separator ever follows
    std::array<Part, 2> parts;
};

constexpr bool kPredefined = true;
constexpr bool kSeparated = false;

constexpr Part N(int n, Check c = Check::None) { return {Chars::N, (unsigned char)n, (unsigned char)n, c}; }
constexpr Part NUpTo(int n) { return {Chars::N, 1, (unsigned char)n, Check::None}; }
constexpr Part XUpTo(int n) { return {Chars::X, 1, (unsigned char)n, Check::None}; }
constexpr Part Optional(Part p) { p.min = 0; return p; }

constexpr AIRow row(std::string_view a, bool predefined, Part p, Part q = {}) { return {a, a, predefined, {p, q}}; }
constexpr AIRow rows(std::string_view first, std::string_view last, bool predefined, Part p, Part q = {})
{
    return {first, last, predefined, {p, q}};
}

// Application identifiers as GS1 lists them ("GS1 Application Identifiers
// in numerical order", the GS1 standard for element strings), with the predefined
// lengths of its table of element strings that need no separator (the first
// two digits 00-02, 11-20, 31-36 and 41). The country, currency and company
// prefix contents of a field are not looked up.
constexpr auto kAIs = std::to_array<AIRow>({
    // 0
    row("00", kPredefined, N(18, Check::CheckDigit)),   // SSCC
    row("01", kPredefined, N(14, Check::CheckDigit)),   // GTIN
    row("02", kPredefined, N(14, Check::CheckDigit)),   // GTIN of contained trade items
    row("10", kSeparated, XUpTo(20)),                   // batch or lot number
    row("11", kPredefined, N(6, Check::Date)),          // production date
    row("12", kPredefined, N(6, Check::Date)),          // due date
    row("13", kPredefined, N(6, Check::Date)),          // packaging date
    row("15", kPredefined, N(6, Check::Date)),          // best before date
    // 8
    row("16", kPredefined, N(6, Check::Date)),          // sell by date
    row("17", kPredefined, N(6, Check::Date)),          // expiration date
    row("20", kPredefined, N(2)),                       // internal product variant
    row("21", kSeparated, XUpTo(20)),                   // serial number
    row("22", kSeparated, XUpTo(20)),                   // consumer product variant
    row("235", kSeparated, XUpTo(28)),                  // third-party controlled serial extension
    row("240", kSeparated, XUpTo(30)),                  // additional product identification
    row("241", kSeparated, XUpTo(30)),                  // customer part number
    // 16
    row("242", kSeparated, NUpTo(6)),                   // made-to-order variation
    row("243", kSeparated, XUpTo(20)),                  // packaging component number
    row("250", kSeparated, XUpTo(30)),                  // secondary serial number
    row("251", kSeparated, XUpTo(30)),                  // reference to source entity
    row("253", kSeparated, N(13, Check::CheckDigit), Optional(XUpTo(17))),   // GDTI
    row("254", kSeparated, XUpTo(20)),                  // GLN extension component
    row("255", kSeparated, N(13, Check::CheckDigit), Optional(NUpTo(12))),   // GCN
    row("30", kSeparated, NUpTo(8)),                    // variable count
    // 24: trade measures, the fourth digit places the decimal point
    rows("3100", "3105", kPredefined, N(6)),            // net weight, kg
    rows("3110", "3115", kPredefined, N(6)),            // length, m
    rows("3120", "3125", kPredefined, N(6)),            // width, m
    rows("3130", "3135", kPredefined, N(6)),            // height, m
    rows("3140", "3145", kPredefined, N(6)),            // area, m²
    rows("3150", "3155", kPredefined, N(6)),            // net volume, l
    rows("3160", "3165", kPredefined, N(6)),            // net volume, m³
    rows("3200", "3205", kPredefined, N(6)),            // net weight, lb
    // 32
    rows("3210", "3215", kPredefined, N(6)),            // length, in
    rows("3220", "3225", kPredefined, N(6)),            // length, ft
    rows("3230", "3235", kPredefined, N(6)),            // length, yd
    rows("3240", "3245", kPredefined, N(6)),            // width, in
    rows("3250", "3255", kPredefined, N(6)),            // width, ft
    rows("3260", "3265", kPredefined, N(6)),            // width, yd
    rows("3270", "3275", kPredefined, N(6)),            // height, in
    rows("3280", "3285", kPredefined, N(6)),            // height, ft
    // 40
    rows("3290", "3295", kPredefined, N(6)),            // height, yd
    // logistic measures
    rows("3300", "3305", kPredefined, N(6)),            // gross weight, kg
    rows("3310", "3315", kPredefined, N(6)),            // length, m
    rows("3320", "3325", kPredefined, N(6)),            // width, m
    rows("3330", "3335", kPredefined, N(6)),            // height, m
    rows("3340", "3345", kPredefined, N(6)),            // area, m²
    rows("3350", "3355", kPredefined, N(6)),            // volume, l
    rows("3360", "3365", kPredefined, N(6)),            // volume, m³
    // 48
    rows("3370", "3375", kPredefined, N(6)),            // kilograms per m²
    rows("3400", "3405", kPredefined, N(6)),            // gross weight, lb
    rows("3410", "3415", kPredefined, N(6)),            // length, in
    rows("3420", "3425", kPredefined, N(6)),            // length, ft
    rows("3430", "3435", kPredefined, N(6)),            // length, yd
    rows("3440", "3445", kPredefined, N(6)),            // width, in
    rows("3450", "3455", kPredefined, N(6)),            // width, ft
    rows("3460", "3465", kPredefined, N(6)),            // width, yd
    // 56
    rows("3470", "3475", kPredefined, N(6)),            // height, in
    rows("3480", "3485", kPredefined, N(6)),            // height, ft
    rows("3490", "3495", kPredefined, N(6)),            // height, yd
    rows("3500", "3505", kPredefined, N(6)),            // area, in²
    rows("3510", "3515", kPredefined, N(6)),            // area, ft²
    rows("3520", "3525", kPredefined, N(6)),            // area, yd²
    rows("3530", "3535", kPredefined, N(6)),            // area, in², logistic
    rows("3540", "3545", kPredefined, N(6)),            // area, ft², logistic
    // 64
    rows("3550", "3555", kPredefined, N(6)),            // area, yd², logistic
    rows("3560", "3565", kPredefined, N(6)),            // net weight, troy oz
    rows("3570", "3575", kPredefined, N(6)),            // net volume, oz
    rows("3600", "3605", kPredefined, N(6)),            // net volume, qt
    rows("3610", "3615", kPredefined, N(6)),            // net volume, gal
    rows("3620", "3625", kPredefined, N(6)),            // volume, qt, logistic
    rows("3630", "3635", kPredefined, N(6)),            // volume, gal, logistic
    rows("3640", "3645", kPredefined, N(6)),            // volume, in³
    // 72
    rows("3650", "3655", kPredefined, N(6)),            // volume, ft³
    rows("3660", "3665", kPredefined, N(6)),            // volume, yd³
    rows("3670", "3675", kPredefined, N(6)),            // volume, in³, logistic
    rows("3680", "3685", kPredefined, N(6)),            // volume, ft³, logistic
    rows("3690", "3695", kPredefined, N(6)),            // volume, yd³, logistic
    row("37", kSeparated, NUpTo(8)),                    // count of trade items
    rows("3900", "3909", kSeparated, NUpTo(15)),        // amount payable, local currency
    rows("3910", "3919", kSeparated, N(3), NUpTo(15)),  // amount payable, ISO currency code first
    // 80
    rows("3920", "3929", kSeparated, NUpTo(15)),        // price, local currency
    rows("3930", "3939", kSeparated, N(3), NUpTo(15)),  // price, ISO currency code first
    rows("3940", "3943", kSeparated, N(4)),             // percentage discount of a coupon
    rows("3950", "3955", kSeparated, N(6)),             // amount payable per unit of measure
    row("400", kSeparated, XUpTo(30)),                  // customer's purchase order number
    row("401", kSeparated, XUpTo(30)),                  // GINC
    row("402", kSeparated, N(17, Check::CheckDigit)),   // GSIN
    row("403", kSeparated, XUpTo(30)),                  // routing code
    // 88: GLNs
    row("410", kPredefined, N(13, Check::CheckDigit)),  // ship to
    row("411", kPredefined, N(13, Check::CheckDigit)),  // bill to
    row("412", kPredefined, N(13, Check::CheckDigit)),  // purchased from
    row("413", kPredefined, N(13, Check::CheckDigit)),  // ship for
    row("414", kPredefined, N(13, Check::CheckDigit)),  // physical location
    row("415", kPredefined, N(13, Check::CheckDigit)),  // invoicing party
    row("416", kPredefined, N(13, Check::CheckDigit)),  // production or service location
    row("417", kPredefined, N(13, Check::CheckDigit)),  // party
    // 96
    row("420", kSeparated, XUpTo(20)),                  // ship-to postal code
    row("421", kSeparated, N(3), XUpTo(9)),             // ship-to postal code, ISO country code first
    row("422", kSeparated, N(3)),                       // country of origin
    row("424", kSeparated, N(3)),                       // country of processing
    row("426", kSeparated, N(3)),                       // country of full process chain
    row("427", kSeparated, XUpTo(3)),                   // country subdivision of origin
    row("7001", kSeparated, N(13)),                     // NATO stock number
    row("7002", kSeparated, XUpTo(30)),                 // meat carcass classification
    // 104
    row("7004", kSeparated, NUpTo(4)),                  // active potency
    row("7005", kSeparated, XUpTo(12)),                 // catch area
    row("7006", kSeparated, N(6, Check::DayDate)),      // first freeze date
    row("8002", kSeparated, XUpTo(20)),                 // cellular mobile telephone identifier
    row("8004", kSeparated, XUpTo(30)),                 // GIAI
    row("8005", kSeparated, N(6)),                      // price per unit of measure
    row("8009", kSeparated, XUpTo(50)),                 // optically readable sensor indicator
    row("8012", kSeparated, XUpTo(20)),                 // software version
    // 112
    row("8017", kSeparated, N(18, Check::CheckDigit)),  // GSRN, provider
    row("8018", kSeparated, N(18, Check::CheckDigit)),  // GSRN, recipient
    row("8019", kSeparated, NUpTo(10)),                 // service relation instance number
    row("8020", kSeparated, XUpTo(25)),                 // payment slip reference number
    row("8200", kSeparated, XUpTo(70)),                 // extended packaging URL
    row("90", kSeparated, XUpTo(30)),                   // mutually agreed between partners
    rows("91", "99", kSeparated, XUpTo(90)),            // company internal
});

// Only a field's last part may vary in length, and its identifiers share one length.
constexpr bool wellFormed(const AIRow &r)
{
    const bool two = r.parts[1].max > 0;
    return r.first.size() == r.last.size() && r.first.size() >= 2 && r.first.size() <= 4 && r.first <= r.last
           && (!two || r.parts[0].min == r.parts[0].max) && r.parts[0].min > 0;
}
static_assert([] {
    for (const AIRow &r : kAIs)
        if (!wellFormed(r))
            return false;
    return true;
}());

// GS1's 82 characters (the GS1 AI encodable character set 82, a subset of
// ISO/IEC 646), by code point.
constexpr std::array<bool, 128> kCset82 = [] {
    std::array<bool, 128> a{};
    constexpr std::string_view kChars = "!\"%&'()*+,-./0123456789:;<=>?"
                                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    for (const char c : kChars)
        a[size_t(c)] = true;
    return a;
}();

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isCset82(QChar c) { return c.unicode() < 128 && kCset82[c.unicode()]; }
int digit(QChar c) { return c.unicode() - u'0'; }

// The rows of each first two digits of an AI, found without a search:
// rows sharing them stand together in the table.
struct Span {
    unsigned char first = 0, count = 0;
};
constexpr int prefixOf(std::string_view ai) { return (ai[0] - '0') * 10 + (ai[1] - '0'); }
constexpr std::array<Span, 100> kRowsByPrefix = [] {
    std::array<Span, 100> a{};
    for (size_t i = 0; i < kAIs.size(); ++i) {
        for (int p = prefixOf(kAIs[i].first); p <= prefixOf(kAIs[i].last); ++p) {
            if (a[size_t(p)].count == 0)
                a[size_t(p)].first = (unsigned char)i;
            ++a[size_t(p)].count;
        }
    }
    return a;
}();
static_assert(kAIs.size() < 256);
static_assert([] {
    for (size_t i = 0; i < kAIs.size(); ++i) {
        for (int p = prefixOf(kAIs[i].first); p <= prefixOf(kAIs[i].last); ++p) {
            const Span s = kRowsByPrefix[size_t(p)];
            if (i < s.first || i >= size_t(s.first + s.count))
                return false;
        }
    }
    return true;
}());

const AIRow *findAI(QStringView ai)
{
    if (ai.size() < 2 || ai.size() > 4)
        return nullptr;
    char key[4];
    for (qsizetype i = 0; i < ai.size(); ++i) {
        if (!isDigit(ai[i]))
            return nullptr;
        key[i] = char(ai[i].unicode());
    }
    const std::string_view k(key, size_t(ai.size()));
    const Span span = kRowsByPrefix[size_t(prefixOf(k))];
    for (size_t i = span.first; i < size_t(span.first + span.count); ++i) {
        const AIRow &r = kAIs[i];
        if (r.first.size() == k.size() && r.first <= k && k <= r.last)
            return &r;
    }
    return nullptr;
}

// The field's format in GS1's notation: "N14", "X..20", "N3+X..9", "N13+[X..17]".
QString formatOf(const AIRow &r)
{
    QString f;
    for (const Part &p : r.parts) {
        if (p.max == 0)
            break;
        if (!f.isEmpty())
            f += u'+';
        QString one = p.chars == Chars::N ? QStringLiteral("N") : QStringLiteral("X");
        if (p.min != p.max)
            one += QStringLiteral("..");
        one += QString::number(p.max);
        f += p.min == 0 ? u'[' + one + u']' : one;
    }
    return f;
}

// The GS1 mod-10 check digit of the digits: weights 3, 1, 3, ... from the right.
QChar checkDigit(QStringView digits)
{
    int sum = 0, weight = 3;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        sum += digit(digits[i]) * weight;
        weight = 4 - weight;
    }
    return QChar(u'0' + (10 - sum % 10) % 10);
}

// YYMMDD. The year only decides February: every year GS1's hundred-year
// window around today can mean by a YY divisible by 4 is a leap year (2000
// was one).
bool isDate(QStringView d, bool dayZeroAllowed)
{
    const int yy = digit(d[0]) * 10 + digit(d[1]);
    const int mm = digit(d[2]) * 10 + digit(d[3]);
    const int dd = digit(d[4]) * 10 + digit(d[5]);
    static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (mm < 1 || mm > 12)
        return false;
    const int last = mm == 2 && yy % 4 != 0 ? 28 : kDays[size_t(mm - 1)];
    return dd <= last && (dd > 0 || dayZeroAllowed);
}

TRejectReason fieldReason(TRejectKind kind, qsizetype position, QString text, const AIRow &entry, QStringView ai)
{
    TRejectReason r = RejectReason(kind, position, std::move(text));
    r.AI = ai.toString();
    r.Format = formatOf(entry);
    return r;
}

// Checks the value of one field (written from `at` in the data). `added` is
// the check digit it lacked, or null. False, and the reason, when the value
// does not fit the field.
bool readValue(QStringView value, qsizetype at, QStringView field, qsizetype fieldAt, const AIRow &entry,
               QStringView ai, QChar &added, TRejectReason &why)
{
    added = QChar();
    const Part &p0 = entry.parts[0];
    const Part &p1 = entry.parts[1];
    // The parts: the first takes its fixed length (or what there is), the second the rest.
    const qsizetype split = p1.max == 0 ? value.size() : std::min<qsizetype>(p0.max, value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const Part &p = i < split ? p0 : p1;
        const bool ok = p.chars == Chars::N ? isDigit(value[i]) : isCset82(value[i]);
        if (!ok) {
            why = fieldReason(rejGS1Character, at + i, CharacterAt(value, i), entry, ai);
            return false;
        }
    }
    // A number closed by its check digit may be given without it.
    const bool completed = p1.max == 0 && p0.check == Check::CheckDigit && value.size() == p0.max - 1;
    const qsizetype length = value.size() + (completed ? 1 : 0);
    if (length < p0.min + p1.min || length > p0.max + p1.max) {
        why = fieldReason(rejGS1Length, fieldAt, field.toString(), entry, ai);
        return false;
    }
    if (completed) {
        added = checkDigit(value);
        return true;
    }
    const QStringView parts[2] = {value.left(split), value.mid(split)};
    qsizetype partAt = at;
    for (int k = 0; k < 2; ++k) {
        const Part &p = entry.parts[size_t(k)];
        const QStringView s = parts[k];
        if (p.check == Check::CheckDigit) {
            const QChar expected = checkDigit(s.chopped(1));
            if (s.back() != expected) {
                why = fieldReason(rejCheckDigit, partAt + s.size() - 1, QString(s.back()), entry, ai);
                why.Expected = expected;
                return false;
            }
        } else if ((p.check == Check::Date || p.check == Check::DayDate) && !isDate(s, p.check == Check::Date)) {
            why = fieldReason(rejGS1Date, partAt, s.toString(), entry, ai);
            return false;
        }
        partAt += s.size();
    }
    return true;
}

// What a rejection shows of an unclosed bracket: its beginning, enough to find it.
constexpr qsizetype kShownField = 12;

} // namespace

TGS1ElementString GS1ElementString(QStringView code, bool bracketed)
{
    TGS1ElementString r;
    if (code.isEmpty()) {
        r.Reason.Kind = rejEmpty;
        return r;
    }
    // The first character decides the brackets; the other kind is data.
    const QChar open = code[0];
    const QChar close = open == u'(' ? u')' : open == u'[' ? u']' : QChar();
    if (close.isNull()) {
        r.Reason = RejectReason(rejGS1Syntax, 0, CharacterAt(code, 0));
        return r;
    }

    std::string data;
    QString text, brackets;
    data.reserve(size_t(code.size()));
    text.reserve(code.size() + 2);
    bool separate = false;   // the previous field needs a separator if another follows
    for (qsizetype i = 0; i < code.size();) {
        const qsizetype end = code.indexOf(close, i + 1);
        if (end < 0) {
            r.Reason = RejectReason(rejGS1Syntax, i, code.mid(i, kShownField).toString());
            return r;
        }
        const QStringView ai = code.mid(i + 1, end - i - 1);
        const AIRow *entry = findAI(ai);
        if (!entry) {
            r.Reason = RejectReason(rejGS1AI, i, code.mid(i, end - i + 1).toString());
            return r;
        }
        qsizetype next = code.indexOf(open, end + 1);
        if (next < 0)
            next = code.size();
        const QStringView value = code.mid(end + 1, next - end - 1);
        QChar added;
        if (!readValue(value, end + 1, code.mid(i, next - i), i, *entry, ai, added, r.Reason))
            return r;

        // All of it ASCII now.
        const size_t at = data.size();
        data.resize(at + (separate ? 1 : 0) + size_t(ai.size() + value.size()));
        char *out = data.data() + at;
        if (separate)
            *out++ = '\x1D';
        for (const QChar c : ai)
            *out++ = char(c.unicode());
        for (const QChar c : value)
            *out++ = char(c.unicode());
        text += u'(';
        text += ai;
        text += u')';
        text += value;
        if (!added.isNull()) {
            data += char(added.unicode());
            text += added;
        }
        if (bracketed) {
            brackets += u'[';
            brackets += ai;
            brackets += u']';
            brackets += value;
            if (!added.isNull())
                brackets += added;
        }
        separate = !entry->predefined;
        i = next;
    }
    r.Data = std::move(data);
    r.Text = std::move(text);
    r.Bracketed = std::move(brackets);
    return r;
}
