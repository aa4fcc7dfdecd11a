#include "views/station_field.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "adjustment/kivoMDIClient.h"
#include "model/precision_text.h"
#include "views/view_render.h"

namespace kivo::views {

namespace {

double PixH(const kivoMDIClient& doc, double x) {
    return (x - doc.hBase[0]) * doc.hObjScale[0];
}
double PixV(const kivoMDIClient& doc, double y) {
    return (doc.vBase[0] - y) * doc.vObjScale[0];
}

double Position(const StationField& f, double v) {
    const double span = f.current - f.best;
    return span > 0.0 ? std::clamp((v - f.best) / span, 0.0, 1.0) : 1.0;
}

// A precision value of the field (project length units) as every legend gives it.
QString Length(const kivoMDIClient& doc, double v) {
    return QString::fromStdString(FormatPrecision(v, doc.units));
}

} // namespace

QColor FieldColour(double t) {
    t = std::clamp(t, 0.0, 1.0);
    // Green to yellow over the first half, yellow to red over the second.
    if (t < 0.5) return QColor::fromRgbF(float(2 * t), 0.8f + float(0.2 * 2 * t), 0.2f);
    return QColor::fromRgbF(1.0f, float(1.0 - (t - 0.5) * 2), 0.2f * float(1.0 - (t - 0.5) * 2));
}

void FieldCellCentre(const StationField& f, int cell, double& x, double& y) {
    x = f.cellX(cell % f.nx);
    y = f.cellY(cell / f.nx);
}

int FieldCellAt(const kivoMDIClient& doc, const StationField& f, int h, int v) {
    if (!f.ok || f.nx < 1 || f.ny < 1 || doc.hObjScale[0] == 0 || doc.vObjScale[0] == 0) return -1;
    const double x = h / doc.hObjScale[0] + doc.hBase[0];
    const double y = doc.vBase[0] - v / doc.vObjScale[0];
    const double ix = std::floor((x - f.xMin) / (f.xMax - f.xMin) * f.nx);
    const double iy = std::floor((y - f.yMin) / (f.yMax - f.yMin) * f.ny);
    if (!(ix >= 0 && ix < f.nx && iy >= 0 && iy < f.ny)) return -1;
    return static_cast<int>(iy) * f.nx + static_cast<int>(ix);
}

void DrawStationField(QPainter& p, const kivoMDIClient& doc, const StationField& f) {
    if (!f.ok || f.value.size() != static_cast<std::size_t>(f.nx) * f.ny) return;
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.setPen(Qt::NoPen);
    const double w = (f.xMax - f.xMin) / f.nx, h = (f.yMax - f.yMin) / f.ny;
    for (int iy = 0; iy < f.ny; ++iy)
        for (int ix = 0; ix < f.nx; ++ix) {
            const double x0 = f.xMin + ix * w, y0 = f.yMin + iy * h;
            const QRectF r(QPointF(PixH(doc, x0), PixV(doc, y0 + h)),
                           QPointF(PixH(doc, x0 + w), PixV(doc, y0)));
            // Translucent: the colour mixed half with white before it is multiplied in.
            const QColor c = FieldColour(Position(f, f.value[static_cast<std::size_t>(iy) * f.nx + ix]));
            p.setBrush(QColor::fromRgbF(0.45f + 0.55f * c.redF(), 0.45f + 0.55f * c.greenF(),
                                        0.45f + 0.55f * c.blueF()));
            p.drawRect(r.normalized());
        }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (f.bestCell >= 0) {
        double x, y;
        FieldCellCentre(f, f.bestCell, x, y);
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(PixH(doc, x), PixV(doc, y)), 6, 6);
    }
    p.restore();
}

void DrawFieldLegend(QPainter& p, const kivoMDIClient& doc, const StationField& f, QPoint at) {
    if (!f.ok) return;
    p.save();
    const QFontMetrics fm = p.fontMetrics();
    const QString title = "Largest axis (1 sigma) with one more theodolite";
    const QString low = "best " + Length(doc, f.best), high = "now " + Length(doc, f.current);
    const int bar = 160, pad = 4, line = fm.height();
    const int width =
        std::max({fm.horizontalAdvance(title), bar + fm.horizontalAdvance(high) + 3 * pad}) + 2 * pad;
    const QRect box(at, QSize(width, 3 * line + 4 * pad));
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRect(box);
    p.drawText(box.left() + pad, box.top() + pad + fm.ascent(), title);
    const int barTop = box.top() + 2 * pad + line;
    for (int i = 0; i < bar; ++i) {
        p.setPen(FieldColour(i / double(bar - 1)));
        p.drawLine(box.left() + pad + i, barTop, box.left() + pad + i, barTop + line - 2);
    }
    // "best" beside the ring that marks the best cell in the field.
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    const int ring = fm.ascent() / 2;
    p.drawEllipse(QPoint(box.left() + pad + ring + 1, barTop + line + pad + fm.ascent() / 2 + 1), ring, ring);
    p.setPen(Qt::black);
    p.drawText(box.left() + 2 * pad + 2 * ring + 2, barTop + line + pad + fm.ascent(), low);
    p.drawText(box.left() + 2 * pad + bar, barTop + fm.ascent(), high);
    p.restore();
}

QImage RenderStationField(const kivoMDIClient& doc, const StationField& f) {
    QImage img = RenderCanvas(doc, 0);
    QPainter p(&img);
    DrawStationField(p, doc, f);
    DrawFieldLegend(p, doc, f, QPoint(doc.hBordPix + 4, doc.vBordPix + 4));
    return img;
}

} // namespace kivo::views
