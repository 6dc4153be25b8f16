// GS1 element strings and GS1-128 on arbitrary text: what the reader
// accepts is read back from the GS1-128 pattern symbol character by symbol
// character, and every rejection names its place and field.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kCodeC = 99, kCodeB = 100, kFnc1 = 102, kStartB = 104, kStartC = 105;
constexpr std::string_view kStop = "3450103";

// Code 128 symbol characters by pattern, taken from the plain encoder (its
// rows are tested against the published table): values 0 to 99 as digit
// pairs in code set C, 100 to 102 by name, the start codes B and C from the
// front of a symbol.
const std::map<std::string, int> &valuesByPattern()
{
    static const std::map<std::string, int> m = [] {
        std::map<std::string, int> v;
        const auto row = [](const QString &code, QChar start, size_t at) {
            TEncodeInput in;
            in.Code = code;
            in.StartChar = start;
            return EncodeCODE128(in).Pattern.substr(at, 6);
        };
        for (int k = 0; k < 100; ++k)
            v[row(QString::number(k).rightJustified(2, u'0'), u'C', 6)] = k;
        v[row(QStringLiteral("<CODEB>"), u'C', 6)] = kCodeB;
        v[row(QStringLiteral("<CODEA>"), u'C', 6)] = 101;   // only ever a check character here
        v[row(QStringLiteral("<FNC1>"), u'C', 6)] = kFnc1;
        v[row(QStringLiteral("A"), u'B', 0)] = kStartB;
        v[row(QStringLiteral("00"), u'C', 0)] = kStartC;
        return v;
    }();
    return m;
}

// The reason's place, its field and its expected digit fit its kind.
void checkReason(QStringView code, const TRejectReason &why)
{
    TEncodeInput in;
    in.Code = code;
    TEncodeResult r;
    r.Reason = why;
    CheckReason(in, r);
    const bool field = why.Kind == rejGS1Length || why.Kind == rejGS1Character || why.Kind == rejGS1Date
                       || why.Kind == rejCheckDigit;
    check(field == !why.AI.isEmpty());
    check(field == !why.Format.isEmpty());
    check((why.Kind == rejCheckDigit) == !why.Expected.isNull());
    check(why.Kind == rejEmpty || why.Kind == rejNone || (why.Kind >= rejCheckDigit && why.Kind <= rejGS1TooLong));
    check(why.Kind != rejGS1TooLong);
}

void checkElementString(QStringView code, const TGS1ElementString &es)
{
    check(es.Data.empty() == (es.Reason.Kind != rejNone));
    check(es.Data.empty() == es.Text.isEmpty());
    check((es.Reason.Kind == rejEmpty) == code.isEmpty());
    if (es.Data.empty())
        return checkReason(code, es.Reason);
    // GS1's characters and separators between fields, never first, last or doubled.
    const std::string_view gs1 = "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    for (size_t i = 0; i < es.Data.size(); ++i) {
        if (es.Data[i] == '\x1D')
            check(i > 0 && i + 1 < es.Data.size() && es.Data[i + 1] != '\x1D');
        else
            check(gs1.find(es.Data[i]) != std::string_view::npos);
    }
    check(es.Text.front() == u'(');
    // Read again from its own text, which has parentheses: the same, when
    // no value holds one.
    if (es.Text.count(u'(') == es.Text.count(u')') && code.front() == u'(') {
        const TGS1ElementString again = GS1ElementString(es.Text);
        check(again.Data == es.Data && again.Text == es.Text);
    }
}

// Reads the GS1-128 pattern back into its element string.
void checkGs1128(const TGS1ElementString &es, const TEncodeResult &r)
{
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    if (es.Data.empty()) {
        check(r.Pattern.empty() && r.Reason.Kind == es.Reason.Kind);
        return;
    }
    if (es.Data.size() > size_t(kGS1128MaxData)) {
        check(r.Pattern.empty() && r.Reason.Kind == rejGS1TooLong && r.Reason.Position == -1);
        check(r.Reason.Text == QString::number(es.Data.size()));
        return;
    }
    check(!r.Pattern.empty() && r.Reason.Kind == rejNone && r.Symbol == es.Text);
    const std::string &p = r.Pattern;
    check(p.size() >= 6 * 3 + kStop.size() && (p.size() - kStop.size()) % 6 == 0);
    check(p.compare(p.size() - kStop.size(), kStop.size(), kStop) == 0);
    const auto &values = valuesByPattern();
    std::vector<int> v;
    for (size_t at = 0; at + kStop.size() < p.size(); at += 6) {
        const auto it = values.find(p.substr(at, 6));
        check(it != values.end());
        v.push_back(it->second);
    }
    // Start, FNC1, the data, the check character.
    check(v.size() >= 3 && (v[0] == kStartB || v[0] == kStartC) && v[1] == kFnc1);
    int checksum = v[0];
    for (size_t k = 1; k + 1 < v.size(); ++k)
        checksum += v[k] * int(k);
    check(v.back() == checksum % 103);
    bool inC = v[0] == kStartC;
    std::string data;
    for (size_t k = 2; k + 1 < v.size(); ++k) {
        const int x = v[k];
        if (x == kFnc1)
            data += '\x1D';
        else if (inC && x == kCodeB)
            inC = false;
        else if (!inC && x == kCodeC)
            inC = true;
        else if (inC && x < 100)
            data += std::to_string(100 + x).substr(1);
        else if (!inC && x < 95)
            data += char(x + 32);
        else
            check(false);
    }
    check(data == es.Data);
    // Never more symbol characters than code set B alone would take: the
    // leading FNC1 and one per data character.
    check(v.size() - 2 <= es.Data.size() + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [latin1, utf16] = TextsOf(data, size);
    for (const QString &text : {latin1, utf16}) {
        const TGS1ElementString es = GS1ElementString(text);
        checkElementString(text, es);
        TEncodeInput in;
        in.Code = text;
        checkGs1128(es, EncodeGS1128(in));
    }
    return 0;
}
