// Orientation, ideal and mean observations on a document.

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"

using namespace kivo;
using kivo::test::ScriptedHost;
using kivo::test::Val;

namespace {

class Network : public ::testing::Test {
protected:
    Network() : doc(&host) {
        kivo::test::UseBuiltInSettings();
        doc.CreateMemory();
    }
    int Theo(const char* name, double x, double y, double z, double rz = 0) {
        doc.NewTheo(name, "", doc.nNumTheos + 1, 0, x, y, z, 0, 0, rz, 0);
        return doc.lastNewSlot;
    }
    int Point(const char* name, double x, double y, double z, int stat = 0) {
        doc.NewPoint(name, "", x, y, z, stat);
        return doc.lastNewSlot;
    }
    THEODOLITE& T(int i) { return doc.theoList[i]; }
    // Appends a measured reading (no OBS_IDEAL) to a point-direction list.
    void Reading(int theo, int point, double h, double v, bool direct) {
        T(theo).ptList.Append(CONNECT1{point, direct ? OBS_DIRECT : OBS_REVERSE, 0, h, v});
        T(theo).SyncCounts();
    }
    void Declared(int theo, int point) {
        T(theo).ptList.Append(CONNECT1{point, OBS_IDEAL, 0, 0, 0});
        T(theo).SyncCounts();
    }

    ScriptedHost host;
    kivoMDIClient doc;
};

} // namespace

TEST_F(Network, IdealAnglesDistanceAndHeightSigns) {
    int t = Theo("T1", 100, 100, 5);
    int px = Point("PX", 110, 100, 5);
    int py = Point("PY", 100, 110, 2);
    double h, v, d;
    doc.CalcPointAngle(t, px, h, v);
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(v, 100.0);
    doc.CalcDistance(t, px, d);
    EXPECT_EQ(d, 10.0);
    doc.CalcPointAngle(t, py, h, v);
    EXPECT_NEAR(h, 300.0000015, 5e-8);
    // Station minus target: a point 3 below the theodolite gives +3; point to point source minus target.
    doc.CalcHeight(t, py, d);
    EXPECT_EQ(d, 3.0);
    int low = Point("LOW", 0, 0, 2), high = Point("HIGH", 0, 0, 5);
    doc.CalcPtHeight(low, high, d);
    EXPECT_EQ(d, -3.0);
}

// The table-wide operations cache each station's frame: they must give the per-observation values
// exactly, on rotated stations.
TEST_F(Network, TableWideValuesEqualPerObservationValues) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 100);
    for (int i = 0; i < 4; ++i) {
        int t = Theo(("T" + std::to_string(i)).c_str(), u(rng), u(rng), u(rng));
        T(t).xRotation = u(rng) - 50;
        T(t).yRotation = u(rng) - 50;
        T(t).zRotation = 4 * u(rng);
    }
    for (int i = 0; i < 20; ++i)
        Point(("P" + std::to_string(i)).c_str(), u(rng), u(rng), u(rng));
    doc.NewSBar("S1", "", 50, 50, 50, 3, 37, 61);
    for (int t = 0; t < 4; ++t) {
        doc.theoList.Mark(t, true);
        for (int p = 0; p < 20; ++p)
            doc.NewPtDirect(nullptr, 0, p);
        doc.NewSBDirect(nullptr, 0, 0);
        doc.NewCollimate(nullptr, 0, (t + 1) % 4);
        doc.theoList.Mark(t, false);
    }
    doc.CmSimulate();
    for (int t = 0; t < 4; ++t) {
        for (const CONNECT1& e : T(t).ptList.items()) {
            double h, v;
            doc.CalcPointAngle(t, e.target, h, v);
            EXPECT_EQ(Val(e.hAngle), h);
            EXPECT_EQ(Val(e.vAngle), v);
            EXPECT_TRUE(e.flags & OBS_VALID);
        }
        const CONNECT2& s = T(t).sbList[0];
        double h1, v1, h2, v2;
        doc.CalcSBarAngle(t, 0, 1.5, 37, 61, h1, v1, h2, v2);
        EXPECT_EQ(Val(s.hLAngle), h1);
        EXPECT_EQ(Val(s.vRAngle), v2);
        const CONNECT1& c = T(t).thList[0];
        doc.CalcTheoAngle(t, c.target, h1, v1);
        EXPECT_EQ(Val(c.hAngle), h1);
    }
    EXPECT_EQ(host.cursors.size(), 2u); // hourglass, then back
}

TEST_F(Network, ValidFlagTransitions) {
    int t = Theo("T1", 0, 0, 0);
    int p = Point("P1", 10, 0, 0);
    int q = Point("P2", 0, 10, 0);
    Declared(t, p);
    T(t).ptList.Append(CONNECT1{q, OBS_DIRECT, 0, 123.0, 77.0}); // a measured entry
    T(t).SyncCounts();
    doc.AddPtDistance(CONNECT4{p, q, OBS_INUSE | OBS_IDEAL, 0, 0});
    int freed = doc.AddPtDistance(CONNECT4{q, p, OBS_INUSE | OBS_IDEAL, 0, 0});
    doc.DelPtDistance(0, 0, freed);

    doc.CmSimulate(); // ideal: values and OBS_VALID
    EXPECT_TRUE(T(t).ptList[0].flags & OBS_VALID);
    EXPECT_EQ(Val(T(t).ptList[1].flags), OBS_DIRECT);
    EXPECT_EQ(Val(T(t).ptList[1].hAngle), 123.0);
    EXPECT_TRUE(doc.distList[0].flags & OBS_VALID);
    EXPECT_FALSE(doc.distList[freed].flags & OBS_VALID); // a free slot is skipped
    EXPECT_EQ(host.statusTexts.back(), "Measurements updated: 2 observations computed");

    doc.bIdeals = false; // means: no reading of P1, so the declared entry loses its value
    doc.CmSimulate();
    EXPECT_FALSE(T(t).ptList[0].flags & OBS_VALID);
    EXPECT_EQ(Val(T(t).ptList[0].hAngle), 0.0);
    EXPECT_FALSE(doc.distList[0].flags & OBS_VALID);
    EXPECT_EQ(host.statusTexts.back(), "Measurements updated: 0 observations computed");

    Reading(t, p, 10.0, 100.0, true);
    doc.CmSimulate();
    EXPECT_TRUE(T(t).ptList[0].flags & OBS_VALID);
    EXPECT_EQ(host.statusTexts.back(), "Measurements updated: 1 observation computed");
    EXPECT_EQ(Val(T(t).ptList[0].hAngle), 10.0);
}

// Face two is reduced to face one before averaging: 300.0002 / 301.0002 -> 100.0002 / 98.9998.
TEST_F(Network, FaceTwoReductionAndMeans) {
    int t = Theo("T1", 0, 0, 0);
    int p = Point("P1", 10, 0, 0);
    Reading(t, p, 100.0000, 99.0000, true);
    Reading(t, p, 300.0002, 301.0002, false);
    double h, v;
    EXPECT_TRUE(doc.CalcMeanPointAngle(t, p, h, v));
    EXPECT_NEAR(h, 100.0001, 1e-9);
    EXPECT_NEAR(v, 98.9999, 1e-9);

    int q = Point("P2", 0, 10, 0);
    Reading(t, q, 200.0, 100.0, false); // face two at exactly 200 reduces to 0
    EXPECT_TRUE(doc.CalcMeanPointAngle(t, q, h, v));
    EXPECT_EQ(h, 0.0);

    int r = Point("P3", 0, 0, 10);
    EXPECT_FALSE(doc.CalcMeanPointAngle(t, r, h, v));
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(v, 0.0);
}

// Readings either side of 0/400 average to a direction near them, not to the opposite one.
TEST_F(Network, MeanOfDirectionsAcrossZero) {
    int t = Theo("T1", 0, 0, 0);
    int p = Point("P1", 10, 0, 0);
    Reading(t, p, 399.9, 100, true);
    Reading(t, p, 0.1, 100, true);
    double h, v;
    ASSERT_TRUE(doc.CalcMeanPointAngle(t, p, h, v));
    EXPECT_GE(h, 0.0);
    EXPECT_LT(h, 400.0);
    EXPECT_NEAR(std::min(h, 400 - h), 0.0, 1e-9);

    int q = Point("P2", 0, 10, 0);
    Reading(t, q, 0.3, 100, true);
    Reading(t, q, 399.9, 100, true);
    Reading(t, q, 199.7, 100, false); // face two of 399.7
    ASSERT_TRUE(doc.CalcMeanPointAngle(t, q, h, v));
    EXPECT_NEAR(h, 399.9666666666667, 1e-9);

    // The scale-bar ends unwrap each on its own first reading.
    doc.NewSBar("S1", "", 5, 5, 0, 1, 100, 100);
    T(t).sbList.Append(CONNECT2{0, OBS_DIRECT, 0, 399.8, 100, 50.0, 100});
    T(t).sbList.Append(CONNECT2{0, OBS_DIRECT, 0, 0.2, 100, 52.0, 100});
    T(t).SyncCounts();
    double h1, v1, h2, v2;
    ASSERT_TRUE(doc.CalcMeanSBarAngle(t, 0, h1, v1, h2, v2));
    EXPECT_NEAR(std::min(h1, 400 - h1), 0.0, 1e-9);
    EXPECT_NEAR(h2, 51.0, 1e-12);
}

TEST_F(Network, MeansOfDistancesAndHeights) {
    int t = Theo("T1", 0, 0, 0);
    int p = Point("P1", 10, 0, 0), q = Point("P2", 0, 10, 0);
    T(t).dsList.Append(CONNECT3{p, OBS_IDEAL, 0, 0});
    for (double d : {10.001, 10.002, 10.003})
        T(t).dsList.Append(CONNECT3{p, 0, 0, d});
    T(t).SyncCounts();
    doc.AddPtHeight(CONNECT5{p, q, OBS_INUSE | OBS_IDEAL, 0, 0});
    doc.AddPtHeight(CONNECT5{p, q, OBS_INUSE, 0, 1.5});
    doc.AddPtHeight(CONNECT5{q, p, OBS_INUSE, 0, 9.0}); // the other direction is another observation
    int dead = doc.AddPtHeight(CONNECT5{p, q, OBS_INUSE, 0, 99.0});
    doc.DelPtHeight(0, 0, dead); // a reading in a free slot is ignored
    doc.bIdeals = false;
    doc.CmSimulate();
    EXPECT_NEAR(T(t).dsList[0].distance, 10.002, 1e-12);
    EXPECT_TRUE(T(t).dsList[0].flags & OBS_VALID);
    EXPECT_EQ(Val(doc.heightList[0].height), 1.5);
    EXPECT_TRUE(doc.heightList[0].flags & OBS_VALID);
}

// The table-wide means group readings by target: they must match the per-observation operation.
TEST_F(Network, TableWideMeansEqualPerObservationMeans) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 400);
    int t = Theo("T1", 0, 0, 0);
    for (int i = 0; i < 10; ++i)
        Point(("P" + std::to_string(i)).c_str(), i, 1, 1);
    for (int i = 0; i < 10; ++i)
        Declared(t, i);
    for (int k = 0; k < 60; ++k)
        Reading(t, static_cast<int>(u(rng)) % 7, u(rng), u(rng) / 2, k % 3 != 0);
    doc.bIdeals = false;
    doc.CmSimulate();
    for (int k = 0; k < 10; ++k) {
        const CONNECT1& e = T(t).ptList[k];
        double h, v;
        bool found = doc.CalcMeanPointAngle(t, e.target, h, v);
        EXPECT_EQ(found, (e.flags & OBS_VALID) != 0);
        EXPECT_EQ(Val(e.hAngle), h);
        EXPECT_EQ(Val(e.vAngle), v);
    }
}

TEST_F(Network, InitialSightingInBothModes) {
    int a = Theo("A", 10, 10, 0);
    doc.CalcTheoLocation();
    EXPECT_EQ(Val(T(a).initTarget), 0);
    EXPECT_EQ(Val(T(a).initHAngle), 0.0);
    EXPECT_EQ(Val(T(a).initVAngle), 100.0);
    EXPECT_EQ(Val(T(a).initDistance), 0.0);
    int b = Theo("B", 10, 0, 0);
    doc.CalcTheoLocation(); // station minus reference: (0, -10, 0) gives 100
    EXPECT_NEAR(T(b).initHAngle, 99.9999985, 5e-8);
    EXPECT_EQ(Val(T(b).initDistance), 10.0);

    doc.orient = 1;
    int partly = Point("P1", 20, 10, 0, 0x0A); // x and z fixed only
    int fixed = Point("P2", 10, 20, 0, 0x2A);
    doc.theoList.Mark(a, true);
    doc.NewPtDirect(nullptr, 0, partly);
    doc.theoList.Mark(a, false);
    T(a).initHAngle = 42;
    doc.CalcTheoLocation();
    EXPECT_EQ(host.LastStatus(), "Warning : A\nNo direction to a fixed point");
    EXPECT_EQ(Val(T(a).initHAngle), 42.0);

    host.statusTexts.clear();
    doc.theoList.Mark(a, true);
    doc.NewPtDirect(nullptr, 0, fixed);
    doc.theoList.Mark(a, false);
    doc.CalcTheoLocation(); // point minus station: (0, 10, 0) gives 300; B has no directions
    EXPECT_TRUE(host.statusTexts.empty());
    EXPECT_NEAR(T(a).initHAngle, 300.0000015, 5e-8);
    EXPECT_NEAR(T(b).initHAngle, 99.9999985, 5e-8);
}
