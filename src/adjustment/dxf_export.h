#pragma once
// File > Export Drawing and `kivo-cli render ... -o FILE.dxf`: one graphic view as a DXF drawing in
// the project's coordinates and length unit, so that it opens in a CAD program at true position and
// size. The view's horizontal axis is the drawing's X and its vertical axis the drawing's Y (plan:
// x, y; side: x, z; end: y, z).
//
// Layers: STATIONS, POINTS and SCALEBARS (a POINT entity at each element, with a small circle, a
// scale bar as the line between its two ends), COLLIMATIONS, DIRECTIONS, DISTANCES and HEIGHTS (a
// LINE per observation, in the views' colours), ELLIPSES (the error ellipses, magnified as the views
// draw them), LABELS (the names) and LIMITS (the limit box). A layer whose display toggle is off is
// written switched off, so that nothing of the network is missing from the file.

#include <string>

#include "adjustment/kivoMDIClient.h"

namespace kivo {

// Layer names, as CAD programs list them.
namespace dxf_layer {
constexpr const char* Stations = "STATIONS";
constexpr const char* Points = "POINTS";
constexpr const char* ScaleBars = "SCALEBARS";
constexpr const char* Collimations = "COLLIMATIONS";
constexpr const char* Directions = "DIRECTIONS";
constexpr const char* Distances = "DISTANCES";
constexpr const char* Heights = "HEIGHTS";
constexpr const char* Ellipses = "ELLIPSES";
constexpr const char* Labels = "LABELS";
constexpr const char* Limits = "LIMITS";
} // namespace dxf_layer

// The factor the error ellipses of `view` are magnified by against the drawing (the Display form's
// ellipse scale over the view's object scale).
double DxfEllipseMagnification(const kivoMDIClient& doc, int view);

// Writes view 0 (plan), 1 (side) or 2 (end) whole or not at all; false with errno set when the file
// cannot be written.
bool WriteViewDxf(const kivoMDIClient& doc, int view, const std::string& path);

// File > Export Drawing...: asks for the file and writes the view; a failure is told in a message box.
bool CmExportDrawing(kivoMDIClient& doc, int view);

} // namespace kivo
