#include "views/view_render.h"

#include <QPainter>
#include <QVector>
#include <cmath>

#include "adjustment/kivoMDIClient.h"
#include "adjustment/precision.h"
#include "adjustment/simulation_check.h"
#include "model/precision_text.h"
#include "simulation/angles.h"
#include "views/raster_canvas.h"
#include "views/symbols.h"

namespace kivo::views {

namespace {

const QColor kGreen(0, 255, 0), kBlue(0, 0, 255), kRed(255, 0, 0), kYellow(255, 255, 0),
    kMagenta(255, 0, 255);
constexpr int kLeftOutRadius = 9; // half the side of the left-out mark's square
// Elements judged against the tolerance: their ellipse and a ring under the symbol.
const QColor kWithin(0, 160, 0), kOutside(230, 0, 0);
// The adjusted positions of a check by simulation: dots around the ellipse, in red for an element
// the check flagged (with a ring under its symbol).
const QColor kCloud(0, 110, 210);
constexpr int kFlaggedRadius = 13;
constexpr int kJudgedRadius = 8;

// All pens are one pixel wide; the end pixel of a line is left out, as a line to a point
// conventionally stops short of it.
QPen Pen(const QColor& c, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(c, 1, style, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return pen;
}

// Colour indexes of the line layer (0 is no line).
enum : std::uint8_t { kGreenIx = 1, kBlueIx, kRedIx, kYellowIx };
const QRgb kLinePalette[] = {0, qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(255, 255, 0)};

struct Canvas {
    QPainter& p;
    const kivoMDIClient& doc;
    int view;
    QRect clip;                               // widened by a margin so that partly visible items are drawn
    RasterTarget rt;                          // direct pixel access, when the painter allows it
    std::vector<Segment>* segments = nullptr; // observation lines of the direct path
    std::uint8_t colour = 0;                  // layer colour of the lines being gathered

    bool Near(int h, int v, int margin) const {
        return h + margin >= clip.left() && h - margin <= clip.right() && v + margin >= clip.top() &&
               v - margin <= clip.bottom();
    }
    bool LineVisible(const KLine& l) const {
        return std::max(l.x1, l.x2) >= clip.left() && std::min(l.x1, l.x2) <= clip.right() &&
               std::max(l.y1, l.y2) >= clip.top() && std::min(l.y1, l.y2) <= clip.bottom();
    }
    void AddLine(QVector<QLine>& lines, int kind, int a, int b) const {
        KLine l;
        doc.ObsLineEnds(kind, view, a, b, &l);
        if (segments)
            segments->push_back(Segment{l.x1, l.y1, l.x2, l.y2, colour}); // all of them: the layer is kept
        else if (LineVisible(l))
            lines.append(QLine(l.x1, l.y1, l.x2, l.y2));
    }
    void Flush(QVector<QLine>& lines, const QColor& c) {
        if (lines.isEmpty()) return;
        p.setPen(Pen(c));
        p.drawLines(lines);
        lines.clear();
    }

    void Boundary() {
        const int left = doc.hBordPix, top = doc.vBordPix;
        const int right = doc.hExtent[view] - doc.hBordPix, bottom = doc.vExtent[view] - doc.vBordPix;
        p.setPen(Pen(Qt::black, Qt::DashDotDotLine));
        p.setBrush(Qt::white);
        // Right and bottom are exclusive: the outline runs over columns left .. right - 1.
        p.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
        p.setBrush(Qt::NoBrush);
    }

    void Grid() {
        const double hMin[3] = {doc.xMin, doc.xMin, doc.yMin}, hMax[3] = {doc.xMax, doc.xMax, doc.yMax};
        const double vMin[3] = {doc.yMin, doc.zMin, doc.zMin}, vMax[3] = {doc.yMax, doc.zMax, doc.zMax};
        const QFontMetrics fm = p.fontMetrics();
        const int hExt = doc.hExtent[view], vExt = doc.vExtent[view];
        // A spacing too small to draw (or none) draws nothing rather than looping for ever.
        constexpr int kMaxLines = 100000;
        p.setPen(Pen(Qt::black, Qt::DotLine));
        if (doc.bHGrid && doc.vInterval > 0) {
            for (int i = 1; i <= kMaxLines; ++i) {
                const double value = vMax[view] - i * doc.vInterval;
                if (!(value > vMin[view])) break;
                const int y = TruncToInt((doc.vBase[view] - value) * doc.vObjScale[view]);
                p.drawLine(doc.hBordPix, y, hExt - doc.hBordPix, y);
                const QString s = QString::asprintf("%3.1f", value);
                p.drawText(QPoint(0, y), s);                              // left-aligned on the baseline
                p.drawText(QPoint(hExt - fm.horizontalAdvance(s), y), s); // right-aligned
            }
        }
        if (doc.bVGrid && doc.hInterval > 0) {
            for (int i = 1; i <= kMaxLines; ++i) {
                const double value = hMin[view] + i * doc.hInterval;
                if (!(value < hMax[view])) break;
                const int x = TruncToInt((value - doc.hBase[view]) * doc.hObjScale[view]);
                p.drawLine(x, doc.vBordPix, x, doc.vExtent[view] - doc.vBordPix);
                const QString s = QString::asprintf("%3.1f", value);
                const int w = fm.horizontalAdvance(s);
                p.drawText(QPoint(x - w / 2, fm.ascent()), s);         // top at row 0
                p.drawText(QPoint(x - w / 2, vExt - fm.descent()), s); // bottom at the canvas end
            }
        }
    }

    template <class Member> void StationLines(int kind, Member member, QVector<QLine>& lines) {
        for (int i = 0; i < doc.nMaxTheos; ++i) {
            const THEODOLITE& t = doc.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            const auto& list = t.*member;
            for (int k = 0; k < list.size(); ++k)
                AddLine(lines, kind, i, list[k].target);
        }
    }
    template <class List> void GlobalLines(int kind, const List& list, int nMax, QVector<QLine>& lines) {
        for (int i = 0; i < nMax; ++i)
            if (list[i].flags & OBS_INUSE) AddLine(lines, kind, list[i].source, list[i].target);
    }

    void Ellipse(const COMMON& e) {
        // At 95 % the drawn ellipse is the 1-sigma one scaled by the plane factor.
        const double f = doc.precision.ellipseFactor();
        const double A = e.A[view] * f, B = e.B[view] * f;
        if (A == 0 && B == 0) return;
        const int h = e.hcoord[view], v = e.vcoord[view];
        const double hs = doc.hEllScale, vs = doc.vEllScale;
        const double reach = (std::fabs(A) + std::fabs(B)) * std::max(hs, vs);
        if (!(reach < 1e9) || !Near(h, v, static_cast<int>(reach) + 2)) return;
        DrawEllipseShape(p, doc.TrigTable, h, v, A, B, e.phi[view], hs, vs);
    }

    // Every station and point with an ellipse, judged against the tolerance: its ellipse in the
    // colour of the verdict and a ring of it under the symbol.
    // The rings show with the ellipses hidden too.
    void JudgedEllipses(bool ellipses) {
        auto one = [&](const COMMON& e) {
            const Judgement j = Judge(doc, e);
            const QColor& c = j == Judgement::Within ? kWithin : kOutside;
            p.setPen(Pen(j == Judgement::None ? QColor(Qt::black) : c));
            if (ellipses) Ellipse(e);
            if (j == Judgement::None) return;
            const int h = e.hcoord[view], v = e.vcoord[view];
            if (!Near(h, v, kJudgedRadius + 2)) return;
            QPen ring(c, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            ring.setCosmetic(true);
            p.setPen(ring);
            p.drawEllipse(QRect(h - kJudgedRadius, v - kJudgedRadius, 2 * kJudgedRadius, 2 * kJudgedRadius));
        };
        for (int i = 0; i < doc.nMaxTheos; ++i)
            if (doc.theoList[i].flags & ELEM_INUSE) one(doc.theoList[i]);
        for (int i = 0; i < doc.nMaxPoints; ++i)
            if (doc.pointList[i].flags & ELEM_INUSE) one(doc.pointList[i]);
    }

    // Each theodolite's and point's cloud of adjusted positions from the last check by simulation,
    // at the ellipse scale about the element (its design position is the ellipse's centre).
    void Clouds() {
        const SimulationCheck* check = CurrentSimulationCheck(doc);
        if (!check || check->cloudSamples <= 0) return;
        static const int hAxis[3] = {0, 0, 1}, vAxis[3] = {1, 2, 2}; // plan x-y, side x-z, end y-z
        const double hs = doc.hEllScale, vs = doc.vEllScale;
        const std::size_t n = static_cast<std::size_t>(check->cloudSamples);
        QVector<QPoint> dots;
        for (std::size_t r = 0; r < check->rows.size(); ++r) {
            const SimulationCheckRow& row = check->rows[r];
            using V = SimulationCheckRow::Verdict;
            if (row.barEnd || (row.verdict != V::Ok && row.verdict != V::Flagged)) continue;
            const COMMON* e = nullptr;
            if (row.kind == SEL_THEO && row.slot >= 0 && row.slot < doc.nMaxTheos)
                e = &doc.theoList[row.slot];
            else if (row.kind == SEL_POINT && row.slot >= 0 && row.slot < doc.nMaxPoints)
                e = &doc.pointList[row.slot];
            if (!e || !(e->flags & ELEM_INUSE)) continue;
            const int h = e->hcoord[view], v = e->vcoord[view];
            const bool flagged = row.verdict == V::Flagged;
            // The cloud reaches a few times the larger axis (further for a flagged one).
            const double reach =
                (flagged ? 20.0 : 6.0) * std::max(row.predicted, row.simulated) * std::max(hs, vs);
            if (!(reach < 1e9) || !Near(h, v, static_cast<int>(reach) + kFlaggedRadius + 2)) continue;
            dots.clear();
            const float* at = check->cloud.data() + r * n * 3;
            for (std::size_t k = 0; k < n; ++k, at += 3) {
                const double dh = at[hAxis[view]], dv = at[vAxis[view]];
                if (!std::isfinite(dh) || !std::isfinite(dv)) continue;
                const double x = h + dh * hs, y = v - dv * vs;
                if (std::fabs(x) < 1e9 && std::fabs(y) < 1e9)
                    dots.push_back(QPoint(TruncToInt(x), TruncToInt(y)));
            }
            p.setPen(Pen(flagged ? kOutside : kCloud));
            p.drawPoints(dots.constData(), static_cast<int>(dots.size()));
            if (!flagged) continue;
            QPen ring(kOutside, 2, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin);
            ring.setCosmetic(true);
            p.setPen(ring);
            p.drawEllipse(
                QRect(h - kFlaggedRadius, v - kFlaggedRadius, 2 * kFlaggedRadius, 2 * kFlaggedRadius));
        }
    }

    // An element the last Calculate left out of the adjustment: its mark, drawn under the symbol
    // (fixed elements, which have no ellipse either, carry no such mark).
    void LeftOutMarks() {
        for (const auto& m : doc.leftOutMarks) {
            const COMMON* e = nullptr;
            if (m.kind == SEL_THEO && m.slot >= 0 && m.slot < doc.nMaxTheos)
                e = &doc.theoList[m.slot];
            else if (m.kind == SEL_POINT && m.slot >= 0 && m.slot < doc.nMaxPoints)
                e = &doc.pointList[m.slot];
            else if (m.kind == SEL_SBAR && m.slot >= 0 && m.slot < doc.nMaxSBars)
                e = &doc.sbarList[m.slot];
            if (!e || !(e->flags & ELEM_INUSE)) continue;
            const int h = e->hcoord[view], v = e->vcoord[view];
            if (!Near(h, v, kLeftOutRadius + 2)) continue;
            DrawLeftOutMark(p, QPointF(h, v));
        }
    }

    void Names(int kind) {
        const QFontMetrics fm = p.fontMetrics();
        auto one = [&](const COMMON& e, int dx) {
            const int h = e.hcoord[view], v = e.vcoord[view];
            if (!Near(h + dx, v, 200)) return;
            const char* text = doc.bAbbreviate ? e.abbrev : e.name;
            if (!*text) return;
            if (rt && TargetText(rt, p.font(), h + dx + rt.dx, v - 7 + rt.dy, text)) return;
            // Top-left corner of the text at (h + dx, v - 7); the cell is painted with the background.
            p.drawText(QPoint(h + dx, v - 7 + fm.ascent()), QString::fromLatin1(text));
        };
        if (kind == SEL_THEO)
            for (int i = 0; i < doc.nMaxTheos; ++i) {
                if (doc.theoList[i].flags & ELEM_INUSE) one(doc.theoList[i], 7);
            }
        else if (kind == SEL_POINT)
            for (int i = 0; i < doc.nMaxPoints; ++i) {
                if (doc.pointList[i].flags & ELEM_INUSE) one(doc.pointList[i], 7);
            }
        else
            for (int i = 0; i < doc.nMaxSBars; ++i)
                if (doc.sbarList[i].flags & ELEM_INUSE) one(doc.sbarList[i], 12);
    }
    void AllNames() {
        p.setPen(Qt::black);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(Qt::white);
        Names(SEL_THEO);
        Names(SEL_POINT);
        Names(SEL_SBAR);
        p.setBackgroundMode(Qt::TransparentMode);
    }
};

void Dot(QPainter& p, int h, int v, const QColor& pen, const QColor& brush) {
    p.setPen(Pen(pen));
    p.setBrush(brush);
    // The rectangle (h - 2, v - 2) .. (h + 2, v + 2), right and bottom exclusive: 4 x 4 pixels.
    p.drawEllipse(QRect(h - 2, v - 2, 3, 3));
    p.setBrush(Qt::NoBrush);
}

void Image(QPainter& p, int h, int v, Symbol s, const RasterTarget* blit) {
    const QPoint at = QPoint(h, v) + SymbolOffset(s);
    if (blit)
        TargetBlit(*blit, at.x() + blit->dx, at.y() + blit->dy, SymbolImage(s));
    else
        p.drawImage(at, SymbolImage(s));
}

} // namespace

Highlight SelectionHighlight(const kivoMDIClient& doc) {
    switch (doc.selectType) {
    case SEL_COLLIMATE:
        return {SEL_COLLIMATE, doc.stationA, doc.stationB};
    case SEL_PTDIRECT:
    case SEL_SBDIRECT:
    case SEL_DISTANCE:
    case SEL_HEIGHT:
        return {doc.selectType, doc.station, doc.target};
    case SEL_PTDISTANCE:
    case SEL_PTHEIGHT:
        return {doc.selectType, doc.targetA, doc.targetB};
    default:
        return {};
    }
}

void DrawTheo(QPainter& p, const kivoMDIClient& doc, int view, int theo, bool object,
              const RasterTarget* blit) {
    const THEODOLITE& t = doc.theoList[theo];
    if (!(t.flags & ELEM_INUSE)) return;
    if (object)
        Image(p, t.hcoord[view], t.vcoord[view],
              (t.flags & ELEM_SELECTED) ? Symbol::TheoSelected : Symbol::Theo, blit);
    else
        Dot(p, t.hcoord[view], t.vcoord[view], kGreen, Qt::black);
}

void DrawPoint(QPainter& p, const kivoMDIClient& doc, int view, int point, bool object,
               const RasterTarget* blit) {
    const OBJECTPOINT& e = doc.pointList[point];
    if (!(e.flags & ELEM_INUSE)) return;
    if (object) {
        const bool fixed = (e.coordStat & 0x2A) != 0; // any coordinate fixed
        const bool sel = e.flags & ELEM_SELECTED;
        const Symbol s = fixed ? (sel ? Symbol::PointFixedSelected : Symbol::PointFixed)
                               : (sel ? Symbol::PointSelected : Symbol::Point);
        Image(p, e.hcoord[view], e.vcoord[view], s, blit);
    } else {
        Dot(p, e.hcoord[view], e.vcoord[view], kYellow, Qt::black);
    }
}

void DrawSBar(QPainter& p, const kivoMDIClient& doc, int view, int sbar, bool object,
              const RasterTarget* blit) {
    const SCALEBAR& e = doc.sbarList[sbar];
    if (!(e.flags & ELEM_INUSE)) return;
    if (object)
        Image(p, e.hcoord[view], e.vcoord[view],
              (e.flags & ELEM_SELECTED) ? Symbol::SBarSelected : Symbol::SBar, blit);
    else
        Dot(p, e.hcoord[view], e.vcoord[view], kRed, kYellow);
}

void DrawView(QPainter& p, const kivoMDIClient& doc, int view, const QRect& clip, const Highlight& hl) {
    if (!doc.bTablesCreated) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    Canvas c{p, doc, view, clip.adjusted(-2, -2, 2, 2), {}};
    c.rt = RasterTargetOf(p, clip);

    if (doc.bBound) c.Boundary();
    if (doc.bHGrid || doc.bVGrid) {
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(Qt::white);
        c.Grid();
        p.setBackgroundMode(Qt::TransparentMode);
    }
    QVector<QLine> lines;
    static std::vector<Segment> segments; // kept for its capacity
    segments.clear();
    if (c.rt && (doc.bCollimate || doc.bDirect || doc.bDistance || doc.bHeight)) c.segments = &segments;
    if (doc.bCollimate) {
        c.colour = kGreenIx;
        c.StationLines(SEL_COLLIMATE, &THEODOLITE::thList, lines);
        c.Flush(lines, kGreen);
    }
    if (doc.bDirect) {
        c.colour = kBlueIx;
        c.StationLines(SEL_PTDIRECT, &THEODOLITE::ptList, lines);
        c.StationLines(SEL_SBDIRECT, &THEODOLITE::sbList, lines);
        c.Flush(lines, kBlue);
    }
    if (doc.bDistance) {
        c.colour = kRedIx;
        c.StationLines(SEL_DISTANCE, &THEODOLITE::dsList, lines);
        c.GlobalLines(SEL_PTDISTANCE, doc.distList, doc.nMaxDists, lines);
        c.Flush(lines, kRed);
    }
    if (doc.bHeight) {
        c.colour = kYellowIx;
        c.StationLines(SEL_HEIGHT, &THEODOLITE::hdList, lines);
        c.GlobalLines(SEL_PTHEIGHT, doc.heightList, doc.nMaxHeights, lines);
        c.Flush(lines, kYellow);
    }
    if (c.segments) {
        LineLayerOf(&doc, view)
            .Draw(segments, c.rt, QRect(0, 0, doc.hExtent[view], doc.vExtent[view]), kLinePalette);
        c.segments = nullptr;
    }
    if (doc.bValEllip && doc.precision.isSet()) {
        c.JudgedEllipses(doc.bEllipse);
    } else if (doc.bValEllip && doc.bEllipse) {
        p.setPen(Pen(Qt::black));
        for (int i = 0; i < doc.nMaxTheos; ++i)
            if (doc.theoList[i].flags & ELEM_INUSE) c.Ellipse(doc.theoList[i]);
        for (int i = 0; i < doc.nMaxPoints; ++i)
            if (doc.pointList[i].flags & ELEM_INUSE) c.Ellipse(doc.pointList[i]);
    }
    c.Clouds();
    c.LeftOutMarks(); // under the symbols, which stay readable
    const RasterTarget* blit = (c.rt && doc.bObject) ? &c.rt : nullptr;
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if (c.Near(doc.theoList[i].hcoord[view], doc.theoList[i].vcoord[view], 12))
            DrawTheo(p, doc, view, i, doc.bObject, blit);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (c.Near(doc.pointList[i].hcoord[view], doc.pointList[i].vcoord[view], 12))
            DrawPoint(p, doc, view, i, doc.bObject, blit);
    for (int i = 0; i < doc.nMaxSBars; ++i)
        if (c.Near(doc.sbarList[i].hcoord[view], doc.sbarList[i].vcoord[view], 12))
            DrawSBar(p, doc, view, i, doc.bObject, blit);
    if (doc.bName) c.AllNames();

    // A highlighted connection lies over everything, with the symbols of its ends and the names
    // drawn again on top of it.
    if (hl.kind >= SEL_COLLIMATE && hl.kind <= SEL_PTHEIGHT) {
        if (c.rt) {
            KLine l;
            doc.ObsLineEnds(hl.kind, view, hl.a, hl.b, &l);
            TargetLine(c.rt, l.x1 + c.rt.dx, l.y1 + c.rt.dy, l.x2 + c.rt.dx, l.y2 + c.rt.dy, kMagenta.rgb());
        } else {
            c.AddLine(lines, hl.kind, hl.a, hl.b);
            c.Flush(lines, kMagenta);
        }
        switch (hl.kind) {
        case SEL_COLLIMATE:
            DrawTheo(p, doc, view, hl.a, doc.bObject, blit);
            DrawTheo(p, doc, view, hl.b, doc.bObject, blit);
            break;
        case SEL_SBDIRECT:
            DrawTheo(p, doc, view, hl.a, doc.bObject, blit);
            DrawSBar(p, doc, view, hl.b, doc.bObject, blit);
            break;
        case SEL_PTDISTANCE:
        case SEL_PTHEIGHT:
            DrawPoint(p, doc, view, hl.a, doc.bObject, blit);
            DrawPoint(p, doc, view, hl.b, doc.bObject, blit);
            break;
        default:
            DrawTheo(p, doc, view, hl.a, doc.bObject, blit);
            DrawPoint(p, doc, view, hl.b, doc.bObject, blit);
            break;
        }
        if (doc.bName) c.AllNames();
    }
    p.restore();
}

void DrawEllipseShape(QPainter& p, const double* trigTable, int h, int v, double A, double B, double phiGon,
                      double hs, double vs) {
    const double phi = GonToRad(phiGon);
    auto pt = [&](double dx, double dy) { return QPoint(TruncToInt(h + dx), TruncToInt(v + dy)); };
    p.drawLine(pt(B * std::sin(phi) * hs, B * std::cos(phi) * vs),
               pt(B * std::sin(phi + 3.1415927) * hs, B * std::cos(phi + 3.1415927) * vs));
    const QPoint majorEnd = pt(A * std::sin(phi + 1.5707963) * hs, A * std::cos(phi + 1.5707963) * vs);
    p.drawLine(pt(A * std::sin(phi + 4.712389) * hs, A * std::cos(phi + 4.712389) * vs), majorEnd);
    QPolygon outline;
    outline.reserve(26);
    outline << majorEnd;
    const double c = std::cos(phi), s = std::sin(phi);
    for (int j = 0; j <= 24; ++j) {
        const double t6 = trigTable[(j + 6) % 24], t0 = trigTable[j % 24];
        outline << pt((A * c * t6 + B * s * t0) * hs, (-A * s * t6 + B * c * t0) * vs);
    }
    p.drawPolyline(outline);
}

const QColor kLeftOutColour(150, 0, 220);

void DrawLeftOutMark(QPainter& p, QPointF at) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(kLeftOutColour, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double r = kLeftOutRadius;
    p.drawRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
    p.drawLine(QPointF(at.x() - r, at.y() + r), QPointF(at.x() + r, at.y() - r));
    p.restore();
}

QRect DrawPrecisionLegend(QPainter& p, const kivoMDIClient& doc, const QRect& area, int view, QPoint origin) {
    const PrecisionTolerance& t = doc.precision;
    const bool precision = doc.bValEllip && (t.isSet() || t.confidence95);
    const bool judged = precision && t.isSet();
    const bool leftOut = !doc.leftOutMarks.empty();
    if (!precision && !leftOut) return {};
    const QString confidence = t.confidence95 ? QStringLiteral("95 %") : QStringLiteral("1 sigma");
    const QString first = t.isSet()
                              ? QStringLiteral("Tolerance %1, %2")
                                    .arg(QString::fromStdString(FormatPrecision(
                                             t.toleranceIn(doc.convTab[UNITS_METERS][doc.units]), doc.units)),
                                         confidence)
                              : QStringLiteral("Ellipses at %1").arg(confidence);
    // A bar of 1, 2 or 5 times a power of ten precision units, 30 to 100 pixels long at the ellipse
    // scale.
    const double perLength = PrecisionUnitsPerLength(doc.units);
    const double pixelsPerUnit = doc.hEllScale / perLength;
    double bar = 0.0;
    if (pixelsPerUnit > 0 && std::isfinite(pixelsPerUnit)) {
        const double decade = std::pow(10.0, std::floor(std::log10(30.0 / pixelsPerUnit)));
        for (double m : {1.0, 2.0, 5.0, 10.0})
            if (m * decade * pixelsPerUnit >= 30.0) {
                bar = m * decade;
                break;
            }
    }
    const int barPixels = TruncToInt(bar * pixelsPerUnit);
    const QString second = QString::fromStdString(FormatPrecision(bar / perLength, doc.units));
    const QString within = QStringLiteral("within"), outside = QStringLiteral("outside");
    const QString leftOutText = QStringLiteral("left out of the adjustment");
    const QFontMetrics fm = p.fontMetrics();
    const int pad = 4, line = fm.height();
    const int markRow = std::max(line, 2 * kLeftOutRadius + 4); // a row with a ring or the left-out mark
    const int sample = 2 * kLeftOutRadius + 6;                  // room for a mark before its words
    int width = 0, height = 2 * pad;
    if (precision) {
        width = std::max(fm.horizontalAdvance(first), barPixels + 6 + fm.horizontalAdvance(second));
        height += 2 * line + 2;
    }
    if (judged) {
        width =
            std::max(width, 2 * sample + fm.horizontalAdvance(within) + 12 + fm.horizontalAdvance(outside));
        height += markRow;
    }
    if (leftOut) {
        width = std::max(width, sample + fm.horizontalAdvance(leftOutText));
        height += markRow;
    }
    width += 2 * pad;
    // The corner over the fewest elements (bottom left first); the box lets the drawing show through.
    const QRect corners[4] = {QRect(area.left() + 6, area.bottom() - 6 - height, width, height),
                              QRect(area.right() - 6 - width, area.bottom() - 6 - height, width, height),
                              QRect(area.right() - 6 - width, area.top() + 6, width, height),
                              QRect(area.left() + 6, area.top() + 6, width, height)};
    QRect box = corners[0];
    if (view >= 0 && view < 3) {
        int fewest = -1;
        for (const QRect& c : corners) {
            const QRect near = c.adjusted(-12, -12, 12, 12).translated(-origin);
            int n = 0;
            auto count = [&](const COMMON& e) {
                if ((e.flags & ELEM_INUSE) && near.contains(e.hcoord[view], e.vcoord[view])) ++n;
            };
            for (int i = 0; i < doc.nMaxTheos; ++i)
                count(doc.theoList[i]);
            for (int i = 0; i < doc.nMaxPoints; ++i)
                count(doc.pointList[i]);
            for (int i = 0; i < doc.nMaxSBars; ++i)
                count(doc.sbarList[i]);
            if (fewest < 0 || n < fewest) fewest = n, box = c;
            if (n == 0) break;
        }
    }
    p.save();
    p.setPen(Pen(Qt::black));
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    const int x = box.left() + pad;
    int top = box.top() + pad;
    if (precision) {
        p.drawText(QPoint(x, top + fm.ascent()), first);
        top += line + 2;
    }
    if (judged) {
        // The ring each judged element carries, in the colour of its verdict.
        const int cy = top + markRow / 2;
        int cx = x + kLeftOutRadius;
        for (const auto& [colour, words] : {std::pair{kWithin, within}, std::pair{kOutside, outside}}) {
            QPen ring(colour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            ring.setCosmetic(true);
            p.setPen(ring);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(
                QRect(cx - kJudgedRadius, cy - kJudgedRadius, 2 * kJudgedRadius, 2 * kJudgedRadius));
            p.setPen(Pen(Qt::black));
            p.drawText(QPoint(cx - kLeftOutRadius + sample, cy - line / 2 + fm.ascent()), words);
            cx += sample + fm.horizontalAdvance(words) + 12;
        }
        top += markRow;
    }
    if (precision) {
        const int y = top + line / 2;
        p.setPen(Pen(Qt::black));
        if (barPixels > 0) {
            p.drawLine(x, y, x + barPixels, y);
            p.drawLine(x, y - 3, x, y + 3);
            p.drawLine(x + barPixels, y - 3, x + barPixels, y + 3);
        }
        p.drawText(QPoint(x + barPixels + 6, top + fm.ascent()), second);
        top += line;
    }
    if (leftOut) {
        const int cy = top + markRow / 2;
        DrawLeftOutMark(p, QPointF(x + kLeftOutRadius + 1, cy));
        p.setPen(Pen(Qt::black));
        p.drawText(QPoint(x + sample, cy - line / 2 + fm.ascent()), leftOutText);
    }
    p.restore();
    return box;
}

QImage RenderCanvas(const kivoMDIClient& doc, int view) {
    QImage img(std::max(1, doc.hExtent[view]), std::max(1, doc.vExtent[view]), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    DrawView(p, doc, view, img.rect());
    return img;
}

} // namespace kivo::views
