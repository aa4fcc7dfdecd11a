// The arithmetic of zooming and fitting: drawing scales stay values the Display form can show,
// a fit keeps the ratio of the scales and really fits, and the box a fit aims at.

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "model/view_zoom.h"

using namespace kivo;

TEST(ViewZoom, ScalesRoundToWhatTheDisplayFormShowsAndZoomNeverSticks) {
    EXPECT_DOUBLE_EQ(RoundScale(12.3456, false), 12.3);
    EXPECT_DOUBLE_EQ(RoundScale(12.3456, true), 12.4);
    EXPECT_DOUBLE_EQ(RoundScale(2.5, true), 2.5); // already round: not pushed a step up
    EXPECT_DOUBLE_EQ(RoundScale(1234.5, false), 1230);
    EXPECT_DOUBLE_EQ(RoundScale(0.0456, false), 0.05);         // hundredths at the fine end
    EXPECT_DOUBLE_EQ(RoundScale(0.0456, true, false), 0.0456); // a printout's scale: 3 digits
    EXPECT_DOUBLE_EQ(RoundScale(0, false), kMinDrawingScale);
    EXPECT_DOUBLE_EQ(RoundScale(-3, true), kMinDrawingScale);

    // Zooming in and out walks every scale from coarse to the finest and back: each step moves,
    // until the finest scale, where zooming in stops.
    double s = 500;
    int steps = 0;
    while (s > kMinDrawingScale && steps < 200) {
        const double next = ZoomedScale(s, 1.25);
        ASSERT_LT(next, s) << "at " << s;
        EXPECT_GE(next, s / 1.25 * 0.5); // never a jump
        s = next, ++steps;
    }
    EXPECT_DOUBLE_EQ(s, kMinDrawingScale);
    EXPECT_DOUBLE_EQ(ZoomedScale(s, 1.25), kMinDrawingScale);
    for (int i = 0; i < steps; ++i) {
        const double next = ZoomedScale(s, 1 / 1.25);
        ASSERT_GT(next, s) << "at " << s;
        s = next;
    }
    EXPECT_GT(s, 100.0);

    // A zoom takes all three scales along, keeping an exaggerated axis exaggerated.
    ProjectSettings p;
    p.objScale1 = 10, p.objScale2 = 10, p.objScale3 = 2.5;
    EXPECT_TRUE(ZoomAllScales(p, 2));
    EXPECT_DOUBLE_EQ(p.objScale1, 5);
    EXPECT_DOUBLE_EQ(p.objScale2, 5);
    EXPECT_DOUBLE_EQ(p.objScale3, 1.25);
    p.objScale1 = p.objScale2 = p.objScale3 = kMinDrawingScale;
    EXPECT_FALSE(ZoomAllScales(p, 1.25));
    ScaleAllScales(p, 301);
    EXPECT_DOUBLE_EQ(p.objScale3, 3.01);
}

TEST(ViewZoom, FitKeepsTheRatioOfTheScalesAndTheBoxFits) {
    // 100 x 30 units into 800 x 600 pixels at 40 px/cm; z drawn twice as coarse as x.
    double hs = 1, vs = 2;
    ASSERT_TRUE(FitScales(100, 30, 40, 40, 800, 600, hs, vs));
    EXPECT_DOUBLE_EQ(hs, 5); // across decides: 100 units over 20 cm
    EXPECT_DOUBLE_EQ(vs, 10);
    EXPECT_LE(100 / hs * 40, 800);
    EXPECT_LE(30 / vs * 40, 600);
    // Tall: the height decides, rounded up so that it still fits.
    hs = vs = 1;
    ASSERT_TRUE(FitScales(10, 77, 37.8, 37.8, 800, 600, hs, vs));
    EXPECT_LE(77 / vs * 37.8, 600);
    EXPECT_GT(77 / vs * 37.8, 600 * 0.99); // and is the finest that does
    EXPECT_DOUBLE_EQ(hs, vs);
    // A line (no height) asks only for its width; no room or nothing at all fits nothing.
    hs = vs = 1;
    ASSERT_TRUE(FitScales(50, 0, 10, 10, 100, 100, hs, vs));
    EXPECT_DOUBLE_EQ(hs, 5);
    EXPECT_FALSE(FitScales(50, 10, 10, 10, 0, 100, hs, vs));
    EXPECT_FALSE(FitScales(0, 0, 10, 10, 100, 100, hs, vs));
    EXPECT_DOUBLE_EQ(hs, 5); // untouched
}

TEST(ViewZoom, FitAimsAtTheNetworkInsideTheLimits) {
    kivoMDIClient doc;
    doc.CreateMemory();
    doc.xMin = doc.yMin = doc.zMin = 0;
    doc.xMax = doc.yMax = doc.zMax = 100;
    auto box = [&](int view) { return FitTarget(doc, doc, view); };
    // No network: the limit box.
    EXPECT_DOUBLE_EQ(box(0).uMax, 100);
    doc.NewPoint("P1", "P1", 20, 30, 5, 0);
    EXPECT_DOUBLE_EQ(box(0).uMax, 100); // a single spot has no size: still the limits
    doc.NewPoint("P2", "P2", 40, 35, 5, 0);
    doc.NewTheo("T", "T", 1, 0, 30, 60, 150, 0, 0, 0, 0); // high above the limits
    const PlaneBox plan = box(0);
    EXPECT_DOUBLE_EQ(plan.uMin, 20);
    EXPECT_DOUBLE_EQ(plan.uMax, 40);
    EXPECT_DOUBLE_EQ(plan.wMin, 30);
    EXPECT_DOUBLE_EQ(plan.wMax, 60);
    const PlaneBox side = box(1); // z from 5 up to the top of the limits (the canvas ends there)
    EXPECT_DOUBLE_EQ(side.wMin, 5);
    EXPECT_DOUBLE_EQ(side.wMax, 100);
    EXPECT_DOUBLE_EQ(box(2).uMin, 30);
    // Everything outside the limits: the limit box is all there is to show.
    doc.xMin = 500, doc.xMax = 600;
    EXPECT_DOUBLE_EQ(box(0).uMin, 500);
    EXPECT_DOUBLE_EQ(box(0).wMax, 100);
}
