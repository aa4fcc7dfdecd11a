#include <cmath>

#include "model/view_geometry.h"

namespace kivo {

// Sines of k x 15 degrees, for the 24-segment ellipse outlines; 2 pi at full precision here.
void ViewGeometry::TrigInit() {
    const double t = 8.0 * std::atan(1.0);
    for (int k = 0; k < 24; ++k)
        view_.TrigTable[k] = std::sin(k * t * (1.0 / 24));
}

} // namespace kivo
