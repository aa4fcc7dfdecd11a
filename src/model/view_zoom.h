#pragma once
// Zooming the graphic views and fitting a drawing into a window or onto a page: the arithmetic on
// the project's drawing scales (length units per centimetre), free of any window system.
//
// The three views share their scales per axis: plan x/y (objScale1, objScale2), side x/z
// (objScale1, objScale3), end y/z (objScale2, objScale3). A zoom or a fit in any view scales all
// three by one factor, so that each view keeps its proportions; it changes the project's scales,
// and the Display form, the project file and the printout all see the new drawing.

#include "model/document_state.h"

namespace kivo {

// A box in the plane of a view: u across, w up (plan x/y, side x/z, end y/z).
struct PlaneBox {
    double uMin = 0, uMax = 0, wMin = 0, wMax = 0;
    bool valid = false;
    double width() const { return uMax - uMin; }
    double height() const { return wMax - wMin; }
    double uMid() const { return (uMin + uMax) / 2; }
    double wMid() const { return (wMin + wMax) / 2; }
};

// The limit box of the project in the plane of `view`.
PlaneBox LimitPlaneBox(const ProjectSettings& s, int view);
// The box around every live element in the plane of `view` (invalid when there is none).
PlaneBox NetworkPlaneBox(const NetworkStore& n, int view);
// What Zoom to Fit shows: the network where it lies in the limit box (the canvas ends at the limit
// box, nothing outside it can be shown); the limit box when there is no network or it is a single
// spot or lies wholly outside.
PlaneBox FitTarget(const ProjectSettings& s, const NetworkStore& n, int view);

// The project's scale fields of the horizontal and vertical axis of `view`.
double& HorzScale(ProjectSettings& s, int view);
double& VertScale(ProjectSettings& s, int view);

// The smallest scale a zoom goes to: the Display form shows hundredths.
constexpr double kMinDrawingScale = 0.01;
// A drawing scale rounded to three significant digits and, for the project's scales
// (`hundredths`), to hundredths and never below kMinDrawingScale; `up` rounds to the coarser
// drawing (the larger number), else to the nearest.
double RoundScale(double scale, bool up, bool hundredths = true);
// The scale after zooming by `factor` (above 1 magnifies); at least one hundredth away from the
// old one unless it is at kMinDrawingScale.
double ZoomedScale(double scale, double factor);

// The common factor on a view's two scales (hs across, vs up) that makes a box of `width` x
// `height` length units take at most `availH` x `availV` pixels at `hPixPerCm` x `vPixPerCm`
// pixels per centimetre, as large a drawing as fits. A side of no length asks nothing; 0 when
// nothing can be fitted (no room, no box, no scale).
double FitFactor(double width, double height, double hPixPerCm, double vPixPerCm, int availH, int availV,
                 double hs, double vs);
// The view's two scales times FitFactor, rounded up (so that the box still fits); the ratio of
// the two is kept (a side view drawn exaggerated stays so). False (scales untouched) when nothing
// can be fitted. `hundredths` as for RoundScale.
bool FitScales(double width, double height, double hPixPerCm, double vPixPerCm, int availH, int availV,
               double& hs, double& vs, bool hundredths = true);

// Zooming by `factor` (above 1 magnifies): all three scales at once, so that every view keeps the
// proportions the Display settings give it and the views go on showing one drawing. False when
// none changes (the finest scale reached).
bool ZoomAllScales(ProjectSettings& s, double factor);
// All three scales times `k` (a FitFactor), rounded up.
void ScaleAllScales(ProjectSettings& s, double k);

} // namespace kivo
