// The mouse tools' document logic: tool commands, placing with the naming rules, the measuring
// rules T and P with Shift and Control, dragging, the limit box, and the forms' working lists.

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "model/working_lists.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"

using namespace kivo;
using kivo::test::Val;

namespace {

// 32 pixels per model unit (1024 pixels over 320 mm, scales 1), borders of 32 pixels, limits 0..10.
class ScreenHost : public test::ScriptedHost {
public:
    void ScreenMetrics(int& hr, int& vr, int& hs, int& vs) override {
        hr = vr = 1024;
        hs = vs = 320;
    }
};

struct Net {
    ScreenHost host;
    kivoMDIClient doc{&host};
    Net() {
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
        doc.hBordSize = doc.vBordSize = 10;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 10;
        doc.xDef = 1, doc.yDef = 2, doc.zDef = 3;
        doc.globalPos = 1, doc.globalTheo = 0, doc.globalPoint = 1, doc.globalSBar = 1;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
    }
    // A click of the active measuring tool on element `slot` of `kind` in the plan view.
    MeasureAction Click(int kind, int slot, bool shift = false, bool control = false) {
        const COMMON& c = doc.Common(kind, slot);
        const long hit = doc.HitTest(KPoint{c.hcoord[0], c.vcoord[0]}, 0);
        EXPECT_EQ(hit >> 16, kind);
        return doc.MeasureClick(0, hit, shift, control);
    }
    MeasureAction ClickNothing() { return doc.MeasureClick(0, 0xFFFF, false, false); }
    int Theo(const char* name, int pos, double x, double y) {
        doc.NewTheo(name, "T", pos, 0, x, y, 1, 0, 0, 0, 0);
        return doc.lastNewSlot;
    }
    int Point(const char* name, double x, double y) {
        doc.NewPoint(name, "P", x, y, 1, 0);
        return doc.lastNewSlot;
    }
    bool Marked(int kind, int slot) { return doc.Common(kind, slot).flags & ELEM_SELECTED; }
};

} // namespace

TEST(ToolCommands, StartOnlyWithAGraphicViewAndGreyCut) {
    Net n;
    n.host.toolView = false; // e.g. the active view is minimised
    n.doc.CmDirTool();
    EXPECT_EQ(n.doc.gMode, MODE_SELECT);
    EXPECT_EQ(n.doc.hActiveCursor, CUR_ARROW);
    ASSERT_FALSE(n.host.menuItems.empty());
    EXPECT_EQ(n.host.menuItems.back(), std::make_pair(static_cast<int>(cmd::EditCut), false));
    EXPECT_EQ(n.host.statusTexts.back(), "");

    n.host.toolView = true;
    n.doc.SourcesMarked = true;
    n.doc.CmHeightTool();
    EXPECT_EQ(n.doc.gMode, MODE_HEIGHT);
    EXPECT_EQ(n.doc.hActiveCursor, CUR_HEIGHT);
    EXPECT_EQ(n.host.toolCursor, CUR_HEIGHT);
    EXPECT_FALSE(n.doc.SourcesMarked);
    n.doc.CmSBarTool();
    EXPECT_EQ(n.doc.gMode, MODE_SBAR);
    EXPECT_EQ(n.doc.hActiveCursor, CUR_SBAR);
}

TEST(Placing, NamesFromTheNamingRulesAndTheViewsAxes) {
    Net n;
    n.Point("POINT2", 5, 5); // taken, ignoring case
    n.host.toolView = true;
    n.doc.CmPointTool();
    // Side view: x and z from the pointer, y the default.
    const int p = n.doc.PlaceClick(1, true, 4.5, 6.25, true);
    ASSERT_GE(p, 0);
    EXPECT_STREQ(n.doc.pointList[p].name, "Point1");
    EXPECT_STREQ(n.doc.pointList[p].abbrev, "P1");
    EXPECT_EQ(Val(n.doc.pointList[p].xReal), 4.5);
    EXPECT_EQ(Val(n.doc.pointList[p].yReal), 2.0);
    EXPECT_EQ(Val(n.doc.pointList[p].zReal), 6.25);
    EXPECT_EQ(n.doc.gMode, MODE_POINT); // Shift keeps the tool
    const int q = n.doc.PlaceClick(0, true, 1, 1, false);
    EXPECT_STREQ(n.doc.pointList[q].name, "Point3");
    EXPECT_EQ(n.doc.gMode, MODE_SELECT);
    EXPECT_TRUE(n.doc.bFileDirty);

    n.doc.CmTheoTool();
    const int t = n.doc.PlaceClick(2, true, 3, 4, false); // end view: y, z
    EXPECT_STREQ(n.doc.theoList[t].name, "Theo1_0");
    EXPECT_STREQ(n.doc.theoList[t].abbrev, "T10");
    EXPECT_EQ(Val(n.doc.theoList[t].xReal), 1.0);
    EXPECT_EQ(Val(n.doc.theoList[t].yReal), 3.0);
    EXPECT_EQ(Val(n.doc.theoList[t].pos), 1);
    EXPECT_EQ(Val(n.doc.theoList[t].coordStat), 0);

    n.doc.defLength = 2.5;
    n.doc.CmSBarTool();
    const int s = n.doc.PlaceClick(0, true, 3, 4, false);
    EXPECT_STREQ(n.doc.sbarList[s].name, "SBar1");
    EXPECT_STREQ(n.doc.sbarList[s].abbrev, "S1");
    EXPECT_EQ(Val(n.doc.sbarList[s].length), 2.5);
    EXPECT_EQ(Val(n.doc.sbarList[s].vertAngle), 100);

    // Outside the box: nothing, and the tool ends even with Shift.
    n.doc.CmPointTool();
    const int before = n.doc.nNumPoints;
    EXPECT_EQ(n.doc.PlaceClick(0, false, 20, 20, true), -1);
    EXPECT_EQ(n.doc.nNumPoints, before);
    EXPECT_EQ(n.doc.gMode, MODE_SELECT);
    EXPECT_EQ(n.doc.hActiveCursor, CUR_ARROW);
}

TEST(Placing, AllTheodoliteNamesTakenPlacesNothing) {
    Net n;
    for (int pos = 0; pos <= 9; ++pos)
        for (int th = 0; th <= 9; ++th)
            n.doc.NewTheo("T", "T", pos, th, 1, 1, 1, 0, 0, 0, 0);
    n.doc.globalPos = 0, n.doc.globalTheo = 0;
    n.doc.CmTheoTool();
    const int count = n.doc.nNumTheos;
    EXPECT_EQ(n.doc.PlaceClick(0, true, 3, 3, false), -1);
    EXPECT_EQ(n.doc.nNumTheos, count);
    EXPECT_EQ(n.doc.gMode, MODE_SELECT);
}

TEST(Measuring, DirectionToolMarksCollimatesAndShiftMarks) {
    Net n;
    const int t0 = n.Theo("A", 1, 1, 1), t1 = n.Theo("B", 2, 9, 1), t2 = n.Theo("C", 3, 1, 9);
    const int p = n.Point("P", 5, 5);
    n.doc.CmDirTool();
    EXPECT_EQ(n.Click(SEL_POINT, p), MeasureAction::None); // no sources yet
    EXPECT_EQ(n.Click(SEL_THEO, t0), MeasureAction::Marked);
    EXPECT_TRUE(n.Marked(SEL_THEO, t0));
    EXPECT_TRUE(n.doc.SourcesMarked);

    EXPECT_EQ(n.Click(SEL_THEO, t1), MeasureAction::Created);
    ASSERT_EQ(Val(n.doc.theoList[t0].thCount), 1);
    EXPECT_EQ(Val(n.doc.theoList[t0].thList[0].target), t1);
    EXPECT_EQ(Val(n.doc.theoList[t0].thList[0].flags), OBS_IDEAL);
    EXPECT_TRUE(n.doc.bCollimate);
    EXPECT_FALSE(n.Marked(SEL_THEO, t1)); // the target is not a source

    EXPECT_EQ(n.Click(SEL_THEO, t2, true), MeasureAction::Marked);
    EXPECT_EQ(Val(n.doc.theoList[t0].thCount), 1);
    EXPECT_EQ(n.Click(SEL_POINT, p), MeasureAction::Created);
    EXPECT_EQ(Val(n.doc.theoList[t0].ptCount), 1);
    EXPECT_EQ(Val(n.doc.theoList[t2].ptCount), 1);
    EXPECT_EQ(Val(n.doc.theoList[t1].ptCount), 0);
    EXPECT_TRUE(n.doc.bDirect);
    EXPECT_EQ(n.doc.gMode, MODE_DIRECT);

    // Empty canvas ends the tool and clears the marks.
    EXPECT_EQ(n.ClickNothing(), MeasureAction::Ended);
    EXPECT_EQ(n.doc.gMode, MODE_SELECT);
    EXPECT_FALSE(n.Marked(SEL_THEO, t0));
    EXPECT_FALSE(n.Marked(SEL_THEO, t2));
}

TEST(Measuring, DistanceToolIgnoresATheodoliteWhileSourcesAreMarked) {
    Net n;
    const int t0 = n.Theo("A", 1, 1, 1), t1 = n.Theo("B", 2, 9, 1);
    const int p0 = n.Point("P0", 5, 5), p1 = n.Point("P1", 5, 8);
    const int s = [&] {
        n.doc.NewSBar("S", "S", 8, 8, 1, 1, 0, 100);
        return n.doc.lastNewSlot;
    }();
    n.doc.CmDistTool();
    n.Click(SEL_THEO, t0);
    EXPECT_EQ(n.Click(SEL_THEO, t1), MeasureAction::None);
    EXPECT_FALSE(n.Marked(SEL_THEO, t1));
    EXPECT_EQ(Val(n.doc.theoList[t0].thCount), 0);

    EXPECT_EQ(n.Click(SEL_POINT, p0, true), MeasureAction::Marked); // Shift: a point source too
    EXPECT_EQ(n.Click(SEL_POINT, p1), MeasureAction::Created);
    EXPECT_EQ(Val(n.doc.theoList[t0].dsCount), 1);
    EXPECT_EQ(n.doc.nNumDists, 1);
    EXPECT_EQ(Val(n.doc.distList[0].source), p0);
    EXPECT_EQ(Val(n.doc.distList[0].target), p1);
    EXPECT_TRUE(n.doc.bDistance);

    // A scale bar ends the distance tool; every mark goes.
    EXPECT_EQ(n.Click(SEL_SBAR, s), MeasureAction::Ended);
    EXPECT_FALSE(n.Marked(SEL_THEO, t0));
    EXPECT_FALSE(n.Marked(SEL_POINT, p0));
}

TEST(Measuring, ControlStartsANewSetOfSources) {
    Net n;
    const int t0 = n.Theo("A", 1, 1, 1);
    const int p0 = n.Point("P0", 5, 5), p1 = n.Point("P1", 5, 8), p2 = n.Point("P2", 8, 8);
    n.doc.CmHeightTool();
    n.Click(SEL_THEO, t0);
    n.Click(SEL_POINT, p0, true);
    EXPECT_EQ(n.Click(SEL_POINT, p1, false, true), MeasureAction::Cleared);
    EXPECT_FALSE(n.Marked(SEL_THEO, t0)); // theodolite marks go as well as point marks
    EXPECT_FALSE(n.Marked(SEL_POINT, p0));
    EXPECT_TRUE(n.Marked(SEL_POINT, p1));
    EXPECT_EQ(n.Click(SEL_POINT, p2), MeasureAction::Created);
    EXPECT_EQ(n.doc.nNumHeights, 1);
    EXPECT_EQ(Val(n.doc.heightList[0].source), p1);
    EXPECT_EQ(Val(n.doc.theoList[t0].hdCount), 0);

    // Another tool command while sources are marked leaves no hidden sources behind.
    n.doc.CmDirTool();
    EXPECT_FALSE(n.Marked(SEL_POINT, p1));
    EXPECT_FALSE(n.doc.SourcesMarked);

    // Control without sources only marks.
    n.ClickNothing();
    n.doc.CmDirTool();
    EXPECT_EQ(n.Click(SEL_THEO, t0, false, true), MeasureAction::Marked);
}

TEST(Dragging, MovesOnTheViewsAxesAndInvalidatesTheEllipses) {
    Net n;
    n.doc.bLivePrecision = false; // followed live, a release keeps its ellipses (adjustment tests)
    const int p = n.Point("P", 5, 5);
    n.doc.bValEllip = true;
    n.doc.selectType = SEL_POINT;
    n.doc.index = p;
    int x = 0, y = 0;
    n.doc.OldPosition(&x, &y, 1);
    EXPECT_EQ(x, n.doc.pointList[p].hcoord[1]);

    // Press and release without a move: nothing changes.
    n.doc.EndDrag(1, x, y);
    EXPECT_TRUE(n.doc.bValEllip);

    n.doc.DragTo(1, 6.5, 7.5); // side view: x and z
    EXPECT_EQ(Val(n.doc.pointList[p].xReal), 6.5);
    EXPECT_EQ(Val(n.doc.pointList[p].yReal), 5.0);
    EXPECT_EQ(Val(n.doc.pointList[p].zReal), 7.5);
    EXPECT_TRUE(n.doc.bFileDirty);
    const int updates = n.host.updateViews;
    n.doc.EndDrag(1, x + 48, y - 208); // where the pointer was
    EXPECT_FALSE(n.doc.bValEllip);
    EXPECT_EQ(n.host.menuItems.back(), std::make_pair(static_cast<int>(cmd::Ellipse), false));
    EXPECT_GT(n.host.updateViews, updates);
    // The pixel cache follows the new coordinates: 32 + 6.5 * 32.
    EXPECT_EQ(n.doc.pointList[p].hcoord[1], 240);

    // Followed live, a release where the network cannot be adjusted keeps no ellipses either, and
    // the status bar says why.
    n.doc.bLivePrecision = true;
    n.doc.bValEllip = true;
    n.doc.DragTo(1, 7.0, 7.5);
    n.doc.EndDrag(1, x, y, true);
    EXPECT_FALSE(n.doc.bValEllip);
    EXPECT_EQ(n.host.menuItems.back(), std::make_pair(static_cast<int>(cmd::Ellipse), false));
    EXPECT_EQ(n.host.LastStatus(), "No ellipses at the new position: nothing was adjusted: every element "
                                   "with unknowns is left out. Calculate (F5) writes a listing that says "
                                   "more.");
}

TEST(Dragging, LimitBoxInWindowPixelsClippedAndClamped) {
    Net n;
    // Canvas 385 x 385, borders 32; scrolled by (-10, -20); client 300 x 200.
    const KRect box = n.doc.VisibleLimitBox(0, -10, -20, KRect{0, 0, 300, 200});
    EXPECT_EQ(box.left, 22);
    EXPECT_EQ(box.top, 12);
    EXPECT_EQ(box.right, 300);
    EXPECT_EQ(box.bottom, 200);
    const KRect full = n.doc.VisibleLimitBox(0, 0, 0, KRect{0, 0, 1000, 1000});
    EXPECT_EQ(full.right, 353);
    EXPECT_TRUE(kivoMDIClient::PtInRect(full, KPoint{32, 32}));
    EXPECT_FALSE(kivoMDIClient::PtInRect(full, KPoint{353, 100}));
    const KPoint c = kivoMDIClient::ClampToRect(full, KPoint{900, -5});
    EXPECT_EQ(c.x, 352);
    EXPECT_EQ(c.y, 32);
    // The last pixel inside is still inside the limits: x = 10, y = 0.
    EXPECT_DOUBLE_EQ(352 / n.doc.hObjScale[0] + n.doc.hBase[0], 10.0);
    EXPECT_DOUBLE_EQ(n.doc.vBase[0] - 352 / n.doc.vObjScale[0], 0.0);
}

TEST(WorkingLists, AppendAtTheCountAndRemovePairsInOneOrder) {
    std::vector<CONNECT3> list(3); // storage larger than the count
    int count = 1;
    work::AddDistance(list, count, 7, OBS_DIRECT, 12.5);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(Val(list[1].target), 7);
    EXPECT_EQ(Val(list[1].distance), 12.5);
    work::AddDistance(list, count, 8, OBS_REVERSE, 1);
    work::AddDistance(list, count, 9, OBS_REVERSE, 2);
    EXPECT_EQ(count, 4);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(Val(list[3].target), 9);

    std::vector<CONNECT2> bars;
    int nBars = 0;
    work::AddSBDirect(bars, nBars, 2, OBS_DIRECT, 1, 2, 3, 4);
    EXPECT_EQ(Val(bars[0].hRAngle), 3.0);
    EXPECT_EQ(Val(bars[0].vRAngle), 4.0);

    work::PairCopy<CONNECT4> pairs;
    const int a = work::AddPtDistance(pairs, 1, 2, OBS_DIRECT, 5);
    const int b = work::AddPtDistance(pairs, 2, 1, OBS_DIRECT, 5);
    const int c = work::AddPtDistance(pairs, 1, 2, OBS_REVERSE, 6);
    EXPECT_EQ(pairs.nNum, 3);
    EXPECT_EQ(pairs.newSlot, c);
    work::DelPtDistanceMod(pairs, 1, 2, -1); // both 1 -> 2, not 2 -> 1
    EXPECT_EQ(pairs.nNum, 1);
    EXPECT_FALSE(pairs.entries[static_cast<std::size_t>(a)].flags & OBS_INUSE);
    EXPECT_TRUE(pairs.entries[static_cast<std::size_t>(b)].flags & OBS_INUSE);
    EXPECT_EQ(work::AddPtDistance(pairs, 3, 4, OBS_DIRECT, 1), a); // the first free slot again
    work::DelPtDistanceMod(pairs, 0, 0, b);
    EXPECT_EQ(pairs.nNum, 1);

    work::PairCopy<CONNECT5> heights;
    work::AddPtHeight(heights, 1, 2, OBS_DIRECT, 0.5);
    work::DelPtHeightMod(heights, 2, 1, -1);
    EXPECT_EQ(heights.nNum, 1);
}
