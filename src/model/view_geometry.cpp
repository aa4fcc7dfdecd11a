// The mapping between model coordinates and canvas pixels of the three views.
//   view 0 (plan): x across, y up;  view 1 (side): x across, z up;  view 2 (end): y across, z up.

#include <cmath>
#include <limits>

#include "model/view_geometry.h"

namespace kivo {

// Truncation toward zero, kept inside the int range (a scale of zero from a broken settings file
// or a coordinate far outside the limits must not make the conversion undefined).
int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (v <= lo) return std::numeric_limits<int>::min();
    if (v >= hi) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

void ViewGeometry::SetScaleFactors() {
    int horzRes, vertRes, horzSize, vertSize;
    host_->ScreenMetrics(horzRes, vertRes, horzSize, vertSize);
    // Pixels per model unit: the scales are model units per centimetre of screen.
    const double h = 10.0 * horzRes / horzSize;
    const double v = 10.0 * vertRes / vertSize;
    view_.hObjScale[0] = h / project_.objScale1;
    view_.vObjScale[0] = v / project_.objScale2;
    view_.hObjScale[1] = h / project_.objScale1;
    view_.vObjScale[1] = v / project_.objScale3;
    view_.hObjScale[2] = h / project_.objScale2;
    view_.vObjScale[2] = v / project_.objScale3;
    view_.hEllScale = h / project_.ellScale;
    view_.vEllScale = v / project_.ellScale;
    // Integer arithmetic, product first; a border from a damaged file cannot overflow.
    view_.hBordPix =
        TruncToInt(static_cast<double>(static_cast<long long>(horzRes) * project_.hBordSize / horzSize));
    view_.vBordPix =
        TruncToInt(static_cast<double>(static_cast<long long>(vertRes) * project_.vBordSize / vertSize));
}

void ViewGeometry::SetWindowParms() {
    const double hMin[3] = {project_.xMin, project_.xMin, project_.yMin},
                 hMax[3] = {project_.xMax, project_.xMax, project_.yMax};
    const double vMin[3] = {project_.yMin, project_.zMin, project_.zMin},
                 vMax[3] = {project_.yMax, project_.zMax, project_.zMax};
    for (int k = 0; k < 3; ++k) {
        view_.hExtent[k] =
            TruncToInt(std::trunc((hMax[k] - hMin[k]) * view_.hObjScale[k]) + 2.0 * view_.hBordPix + 1);
        view_.vExtent[k] =
            TruncToInt(std::trunc((vMax[k] - vMin[k]) * view_.vObjScale[k]) + 2.0 * view_.vBordPix + 1);
        view_.hBase[k] = hMin[k] - view_.hBordPix / view_.hObjScale[k];
        view_.vBase[k] = vMax[k] + view_.vBordPix / view_.vObjScale[k];
    }
}

void ViewGeometry::CalcPixelPos(COMMON& e) const {
    const double h[3] = {e.xReal, e.xReal, e.yReal};
    const double v[3] = {e.yReal, e.zReal, e.zReal};
    for (int k = 0; k < 3; ++k) {
        e.hcoord[k] = TruncToInt((h[k] - view_.hBase[k]) * view_.hObjScale[k]);
        e.vcoord[k] = TruncToInt((view_.vBase[k] - v[k]) * view_.vObjScale[k]);
    }
}

void ViewGeometry::ProcessSimData() {
    for (int i = 0; i < network_.nMaxTheos; ++i)
        if (network_.theoList[i].flags & ELEM_INUSE) CalcPixelPos(network_.theoList[i]);
    for (int i = 0; i < network_.nMaxPoints; ++i)
        if (network_.pointList[i].flags & ELEM_INUSE) CalcPixelPos(network_.pointList[i]);
    for (int i = 0; i < network_.nMaxSBars; ++i)
        if (network_.sbarList[i].flags & ELEM_INUSE) CalcPixelPos(network_.sbarList[i]);
}

} // namespace kivo
