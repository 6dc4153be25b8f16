#include "LinearCases.h"

#include <zint.h>

namespace {

QString digits(size_t i, int width, size_t step)
{
    return QString::number(i * step % 100000).rightJustified(width, u'0');
}

} // namespace

const std::vector<TLinearCase> &LinearCases()
{
    using S = std::string;
    static const std::vector<TLinearCase> cases = {
        // name, type, CD, Zebrix's data, libzint's symbology, option_2, libzint's data
        {"JAN", cbarJAN, false, [](size_t i) { return "4901234" + digits(i, 5, 97); },
         BARCODE_EANX, 0, [](size_t i) { return S("4901234") + digits(i, 5, 97).toStdString(); }},
        {"UPC", cbarUPC, false, [](size_t i) { return "049012" + digits(i, 5, 97); },
         BARCODE_UPCA, 0, [](size_t i) { return S("049012") + digits(i, 5, 97).toStdString(); }},
        {"Code39", cbarCODE39, true, [](size_t i) { return "ZEBRIX-" + digits(i, 5, 7919); },
         BARCODE_CODE39, 1, [](size_t i) { return S("ZEBRIX-") + digits(i, 5, 7919).toStdString(); }},
        {"NW7", cbarNW7, true, [](size_t i) { return "1234-" + digits(i, 5, 7919); },
         BARCODE_CODABAR, 0, [](size_t i) { return S("B1234-") + digits(i, 5, 7919).toStdString() + "C"; }},
        {"ITF", cbarITF, true, [](size_t i) { return "4901234" + digits(i, 5, 7919); },
         BARCODE_C25INTER, 1, [](size_t i) { return S("4901234") + digits(i, 5, 7919).toStdString(); }},
        {"CTF", cbarCTF, true, [](size_t i) { return "4901234" + digits(i, 5, 7919); },
         BARCODE_C25IND, 1, [](size_t i) { return S("4901234") + digits(i, 5, 7919).toStdString(); }},
        {"IATA", cbarIATA, true, [](size_t i) { return "4901234" + digits(i, 5, 7919); },
         BARCODE_C25IATA, 1, [](size_t i) { return S("4901234") + digits(i, 5, 7919).toStdString(); }},
        {"Matrix", cbarMATRIX, true, [](size_t i) { return "4901234" + digits(i, 5, 7919); },
         BARCODE_C25STANDARD, 1, [](size_t i) { return S("4901234") + digits(i, 5, 7919).toStdString(); }},
        // libzint has no NEC 2 of 5: its matrix 2 of 5 is the nearest.
        {"NEC", cbarNEC, true, [](size_t i) { return "4901234" + digits(i, 5, 7919); },
         BARCODE_C25STANDARD, 1, [](size_t i) { return S("4901234") + digits(i, 5, 7919).toStdString(); }},
        // libzint draws no text line under the Japanese postal barcode.
        {"Customer", cbarCUSTOMER, false,
         [](size_t i) { return "2630023" + digits(i, 5, 7919).left(1) + "-30-8-4" + digits(i, 5, 7919).right(2); },
         BARCODE_JAPANPOST, 0,
         [](size_t i) {
             const S n = digits(i, 5, 7919).toStdString();
             return "2630023" + n.substr(0, 1) + "-30-8-4" + n.substr(3);
         },
         false},
        // Zebrix prints the data as given, escapes included.
        {"Code128", cbarCODE128, false, [](size_t i) { return "Zebrix-" + digits(i, 5, 7919) + "<CODEC>123456"; },
         BARCODE_CODE128, 0, [](size_t i) { return S("Zebrix-") + digits(i, 5, 7919).toStdString() + "123456"; }},
        {"Code93", cbarCODE93, false, [](size_t i) { return "ZEBRIX<+>C<+>O<+>D<+>E" + digits(i, 5, 7919); },
         BARCODE_CODE93, 0, [](size_t i) { return S("ZEBRIXcode") + digits(i, 5, 7919).toStdString(); }},
    };
    return cases;
}
