#pragma once
// Functional model: observation values and their analytic derivatives. Built on the same station
// frame and angle rules as the simulation, so that ideal observations close exactly.

#include <cstdint>

namespace kivo::eng {

// gon <-> radian with 3.1415927 as pi, in the simulation's order of factors.
double gonToRad(double gon);
double radToGon(double rad);

enum class Kind : std::uint8_t { Distance, HeightDiff, Direction, Zenith, Pseudo };

// Station frame M = Mz(rz) My(ry) Mx(rx) (row-major 3x3) and its derivatives by rx, ry, rz.
void stationFrame(const double rot[3], double m[9], double dm[3][9]);

// Value of an observation of kind k from element 1 to element 2 and its derivatives.
// p1: x, y, z, rx, ry, rz of element 1 (rotations only read for directions and zenith angles);
// p2: x, y, z of element 2. d1 receives 6 derivatives (positions then rotations), d2 receives 3.
// Lengths in the project unit, angles in gon, rotations in radians. Returns false when the
// observation has no defined value or derivative there (coincident points, a sighting along the
// instrument's vertical).
// `observed` (a direction's observed value, gon; negative when there is none) picks the branch of
// the horizontal-angle rule near 200 gon, where the rule jumps by 400 - 2 pi x 200 / 3.1415927
// (about 3.4e-6 gon) because 400 gon are not exactly a full turn under that value of pi. Taking
// the branch the observation came from keeps the model continuous around every observation, so
// a sighting along -x neither oscillates between the branches nor misses the simulated value.
bool evaluate(Kind k, const double p1[6], const double p2[3], double& value, double d1[6], double d2[3],
              double observed = -1.0);

// Reduces an angle difference in gon to (-200, 200].
double reduceGon(double diff);

} // namespace kivo::eng
