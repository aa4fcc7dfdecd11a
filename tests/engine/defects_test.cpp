// Defects that only show jointly, separate parts, and runs that adjust nothing: the elements
// concerned are named and left out, and the rest adjusts as if they had never been drawn.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

namespace {

struct Adjusted {
    int rc;
    eng::Summary s;
    std::string listing;
    std::map<std::string, eng::ElementResult> byName;
};

Adjusted adjust(const Design& d) {
    TempDir dir;
    auto p = d.build(dir.file("NET.SIM"));
    mavo m(p.get());
    Adjusted r{runEngine(m), m.summary(), readText(dir.file("NET.OUT")), {}};
    std::vector<std::string> names;
    for (const auto& s : d.sta)
        names.push_back(s.name);
    for (const auto& t : d.tar)
        names.push_back(t.name);
    for (std::size_t i = 0; i < r.s.elements.size(); ++i)
        r.byName[names[i]] = r.s.elements[i];
    return r;
}

std::set<std::string> leftOut(const Adjusted& r, bool connected) {
    std::set<std::string> names;
    for (const auto& l : r.s.leftOut)
        if (l.connected == connected) names.insert(l.name);
    return names;
}

// Every element of the reference has the same ellipses and standard deviations in the run.
void expectSameAdjustment(const Adjusted& ref, const Adjusted& run) {
    EXPECT_EQ(run.s.defect, ref.s.defect);
    EXPECT_EQ(run.s.redundancy, ref.s.redundancy);
    for (const auto& [name, a] : ref.byName) {
        const eng::ElementResult& b = run.byName.at(name);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(b.major[k], a.major[k], 1e-9 * (a.major[0] + 1e-6)) << name;
            EXPECT_NEAR(b.minor[k], a.minor[k], 1e-9 * (a.major[0] + 1e-6)) << name;
        }
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(b.sd[k], a.sd[k], 1e-9 * (a.sd[k] + 1e-9)) << name << " " << k;
    }
}

} // namespace

TEST(EngineDefects, JointDefectsAndSeparatePartsOfAFreeNetwork) {
    const Design base = plantNetwork(true);
    const Adjusted ref = adjust(base);
    ASSERT_EQ(ref.rc, 0) << ref.s.failure;
    Design d = base;
    // A scale bar sighted from a single station: each end alone is fixed by the other, the pair
    // slides along the two rays.
    d.target("B1", 6, 6, 1.0);
    d.target("B2", 7, 6, 1.0);
    d.sight("1_1", "B1", 0.0005);
    d.sight("1_1", "B2", 0.0005);
    d.distance("B1", "B2", 0.0001);
    // Two single sightings tied by a distance, two by a height difference.
    d.target("Q1", 11, 10, 1.5);
    d.target("Q2", 13, 4, 2.2);
    d.sight("2_1", "Q1", 0.0005);
    d.sight("4_1", "Q2", 0.0005);
    d.distance("Q1", "Q2", 0.0001);
    d.target("H1", 7, 9, 0.7);
    d.target("H2", 16, 9, 2.7);
    d.sight("3_1", "H1", 0.0005);
    d.sight("1_1", "H2", 0.0005);
    d.heightDiff("H1", "H2", 0.0002);
    // A rigid triangle of distances hanging on one sighting: it turns about C1 and slides along the ray.
    d.target("C1", 3, 7, 1.1);
    d.target("C2", 4, 8, 1.9);
    d.target("C3", 5, 6, 2.4);
    d.sight("2_1", "C1", 0.0005);
    d.distance("C1", "C2", 0.0001);
    d.distance("C2", "C3", 0.0001);
    d.distance("C1", "C3", 0.0001);
    // Separate parts: a cluster tied only to itself, and a small network of its own (smaller than
    // the main part, which carries the free datum).
    d.target("F1", 30, 30, 1);
    d.target("F2", 31, 30, 1.5);
    d.target("F3", 30, 31, 2);
    d.distance("F1", "F2", 0.0001);
    d.distance("F2", "F3", 0.0001);
    d.distance("F1", "F3", 0.0001);
    d.station("5_1", 40, 0, 1.5, 0, 0, 20);
    d.station("6_1", 50, 0, 1.5, 0, 0, 120);
    for (const char* g : {"G1", "G2", "G3"}) {
        d.target(g, 43 + (g[1] - '0'), 4 + (g[1] - '0'), 0.5 * (g[1] - '0'));
        d.sight("5_1", g, 0.0005);
        d.sight("6_1", g, 0.0005);
    }
    const Adjusted run = adjust(d);
    ASSERT_EQ(run.rc, 0) << run.s.failure;
    EXPECT_EQ(leftOut(run, true),
              (std::set<std::string>{"B1", "B2", "Q1", "Q2", "H1", "H2", "C1", "C2", "C3"}));
    EXPECT_EQ(leftOut(run, false), (std::set<std::string>{"F1", "F2", "F3", "5_1", "6_1", "G1", "G2", "G3"}));
    EXPECT_EQ(run.s.undetermined.size(), 9u);
    for (const auto& l : run.s.leftOut) {
        EXPECT_FALSE(run.s.elements[l.element].determined) << l.name;
        EXPECT_EQ(run.s.elements[l.element].connected, l.connected) << l.name;
        EXPECT_EQ(run.s.elements[l.element].major[0], 0.0) << l.name;
        if (l.name == "B1") {
            EXPECT_NE(l.reason.find("B2"), std::string::npos) << l.reason;
        }
    }
    expectSameAdjustment(ref, run);
    EXPECT_NE(run.listing.find("Not connected to the datum"), std::string::npos);
}

TEST(EngineDefects, PartTurningAboutAHeldStation) {
    // Control stations fixed; station 5_1 held in position and tilt with its azimuth free sights H,
    // which hangs on it by one height difference: the two turn together about 5_1's vertical.
    Design base = plantNetwork(true);
    for (auto& s : base.sta)
        std::fill(std::begin(s.d), std::end(s.d), 4);
    const Adjusted ref = adjust(base);
    ASSERT_EQ(ref.rc, 0) << ref.s.failure;
    Design d = base;
    d.station("5_1", 10, -5, 1.5, 0, 0, 30, 4);
    d.sta.back().d[5] = 1;
    d.target("H", 12, -2, 0.8);
    d.sight("5_1", "H", 0.0005);
    d.heightDiff("5_1", "H", 0.0002);
    const Adjusted run = adjust(d);
    ASSERT_EQ(run.rc, 0) << run.s.failure;
    EXPECT_EQ(leftOut(run, true), (std::set<std::string>{"5_1", "H"}));
    EXPECT_TRUE(leftOut(run, false).empty());
    expectSameAdjustment(ref, run);
    // With the targets fixed but P1, the turn is, modulo a turn of everything about 5_1, carried by
    // P1 alone; but that turn would move the fixed stations, so P1 pins nothing: 5_1 and H go.
    Design few = d;
    for (auto& t : few.tar)
        if (t.name != "H" && t.name != "P1") std::fill(std::begin(t.d), std::end(t.d), 4);
    const Adjusted fewRun = adjust(few);
    ASSERT_EQ(fewRun.rc, 0) << fewRun.s.failure;
    EXPECT_EQ(leftOut(fewRun, true), (std::set<std::string>{"5_1", "H"}));
    EXPECT_GT(fewRun.byName.at("P1").major[0], 0.0);
}

TEST(EngineDefects, FewerObservationsThanTheRankRunsClean) {
    // A fixed station with its azimuth unknown, an unknown point sighted from it and tied by a
    // distance to a fixed point: 4 unknowns, 3 observations. The point and the azimuth turn together.
    Design d;
    d.station("S", 0, 0, 1.5, 0, 0, 50, 4);
    d.sta.back().d[5] = 1;
    d.target("P", 10, 3, 2);
    d.target("F", 12, -4, 1, 4);
    d.sight("S", "P", 0.0005);
    d.distance("P", "F", 0.0001);
    const Adjusted run = adjust(d);
    EXPECT_EQ(run.rc, mavo::kNoData);
    EXPECT_EQ(leftOut(run, true), (std::set<std::string>{"S", "P"}));
    EXPECT_NE(run.listing.find("nothing was adjusted"), std::string::npos) << run.listing;
}

TEST(EngineDefects, NothingAdjustedIsAFailureButAllFixedIsNot) {
    Design points; // points only, no observations
    points.target("A", 0, 0, 0);
    points.target("B", 1, 0, 0);
    Design station; // a single station
    station.station("S", 0, 0, 0);
    Design spot; // everything at one spot: every observation invalid
    spot.station("S", 1, 1, 1);
    spot.target("A", 1, 1, 1);
    spot.target("B", 1, 1, 1);
    spot.sight("S", "A", 0.001);
    spot.distance("A", "B", 0.001);
    for (const Design* d : {&points, &station, &spot}) {
        const Adjusted run = adjust(*d);
        EXPECT_EQ(run.rc, mavo::kNoData);
        EXPECT_EQ(run.s.leftOut.size(), d->sta.size() + d->tar.size());
        EXPECT_NE(run.s.failure.find("nothing was adjusted"), std::string::npos) << run.s.failure;
        EXPECT_NE(run.listing.find("no valid observations"), std::string::npos) << run.listing;
        // Each element listed once among those left out.
        std::size_t listed = 0;
        for (std::size_t at = run.listing.find("no valid observations"); at != std::string::npos;
             at = run.listing.find("no valid observations", at + 1))
            ++listed;
        EXPECT_EQ(listed, d->sta.size() + d->tar.size()) << run.listing;
    }
    Design fixed = plantNetwork(true);
    for (auto& s : fixed.sta)
        std::fill(std::begin(s.d), std::end(s.d), 4);
    for (auto& t : fixed.tar)
        std::fill(std::begin(t.d), std::end(t.d), 4);
    const Adjusted run = adjust(fixed);
    EXPECT_EQ(run.rc, 0) << run.s.failure;
    EXPECT_TRUE(run.s.leftOut.empty());
}

// A few elements that pin a motion the rest of the network leaves free go, not the network: the
// rest keeps its (larger) free datum and adjusts as if they had never been drawn.
TEST(EngineDefects, FewElementsPinningAMotionOfTheWholeNetworkGo) {
    // Free stations with free tilts and a scale bar (datum: translations and rotations). Q1 and Q2
    // hang on one sighting each and are tied by a distance and a height difference; the height
    // difference alone knows the vertical and pins the rotations about the horizontal axes.
    {
        const Design base = plantNetwork(true);
        const Adjusted ref = adjust(base);
        ASSERT_EQ(ref.rc, 0) << ref.s.failure;
        ASSERT_EQ(ref.s.defect, 6);
        Design d = base;
        d.target("Q1", 11, 10, 1.5);
        d.target("Q2", 13, 4, 2.2);
        d.sight("1_1", "Q1", 0.0005);
        d.sight("3_1", "Q2", 0.0005);
        d.distance("Q1", "Q2", 0.0001);
        d.heightDiff("Q1", "Q2", 0.0002);
        const Adjusted run = adjust(d);
        ASSERT_EQ(run.rc, 0) << run.s.failure;
        EXPECT_EQ(leftOut(run, true), (std::set<std::string>{"Q1", "Q2"}));
        EXPECT_TRUE(leftOut(run, false).empty());
        expectSameAdjustment(ref, run);
    }
    // A station held in position with pseudo-observed level tilts, a second station and a point:
    // rotation about the vertical and scale are free. R, pseudo-observed, is tied to the point by a
    // height difference only and pins the scale, not the rotation.
    auto heldStation = [](Design& d) {
        d.station("S1", 0, 0, 1.5, 0, 0, 30, 4);
        for (int k = 3; k < 5; ++k) {
            d.sta.back().d[k] = 3;
            d.sta.back().sx[k] = 0.01;
        }
        d.sta.back().d[5] = 1;
        d.station("S2", 12, 3, 1.7, 0.02, -0.01, 180);
        d.target("P", 6, 8, 0.4);
        d.sight("S1", "S2", 0.0005);
        d.sight("S2", "S1", 0.0005);
        d.sight("S1", "P", 0.0005);
        d.sight("S2", "P", 0.0005);
    };
    {
        Design base;
        heldStation(base);
        const Adjusted ref = adjust(base);
        ASSERT_EQ(ref.rc, 0) << ref.s.failure;
        EXPECT_EQ(ref.s.defect, 2) << ref.s.datum;
        Design d = base;
        d.target("R", 5, 9, 0.1, 3);
        for (double& s : d.tar.back().sx)
            s = 0.001;
        d.heightDiff("P", "R", 0.0002);
        const Adjusted run = adjust(d);
        ASSERT_EQ(run.rc, 0) << run.s.failure;
        EXPECT_EQ(leftOut(run, true), (std::set<std::string>{"R"}));
        expectSameAdjustment(ref, run);
    }
    // The same held station with two more points seen from both stations; then a chain of single
    // sightings A, B, C tied by distances, C with its x pseudo-observed: together they pin both the
    // rotation about the vertical and the scale.
    {
        Design base;
        heldStation(base);
        base.target("T1", 4, -3, 2.1);
        base.target("T2", 9, 10, 1.2);
        for (const char* s : {"S1", "S2"})
            for (const char* t : {"T1", "T2"})
                base.sight(s, t, 0.0005);
        const Adjusted ref = adjust(base);
        ASSERT_EQ(ref.rc, 0) << ref.s.failure;
        Design d = base;
        d.target("A", 3, 6, 0.9);
        d.target("B", 8, -2, 1.4);
        d.target("C", 10, 7, 2.6);
        d.tar.back().d[0] = 3;
        d.tar.back().sx[0] = 0.001;
        d.sight("S1", "A", 0.0005);
        d.sight("S2", "B", 0.0005);
        d.sight("S1", "C", 0.0005);
        d.distance("A", "B", 0.0001);
        d.distance("B", "C", 0.0001);
        const Adjusted run = adjust(d);
        ASSERT_EQ(run.rc, 0) << run.s.failure;
        EXPECT_EQ(leftOut(run, true), (std::set<std::string>{"A", "B", "C"}));
        expectSameAdjustment(ref, run);
    }
}

TEST(EngineDefects, TiesKeepTheFirstStationAndALoneSightingIsDatum) {
    // A station sighting one point, and that point is all the rest: its free motions are motions
    // of the whole network (datum), not a defect.
    Design one;
    one.station("A", 0, 0, 1.5, 0.02, -0.01, 40);
    one.target("P", 8, 5, 2.0);
    one.sight("A", "P", 0.0005);
    const Adjusted alone = adjust(one);
    ASSERT_EQ(alone.rc, 0) << alone.s.failure;
    EXPECT_TRUE(alone.s.leftOut.empty());
    EXPECT_EQ(alone.s.defect, 7) << alone.s.datum;
    // A second station at the same spot sighting the same point: either could carry the defect; the
    // first in the tables stays, and the rest adjusts as the lone sighting.
    Design two = one;
    two.station("B", 0, 0, 1.5, -0.01, 0.02, 310);
    two.sight("B", "P", 0.0005);
    const Adjusted run = adjust(two);
    ASSERT_EQ(run.rc, 0) << run.s.failure;
    EXPECT_EQ(leftOut(run, true), (std::set<std::string>{"B"}));
    expectSameAdjustment(alone, run);
}
