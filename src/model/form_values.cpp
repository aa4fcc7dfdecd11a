#include "model/form_values.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "model/network_document.h"
#include "model/records.h"

namespace kivo {

bool ScanReal(const std::string& text, double& out) {
    double v;
    if (std::sscanf(text.c_str(), "%lf", &v) != 1) return false;
    out = v;
    return true;
}

bool ScanInt(const std::string& text, int& out) {
    int v;
    if (std::sscanf(text.c_str(), "%d", &v) != 1) return false;
    out = v;
    return true;
}

namespace {
// Form units per project length unit, and centimetres of screen the form's row speaks of.
double EllScaleFactor(int units) {
    switch (units) {
    case UNITS_MM:
        return 1.0; // mm per cm
    case UNITS_FEET:
        return 12.0 * 1000 * 2.54; // mils per inch: 12000 mils a foot, 2.54 cm an inch
    case UNITS_INCHES:
        return 1000 * 2.54; // mils per inch
    default:
        return 1000.0; // meters: mm per cm
    }
}
} // namespace

double EllScaleToForm(double ellScale, int units) {
    return ellScale * EllScaleFactor(units);
}

double EllScaleFromForm(double shown, int units) {
    return shown / EllScaleFactor(units);
}

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::vector<char> buf(static_cast<std::size_t>(n > 0 ? n : 0) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap2);
    va_end(ap2);
    return std::string(buf.data());
}

double ClampToLimits(double v, double lo, double hi) {
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    return v;
}

char AxisLetter(const char label[6], int axisType, int i) {
    int start = axisType == 1 ? 3 : 0;
    return label[start + i];
}

std::int32_t CoordStatFrom(const int* choice, int components) {
    std::int32_t stat = 0;
    for (int k = 0; k < components; ++k) {
        if (choice[k] == COORD_FIX) stat |= 2 << (2 * k);
        if (choice[k] == COORD_APX) stat |= 1 << (2 * k);
    }
    return stat;
}

int ClampDimension(int dimension) {
    return (dimension < 1 || dimension > 3) ? 3 : dimension;
}

std::string SetupTheoLine(int pos, int theo, const char* name, bool active, const char* targetName) {
    std::string line =
        Format(active ? " %2d  %2d   %-8s  active  " : " %2d  %2d   %-8s  inactive", pos, theo, name);
    // A longer number or name pushes the status on; the target still starts at its own column
    // whenever the head fits.
    if (line.size() < SETUP_TARGET_COLUMN) line.resize(SETUP_TARGET_COLUMN, ' ');
    line += targetName ? Format("  %-8s", targetName) : std::string("  none");
    return line;
}

std::string FormatFormValue(double v, int maxDecimals) {
    std::string text = Format("%.*f", std::max(3, maxDecimals), v);
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
        std::size_t end = text.size();
        while (end > point + 4 && text[end - 1] == '0')
            --end;
        text.resize(end);
    }
    if (text.size() < 10) text.resize(10, ' ');
    return text;
}

int LengthDecimals(int units) {
    switch (units) {
    case UNITS_MM:
        return 4;
    case UNITS_FEET:
        return 8; // 0.001 thou is 1/12,000,000 ft
    case UNITS_INCHES:
        return 6;
    default:
        return 7;
    }
}

const char* LengthUnitName(int units) {
    switch (units) {
    case UNITS_MM:
        return "mm";
    case UNITS_FEET:
        return "feet";
    case UNITS_INCHES:
        return "in";
    default:
        return "m";
    }
}

bool ReadStdDev(const std::string& what, const std::string& text, SDKind kind, int units, double& value,
                std::string& why) {
    double v = 0;
    if (!ScanReal(text, v) || !std::isfinite(v)) {
        const std::size_t first = text.find_first_not_of(' ');
        const std::string shown = first == std::string::npos ? std::string() : text.substr(first);
        why = shown.empty() ? what + " is empty: it must be a number."
                            : what + " \"" + shown + "\" is not a number.";
        return false;
    }
    if (v <= 0) {
        why = what + " must be greater than zero.";
        return false;
    }
    constexpr double kSmallest = 1e-30;
    switch (kind) {
    case SDKind::Weight:
        if (v < kSmallest || v > 1e30) {
            why = what + " must lie between 1e-30 and 1e+30.";
            return false;
        }
        break;
    case SDKind::Length:
        if (v < kSmallest || v > 1e6) {
            why = what + " must lie between 1e-30 and 1000000 " + LengthUnitName(units) + ".";
            return false;
        }
        break;
    case SDKind::Angle:
        if (v < kSmallest || v > 400) {
            why = what + " must lie between 1e-30 and 400 gon (a whole circle).";
            return false;
        }
        break;
    }
    value = v;
    return true;
}

} // namespace kivo
