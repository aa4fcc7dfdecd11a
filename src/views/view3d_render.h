#pragma once
// The picture of the 3D view, drawn on any QPainter: the window (through OpenGL where it can),
// kivo-cli render, printing and the benchmark all draw through DrawScene3D.

#include <QImage>
#include <QSize>

#include "views/view3d_scene.h"
#include "views/view_render.h"

class QPainter;

namespace kivo::views {

// Draws the scene in window pixels 0..cam.width x 0..cam.height on a white ground: the limit box
// with its axis letters, the observation lines in the colours of the 2D views, the error
// ellipsoids (shaded, with their principal axes, coloured by the tolerance when one is set), the
// element symbols, the left-out marks, the highlighted connection, the names, the legend and an
// axis cross in the bottom right corner. Far things are drawn before near ones.
void DrawScene3D(QPainter& p, const kivoMDIClient& doc, const Scene3D& scene, const Camera3D& cam,
                 const Highlight& hl = {});

// Centres the camera on the network (the limit box when there are no elements) and scales it to
// fill the window, keeping the direction and the projection.
void FitToScene(Camera3D& cam, const Scene3D& scene);

// A camera of the given size looking from `v` at the whole network (the limit box when there are
// no elements), fitted to it.
Camera3D FittedCamera(const Scene3D& scene, int width, int height, StandardView v = StandardView::Oblique);

// The scene as an opaque image of the camera's size.
QImage RenderScene3D(const kivoMDIClient& doc, const Camera3D& cam, const Highlight& hl = {});

} // namespace kivo::views
