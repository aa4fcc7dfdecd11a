#pragma once
// The station heat map drawn over the plan view: each cell of the field tinted from green (the
// best place for one more theodolite) to red (no better than now), multiplied into the picture so
// that the network's lines and symbols stay on top, and a legend with the values.

#include <QColor>
#include <QImage>
#include <QPoint>

#include "adjustment/design_advice.h"

class QPainter;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::views {

// t 0 (best) .. 1 (worst): green, yellow, red.
QColor FieldColour(double t);

// Tints the field over what is drawn already (canvas pixels of the plan view).
void DrawStationField(QPainter& p, const kivoMDIClient& doc, const StationField& f);
// The legend box with its top-left corner at `at` (canvas pixels).
void DrawFieldLegend(QPainter& p, const kivoMDIClient& doc, const StationField& f, QPoint at);
// The cell under canvas pixel (h, v) of the plan view; -1 outside the field.
int FieldCellAt(const kivoMDIClient& doc, const StationField& f, int h, int v);
// The real coordinates of the centre of a cell.
void FieldCellCentre(const StationField& f, int cell, double& x, double& y);

// The plan view's canvas with the field and its legend (kivo-cli heatmap).
QImage RenderStationField(const kivoMDIClient& doc, const StationField& f);

} // namespace kivo::views
