// The linear symbologies as the benchmarks make them: Zebrix's data, and
// libzint's nearest symbology with the same data in its own syntax.
#pragma once

#include "Encoders.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

struct TLinearCase {
    const char *name;
    TBarTypes type;
    bool checkDigit;                                    // Zebrix's CD
    std::function<QString(size_t)> zebrixData;          // round -> data
    int zint;                                           // libzint's symbology
    int zintOption2;                                    // its check character option
    std::function<std::string(size_t)> zintData;
    bool zintText = true;                               // libzint draws a text line
};

// Data that differs every round, typical of each symbology.
const std::vector<TLinearCase> &LinearCases();
