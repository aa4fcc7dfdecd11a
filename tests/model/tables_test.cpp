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

TEST_F(Tables, TheodoliteNamingWalksPairsAndStopsWhenAllAreTaken) {
    doc.globalPos = 1;
    doc.globalTheo = 0;
    AddTheo("a", 1, 0);
    int pos = -7, theo = -7;
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(theo, 1);
    // Number 9 rolls over to the next position.
    doc.globalTheo = 9;
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(theo, 9);
    EXPECT_EQ(doc.globalPos, 2);
    EXPECT_EQ(doc.globalTheo, 0);

    for (int i = 0; i <= 9; ++i)
        for (int j = 0; j <= 9; ++j)
            AddTheo("x", i, j);
    doc.globalPos = 0;
    doc.globalTheo = 0;
    pos = theo = -7;
    doc.GetNextTheoName(&pos, &theo);
    EXPECT_EQ(pos, -7) << "no free pair leaves the outputs untouched";
    EXPECT_EQ(theo, -7);
}

TEST_F(Tables, PointNamingSkipsTakenNamesAndWrapsAfter999) {
    doc.globalPoint = 1;
    AddPoint("point1");
    AddPoint("Point2");
    int n = -1;
    doc.GetNextPointName(&n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(doc.globalPoint, 4);

    for (int i = 1; i <= 999; ++i)
        AddPoint(("Point" + std::to_string(i)).c_str());
    doc.globalPoint = 1;
    doc.GetNextPointName(&n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(doc.globalPoint, 1);

    doc.globalSBar = 1;
    doc.NewSBar("SBar1", "", 0, 0, 0, 1, 0, 100);
    doc.GetNextSBarName(&n);
    EXPECT_EQ(n, 2);
}

} // namespace
