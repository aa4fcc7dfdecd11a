// Adding observations from marked elements, duplicate tests, cascading deletion and Cut.

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"

using namespace kivo;

namespace {

struct RecordingPainter : LinePainter {
    struct L {
        Pen pen;
        int x1, y1, x2, y2;
    };
    std::vector<L> lines;
    void Line(Pen pen, int x1, int y1, int x2, int y2) override { lines.push_back({pen, x1, y1, x2, y2}); }
};

// Four theodolites T0..T3, five points P0..P4 and two scale bars S0, S1.
struct Network : ::testing::Test {
    test::ScopedIni ini;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    void SetUp() override {
        doc.CreateMemory();
        for (int i = 0; i < 4; ++i)
            doc.NewTheo(("T" + std::to_string(i)).c_str(), "", 1, i, i, 0, 0, 0, 0, 0, 0);
        for (int i = 0; i < 5; ++i)
            doc.NewPoint(("P" + std::to_string(i)).c_str(), "", i, 10, 0, 0);
        for (int i = 0; i < 2; ++i)
            doc.NewSBar(("S" + std::to_string(i)).c_str(), "", i, 20, 0, 1, 0, 100);
    }
    // Checks the invariants every operation must keep.
    void ExpectConsistent() {
        for (int i = 0; i < doc.nMaxTheos; ++i) {
            const THEODOLITE& t = doc.theoList[i];
            EXPECT_EQ(t.thCount, t.thList.size());
            EXPECT_EQ(t.ptCount, t.ptList.size());
            EXPECT_EQ(t.sbCount, t.sbList.size());
            EXPECT_EQ(t.dsCount, t.dsList.size());
            EXPECT_EQ(t.hdCount, t.hdList.size());
        }
        int live = 0;
        for (int i = 0; i < doc.nMaxDists; ++i)
            live += (doc.distList[i].flags & OBS_INUSE) != 0;
        EXPECT_EQ(live, doc.nNumDists);
        EXPECT_TRUE(doc.theoList.IndexesConsistent(doc.nMaxTheos));
        EXPECT_TRUE(doc.pointList.IndexesConsistent(doc.nMaxPoints));
    }
};

TEST_F(Network, CollimationSkipsTheTargetItselfAndDuplicates) {
    doc.theoList.Mark(0, true);
    doc.theoList.Mark(1, true);
    RecordingPainter painter;
    doc.NewCollimate(&painter, 0, 1);
    ASSERT_EQ(doc.theoList[0].thCount, 1);
    EXPECT_EQ(doc.theoList[1].thCount, 0);
    const CONNECT1& c = doc.theoList[0].thList[0];
    EXPECT_EQ(c.target, 1);
    EXPECT_EQ(c.flags, OBS_IDEAL);
    ASSERT_EQ(painter.lines.size(), 1u);
    EXPECT_EQ(painter.lines[0].pen, LinePainter::Green);
    EXPECT_EQ(painter.lines[0].x1, doc.theoList[0].hcoord[0]);
    EXPECT_EQ(painter.lines[0].x2, doc.theoList[1].hcoord[0]);

    doc.NewCollimate(nullptr, 0, 1);
    EXPECT_EQ(doc.theoList[0].thCount, 1) << "the same target twice adds nothing";
    ExpectConsistent();
}

TEST_F(Network, ExistingMeasuredEntryBlocksTheIdealOne) {
    doc.theoList[0].ptList.Append(CONNECT1{3, OBS_DIRECT, 0, 1.0, 2.0});
    doc.theoList[0].SyncCounts();
    doc.theoList.Mark(0, true);
    doc.NewPtDirect(nullptr, 0, 3);
    EXPECT_EQ(doc.theoList[0].ptCount, 1);
    doc.NewPtDirect(nullptr, 0, 4);
    EXPECT_EQ(doc.theoList[0].ptCount, 2);
    doc.NewSBDirect(nullptr, 0, 1);
    EXPECT_EQ(doc.theoList[0].sbList[0].target, 1);
    ExpectConsistent();
}

TEST_F(Network, PointToPointDistancesTreatEitherOrderAsDuplicate) {
    doc.pointList.Mark(3, true);
    RecordingPainter painter;
    doc.NewDistance(&painter, 0, 4);
    ASSERT_EQ(doc.nNumDists, 1);
    EXPECT_EQ(doc.distList[0].source, 3);
    EXPECT_EQ(doc.distList[0].target, 4);
    EXPECT_EQ(doc.distList[0].flags, OBS_INUSE | OBS_IDEAL);
    ASSERT_EQ(painter.lines.size(), 1u);
    EXPECT_EQ(painter.lines[0].x1, doc.pointList[3].hcoord[0] + 1)
        << "point-to-point lines are shifted one pixel";
    doc.pointList.Mark(3, false);
    doc.pointList.Mark(4, true);
    doc.NewDistance(nullptr, 0, 3);
    EXPECT_EQ(doc.nNumDists, 1) << "4 to 3 duplicates 3 to 4";
    doc.NewHeight(nullptr, 0, 3);
    EXPECT_EQ(doc.nNumHeights, 1);
    EXPECT_EQ(doc.heightList[0].source, 4);
    ExpectConsistent();
}

TEST_F(Network, GlobalListReusesFreedSlots) {
    doc.pointList.Mark(0, true);
    doc.NewDistance(nullptr, 0, 1); // slot 0 (storage for one entry existed)
    doc.NewDistance(nullptr, 0, 2); // grows to 2
    doc.NewDistance(nullptr, 0, 3); // grows to 3
    EXPECT_EQ(doc.nMaxDists, 3);
    doc.DelPtDistance(0, 2, -1);
    EXPECT_EQ(doc.nNumDists, 2);
    doc.NewDistance(nullptr, 0, 4);
    EXPECT_EQ(doc.distList[1].target, 4);
    EXPECT_EQ(doc.nMaxDists, 3);
    ExpectConsistent();
}

TEST_F(Network, DeletingAPointRemovesEveryObservationOfIt) {
    THEODOLITE& t = doc.theoList[0];
    t.ptList.Append(CONNECT1{1, OBS_IDEAL, 0, 0, 0});
    t.ptList.Append(CONNECT1{2, OBS_IDEAL, 0, 0, 0});
    t.ptList.Append(CONNECT1{2, OBS_DIRECT, 0, 0, 0});
    t.ptList.Append(CONNECT1{2, OBS_REVERSE, 0, 0, 0});
    t.ptList.Append(CONNECT1{3, OBS_IDEAL, 0, 0, 0});
    t.dsList.Append(CONNECT3{2, OBS_IDEAL, 0, 5.0});
    t.hdList.Append(CONNECT6{2, OBS_IDEAL, 0, 1.0});
    t.SyncCounts();
    doc.pointList.Mark(2, true);
    doc.NewDistance(nullptr, 0, 4);
    doc.pointList.Mark(2, false);
    doc.pointList.Mark(4, true);
    doc.NewHeight(nullptr, 0, 2);

    doc.DelPoint(2);
    EXPECT_EQ(doc.nNumPoints, 4);
    ASSERT_EQ(t.ptCount, 2);
    EXPECT_EQ(t.ptList[0].target, 1);
    EXPECT_EQ(t.ptList[1].target, 3) << "the list stays dense and in order";
    EXPECT_EQ(t.dsCount, 0);
    EXPECT_EQ(t.hdCount, 0);
    EXPECT_EQ(doc.nNumDists, 0);
    EXPECT_EQ(doc.nNumHeights, 0);
    EXPECT_EQ(doc.PointCheck("P2"), -1);
    ExpectConsistent();
}

TEST_F(Network, DeletingATheodoliteLeavesNoCollimationToIt) {
    for (int i : {0, 1, 3}) {
        doc.theoList.Mark(i, true);
    }
    doc.NewCollimate(nullptr, 0, 2);
    doc.NewCollimate(nullptr, 0, 0);
    doc.DelTheo(2);
    EXPECT_EQ(doc.nMaxTheos, 4);
    EXPECT_EQ(doc.nNumTheos, 3);
    EXPECT_EQ(doc.theoList[2].flags, 0);
    for (int i : {0, 1, 3})
        for (const CONNECT1& c : doc.theoList[i].thList.items())
            EXPECT_NE(c.target, 2);
    EXPECT_EQ(doc.theoList[1].thCount, 1) << "collimations to other theodolites stay";
    ExpectConsistent();
}

TEST_F(Network, DeletingAScaleBarRemovesItsDirections) {
    doc.theoList.Mark(0, true);
    doc.theoList.Mark(1, true);
    doc.NewSBDirect(nullptr, 0, 0);
    doc.NewSBDirect(nullptr, 0, 1);
    doc.DelSBar(0);
    EXPECT_EQ(doc.nNumSBars, 1);
    for (int i : {0, 1}) {
        ASSERT_EQ(doc.theoList[i].sbCount, 1);
        EXPECT_EQ(doc.theoList[i].sbList[0].target, 1);
    }
    ExpectConsistent();
}

// Cut deletes what the selection names, for every kind, and always marks the project changed
// and greys Cut.
TEST_F(Network, CutDeletesEachSelectionKind) {
    for (int i = 0; i < 4; ++i)
        doc.theoList.Mark(i, true);
    doc.NewCollimate(nullptr, 0, 1);
    doc.NewPtDirect(nullptr, 0, 0);
    doc.NewSBDirect(nullptr, 0, 0);
    doc.NewDistance(nullptr, 0, 0);
    doc.NewHeight(nullptr, 0, 0);
    doc.ClearTheos();
    doc.pointList.Mark(1, true);
    doc.NewDistance(nullptr, 0, 2);
    doc.NewHeight(nullptr, 0, 2);
    doc.ClearPoints();
    // A collimation back from 1 to 0, so that Cut must remove both directions.
    doc.theoList.Mark(1, true);
    doc.NewCollimate(nullptr, 0, 0);
    doc.ClearTheos();

    doc.selectType = SEL_COLLIMATE;
    doc.stationA = 0;
    doc.stationB = 1;
    doc.CmCut();
    EXPECT_FALSE(doc.theoList[0].thList.Contains(1));
    EXPECT_FALSE(doc.theoList[1].thList.Contains(0));

    struct Case {
        int type;
        int (*count)(const THEODOLITE&);
    };
    const Case cases[] = {
        {SEL_PTDIRECT, [](const THEODOLITE& t) { return int(t.ptCount); }},
        {SEL_SBDIRECT, [](const THEODOLITE& t) { return int(t.sbCount); }},
        {SEL_DISTANCE, [](const THEODOLITE& t) { return int(t.dsCount); }},
        {SEL_HEIGHT, [](const THEODOLITE& t) { return int(t.hdCount); }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.count(doc.theoList[2]), 1);
        doc.selectType = c.type;
        doc.station = 2;
        doc.target = 0;
        doc.CmCut();
        EXPECT_EQ(c.count(doc.theoList[2]), 0) << "selectType " << c.type;
        EXPECT_EQ(c.count(doc.theoList[3]), 1) << "other stations keep theirs";
    }

    // Point-to-point: only the stored order source -> target is removed.
    doc.selectType = SEL_PTDISTANCE;
    doc.targetA = 2;
    doc.targetB = 1;
    doc.CmCut();
    EXPECT_EQ(doc.nNumDists, 1);
    doc.targetA = 1;
    doc.targetB = 2;
    doc.CmCut();
    EXPECT_EQ(doc.nNumDists, 0);
    doc.selectType = SEL_PTHEIGHT;
    doc.CmCut();
    EXPECT_EQ(doc.nNumHeights, 0);

    doc.selectType = SEL_THEO;
    doc.index = 3;
    doc.CmCut();
    EXPECT_EQ(doc.nNumTheos, 3);
    doc.selectType = SEL_POINT;
    doc.index = 0;
    doc.CmCut();
    EXPECT_EQ(doc.nNumPoints, 4);
    EXPECT_EQ(doc.theoList[0].ptCount, 0);
    doc.selectType = SEL_SBAR;
    doc.index = 0;
    doc.CmCut();
    EXPECT_EQ(doc.nNumSBars, 1);
    ExpectConsistent();
}

TEST_F(Network, CutWithNothingSelectedStillMarksChangedAndGreysCut) {
    doc.bFileDirty = false;
    doc.selectType = SEL_NONE;
    doc.CmCut();
    EXPECT_TRUE(doc.bFileDirty);
    ASSERT_FALSE(host.menuItems.empty());
    EXPECT_EQ(host.menuItems.back(), std::make_pair(int(cmd::EditCut), false));
    EXPECT_EQ(host.statusTexts.back(), "");
    EXPECT_EQ(doc.nNumTheos, 4);
}

} // namespace
