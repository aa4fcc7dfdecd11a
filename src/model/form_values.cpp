#include "model/form_values.h"

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

} // namespace kivo
