#include "views/view3d_scene.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>

#include "adjustment/ellipsoid.h"
#include "adjustment/kivoMDIClient.h"
#include "model/hit_test.h"
#include "simulation/angles.h"
#include "simulation/scale_bar.h"

namespace kivo::views {

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
// Nearest depth in front of the eye that is still drawn (a fraction of the eye's distance).
constexpr double kNearFraction = 0.02;

P3 Of(const COMMON& c) {
    return {c.xReal, c.yReal, c.zReal};
}

} // namespace

P3 Camera3D::Right() const {
    const double az = azimuthDeg * kDegToRad;
    return {std::cos(az), std::sin(az), 0.0};
}

P3 Camera3D::Toward() const {
    const double az = azimuthDeg * kDegToRad, el = elevationDeg * kDegToRad;
    return {std::cos(el) * std::sin(az), -std::cos(el) * std::cos(az), std::sin(el)};
}

P3 Camera3D::Up() const {
    return Toward().cross(Right());
}

double Camera3D::ScaleAt(const P3& p) const {
    return Projector(*this).ScaleAt(p);
}

ScreenPoint Camera3D::Project(const P3& p) const {
    return Projector(*this)(p);
}

Projector::Projector(const Camera3D& cam)
    : r_(cam.Right()), e_(cam.Toward()), target_(cam.target), k_(cam.pixelsPerUnit), distance_(cam.distance),
      cx_(cam.width / 2.0 + cam.panX), cy_(cam.height / 2.0 + cam.panY), perspective_(cam.perspective) {
    u_ = e_.cross(r_);
}

double Projector::ScaleAt(const P3& p) const {
    if (!perspective_) return k_;
    const double z = distance_ - (p - target_).dot(e_); // depth in front of the eye
    if (z < kNearFraction * distance_) return 0.0;
    return k_ * distance_ / z;
}

ScreenPoint Projector::operator()(const P3& p) const {
    const P3 d = p - target_;
    ScreenPoint s;
    s.depth = d.dot(e_);
    double k = k_;
    if (perspective_) {
        const double z = distance_ - s.depth;
        k = z < kNearFraction * distance_ ? 0.0 : k_ * distance_ / z;
    }
    s.visible = k > 0.0;
    s.x = cx_ + k * d.dot(r_);
    s.y = cy_ - k * d.dot(u_);
    return s;
}

void Camera3D::Orbit(double dAzimuthDeg, double dElevationDeg) {
    azimuthDeg = std::fmod(azimuthDeg + dAzimuthDeg, 360.0);
    if (azimuthDeg < 0) azimuthDeg += 360.0;
    elevationDeg = std::clamp(elevationDeg + dElevationDeg, -90.0, 90.0);
}

void Camera3D::ZoomAt(double factor, double x, double y) {
    if (!(factor > 0) || !std::isfinite(factor)) return;
    // A point at offset u from the projected orbit centre moves to factor * u: the pan takes the
    // difference so that the point under (x, y) stays.
    const double ox = x - width / 2.0, oy = y - height / 2.0;
    panX = ox - factor * (ox - panX);
    panY = oy - factor * (oy - panY);
    pixelsPerUnit *= factor;
}

void Camera3D::Fit(const P3& lo, const P3& hi) {
    target = (lo + hi) / 2;
    panX = panY = 0;
    const double diagonal = std::max((hi - lo).norm(), 1e-9);
    distance = 2.5 * diagonal;
    // The box's circumscribed sphere fits the smaller side of the window with 8 % to spare; in
    // perspective its near side is magnified by at most distance / (distance - radius).
    const double radius = diagonal / 2;
    const double side = std::max(1, std::min(width, height));
    double k = 0.92 * side / (2 * radius);
    if (perspective) k *= (distance - radius) / distance;
    pixelsPerUnit = k;
}

void Camera3D::SetStandard(StandardView v) {
    switch (v) {
    case StandardView::Top:
        azimuthDeg = 0, elevationDeg = 90;
        break;
    case StandardView::Front:
        azimuthDeg = 0, elevationDeg = 0;
        break;
    case StandardView::Side:
        azimuthDeg = 90, elevationDeg = 0;
        break;
    case StandardView::Oblique:
        azimuthDeg = 35, elevationDeg = 25;
        break;
    }
}

ScreenEllipsoid ProjectEllipsoid(const Camera3D& cam, const P3& centre, const Eigen::Matrix3d& q,
                                 double magnify) {
    return ProjectEllipsoid(Projector(cam), centre, q, magnify);
}

ScreenEllipsoid ProjectEllipsoid(const Projector& proj, const P3& centre, const Eigen::Matrix3d& q,
                                 double magnify) {
    ScreenEllipsoid e;
    const ScreenPoint c = proj(centre);
    e.cx = c.x, e.cy = c.y;
    const double k = proj.ScaleAt(centre);
    if (!c.visible || !(k > 0) || !q.allFinite()) return e;
    // Screen Jacobian at the centre (rows: screen x, screen y downwards), the magnification in it.
    Eigen::Matrix<double, 2, 3> j;
    j.row(0) = k * magnify * proj.right().transpose();
    j.row(1) = -k * magnify * proj.up().transpose();
    const Eigen::Matrix2d s = j * q * j.transpose();
    e.halfWidth = std::sqrt(std::max(0.0, s(0, 0)));
    e.halfHeight = std::sqrt(std::max(0.0, s(1, 1)));
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> es(s);
    const Eigen::Vector2d l = es.eigenvalues(); // ascending
    const Eigen::Matrix2d v = es.eigenvectors();
    e.a = std::sqrt(std::max(0.0, l(1)));
    e.b = std::sqrt(std::max(0.0, l(0)));
    e.angle = std::atan2(v(1, 1), v(0, 1));
    // The principal semi-axes of the ellipsoid: eigenvectors scaled by the root of their variance.
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> e3(q);
    for (int i = 0; i < 3; ++i) {
        const Eigen::Vector2d d =
            j * e3.eigenvectors().col(i) * std::sqrt(std::max(0.0, e3.eigenvalues()(i)));
        e.axes[i][0] = d(0);
        e.axes[i][1] = d(1);
    }
    e.visible = std::isfinite(e.a) && std::isfinite(e.b);
    return e;
}

Scene3D BuildScene(const kivoMDIClient& doc) {
    Scene3D s;
    s.boxLo = {doc.xMin, doc.yMin, doc.zMin};
    s.boxHi = {doc.xMax, doc.yMax, doc.zMax};
    if (doc.hObjScale[0] > 0 && std::isfinite(doc.hEllScale / doc.hObjScale[0]))
        s.magnify = doc.hEllScale / doc.hObjScale[0];
    s.confidence = doc.precision.ellipsoidFactor();
    const bool ellipses = doc.bValEllip;
    auto add = [&](int kind, int slot, const COMMON& c) -> Element3D& {
        Element3D e;
        e.kind = kind;
        e.slot = slot;
        e.pos = Of(c);
        double q[3][3];
        if (ellipses && kind != SEL_SBAR && PositionCovariance(c, q)) {
            e.hasCovariance = true;
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k)
                    e.q(i, k) = q[i][k];
        }
        s.elements.push_back(e);
        return s.elements.back();
    };
    for (int i = 0; i < doc.nMaxTheos; ++i) {
        const THEODOLITE& t = doc.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        Element3D& e = add(SEL_THEO, i, t);
        // The instrument reads d' = M d; its horizontal zero is the world direction of d' = +x,
        // the first row of M, laid flat.
        const StationFrame f(t.xRotation, t.yRotation, t.zRotation);
        const P3 zero(f.m[0][0], f.m[0][1], 0.0);
        if (zero.norm() > 1e-9) e.zeroDirection = zero.normalized();
    }
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) add(SEL_POINT, i, doc.pointList[i]);
    for (int i = 0; i < doc.nMaxSBars; ++i) {
        const SCALEBAR& b = doc.sbarList[i];
        if (!(b.flags & ELEM_INUSE)) continue;
        Element3D& e = add(SEL_SBAR, i, b);
        Vec3 l, r;
        ScaleBarEnds(b, l, r);
        e.barLeft = {l.x, l.y, l.z};
        e.barRight = {r.x, r.y, r.z};
    }

    if (s.elements.empty()) {
        s.netLo = s.boxLo, s.netHi = s.boxHi;
    } else {
        s.netLo = s.netHi = s.elements.front().pos;
        for (const Element3D& e : s.elements) {
            s.netLo = s.netLo.cwiseMin(e.pos);
            s.netHi = s.netHi.cwiseMax(e.pos);
        }
    }

    auto line = [&](int kind, int a, int b, const COMMON& ca, const COMMON& cb) {
        s.lines.push_back(Line3D{kind, a, b, Of(ca), Of(cb)});
    };
    auto stationLines = [&](int kind, auto member, auto targetOf) {
        for (int i = 0; i < doc.nMaxTheos; ++i) {
            const THEODOLITE& t = doc.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            const auto& list = t.*member;
            for (int k = 0; k < list.size(); ++k)
                line(kind, i, list[k].target, t, targetOf(list[k].target));
        }
    };
    auto theo = [&](int i) -> const COMMON& { return doc.theoList[i]; };
    auto point = [&](int i) -> const COMMON& { return doc.pointList[i]; };
    auto sbar = [&](int i) -> const COMMON& { return doc.sbarList[i]; };
    auto globalLines = [&](int kind, const auto& list, int nMax) {
        for (int i = 0; i < nMax; ++i)
            if (list[i].flags & OBS_INUSE)
                line(kind, list[i].source, list[i].target, point(list[i].source), point(list[i].target));
    };
    if (doc.bCollimate) stationLines(SEL_COLLIMATE, &THEODOLITE::thList, theo);
    if (doc.bDirect) {
        stationLines(SEL_PTDIRECT, &THEODOLITE::ptList, point);
        stationLines(SEL_SBDIRECT, &THEODOLITE::sbList, sbar);
    }
    if (doc.bDistance) {
        stationLines(SEL_DISTANCE, &THEODOLITE::dsList, point);
        globalLines(SEL_PTDISTANCE, doc.distList, doc.nMaxDists);
    }
    if (doc.bHeight) {
        stationLines(SEL_HEIGHT, &THEODOLITE::hdList, point);
        globalLines(SEL_PTHEIGHT, doc.heightList, doc.nMaxHeights);
    }
    return s;
}

Pick3D PickAt(const Scene3D& scene, const Camera3D& cam, int x, int y) {
    const Projector project(cam);
    // Elements: the half-open box h - 5 <= x < h + 5, v - 5 <= y < v + 5 about the projected
    // position truncated to whole pixels, as the 2D views test it.
    for (const Element3D& e : scene.elements) {
        const ScreenPoint p = project(e.pos);
        if (!p.visible) continue;
        const int h = static_cast<int>(p.x), v = static_cast<int>(p.y);
        if (h - 5 <= x && x < h + 5 && v - 5 <= y && y < v + 5) return {e.kind, e.slot, 0};
    }
    for (const Line3D& l : scene.lines) {
        const ScreenPoint p1 = project(l.p1), p2 = project(l.p2);
        if (!p1.visible || !p2.visible) continue;
        if (LineHit(static_cast<int>(p1.x), static_cast<int>(p1.y), static_cast<int>(p2.x),
                    static_cast<int>(p2.y), x, y))
            return {l.kind, l.a, l.b};
    }
    return {};
}

long ApplyPick(kivoMDIClient& doc, const Pick3D& pick) {
    doc.selectType = pick.kind;
    long key = 0xFFFF;
    switch (pick.kind) {
    case SEL_NONE:
        return doc.selection = 0xFFFF;
    case SEL_THEO:
    case SEL_POINT:
    case SEL_SBAR:
        doc.index = pick.a;
        key = pick.a & 0xFFFF;
        break;
    case SEL_COLLIMATE:
        doc.stationA = pick.a, doc.stationB = pick.b;
        break;
    case SEL_PTDISTANCE:
    case SEL_PTHEIGHT:
        doc.targetA = pick.a, doc.targetB = pick.b;
        break;
    default:
        doc.station = pick.a, doc.target = pick.b;
        break;
    }
    if (pick.kind >= SEL_COLLIMATE) key = ((static_cast<long>(pick.a) << 8) | pick.b) & 0xFFFF;
    const long value = static_cast<long>(pick.kind) * 65536 + key;
    doc.selection = static_cast<int>(value);
    return value;
}

} // namespace kivo::views
