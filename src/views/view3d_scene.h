#pragma once
// The geometry of the 3D view, free of any window system: the camera (orbit, zoom, pan, the
// standard directions, perspective or orthographic), the network gathered into a scene in model
// coordinates, the error ellipsoid of an element projected to the screen, and picking.
//
// Screen pixels run right and down from the top-left corner of the window. Angles of the camera
// are in degrees: the azimuth turns the eye about the vertical (z) axis, 0 looking along +y (the
// side view's direction, x to the right, z up), 90 looking along -x (the end view's direction, y
// to the right); the elevation lifts the eye, 90 looking straight down (the plan view, x to the
// right, y up).

#include <Eigen/Core>
#include <string>
#include <vector>

namespace kivo {
class kivoMDIClient;
}

namespace kivo::views {

using P3 = Eigen::Vector3d;

enum class StandardView { Top, Front, Side, Oblique };

struct ScreenPoint {
    double x = 0, y = 0;
    double depth = 0;     // towards the eye from the orbit centre, length unit (larger is nearer)
    bool visible = false; // false behind the eye (perspective only)
};

struct Camera3D {
    double azimuthDeg = 35, elevationDeg = 25;
    P3 target = P3::Zero();     // the orbit centre
    double pixelsPerUnit = 1.0; // at the orbit centre's depth
    double distance = 100.0;    // eye to orbit centre (perspective), length unit
    bool perspective = false;
    double panX = 0, panY = 0; // where the orbit centre shows, pixels from the window centre
    int width = 640, height = 480;

    // Unit vectors of the screen's right and up, and from the orbit centre towards the eye.
    P3 Right() const;
    P3 Up() const;
    P3 Toward() const;

    ScreenPoint Project(const P3& p) const;
    // Pixels per length unit at the depth of p (the perspective foreshortening; constant when
    // orthographic). 0 behind the eye.
    double ScaleAt(const P3& p) const;

    // Turns the eye about the orbit centre; the elevation is held within [-90, 90].
    void Orbit(double dAzimuthDeg, double dElevationDeg);
    // Magnifies by `factor` keeping what lies under window pixel (x, y) there.
    void ZoomAt(double factor, double x, double y);
    void Pan(double dx, double dy) { panX += dx, panY += dy; }
    // Centres the box lo..hi and scales it to fill the window with a margin; the perspective eye is
    // put at 2.5 box diagonals.
    void Fit(const P3& lo, const P3& hi);
    void SetStandard(StandardView v);
};

// The camera's projection with its axes worked out once, for projecting many points.
class Projector {
public:
    explicit Projector(const Camera3D& cam);
    ScreenPoint operator()(const P3& p) const;
    double ScaleAt(const P3& p) const;
    const P3& right() const { return r_; }
    const P3& up() const { return u_; }
    const P3& toward() const { return e_; }

private:
    P3 r_, u_, e_, target_;
    double k_, distance_, cx_, cy_;
    bool perspective_;
};

// A projected error ellipsoid: its outline on the screen is the ellipse centred at (cx, cy) with
// semi-axes a >= b (pixels), the a-axis at `angle` radians from the screen's x axis turning
// towards its y axis (downwards). halfWidth and halfHeight are the outline's extents from the
// centre along the screen axes. axes[k] are the three principal semi-axes, projected (dx, dy).
struct ScreenEllipsoid {
    double cx = 0, cy = 0;
    double a = 0, b = 0, angle = 0;
    double halfWidth = 0, halfHeight = 0;
    double axes[3][2] = {};
    bool visible = false;
};

// The ellipsoid of covariance q (length unit squared) at `centre`, drawn `magnify` times its true
// size, seen with the camera: the orthographic projection of an ellipsoid with covariance C is
// the ellipse with covariance J C J^T, J the 2x3 screen Jacobian at the centre.
ScreenEllipsoid ProjectEllipsoid(const Camera3D& cam, const P3& centre, const Eigen::Matrix3d& q,
                                 double magnify);
ScreenEllipsoid ProjectEllipsoid(const Projector& proj, const P3& centre, const Eigen::Matrix3d& q,
                                 double magnify);

// One element of the network in model coordinates.
struct Element3D {
    int kind = 0; // SEL_THEO, SEL_POINT, SEL_SBAR
    int slot = -1;
    P3 pos = P3::Zero();
    bool hasCovariance = false;
    Eigen::Matrix3d q = Eigen::Matrix3d::Zero();    // position covariance, 1 sigma
    P3 zeroDirection = P3::UnitX();                 // theodolite: the horizontal circle's zero, unit
    P3 barLeft = P3::Zero(), barRight = P3::Zero(); // scale bar: its two ends
};

// One observation line between two elements (kind SEL_COLLIMATE .. SEL_PTHEIGHT, ends as the
// selection names them: owner theodolite or source point first).
struct Line3D {
    int kind = 0;
    int a = 0, b = 0;
    P3 p1 = P3::Zero(), p2 = P3::Zero();
};

struct Scene3D {
    std::vector<Element3D> elements;           // theodolites, then points, then scale bars, by slot
    std::vector<Line3D> lines;                 // in the order the plan view draws and hits them
    P3 boxLo = P3::Zero(), boxHi = P3::Zero(); // the project limits
    P3 netLo = P3::Zero(), netHi = P3::Zero(); // the elements' extent (the limits when none)
    // Ellipsoids are drawn this many times their true size: the ellipse scale over the plan view's
    // drawing scale, so that at the plan view's scale an ellipsoid is as large as its ellipses.
    double magnify = 1.0;
    // The drawn ellipsoid's factor on the 1-sigma one (the 95 % confidence of three dimensions).
    double confidence = 1.0;
};

// Gathers the elements in use, the observation lines of the displayed kinds and, with valid
// ellipses, each element's covariance.
Scene3D BuildScene(const kivoMDIClient& doc);

// The element or line under window pixel (x, y), by the plan view's rules on projected pixels:
// elements first (theodolites, points, scale bars; a 10 x 10 pixel box about the element), then
// the displayed lines in the order they are drawn, each within 4 pixels. kind 0: nothing.
struct Pick3D {
    int kind = 0;
    int a = 0, b = 0; // element: a = slot; line: its two ends
};
Pick3D PickAt(const Scene3D& scene, const Camera3D& cam, int x, int y);

// Makes `pick` the document's selection as a click of the select tool in a 2D view does (the
// selection fields and `selection`); returns the hit value (0xFFFF for nothing).
long ApplyPick(kivoMDIClient& doc, const Pick3D& pick);

} // namespace kivo::views
