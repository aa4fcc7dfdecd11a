// Slot tables, naming and look-ups of the document.

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"

using namespace kivo;

namespace {

struct Tables : ::testing::Test {
    test::ScopedIni ini;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    void SetUp() override { doc.CreateMemory(); }
    void AddTheo(const char* name, int pos, int theo) {
        doc.NewTheo(name, "", pos, theo, 1, 2, 3, 0, 0, 0, 0);
    }
    void AddPoint(const char* name) { doc.NewPoint(name, "", 10, 20, 30, 0); }
};

TEST_F(Tables, NewProjectHasOneFreeSlotAndFirstTheodoliteIsControl) {
    EXPECT_EQ(doc.nMaxTheos, 1);
    EXPECT_EQ(doc.theoList.storage(), 1);
    AddTheo("T1", 1, 0);
    EXPECT_EQ(doc.lastNewSlot, 0);
    EXPECT_EQ(doc.nMaxTheos, 1);
    EXPECT_EQ(doc.theoList[0].flags, ELEM_INUSE | ELEM_CONTROL);
    AddTheo("T2", 1, 1);
    EXPECT_EQ(doc.theoList[1].flags, ELEM_INUSE) << "only the first theodolite is a control";
    const THEODOLITE& t = doc.theoList[1];
    EXPECT_EQ(t.initTarget, -1);
    EXPECT_EQ(t.longAxisVAngle, 100);
    EXPECT_EQ(t.travAxisHAngle, 300);
}

TEST_F(Tables, FreedSlotIsReusedAndTargetsStayValid) {
    AddTheo("T0", 1, 0);
    AddTheo("T1", 1, 1);
    AddTheo("T2", 1, 2);
    doc.theoList.Mark(0, true);
    doc.NewCollimate(nullptr, 0, 2);
    doc.DelTheo(1);
    EXPECT_EQ(doc.nNumTheos, 2);
    EXPECT_EQ(doc.nMaxTheos, 3);
    AddTheo("T9", 9, 9);
    EXPECT_EQ(doc.lastNewSlot, 1);
    EXPECT_EQ(doc.nMaxTheos, 3);
    EXPECT_EQ(doc.theoList[0].thList[0].target, 2);
    // Every slot live again: the next one grows the table by exactly one zero-filled record.
    AddTheo("T10", 2, 0);
    EXPECT_EQ(doc.lastNewSlot, 3);
    EXPECT_EQ(doc.nMaxTheos, 4);
    EXPECT_EQ(doc.theoList.storage(), 4);
}

TEST_F(Tables, NamesAreCutToTheirFieldsAndLookUpIgnoresCase) {
    AddTheo("Theo1_0", 1, 0);
    doc.NewPoint("ABCDEFGHIJK", "LONGABBR", 0, 0, 0, 0);
    EXPECT_STREQ(doc.pointList[0].name, "ABCDEFGH");
    EXPECT_STREQ(doc.pointList[0].abbrev, "LONG");
    EXPECT_EQ(doc.TheoCheck("theo1_0"), 0);
    EXPECT_EQ(doc.TheoCheck("THEO1_0"), 0);
    EXPECT_EQ(doc.TheoCheck("Theo1"), -1);
    EXPECT_EQ(doc.PointCheck("abcdefgh"), 0);
    // Two points of one name: the lowest live slot answers; after deleting it, the next.
    AddPoint("P");
    AddPoint("p");
    EXPECT_EQ(doc.PointCheck("P"), 1);
    doc.DelPoint(1);
    EXPECT_EQ(doc.PointCheck("P"), 2);
    doc.pointList.Rename(2, "Q");
    EXPECT_EQ(doc.PointCheck("P"), -1);
    EXPECT_EQ(doc.PointCheck("q"), 2);
    EXPECT_TRUE(doc.pointList.IndexesConsistent(doc.nMaxPoints));
}

TEST_F(Tables, CoordinateStatusWords) {
    EXPECT_EQ(CoordStatOf(0x02A, 0), COORD_FIX);
    EXPECT_EQ(CoordStatOf(0x02A, 2), COORD_FIX);
    EXPECT_EQ(CoordStatOf(0x015, 1), COORD_APX);
    EXPECT_EQ(CoordStatOf(0x800, 5), COORD_FIX);
    EXPECT_EQ(CoordStatOf(0x400, 5), COORD_APX);
}

// Placing one theodolite after another from 0_0 walks every pair in order, numbers 0 to 9 at each
// position, then stops with the outputs untouched.
TEST_F(Tables, TheodoliteNamingWalksEveryPairThroughEachRollOver) {
    doc.globalPos = 0;
    doc.globalTheo = 0;
    for (int expected = 0; expected < 100; ++expected) {
        int pos = -7, theo = -7;
        doc.GetNextTheoName(&pos, &theo);
        ASSERT_EQ(pos * 10 + theo, expected) << "placing the " << expected + 1 << ". theodolite";
        const int next = expected + 1;
        ASSERT_EQ(doc.globalPos * 10 + doc.globalTheo, next) << "counters after " << pos << "_" << theo;
        AddTheo("x", pos, theo);
    }
    int pos = -7, theo = -7;
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos, -7) << "no free pair leaves the outputs untouched";
    EXPECT_EQ(theo, -7);
}

TEST_F(Tables, TheodoliteNamingSkipsTakenPairsAndRestartsEachPositionAtTheCounter) {
    doc.globalPos = 1;
    doc.globalTheo = 0;
    AddTheo("a", 1, 0);
    int pos = -7, theo = -7;
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos * 10 + theo, 11);
    // Position 1 taken from 5 on: the next position is searched from number 5 again, not from 0.
    for (int j = 5; j <= 9; ++j)
        AddTheo("b", 1, j);
    doc.globalTheo = 5;
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos * 10 + theo, 25);
    // Only the number counter follows the find; the position counter moves on a roll-over alone.
    EXPECT_EQ(doc.globalPos * 10 + doc.globalTheo, 16);
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos * 10 + theo, 26);
}

// Points and scale bars from 1: every number up to 999 in turn, then 0 with the counter back at 1.
TEST_F(Tables, PointAndBarNamingWalkToTheirRollOver) {
    doc.globalPoint = 1;
    doc.globalSBar = 1;
    for (int expected = 1; expected <= 999; ++expected) {
        int n = -1, m = -1;
        doc.GetNextPointName(&n);
        doc.GetNextSBarName(&m);
        ASSERT_EQ(n, expected);
        ASSERT_EQ(m, expected);
        ASSERT_EQ(doc.globalPoint, expected + 1);
        ASSERT_EQ(doc.globalSBar, expected + 1);
        AddPoint(("Point" + std::to_string(n)).c_str());
        doc.NewSBar(("SBar" + std::to_string(m)).c_str(), "", 0, 0, 0, 1, 0, 100);
    }
    int n = -1, m = -1;
    doc.GetNextPointName(&n);
    doc.GetNextSBarName(&m);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(doc.globalPoint, 1);
    EXPECT_EQ(doc.globalSBar, 1);
    // Once names are free again, the walk starts over from the counter and skips taken names
    // whatever their letter case.
    doc.DelPoint(0);
    doc.DelPoint(2);
    doc.pointList.Rename(1, "pOINT2");
    doc.GetNextPointName(&n);
    EXPECT_EQ(n, 1);
    doc.GetNextPointName(&n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(doc.globalPoint, 4);
}

} // namespace
