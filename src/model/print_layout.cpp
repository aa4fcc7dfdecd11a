#include "model/print_layout.h"

#include <algorithm>

#include "model/network_document.h"
#include "model/view_zoom.h"

namespace kivo {

namespace {

// Horizontal and vertical model coordinate of plane p and their limits: plan x/y, side x/z, end y/z.
struct PlaneLimits {
    double uMin, uMax, wMin, wMax;
};
PlaneLimits Limits(const NetworkDocument& d, int p) {
    switch (p) {
    case 0:
        return {d.xMin, d.xMax, d.yMin, d.yMax};
    case 1:
        return {d.xMin, d.xMax, d.zMin, d.zMax};
    default:
        return {d.yMin, d.yMax, d.zMin, d.zMax};
    }
}

} // namespace

void PrintLayout::SetPrScaleFactors(const NetworkDocument& doc, int hRes, int vRes, double hSize,
                                    double vSize) {
    horzRes = hRes, vertRes = vRes, horzSize = hSize, vertSize = vSize;
    const double H = hRes * 10.0 / hSize, V = vRes * 10.0 / vSize; // printer pixels per cm
    hPrObjScale[0] = H / doc.objScale1;
    hPrObjScale[1] = H / doc.objScale1;
    hPrObjScale[2] = H / doc.objScale2;
    vPrObjScale[0] = V / doc.objScale2;
    vPrObjScale[1] = V / doc.objScale3;
    vPrObjScale[2] = V / doc.objScale3;
    hPrEllScale = H / doc.ellScale;
    vPrEllScale = V / doc.ellScale;
    // Whole pixels per millimetre first, then times the border in millimetres.
    hPrBordPix = TruncToInt(hRes / hSize) * doc.hBordSize;
    vPrBordPix = TruncToInt(vRes / vSize) * doc.vBordSize;
    nameOffset = TruncToInt(hRes * 3.0 / hSize);
}

void PrintLayout::SetPrintParams(const NetworkDocument& doc, int plane, int hRes, int vRes, double hSize,
                                 double vSize) {
    printOriginX = printOriginY = 10;
    fitHScale = fitVScale = 0;
    SetPrScaleFactors(doc, hRes, vRes, hSize, vSize);
    hPrintable = horzRes - printOriginX;
    vPrintable = vertRes - printOriginY;
    SetPrinterParms(doc, 0, 0);
    hPgMax = PagesFor(hPrExtent[plane], hPrintable);
    vPgMax = PagesFor(vPrExtent[plane], vPrintable);
    TotalPages = hPgMax * vPgMax;
}

void PrintLayout::SetFitToPage(const NetworkDocument& doc, int plane, int hRes, int vRes, double hSize,
                               double vSize, int footerHeight) {
    SetPrintParams(doc, plane, hRes, vRes, hSize, vSize);
    const double H = hRes * 10.0 / hSize, V = vRes * 10.0 / vSize; // printer pixels per cm
    double hs = plane == 2 ? doc.objScale2 : doc.objScale1;
    double vs = plane == 0 ? doc.objScale2 : doc.objScale3;
    const PlaneBox box = LimitPlaneBox(doc, plane);
    // The outline, the borders and the one pixel an extent adds all inside the printable area.
    const int availH = hPrintable - 2 * hPrBordPix - 2;
    const int availV = vPrintable - std::max(0, footerHeight) - 2 * vPrBordPix - 2;
    if (!FitScales(box.width(), box.height(), H, V, availH, availV, hs, vs, false)) return;
    hPrObjScale[plane] = H / hs;
    vPrObjScale[plane] = V / vs;
    fitHScale = hs, fitVScale = vs;
    SetPrinterParms(doc, 0, 0);
    hPgMax = vPgMax = TotalPages = 1;
}

void PrintLayout::SetPrinterParms(const NetworkDocument& doc, int hPage, int vPage) {
    for (int p = 0; p < 3; ++p) {
        const PlaneLimits l = Limits(doc, p);
        hPrBase[p] = l.uMin - hPrBordPix / hPrObjScale[p] + hPage * hPrintable / hPrObjScale[p];
        vPrBase[p] = l.wMax + vPrBordPix / vPrObjScale[p] - vPage * vPrintable / vPrObjScale[p];
        hPrExtent[p] = TruncToInt((l.uMax - l.uMin) * hPrObjScale[p]) + 2 * hPrBordPix + 1;
        vPrExtent[p] = TruncToInt((l.wMax - l.wMin) * vPrObjScale[p]) + 2 * vPrBordPix + 1;
    }
}

void PrintLayout::ModelPrPos(double u, double w, int view, int* h, int* v) const {
    *h = TruncToInt((u - hPrBase[view]) * hPrObjScale[view]) + printOriginX;
    *v = TruncToInt((vPrBase[view] - w) * vPrObjScale[view]) + printOriginY;
}

void PrintLayout::CalcObjectPrPos(const COMMON& e, int view, int* h, int* v) const {
    const double xr = e.xReal, yr = e.yReal, zr = e.zReal; // packed fields: copied, never bound
    switch (view) {
    case 0:
        ModelPrPos(xr, yr, view, h, v);
        break;
    case 1:
        ModelPrPos(xr, zr, view, h, v);
        break;
    default:
        ModelPrPos(yr, zr, view, h, v);
        break;
    }
}

void PrintLayout::PageTile(int page, int vPgMax, int* hPage, int* vPage) {
    const int rows = std::max(1, vPgMax);
    *hPage = (page - 1) / rows;
    *vPage = (page - 1) % rows;
}

bool WiderThanTall(const NetworkDocument& doc, int plane) {
    const PlaneLimits l = Limits(doc, plane);
    const double hs = plane == 2 ? doc.objScale2 : doc.objScale1;
    const double vs = plane == 0 ? doc.objScale2 : doc.objScale3;
    return hs > 0 && vs > 0 && (l.uMax - l.uMin) / hs > (l.wMax - l.wMin) / vs;
}

int PagesFor(int extent, int printable) {
    if (extent <= 0 || printable <= 0) return 0;
    return (extent + printable - 1) / printable;
}

int LinesPerPage(int pageHeight, int textHeight) {
    return textHeight > 0 ? std::max(1, pageHeight / textHeight) : 1;
}

int TextPages(int totalLines, int linesPerPage) {
    if (totalLines <= 0 || linesPerPage <= 0) return 0;
    return (totalLines + linesPerPage - 1) / linesPerPage;
}

} // namespace kivo
