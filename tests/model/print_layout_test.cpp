// Page arithmetic of printouts: scale factors, tiling, printed positions and listing pages.

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "model/print_layout.h"

using namespace kivo;

namespace {

struct Doc {
    kivoMDIClient doc;
    Doc() {
        doc.objScale1 = 1, doc.objScale2 = 2, doc.objScale3 = 4;
        doc.ellScale = 0.5;
        doc.hBordSize = 16, doc.vBordSize = 8;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 10;
    }
};

} // namespace

TEST(PrintLayout, ScaleFactorsFromPagePixelsAndMillimetres) {
    Doc d;
    PrintLayout L;
    L.SetPrScaleFactors(d.doc, 4800, 6600, 203, 279);
    // By hand: 4800 px over 20.3 cm is 236.45 px per cm; 1 cm shows 1 unit of x.
    EXPECT_NEAR(L.hPrObjScale[0], 236.45, 0.005);
    EXPECT_NEAR(L.hPrObjScale[1], 236.45, 0.005);
    EXPECT_NEAR(L.hPrObjScale[2], 236.45 / 2, 0.005); // end view: y across
    const double V = 6600 * 10.0 / 279;
    EXPECT_NEAR(L.vPrObjScale[0], V / 2, 1e-9);
    EXPECT_NEAR(L.vPrObjScale[1], V / 4, 1e-9);
    EXPECT_NEAR(L.hPrEllScale, 4800 * 10.0 / 203 / 0.5, 1e-9);
    // Whole pixels per millimetre first: 4800 / 203 = 23 (23.6), times 16 mm.
    EXPECT_EQ(L.hPrBordPix, 23 * 16);
    EXPECT_EQ(L.vPrBordPix, 23 * 8); // 6600 / 279 = 23.65
    EXPECT_EQ(L.nameOffset, 70);     // 3 mm: 14400 / 203 = 70.9
}

TEST(PrintLayout, TilingAndPageOrder) {
    EXPECT_EQ(PagesFor(1000, 1000), 1);
    EXPECT_EQ(PagesFor(1001, 1000), 2); // one pixel wider than the printable width
    EXPECT_EQ(PagesFor(0, 1000), 0);
    // 2 x 3 tiles: pages run down the first column, then the second.
    int h, v;
    PrintLayout::PageTile(1, 3, &h, &v);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(v, 0);
    PrintLayout::PageTile(3, 3, &h, &v);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(v, 2);
    PrintLayout::PageTile(4, 3, &h, &v);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(v, 0);
    PrintLayout::PageTile(6, 3, &h, &v);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(v, 2);
}

TEST(PrintLayout, DrawingOnePixelWiderThanThePageTakesTwoPagesAcross) {
    Doc d;
    PrintLayout L;
    // 100 px per mm (1000 per cm) on a page of 1010 x 5010 px and 10.1 x 50.1 mm, no border:
    // the 10-unit plan is 10 cm = 10000 px wide, plus the one pixel of the right edge.
    d.doc.hBordSize = d.doc.vBordSize = 0;
    d.doc.objScale1 = 1, d.doc.objScale2 = 2;
    L.SetPrintParams(d.doc, 0, 10010, 5010, 100.1, 50.1);
    EXPECT_EQ(L.hPrintable, 10000);
    EXPECT_EQ(L.hPrExtent[0], 10001);
    EXPECT_EQ(L.hPgMax, 2);
    EXPECT_EQ(L.vPrExtent[0], 5001); // 10 units of y at 2 per cm: 5 cm
    EXPECT_EQ(L.vPgMax, 2);
    EXPECT_EQ(L.TotalPages, 4);
    EXPECT_TRUE(L.HasPage(4));
    EXPECT_FALSE(L.HasPage(5));
}

TEST(PrintLayout, PrintedPositionsOnTiles) {
    Doc d;
    d.doc.hBordSize = d.doc.vBordSize = 0;
    d.doc.objScale1 = d.doc.objScale2 = 1;
    PrintLayout L;
    L.SetPrintParams(d.doc, 0, 4010, 4010, 40.1, 40.1); // 1000 px per unit, 4000 printable
    COMMON e{};
    e.xReal = 5.5, e.yReal = 9.25;
    int h, v;
    L.CalcObjectPrPos(e, 0, &h, &v);
    EXPECT_EQ(h, 5500 + 10); // page 1 shows x 0 .. 4: the point lies on the second column
    EXPECT_EQ(v, 750 + 10);  // y is up: 0.75 below the top limit
    L.SetPrinterParms(d.doc, 1, 0);
    L.CalcObjectPrPos(e, 0, &h, &v);
    EXPECT_EQ(h, 1500 + 10);
    EXPECT_EQ(v, 750 + 10);
}

TEST(PrintLayout, ListingPages) {
    EXPECT_EQ(TextPages(130, 60), 3); // the last page holds 10 lines
    EXPECT_EQ(TextPages(120, 60), 2);
    EXPECT_EQ(TextPages(0, 60), 0);
    EXPECT_EQ(LinesPerPage(6600, 110), 60);
}

TEST(PrintLayout, FitToPageHoldsTheWholeLimitBoxOnOnePageAtTheLargestScale) {
    Doc d; // scales 1, 2, 4: the plan is 10 x 5 cm at the project's scales, the side 10 x 2.5
    PrintLayout L;
    const int footer = 200;
    // A tall page (4800 x 6600 px, 203 x 279 mm): the plan's width decides.
    L.SetFitToPage(d.doc, 0, 4800, 6600, 203, 279, footer);
    EXPECT_EQ(L.TotalPages, 1);
    EXPECT_EQ(L.hPgMax, 1);
    // Room across: 4790 printable less two borders of 23 x 16 px and two pixels: 4052 px for
    // 10 units at 236.45 px per cm, 0.5835 units per cm, rounded up to three digits.
    EXPECT_DOUBLE_EQ(L.fitHScale, 0.584);
    EXPECT_DOUBLE_EQ(L.fitVScale, 1.17); // twice as coarse, as the project draws y
    EXPECT_NEAR(L.hPrObjScale[0], 4800 * 10.0 / 203 / 0.584, 1e-9);
    EXPECT_LE(L.hPrExtent[0], L.hPrintable);
    EXPECT_GT(L.hPrExtent[0], L.hPrintable * 0.99); // the largest that fits
    EXPECT_LE(L.vPrExtent[0], L.vPrintable - footer);
    // The limit box's corners on the page, above the footer.
    COMMON e{};
    e.xReal = 10, e.yReal = 0;
    int h, v;
    L.CalcObjectPrPos(e, 0, &h, &v);
    EXPECT_LT(h, 4800);
    EXPECT_LT(v, 6600 - footer);
    // The end view (y across at 2, z up at 4) is wider than tall at the project's scales, the
    // plan too; with x drawn coarser than y the plan is taller than wide.
    EXPECT_TRUE(WiderThanTall(d.doc, 0));
    EXPECT_TRUE(WiderThanTall(d.doc, 2));
    d.doc.objScale1 = 4;
    EXPECT_FALSE(WiderThanTall(d.doc, 0));
    // A drawing smaller than the page is enlarged; a box of no size is printed as it is.
    d.doc.objScale1 = d.doc.objScale2 = d.doc.objScale3 = 100;
    L.SetFitToPage(d.doc, 1, 4800, 6600, 203, 279, footer);
    EXPECT_LT(L.fitHScale, 1);
    d.doc.xMax = d.doc.xMin, d.doc.zMax = d.doc.zMin;
    L.SetFitToPage(d.doc, 1, 4800, 6600, 203, 279, footer);
    EXPECT_EQ(L.fitHScale, 0);
    EXPECT_EQ(L.TotalPages, 1);
}
