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
// Item data of a theodolite line: bits 0-30 the control line, bit 31 active, the high 32 bits the
// theodolite slot (room for every slot and every line of the largest tables).
constexpr std::uint64_t SETUP_ACTIVE_BIT = 0x80000000u;
inline std::uint64_t SetupTheoData(int theoSlot, int controlLine, bool active) {
    return (std::uint64_t(std::uint32_t(theoSlot)) << 32) | (active ? SETUP_ACTIVE_BIT : 0u) |
           (std::uint64_t(std::uint32_t(controlLine)) & 0x7FFFFFFFu);
}
inline int SetupTheoSlot(std::uint64_t data) {
    return static_cast<int>(data >> 32);
}
inline int SetupControlLine(std::uint64_t data) {
    return static_cast<int>(data & 0x7FFFFFFFu);
}
// Item data of a control line: the high 32 bits the element slot, all ones for the "none" line.
constexpr std::uint64_t SETUP_NONE_DATA = 0xFFFFFFFF00000000u;
inline std::uint64_t SetupControlData(int slot) {
    return std::uint64_t(std::uint32_t(slot)) << 32;
}
inline int SetupControlSlot(std::uint64_t data) {
    const std::uint64_t hi = data >> 32;
    return hi == 0xFFFFFFFFu ? -1 : static_cast<int>(hi);
}

// ---- Values the forms show and take -------------------------------------------------------
// A value as the element forms show it: left-aligned in 10 columns with three decimals, or more
// where the value has them, up to `maxDecimals` (trailing zeros past the third dropped). Read back,
// the text is the value to within half a unit of its last decimal.
std::string FormatFormValue(double v, int maxDecimals);
// The decimals that carry a length in project unit `units` down to the last decimal the listing
// prints of its small quantities (0.0001 mm, 0.001 thou): meters 7, mm 4, feet 8, inches 6.
int LengthDecimals(int units);
// The same for an angle in gon (0.0001 mgon).
constexpr int ANGLE_DECIMALS = 7;

// The short name of a project length unit: "m", "mm", "feet", "in".
const char* LengthUnitName(int units);

// A standard deviation or weight of Std Dev & Weights: a weight is a plain number, a length is in
// the project's unit, an angle in gon.
enum class SDKind { Weight, Length, Angle };
// Reads `text` typed for the quantity named `what` ("The Distance standard deviation"): true with
// `value` set when it can be taken; otherwise false with `why` saying so. A value must be a finite
// number above zero and not absurd: a weight within 1e-30 .. 1e30, a length within 1e-30 .. 1e6
// units, an angle within 1e-30 .. 400 gon (a whole circle).
bool ReadStdDev(const std::string& what, const std::string& text, SDKind kind, int units, double& value,
                std::string& why);

} // namespace kivo
