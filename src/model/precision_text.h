#pragma once
// Precision values as the user reads them everywhere (status bar, legends, advice, heat map,
// tooltips, kivo-cli's messages): standard deviations, ellipsoid axes, gains and tolerances in the
// project's sub-unit - mm for meters and millimeters projects, thou for feet and inches projects,
// the unit the listing uses - with 4 significant digits. Trailing zeros beyond the listing's
// decimals (4 in mm, 3 in thou) are dropped, so 0.07 mm reads "0.0700" as in the listing, while
// 0.0001234 mm keeps its four digits. Fixed notation, the same in every locale.

#include <string>

namespace kivo {

// Sub-units per project length unit (UNITS_METERS .. UNITS_INCHES): 1000, 1, 12000, 1000.
double PrecisionUnitsPerLength(int units);
// "mm" or "thou".
const char* PrecisionUnitName(int units);
// The decimals the listing prints in the sub-unit: 4 in mm, 3 in thou.
int PrecisionListingDecimals(int units);

// A value in project length units as the number in the sub-unit ("0.0700"); "-" when not finite.
std::string FormatPrecisionNumber(double lengthValue, int units);
// The number with its unit: "0.0700 mm".
std::string FormatPrecision(double lengthValue, int units);

} // namespace kivo
