#pragma once
// Page arithmetic of printed views and listings (no window system involved): printer scale
// factors, the tiling of a view over pages and the printed position of an element.
//
// A view prints true to size: one centimetre of paper shows objScale1 (x), objScale2 (y) or
// objScale3 (z) length units, as the Display settings give them ("1 cm ="). A drawing larger than
// the printable area is tiled; pages run down one column of tiles, then on to the next column.

#include "model/records.h"

namespace kivo {

class NetworkDocument;

struct PrintLayout {
    int horzRes = 0, vertRes = 0;                    // printable area, printer pixels
    double horzSize = 0, vertSize = 0;               // printable area, millimetres
    double hPrObjScale[3] = {}, vPrObjScale[3] = {}; // printer pixels per length unit, per plane
    double hPrEllScale = 0, vPrEllScale = 0;         // printer pixels per ellipse length unit
    int hPrBordPix = 0, vPrBordPix = 0;              // border around the limit box, printer pixels
    int nameOffset = 0;                              // 3 mm in printer pixels
    double hPrBase[3] = {}, vPrBase[3] = {};         // model coordinate at the left / top edge of the page
    int hPrExtent[3] = {}, vPrExtent[3] = {};        // whole drawing per plane, printer pixels
    int printOriginX = 10, printOriginY = 10;        // page margin, printer pixels
    int hPrintable = 0, vPrintable = 0;              // usable page size
    int hPgMax = 0, vPgMax = 0;                      // pages across and down
    int TotalPages = 0;
    // Length units per centimetre of paper across and up of the fitted plane; 0 when the printout
    // is true to the project's scales.
    double fitHScale = 0, fitVScale = 0;

    // Scale factors from the page size in pixels and millimetres. With H = horzRes * 10 / horzSize
    // printer pixels per cm: hPrObjScale = H / (objScale1, objScale1, objScale2) for planes 0, 1,
    // 2, and likewise vertically with (objScale2, objScale3, objScale3).
    void SetPrScaleFactors(const NetworkDocument& doc, int horzRes, int vertRes, double horzSize,
                           double vertSize);
    // Scale factors, printable area, tiling and page count for printing plane `plane`.
    void SetPrintParams(const NetworkDocument& doc, int plane, int horzRes, int vertRes, double horzSize,
                        double vertSize);
    // One page for plane `plane`: the whole limit box at the largest scales that fit the printable
    // area less `footerHeight` pixels at its bottom, in the ratio of the project's two scales of
    // the plane (rounded up to three digits). Without a limit box to fit, as SetPrintParams.
    void SetFitToPage(const NetworkDocument& doc, int plane, int horzRes, int vertRes, double horzSize,
                      double vertSize, int footerHeight);
    // Bases and extents of every plane for the tile (hPage across, vPage down), from 0.
    void SetPrinterParms(const NetworkDocument& doc, int hPage, int vPage);
    // Printed position of an element in plane `view` on the current tile (truncated toward zero).
    void CalcObjectPrPos(const COMMON& e, int view, int* h, int* v) const;
    // Printed position of a model point (u across, w up) of plane `view` on the current tile.
    void ModelPrPos(double u, double w, int view, int* h, int* v) const;
    bool HasPage(int page) const { return page >= 1 && page <= TotalPages; }
    // Tile of page `page` (from 1): down a column of vPgMax tiles, then across.
    static void PageTile(int page, int vPgMax, int* hPage, int* vPage);
};

// Whether the limit box of `plane` drawn at the project's scales is wider than tall (landscape
// paper suits it).
bool WiderThanTall(const NetworkDocument& doc, int plane);

// Pages needed for `extent` pixels at `printable` pixels per page (rounded up; 0 for nothing).
int PagesFor(int extent, int printable);

// Lines of text per page and pages of a listing.
int LinesPerPage(int pageHeight, int textHeight);
int TextPages(int totalLines, int linesPerPage);

} // namespace kivo
