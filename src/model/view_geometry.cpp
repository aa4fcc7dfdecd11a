// The mapping between model coordinates and canvas pixels of the three views.
//   view 0 (plan): x across, y up;  view 1 (side): x across, z up;  view 2 (end): y across, z up.

#include <cmath>
#include <limits>

#include "model/network_document.h"

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

void NetworkDocument::SetScaleFactors() {
    int horzRes, vertRes, horzSize, vertSize;
    host_->ScreenMetrics(horzRes, vertRes, horzSize, vertSize);
    // Pixels per model unit: the scales are model units per centimetre of screen.
    const double h = 10.0 * horzRes / horzSize;
    const double v = 10.0 * vertRes / vertSize;
    hObjScale[0] = h / objScale1;
    vObjScale[0] = v / objScale2;
    hObjScale[1] = h / objScale1;
    vObjScale[1] = v / objScale3;
    hObjScale[2] = h / objScale2;
    vObjScale[2] = v / objScale3;
    hEllScale = h / ellScale;
    vEllScale = v / ellScale;
    // Integer arithmetic, product first; a border from a damaged file cannot overflow.
    hBordPix = TruncToInt(static_cast<double>(static_cast<long long>(horzRes) * hBordSize / horzSize));
    vBordPix = TruncToInt(static_cast<double>(static_cast<long long>(vertRes) * vBordSize / vertSize));
}

void NetworkDocument::SetWindowParms() {
    const double hMin[3] = {xMin, xMin, yMin}, hMax[3] = {xMax, xMax, yMax};
    const double vMin[3] = {yMin, zMin, zMin}, vMax[3] = {yMax, zMax, zMax};
    for (int k = 0; k < 3; ++k) {
        hExtent[k] = TruncToInt(std::trunc((hMax[k] - hMin[k]) * hObjScale[k]) + 2.0 * hBordPix + 1);
        vExtent[k] = TruncToInt(std::trunc((vMax[k] - vMin[k]) * vObjScale[k]) + 2.0 * vBordPix + 1);
        hBase[k] = hMin[k] - hBordPix / hObjScale[k];
        vBase[k] = vMax[k] + vBordPix / vObjScale[k];
    }
}

void NetworkDocument::CalcPixelPos(COMMON& e) {
    const double h[3] = {e.xReal, e.xReal, e.yReal};
    const double v[3] = {e.yReal, e.zReal, e.zReal};
    for (int k = 0; k < 3; ++k) {
        e.hcoord[k] = TruncToInt((h[k] - hBase[k]) * hObjScale[k]);
        e.vcoord[k] = TruncToInt((vBase[k] - v[k]) * vObjScale[k]);
    }
}

void NetworkDocument::ProcessSimData() {
    for (int i = 0; i < nMaxTheos; ++i)
        if (theoList[i].flags & ELEM_INUSE) CalcPixelPos(theoList[i]);
    for (int i = 0; i < nMaxPoints; ++i)
        if (pointList[i].flags & ELEM_INUSE) CalcPixelPos(pointList[i]);
    for (int i = 0; i < nMaxSBars; ++i)
        if (sbarList[i].flags & ELEM_INUSE) CalcPixelPos(sbarList[i]);
}

} // namespace kivo
