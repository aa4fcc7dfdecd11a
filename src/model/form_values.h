#pragma once
// Text and number conversions of the forms, and the small rules they apply to what is typed.
// Kept free of any window system so the rules are tested on their own.

#include <cstdint>
#include <string>

namespace kivo {

class NetworkDocument;

// Reads a real the way "%lf" does: leading blanks, then the longest number prefix ("12abc" reads 12).
// False when the text does not start with a number; `out` is then left unchanged.
bool ScanReal(const std::string& text, double& out);
// The same for an integer ("%d").
bool ScanInt(const std::string& text, int& out);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A coordinate brought into the project limits: first raised to `lo`, then lowered to `hi`.
double ClampToLimits(double v, double lo, double hi);

// The axis letter of row i (0, 1, 2) for coordinate order axisType (0 xyz, 1 zxy), taken from
// the document's six letters X, Y, Z, Z, X, Y.
char AxisLetter(const char label[6], int axisType, int i);

// Coordinate status word from the Fix/Apx/Unk choice (COORD_FIX, COORD_APX, COORD_UNK) of each
// component, component k at bits 2k and 2k+1.
std::int32_t CoordStatFrom(const int* choice, int components);

// The adjustment dimension: 1 .. 3, anything else becomes 3.
int ClampDimension(int dimension);

// The ellipse scale as the Display form shows it. The document keeps `ellScale` in project length
// units of error per centimetre of screen; the form's row reads "1 cm = n mm" for meters and mm
// projects and "1 in = n mils" (thousandths of an inch of error per inch of screen) for feet and
// inches projects. `units` is UNITS_METERS .. UNITS_INCHES.
double EllScaleToForm(double ellScale, int units);
double EllScaleFromForm(double shown, int units);

// ---- Theodolite Setup lines ----------------------------------------------------------------
// A theodolite line: " pp  tt   name      active  " (28 characters) followed by the target text.
constexpr int SETUP_STATUS_COLUMN = 20; // where "active  " / "inactive" starts
constexpr int SETUP_TARGET_COLUMN = 28; // where the target text starts
std::string SetupTheoLine(int pos, int theo, const char* name, bool active, const char* targetName);
// Item data of a theodolite line: low 15 bits the control line, bit 15 active, high word the slot.
constexpr std::uint32_t SETUP_ACTIVE_BIT = 0x8000;
inline std::uint32_t SetupTheoData(int theoSlot, int controlLine, bool active) {
    return (std::uint32_t(theoSlot) << 16) | (active ? SETUP_ACTIVE_BIT : 0u) |
           (std::uint32_t(controlLine) & 0x7FFF);
}
// Item data of a control line: high word the element slot, 0xFFFF for the "none" line.
constexpr std::uint32_t SETUP_NONE_DATA = 0xFFFF0000u;
inline int SetupControlSlot(std::uint32_t data) {
    std::uint32_t hi = data >> 16;
    return hi == 0xFFFF ? -1 : static_cast<int>(hi);
}

} // namespace kivo
