#include "model/precision_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/document_state.h"

namespace kivo {

namespace {

constexpr int kSignificant = 4;

bool Imperial(int units) {
    return units == UNITS_FEET || units == UNITS_INCHES;
}

// v in fixed notation with the given decimals (std::to_chars: no locale).
std::string Fixed(double v, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("-");
}

} // namespace

double PrecisionUnitsPerLength(int units) {
    switch (units) {
    case UNITS_MM:
        return 1.0;
    case UNITS_FEET:
        return 12000.0;
    case UNITS_INCHES:
        return 1000.0;
    default:
        return 1000.0;
    }
}

const char* PrecisionUnitName(int units) {
    return Imperial(units) ? "thou" : "mm";
}

int PrecisionListingDecimals(int units) {
    return Imperial(units) ? 3 : 4;
}

std::string FormatPrecisionNumber(double lengthValue, int units) {
    double v = lengthValue * PrecisionUnitsPerLength(units);
    if (!std::isfinite(v)) return "-";
    const int least = PrecisionListingDecimals(units);
    if (v == 0.0) return Fixed(0.0, least);
    int exponent = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    // Rounding to 4 digits may carry into the next decade (9.99996 -> 10.00).
    const double step = std::pow(10.0, exponent - (kSignificant - 1));
    const double rounded = std::round(v / step) * step;
    if (std::fabs(rounded) >= std::pow(10.0, exponent + 1)) ++exponent;
    const int decimals = std::max(0, kSignificant - 1 - exponent);
    if (decimals == 0) { // 1000 and more: the digits beyond the fourth are zeros
        v = std::round(v / std::pow(10.0, exponent - (kSignificant - 1))) *
            std::pow(10.0, exponent - (kSignificant - 1));
    }
    std::string text = Fixed(v, decimals);
    // Trailing zeros beyond the listing's decimals say nothing.
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
        std::size_t keep = text.size();
        while (keep > point + 1 + static_cast<std::size_t>(least) && text[keep - 1] == '0')
            --keep;
        text.resize(keep);
    }
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string FormatPrecision(double lengthValue, int units) {
    return FormatPrecisionNumber(lengthValue, units) + " " + PrecisionUnitName(units);
}

} // namespace kivo
