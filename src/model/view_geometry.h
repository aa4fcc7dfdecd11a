#pragma once
// The scaling of the three graphic views: the scale factors from the screen and the project's
// scales, the canvas extents and origins from the limits, the pixel positions of the elements, and
// the sines of the ellipse outlines.

#include "model/document_state.h"
#include "model/host.h"
#include "model/records.h"

namespace kivo {

// Truncation toward zero, clamped to the int range (NaN gives 0).
int TruncToInt(double v);

class ViewGeometry {
public:
    // `host` is the document's current host pointer (the document may change it).
    ViewGeometry(ViewState& view, const ProjectSettings& project, NetworkStore& network, Host* const& host)
        : view_(view), project_(project), network_(network), host_(host) {}

    void SetScaleFactors();
    void SetWindowParms();
    void CalcPixelPos(COMMON& theObject) const;
    // The pixel positions of every live element.
    void ProcessSimData();
    // Fills TrigTable.
    void TrigInit();

private:
    ViewState& view_;
    const ProjectSettings& project_;
    NetworkStore& network_;
    Host* const& host_;
};

} // namespace kivo
