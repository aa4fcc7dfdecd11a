#include "views/view3d_render.h"

#include <QPainter>
#include <QRadialGradient>
#include <QVector>
#include <algorithm>
#include <cmath>

#include "adjustment/kivoMDIClient.h"
#include "adjustment/precision.h"
#include "views/raster_canvas.h"
#include "views/symbols.h"
#include "views/view_render.h"

namespace kivo::views {

namespace {

const QColor kGreen(0, 255, 0), kBlue(0, 0, 255), kRed(255, 0, 0), kYellow(255, 255, 0),
    kMagenta(255, 0, 255);
// Ellipsoid tints: no tolerance, within it, outside it.
const QColor kPlainTint(70, 110, 190), kWithinTint(0, 160, 0), kOutsideTint(230, 0, 0);
// Length of one unit of the instrument symbol, pixels (the symbols keep their size on the screen).
constexpr double kSymbolUnit = 12.0;
constexpr double kPi = 3.14159265358979323846;

QPen Pen(const QColor& c, qreal width = 1, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(c, width, style, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return pen;
}

struct Painter3D {
    QPainter& p;
    const kivoMDIClient& doc;
    const Scene3D& scene;
    const Camera3D& cam;
    const Projector project;
    // Set when the painter draws straight onto an image: lines and names are then written into
    // its pixels, as the 2D views do (the raster engine costs several times more per line).
    const RasterTarget rt;

    QPointF At(const P3& x) const {
        const ScreenPoint s = project(x);
        return {s.x, s.y};
    }
    // A model direction as a screen vector `pixels` long per unit (it shrinks as the direction
    // turns towards the eye).
    QPointF Dir(const P3& d, double pixels) const {
        return {pixels * d.dot(project.right()), -pixels * d.dot(project.up())};
    }
    bool Inside(const QPointF& q, double margin) const {
        return q.x() > -margin && q.y() > -margin && q.x() < cam.width + margin &&
               q.y() < cam.height + margin;
    }

    void Box() {
        const P3& lo = scene.boxLo;
        const P3& hi = scene.boxHi;
        auto corner = [&](int i) {
            return P3(i & 1 ? hi.x() : lo.x(), i & 2 ? hi.y() : lo.y(), i & 4 ? hi.z() : lo.z());
        };
        QVector<QLineF> edges;
        for (int i = 0; i < 8; ++i)
            for (int bit : {1, 2, 4}) {
                if (i & bit) continue;
                const ScreenPoint a = project(corner(i)), b = project(corner(i | bit));
                if (a.visible && b.visible) edges.append(QLineF(a.x, a.y, b.x, b.y));
            }
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Pen(Qt::black, 1, Qt::DashDotDotLine));
        p.drawLines(edges);
        // The letters of the three axes at the far ends of the edges from the lowest corner.
        const QFontMetrics fm = p.fontMetrics();
        const ScreenPoint o = project(lo);
        for (int k = 0; k < 3; ++k) {
            P3 end = lo;
            end(k) = hi(k);
            const ScreenPoint e = project(end);
            if (!o.visible || !e.visible) continue;
            QPointF d(e.x - o.x, e.y - o.y);
            const double n = std::hypot(d.x(), d.y());
            d = n > 1e-6 ? d / n : QPointF(0, -1);
            const QString letter(QChar::fromLatin1(doc.label[3 * doc.axisType + k]));
            const QPointF c = QPointF(e.x, e.y) + 10 * d;
            p.setPen(Qt::black);
            p.drawText(c + QPointF(-fm.horizontalAdvance(letter) / 2.0, fm.ascent() / 2.0 - 1), letter);
        }
    }

    void Lines() {
        p.setRenderHint(QPainter::Antialiasing, false);
        QVector<QLineF> batch[4];
        for (const Line3D& l : scene.lines) {
            const ScreenPoint a = project(l.p1), b = project(l.p2);
            if (!a.visible || !b.visible) continue;
            if (std::max(a.x, b.x) < 0 || std::min(a.x, b.x) > cam.width || std::max(a.y, b.y) < 0 ||
                std::min(a.y, b.y) > cam.height)
                continue;
            const int i = l.kind == SEL_COLLIMATE                                ? 0
                          : (l.kind == SEL_PTDIRECT || l.kind == SEL_SBDIRECT)   ? 1
                          : (l.kind == SEL_DISTANCE || l.kind == SEL_PTDISTANCE) ? 2
                                                                                 : 3;
            batch[i].append(QLineF(a.x, a.y, b.x, b.y));
        }
        const QColor colours[4] = {kGreen, kBlue, kRed, kYellow};
        for (int i = 0; i < 4; ++i) {
            if (batch[i].isEmpty()) continue;
            if (rt) {
                // Whole pixels as the raster engine rounds an aliased line's ends; ends far off the
                // screen (a close perspective view) are left to the painter's clipping.
                constexpr double kFar = 1e6;
                QVector<QLineF> far;
                for (const QLineF& l : batch[i]) {
                    if (std::fabs(l.x1()) > kFar || std::fabs(l.y1()) > kFar || std::fabs(l.x2()) > kFar ||
                        std::fabs(l.y2()) > kFar) {
                        far.append(l);
                        continue;
                    }
                    TargetLine(rt, qRound(l.x1()) + rt.dx, qRound(l.y1()) + rt.dy, qRound(l.x2()) + rt.dx,
                               qRound(l.y2()) + rt.dy, colours[i].rgb());
                }
                batch[i] = far;
                if (batch[i].isEmpty()) continue;
            }
            p.setPen(Pen(colours[i]));
            p.drawLines(batch[i]);
        }
    }

    // The ellipsoid's outline, shaded as if lit from the upper left, and its three principal axes.
    void Ellipsoid(const Element3D& e, const QColor& tint) {
        const ScreenEllipsoid s = ProjectEllipsoid(project, e.pos, e.q, scene.magnify * scene.confidence);
        if (!s.visible || !Inside(QPointF(s.cx, s.cy), s.a + 2)) return;
        p.setRenderHint(QPainter::Antialiasing, true);
        if (s.a >= 1.5) {
            const double b = std::max(s.b, 0.5);
            QTransform t; // the unit circle onto the outline
            t.translate(s.cx, s.cy);
            t.rotateRadians(s.angle);
            t.scale(s.a, b);
            // The light's spot, a third of the way to the upper left, in the unit circle's frame.
            QPointF spot = t.inverted().map(QPointF(s.cx - 0.35 * s.a, s.cy - 0.35 * s.a));
            const double n = std::hypot(spot.x(), spot.y());
            if (n > 0.7) spot *= 0.7 / n;
            QRadialGradient g(QPointF(0, 0), 1.0, spot);
            g.setColorAt(0.0, QColor(255, 255, 255, 190));
            g.setColorAt(0.55, QColor(tint.red(), tint.green(), tint.blue(), 120));
            g.setColorAt(1.0, tint.darker(170));
            QBrush brush(g);
            brush.setTransform(t);
            // The outline as a polygon in window pixels, finer the larger it is.
            const int segments = s.a < 12 ? 16 : s.a < 120 ? 32 : 64;
            QPolygonF outline;
            outline.reserve(segments);
            const double ca = std::cos(s.angle), sa = std::sin(s.angle);
            for (int k = 0; k < segments; ++k) {
                const double u = 2 * kPi * k / segments, x = s.a * std::cos(u), y = b * std::sin(u);
                outline << QPointF(s.cx + x * ca - y * sa, s.cy + x * sa + y * ca);
            }
            p.setPen(Pen(tint.darker(200)));
            p.setBrush(brush);
            p.drawPolygon(outline);
            p.setBrush(Qt::NoBrush);
        }
        p.setPen(Pen(tint.darker(250)));
        for (const auto& ax : s.axes)
            p.drawLine(QPointF(s.cx - ax[0], s.cy - ax[1]), QPointF(s.cx + ax[0], s.cy + ax[1]));
    }

    // The instrument: a tripod standing on the ground below the position, the body on top of it
    // and its horizontal zero direction as a pointer.
    void Theo(const Element3D& e, const COMMON& c) {
        const QPointF o = At(e.pos);
        if (!Inside(o, 30)) return;
        const bool selected = c.flags & ELEM_SELECTED;
        p.setRenderHint(QPainter::Antialiasing, true);
        if (!doc.bObject) {
            p.setPen(Pen(kGreen));
            p.setBrush(Qt::black);
            p.drawEllipse(o, 2.0, 2.0);
            p.setBrush(Qt::NoBrush);
            return;
        }
        const P3 down(0, 0, -1.6);
        p.setPen(Pen(QColor(0, 170, 0), 2));
        for (int i = 0; i < 3; ++i) {
            const double a = kPi / 2 + i * 2 * kPi / 3;
            const P3 foot = down + 0.7 * P3(std::cos(a), std::sin(a), 0);
            p.drawLine(o, o + Dir(foot, kSymbolUnit));
        }
        const QPointF tip = o + Dir(e.zeroDirection, 2.0 * kSymbolUnit);
        p.setPen(Pen(QColor(0, 90, 0), 2));
        p.drawLine(o, tip);
        p.setBrush(QColor(0, 90, 0));
        p.drawEllipse(tip, 2.0, 2.0);
        p.setPen(Pen(Qt::black));
        p.setBrush(selected ? kBlue : QColor(Qt::white));
        p.drawRect(QRectF(o.x() - 4, o.y() - 6, 8, 9));
        p.setBrush(Qt::NoBrush);
    }

    void Point(const Element3D& e, const OBJECTPOINT& c) {
        const QPointF o = At(e.pos);
        if (!Inside(o, 12)) return;
        const QPoint h(static_cast<int>(o.x()), static_cast<int>(o.y()));
        if (!doc.bObject) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Pen(kYellow));
            p.setBrush(Qt::black);
            p.drawEllipse(QRect(h.x() - 2, h.y() - 2, 3, 3));
            p.setBrush(Qt::NoBrush);
            return;
        }
        const bool fixed = (c.coordStat & 0x2A) != 0, sel = c.flags & ELEM_SELECTED;
        const Symbol s = fixed ? (sel ? Symbol::PointFixedSelected : Symbol::PointFixed)
                               : (sel ? Symbol::PointSelected : Symbol::Point);
        p.drawImage(h + SymbolOffset(s), SymbolImage(s));
    }

    void SBar(const Element3D& e, const COMMON& c) {
        const QPointF o = At(e.pos);
        if (!Inside(o, 200)) return;
        if (!doc.bObject) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Pen(kRed));
            p.setBrush(kYellow);
            p.drawEllipse(QRect(static_cast<int>(o.x()) - 2, static_cast<int>(o.y()) - 2, 3, 3));
            p.setBrush(Qt::NoBrush);
            return;
        }
        const QPointF l = At(e.barLeft), r = At(e.barRight);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Pen(Qt::black, 3));
        p.drawLine(l, r);
        p.setPen(Pen(Qt::black));
        p.setBrush(kRed);
        const QColor centre = (c.flags & ELEM_SELECTED) ? kBlue : kYellow;
        for (const QPointF& end : {l, r}) {
            p.setBrush(kRed);
            p.drawRect(QRectF(end.x() - 3, end.y() - 3, 6, 6));
            p.fillRect(QRectF(end.x() - 1, end.y() - 1, 2, 2), centre);
        }
        p.setBrush(Qt::NoBrush);
    }

    void DrawSymbol(const Element3D& e) {
        const COMMON& c = doc.Common(e.kind, e.slot);
        if (e.kind == SEL_THEO)
            Theo(e, c);
        else if (e.kind == SEL_POINT)
            Point(e, doc.pointList[e.slot]);
        else
            SBar(e, c);
    }

    const Element3D* Find(int kind, int slot) const {
        for (const Element3D& e : scene.elements)
            if (e.kind == kind && e.slot == slot) return &e;
        return nullptr;
    }

    void LeftOutMarks() {
        for (const auto& m : doc.leftOutMarks) {
            const Element3D* e = Find(m.kind, m.slot);
            if (!e) continue;
            DrawLeftOutMark(p, At(e->pos));
        }
    }

    void Names() {
        const QFontMetrics fm = p.fontMetrics();
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.setPen(Qt::black);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(Qt::white);
        for (const Element3D& e : scene.elements) {
            const ScreenPoint s = project(e.pos);
            const QPointF o(s.x, s.y);
            if (!s.visible || !Inside(o, 100)) continue;
            const COMMON& c = doc.Common(e.kind, e.slot);
            const char* text = doc.bAbbreviate ? c.abbrev : c.name;
            if (!*text) continue;
            const int dx = e.kind == SEL_SBAR ? 12 : 7;
            const int h = static_cast<int>(o.x()), v = static_cast<int>(o.y());
            if (rt && TargetText(rt, p.font(), h + dx + rt.dx, v - 7 + rt.dy, text)) continue;
            p.drawText(QPointF(static_cast<int>(o.x()) + dx, static_cast<int>(o.y()) - 7 + fm.ascent()),
                       QString::fromLatin1(text));
        }
        p.setBackgroundMode(Qt::TransparentMode);
    }

    // Which way x, y and z point, in the bottom right corner (the legend takes the left).
    void AxisCross() {
        const QPointF o(cam.width - 32, cam.height - 28);
        const QColor colours[3] = {QColor(200, 0, 0), QColor(0, 150, 0), QColor(0, 0, 220)};
        p.setRenderHint(QPainter::Antialiasing, true);
        for (int k = 0; k < 3; ++k) {
            const QPointF d = Dir(P3::Unit(k), 18);
            p.setPen(Pen(colours[k], 2));
            p.drawLine(o, o + d);
            p.setPen(colours[k]);
            const double n = std::hypot(d.x(), d.y());
            const QPointF at = o + (n > 1e-6 ? d * ((n + 7) / n) : QPointF(4, -4));
            p.drawText(at + QPointF(-3, 4), QString(QChar::fromLatin1(doc.label[3 * doc.axisType + k])));
        }
    }
};

} // namespace

void DrawScene3D(QPainter& p, const kivoMDIClient& doc, const Scene3D& scene, const Camera3D& cam,
                 const Highlight& hl) {
    p.save();
    p.fillRect(QRect(0, 0, cam.width, cam.height), Qt::white);
    Painter3D d{p, doc, scene, cam, Projector(cam), RasterTargetOf(p, QRect(0, 0, cam.width, cam.height))};
    if (doc.bBound) d.Box();
    d.Lines();

    // Ellipsoids and symbols from the farthest element to the nearest.
    std::vector<std::pair<double, int>> order;
    order.reserve(scene.elements.size());
    for (int i = 0; i < static_cast<int>(scene.elements.size()); ++i) {
        const ScreenPoint s = d.project(scene.elements[static_cast<std::size_t>(i)].pos);
        if (s.visible) order.emplace_back(s.depth, i);
    }
    std::sort(order.begin(), order.end());
    const bool ellipsoids = doc.bValEllip && doc.bEllipse;
    const bool judged = doc.bValEllip && doc.precision.isSet();
    for (const auto& [depth, i] : order) {
        const Element3D& e = scene.elements[static_cast<std::size_t>(i)];
        if (ellipsoids && e.hasCovariance) {
            QColor tint = kPlainTint;
            if (judged) {
                const Judgement j = Judge(doc, doc.Common(e.kind, e.slot));
                if (j == Judgement::Within) tint = kWithinTint;
                if (j == Judgement::Outside) tint = kOutsideTint;
            }
            d.Ellipsoid(e, tint);
        }
        d.DrawSymbol(e);
    }
    d.LeftOutMarks();

    if (hl.kind >= SEL_COLLIMATE && hl.kind <= SEL_PTHEIGHT) {
        for (const Line3D& l : scene.lines)
            if (l.kind == hl.kind && l.a == hl.a && l.b == hl.b) {
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setPen(Pen(kMagenta, 2));
                p.drawLine(d.At(l.p1), d.At(l.p2));
                break;
            }
        const bool fromPoint = hl.kind == SEL_PTDISTANCE || hl.kind == SEL_PTHEIGHT;
        const int second = hl.kind == SEL_COLLIMATE  ? SEL_THEO
                           : hl.kind == SEL_SBDIRECT ? SEL_SBAR
                                                     : SEL_POINT;
        if (const Element3D* e = d.Find(fromPoint ? SEL_POINT : SEL_THEO, hl.a)) d.DrawSymbol(*e);
        if (const Element3D* e = d.Find(second, hl.b)) d.DrawSymbol(*e);
    }
    if (doc.bName) d.Names();
    d.AxisCross();
    DrawPrecisionLegend(p, doc, QRect(0, 0, cam.width, cam.height));
    p.restore();
}

void FitToScene(Camera3D& cam, const Scene3D& scene) {
    // A network of one element (or all in one place) is shown in a box a twentieth of the limits.
    P3 lo = scene.netLo, hi = scene.netHi;
    const double least = 0.05 * (scene.boxHi - scene.boxLo).norm();
    if ((hi - lo).norm() < least) {
        const P3 c = (lo + hi) / 2, half = P3::Constant(least / (2 * std::sqrt(3.0)));
        lo = c - half, hi = c + half;
    }
    cam.Fit(lo, hi);
}

Camera3D FittedCamera(const Scene3D& scene, int width, int height, StandardView v) {
    Camera3D cam;
    cam.width = std::max(1, width);
    cam.height = std::max(1, height);
    cam.SetStandard(v);
    FitToScene(cam, scene);
    return cam;
}

QImage RenderScene3D(const kivoMDIClient& doc, const Camera3D& cam, const Highlight& hl) {
    QImage img(std::max(1, cam.width), std::max(1, cam.height), QImage::Format_RGB32);
    QPainter p(&img);
    DrawScene3D(p, doc, BuildScene(doc), cam, hl);
    return img;
}

} // namespace kivo::views
