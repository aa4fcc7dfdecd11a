// View geometry, scroll ranges, the line test and hit testing: canvas-pixel arithmetic checked
// against values worked out by hand.

#include <gtest/gtest.h>

#include <string>

#include "adjustment/kivoMDIClient.h"

using namespace kivo;

namespace {

// A screen of 1024 pixels over 320 mm in both directions (3.2 pixels per millimetre).
class ScreenHost : public NullHost {
public:
    void ScreenMetrics(int& hr, int& vr, int& hs, int& vs) override {
        hr = vr = 1024;
        hs = vs = 320;
    }
    void StatusText(const std::string& t) override { text = t; }
    void StatusImage(int i) override { image = i; }
    std::string text;
    int image = -1;
};

struct Doc {
    ScreenHost host;
    kivoMDIClient doc{&host};
    Doc() {
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 1; // 1 cm of screen = 1 unit
        doc.hBordSize = doc.vBordSize = 10;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 10;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
    }
    int Theo(double x, double y) {
        doc.NewTheo("T", "T", 0, 0, x, y, 0, 0, 0, 0, 0);
        return doc.lastNewSlot;
    }
    int Point(double x, double y) {
        doc.NewPoint("P", "P", x, y, 0, 0);
        return doc.lastNewSlot;
    }
};

} // namespace

TEST(ViewGeometry, ScaleFactorsAndCanvasForAKnownScreen) {
    Doc d;
    EXPECT_DOUBLE_EQ(d.doc.hObjScale[0], 32.0); // 10 x 1024 / (320 x 1)
    EXPECT_DOUBLE_EQ(d.doc.vObjScale[2], 32.0);
    EXPECT_EQ(d.doc.hBordPix, 32);    // 1024 x 10 / 320
    EXPECT_EQ(d.doc.hExtent[0], 385); // 320 + 64 + 1
    EXPECT_DOUBLE_EQ(d.doc.hBase[0], -1.0);
    EXPECT_DOUBLE_EQ(d.doc.vBase[0], 11.0);

    COMMON e{};
    e.xReal = 0, e.yReal = 10;
    d.doc.CalcPixelPos(e);
    EXPECT_EQ(e.hcoord[0], 32);
    EXPECT_EQ(e.vcoord[0], 32); // y = yMax lies in row vBordPix
    e.xReal = 10, e.yReal = 10.5;
    d.doc.CalcPixelPos(e);
    EXPECT_EQ(e.hcoord[0], 352);
    EXPECT_EQ(e.vcoord[0], 16); // a larger y lies above
    // Half a pixel left of the canvas truncates toward zero: column 0, not -1.
    e.xReal = -1.0 - 0.5 / 32;
    d.doc.CalcPixelPos(e);
    EXPECT_EQ(e.hcoord[0], 0);
}

TEST(ViewGeometry, BordersTruncateInIntegerArithmetic) {
    Doc d;
    d.doc.hBordSize = 3; // 1024 x 3 / 320 = 9.6
    d.doc.SetScaleFactors();
    EXPECT_EQ(d.doc.hBordPix, 9);
}

TEST(ScrollRanges, ViewCases) {
    // Fits once both bars are gone.
    ScrollRanges r = CalcViewScrollRanges(410, 310, 400, 300, false, false, 16, 16);
    EXPECT_EQ(r.maxH, 0);
    EXPECT_EQ(r.maxV, 0);
    // Only vertical overflow: no horizontal bar, and its room goes to the vertical direction.
    r = CalcViewScrollRanges(300, 500, 400, 300, false, false, 16, 16);
    EXPECT_EQ(r.maxH, 0);
    EXPECT_EQ(r.maxV, 184);
    // Only horizontal overflow.
    r = CalcViewScrollRanges(700, 200, 400, 300, false, false, 16, 16);
    EXPECT_EQ(r.maxH, 284);
    EXPECT_EQ(r.maxV, 0);
    // A hidden bar's room is taken off the client area first.
    r = CalcViewScrollRanges(700, 500, 416, 316, true, true, 16, 16);
    EXPECT_EQ(r.maxH, 300);
    EXPECT_EQ(r.maxV, 200);
}

TEST(ScrollRanges, TextViewInLines) {
    int winLines = 0;
    // 10 lines in a window of 30: no scrolling, every line shown.
    ScrollRanges r = CalcTextScrollRanges(560, 10, 16, 600, 480, false, false, 16, 16, winLines);
    EXPECT_EQ(r.maxV, 0);
    EXPECT_EQ(winLines, 10);
    // 100 lines: 30 fit; the unneeded horizontal bar gives one more line.
    r = CalcTextScrollRanges(560, 100, 16, 600, 480, false, false, 16, 16, winLines);
    EXPECT_EQ(r.maxH, 0);
    EXPECT_EQ(r.maxV, 69);
    EXPECT_EQ(winLines, 30);
    // Overflowing by two lines still scrolls (the bar's 16 pixels are one line, not 16).
    r = CalcTextScrollRanges(560, 32, 16, 600, 480, false, false, 16, 16, winLines);
    EXPECT_EQ(r.maxV, 1);
    // Short but wide: horizontal scrolling only, all lines shown.
    r = CalcTextScrollRanges(900, 10, 16, 600, 480, false, false, 16, 16, winLines);
    EXPECT_EQ(r.maxH, 284);
    EXPECT_EQ(r.maxV, 0);
    EXPECT_EQ(winLines, 10);
}

TEST(LineTest, ThreePixelsHitFourDoNot) {
    // A diagonal from (0, 0) to (40, 20).
    EXPECT_TRUE(LineHit(0, 0, 40, 20, 20, 13));  // 3 below
    EXPECT_FALSE(LineHit(0, 0, 40, 20, 20, 14)); // 4 below, 8 across
    EXPECT_TRUE(LineHit(0, 0, 40, 20, 20, 7));
    // A horizontal line: anywhere within 3 above or below and 3 beyond its ends.
    EXPECT_TRUE(LineHit(10, 10, 50, 10, 7, 13));
    EXPECT_TRUE(LineHit(10, 10, 50, 10, 53, 7));
    EXPECT_FALSE(LineHit(10, 10, 50, 10, 54, 10));
    EXPECT_FALSE(LineHit(10, 10, 50, 10, 30, 14));
}

TEST(LineTest, ShiftsKeepKindsApart) {
    int sx, sy, dx, dy;
    LineShift(SEL_PTDIRECT, 30, 10, sx, sy);
    LineShift(SEL_DISTANCE, 30, 10, dx, dy);
    EXPECT_EQ(dx - sx, 2);                  // two pixels apart, the direction on the left
    LineShift(SEL_PTDIRECT, 30, 0, sx, sy); // level: one below and to the left
    EXPECT_EQ(sx, -1);
    EXPECT_EQ(sy, 1);
    LineShift(SEL_PTHEIGHT, 30, -10, sx, sy);
    EXPECT_EQ(sy, -1);
    LineShift(SEL_COLLIMATE, 30, -10, sx, sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
}

TEST(HitTest, HalfOpenBoxAroundElements) {
    Doc d;
    const int t = d.Theo(5, 5);
    const COMMON& e = d.doc.theoList[t];
    const int h = e.hcoord[0], v = e.vcoord[0];
    EXPECT_EQ(d.doc.HitTest({h - 5, v}, 0), 65536L + t);
    EXPECT_EQ(d.doc.selectType, SEL_THEO);
    EXPECT_EQ(d.doc.HitTest({h + 5, v}, 0), 0xFFFF);
    EXPECT_EQ(d.doc.selectType, SEL_NONE);
    EXPECT_EQ(d.doc.HitTest({h + 4, v + 4}, 0), 65536L + t);
    EXPECT_EQ(d.doc.HitTest({h, v + 5}, 0), 0xFFFF);
}

TEST(HitTest, TheodoliteWinsOverPoint) {
    Doc d;
    const int p = d.Point(5, 5);
    const int t = d.Theo(5.1, 5); // 3 pixels to the right: the boxes overlap
    const int th = d.doc.theoList[t].hcoord[0], v = d.doc.theoList[t].vcoord[0];
    for (int x = th - 5; x <= th + 4; ++x)
        EXPECT_EQ(d.doc.HitTest({x, v}, 0) >> 16, SEL_THEO) << x;
    EXPECT_EQ(d.doc.HitTest({th - 6, v}, 0), 2 * 65536L + p);
    EXPECT_EQ(d.doc.index, p);
}

TEST(HitTest, ObservationLinesOnlyWhenShown) {
    Doc d;
    const int a = d.Theo(1, 5), b = d.Theo(9, 5);
    d.doc.theoList[a].thList.Append(CONNECT1{b, OBS_IDEAL, 0, 0, 0});
    const int mid = (d.doc.theoList[a].hcoord[0] + d.doc.theoList[b].hcoord[0]) / 2;
    const int v = d.doc.theoList[a].vcoord[0];
    d.doc.bCollimate = false;
    EXPECT_EQ(d.doc.HitTest({mid, v + 2}, 0), 0xFFFF);
    d.doc.bCollimate = true;
    EXPECT_EQ(d.doc.HitTest({mid, v + 3}, 0), 4 * 65536L + ((a << 8) | b));
    EXPECT_EQ(d.doc.stationA, a);
    EXPECT_EQ(d.doc.stationB, b);
    EXPECT_EQ(d.doc.HitTest({mid, v + 4}, 0), 0xFFFF);
}

TEST(HitTest, DirectionIsHitWhereItIsDrawn) {
    Doc d;
    const int t = d.Theo(1, 5), p = d.Point(9, 5); // level: the direction lies one row below
    d.doc.theoList[t].ptList.Append(CONNECT1{p, OBS_IDEAL, 0, 0, 0});
    d.doc.bDirect = true;
    KLine l;
    d.doc.ObsLineEnds(SEL_PTDIRECT, 0, t, p, &l);
    EXPECT_EQ(l.y1, d.doc.theoList[t].vcoord[0] + 1);
    EXPECT_EQ(l.x1, d.doc.theoList[t].hcoord[0] - 1);
    const int mid = (l.x1 + l.x2) / 2;
    EXPECT_EQ(d.doc.HitTest({mid, l.y1 + 3}, 0) >> 16, SEL_PTDIRECT);
    EXPECT_EQ(d.doc.station, t);
    EXPECT_EQ(d.doc.target, p);
    EXPECT_EQ(d.doc.HitTest({mid, l.y1 + 4}, 0), 0xFFFF);
}

TEST(HitTest, KeysOfHighSlotsOverlapButFieldsStayExact) {
    Doc d;
    for (int i = 0; i < 300; ++i)
        d.Point(0.5 + (i % 20) * 0.45, 0.5 + (i / 20) * 0.6);
    d.doc.bDistance = true;
    d.doc.AddPtDistance(CONNECT4{299, 257, OBS_IDEAL | OBS_INUSE, 0, 0});
    KLine l;
    d.doc.ObsLineEnds(SEL_PTDISTANCE, 0, 299, 257, &l);
    long r = -1;
    for (int k = 1; k < 20 && r == -1; ++k) {
        const int x = l.x1 + (l.x2 - l.x1) * k / 20, y = l.y1 + (l.y2 - l.y1) * k / 20;
        const long hit = d.doc.HitTest({x, y}, 0);
        if ((hit >> 16) == SEL_PTDISTANCE) r = hit;
    }
    ASSERT_NE(r, -1);
    EXPECT_EQ(r & 0xFFFF, ((299 << 8) | 257) & 0xFFFF);
    EXPECT_EQ(d.doc.targetA, 299);
    EXPECT_EQ(d.doc.targetB, 257);
}

TEST(Selection, StatusBarTextsAndImages) {
    Doc d;
    d.doc.NewTheo("Theo1_0", "T10", 1, 0, 1.5, 2.25, 3, 0, 0, 0, 0);
    d.doc.NewPoint("Point7", "P7", 4, 5, 6, 0);
    d.doc.selectType = SEL_THEO;
    d.doc.index = 0;
    d.doc.StatBarSelect(0);
    // The form name with the label the views draw beside it.
    EXPECT_EQ(d.host.text, "     Theo1_0 (T10)   (    1.500,    2.250,    3.000 )");
    EXPECT_EQ(d.host.image, 0);
    d.host.image = -1;
    d.doc.StatBarSelect(1); // while dragging only the text changes
    EXPECT_EQ(d.host.image, -1);
    d.doc.selectType = SEL_DISTANCE;
    d.doc.station = 0;
    d.doc.target = 0;
    d.doc.StatBarSelect(1);
    EXPECT_EQ(d.host.text, "          Theo1_0 (T10)  --  Point7 (P7)");
    EXPECT_EQ(d.host.image, 5);
    d.doc.StatBarMessage("x");
    EXPECT_EQ(d.host.image, 7);
}

TEST(Selection, CheckRectClipsInPlace) {
    KRect r{0, 0, 100, 80}, l{-10, 5, 120, 90};
    kivoMDIClient::CheckRect(&r, &l);
    EXPECT_EQ(l.left, 0);
    EXPECT_EQ(l.top, 5);
    EXPECT_EQ(l.right, 100);
    EXPECT_EQ(l.bottom, 80);
}
