// Live precision against full runs, and relative precision.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <sstream>

#include "engine/live.h"
#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

namespace {

struct Full {
    int rc;
    eng::Summary s;
    result r;
};

Full fullRun(const Design& d) {
    TempDir dir;
    auto p = d.build(dir.file("NET.SIM"));
    mavo m(p.get());
    const int rc = runEngine(m);
    return {rc, m.summary(), *p->runresults};
}

void moveTo(Design& d, const std::string& name, double x, double y, double z) {
    for (auto& s : d.sta)
        if (s.name == name) s.x[0] = x, s.x[1] = y, s.x[2] = z;
    for (auto& t : d.tar)
        if (t.name == name) t.x[0] = x, t.x[1] = y, t.x[2] = z;
}

eng::LivePrecision::Position at(int element, double x, double y, double z) {
    eng::LivePrecision::Position p;
    p.element = element;
    p.x[0] = x, p.x[1] = y, p.x[2] = z;
    return p;
}

// Every ellipse array equal to 1e-9 of the largest axis; phi only where the ellipse is not a circle.
void expectSameEllipses(const result& full, const result& live, const std::string& where) {
    ASSERT_EQ(full.major12.size(), live.major12.size());
    double scale = 0.0;
    for (double v : full.major12)
        scale = std::max(scale, v);
    const std::vector<double>* maj[3] = {&full.major12, &full.major13, &full.major23};
    const std::vector<double>* fa[3][3] = {{&full.major12, &full.minor12, &full.phi12},
                                           {&full.major13, &full.minor13, &full.phi13},
                                           {&full.major23, &full.minor23, &full.phi23}};
    const std::vector<double>* la[3][3] = {{&live.major12, &live.minor12, &live.phi12},
                                           {&live.major13, &live.minor13, &live.phi13},
                                           {&live.major23, &live.minor23, &live.phi23}};
    for (std::size_t i = 0; i < full.major12.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR((*fa[k][0])[i], (*la[k][0])[i], 1e-9 * scale) << where << " element " << i;
            EXPECT_NEAR((*fa[k][1])[i], (*la[k][1])[i], 1e-9 * scale) << where << " element " << i;
            if ((*maj[k])[i] - (*fa[k][1])[i] > 1e-4 * scale) {
                const double dphi = std::remainder((*fa[k][2])[i] - (*la[k][2])[i], M_PI);
                EXPECT_NEAR(dphi, 0.0, 1e-6) << where << " element " << i;
            }
        }
}

} // namespace

TEST(EngineLive, SameEllipsesAsAFullRunAtEachPosition) {
    // A free network (datum defect 6), a target seen from one station only (left out), and two
    // targets tied by a distance (one cluster); station 2_1 and target P3 move between updates.
    Design d = plantNetwork(true);
    d.target("LONE", 12, 14, 1.0);
    d.sight("1_1", "LONE", 0.0005);
    d.distance("P1", "P2", 0.0002);
    auto p = d.build("");
    eng::LivePrecision live;
    ASSERT_TRUE(live.setup(*p)) << live.why();
    const int s2 = live.find("2_1"), p3 = live.find("p3"), p1 = live.find("P1"), p5 = live.find("P5");
    ASSERT_GE(s2, 0);
    ASSERT_GE(p3, 0);
    {
        const Full f = fullRun(d);
        ASSERT_EQ(f.rc, 0) << f.s.failure;
        EXPECT_EQ(f.s.defect, 6);
        result r;
        live.fill(r);
        expectSameEllipses(f.r, r, "setup");
        EXPECT_FALSE(live.elements()[live.find("LONE")].determined);
    }
    const double pos[3][3] = {{22, -3, 1.6}, {25, 4, 2.5}, {18, -8, 0.9}};
    for (int n = 0; n < 3; ++n) {
        moveTo(d, "2_1", pos[n][0], pos[n][1], pos[n][2]);
        std::vector<eng::LivePrecision::Position> moves{at(s2, pos[n][0], pos[n][1], pos[n][2])};
        if (n == 2) {
            moveTo(d, "P3", 16, 6, 1.1);
            moves.push_back(at(p3, 16, 6, 1.1));
        }
        ASSERT_EQ(live.update(moves), eng::LivePrecision::Status::Ok) << live.why();
        const Full f = fullRun(d);
        ASSERT_EQ(f.rc, 0) << f.s.failure;
        result r;
        live.fill(r);
        expectSameEllipses(f.r, r, "position " + std::to_string(n));
        for (std::size_t i = 0; i < f.s.elements.size(); ++i)
            for (int k = 0; k < 6; ++k)
                EXPECT_NEAR(f.s.elements[i].sd[k], live.elements()[i].sd[k],
                            1e-9 * (1 + f.s.elements[i].sd[k]));
        // The pair joined by the distance: the listing's figures from the live factor too.
        ASSERT_FALSE(f.s.relative.empty());
        eng::RelativePrecision rp;
        const eng::RelativePrecision& fr = f.s.relative.back();
        ASSERT_TRUE(live.relative(fr.e1, fr.e2, rp));
        EXPECT_NEAR(rp.sd, fr.sd, 1e-9 * fr.sd);
        EXPECT_NEAR(rp.axes[0], fr.axes[0], 1e-9 * fr.axes[0]);
    }
    // A pair off the pattern of N (P1, P5: no observation between them) is solved for; a distance
    // between them of negligible weight puts it on the pattern in a full run.
    Design weak = d;
    weak.distance("P1", "P5", 1e4);
    const Full w = fullRun(weak);
    ASSERT_EQ(w.rc, 0);
    eng::RelativePrecision off;
    ASSERT_TRUE(live.relative(p1, p5, off));
    ASSERT_EQ(w.s.relative.back().e2, p5);
    EXPECT_NEAR(off.sd, w.s.relative.back().sd, 1e-6 * off.sd);
    EXPECT_NEAR(off.axes[2], w.s.relative.back().axes[2], 1e-6 * off.axes[0]);
}

TEST(EngineLive, StructureChangeAndCancellationKeepTheLastResults) {
    // Q is fixed by the sightings of two stations; on their baseline the two lines of sight
    // coincide and Q would no longer be determined: the caller must run the full adjustment.
    Design d = plantNetwork(true);
    d.target("Q", 10, -4, 1.0);
    d.sight("1_1", "Q", 0.0005);
    d.sight("2_1", "Q", 0.0005);
    auto p = d.build("");
    eng::LivePrecision live;
    ASSERT_TRUE(live.setup(*p)) << live.why();
    const int q = live.find("Q");
    ASSERT_TRUE(live.elements()[q].determined);
    result before;
    live.fill(before);
    EXPECT_EQ(live.update({at(q, 10, 0, 1.55)}), eng::LivePrecision::Status::StructureChanged);
    EXPECT_FALSE(live.why().empty());
    std::atomic<bool> cancel{true};
    EXPECT_EQ(live.update({at(q, 11, -5, 1.0)}, &cancel), eng::LivePrecision::Status::Cancelled);
    result after;
    live.fill(after);
    expectSameEllipses(before, after, "after refused updates");
    EXPECT_EQ(live.update({at(-1, 0, 0, 0)}), eng::LivePrecision::Status::Failed);
    EXPECT_EQ(live.update({at(q, NAN, 0, 0)}), eng::LivePrecision::Status::Failed);
    // The refused positions were not kept: the next update starts from the setup's.
    moveTo(d, "Q", 11, -5, 1.0);
    ASSERT_EQ(live.update({at(q, 11, -5, 1.0)}), eng::LivePrecision::Status::Ok) << live.why();
    const Full f = fullRun(d);
    ASSERT_EQ(f.rc, 0);
    live.fill(after);
    expectSameEllipses(f.r, after, "after the refusals");

    // The other way: left out on the baseline, determined once moved off it.
    moveTo(d, "Q", 10, 0, 1.55);
    auto onLine = d.build("");
    eng::LivePrecision fromLine;
    ASSERT_TRUE(fromLine.setup(*onLine)) << fromLine.why();
    EXPECT_FALSE(fromLine.elements()[q].determined);
    EXPECT_EQ(fromLine.update({at(q, 10, -4, 1.0)}), eng::LivePrecision::Status::StructureChanged);
}

TEST(EngineRelative, PointsOnALineOfDistances) {
    // A fixed, B and C free along x only, distances A-B and B-C of std dev s. Then
    // x_B = d_AB, x_C = d_AB + d_BC: var x_B = s^2, var x_C = 2 s^2, cov(x_B, x_C) = s^2, and
    // var(x_C - x_B) = 2 s^2 + s^2 - 2 s^2 = s^2: the distance B-C has the std dev s (it is observed
    // directly and nothing else controls it), its relative ellipsoid the axes (s, 0, 0); A-C has s sqrt 2.
    const double s = 0.001;
    Design d;
    d.target("A", 0, 0, 0, kStatusFixed);
    d.target("B", 10, 0, 0);
    d.target("C", 25, 0, 0);
    for (auto& t : d.tar)
        t.d[1] = t.d[2] = kStatusFixed;
    d.distance("A", "B", s);
    d.distance("B", "C", s);
    TempDir dir;
    auto p = d.build(dir.file("LINE.SIM"));
    mavo m(p.get());
    m.relativeRequests = {{0, 2}, {0, 7}}; // A-C; an index out of range is skipped
    ASSERT_EQ(runEngine(m), 0) << m.summary().failure;
    ASSERT_EQ(m.summary().requested.size(), 1u);
    EXPECT_NEAR(m.summary().requested[0].sd, s * std::sqrt(2.0), 1e-12);
    const auto& rel = m.summary().relative;
    ASSERT_EQ(rel.size(), 2u); // A-B and B-C; A fixed still pairs with B
    EXPECT_NEAR(rel[0].sd, s, 1e-12);
    EXPECT_NEAR(rel[1].distance, 15.0, 1e-9);
    EXPECT_NEAR(rel[1].sd, s, 1e-12);
    EXPECT_NEAR(rel[1].axes[0], s, 1e-12);
    EXPECT_NEAR(rel[1].axes[1], 0.0, 1e-9);
    EXPECT_NEAR(rel[1].major[0], s, 1e-12); // the xy ellipse: along x only

    eng::LivePrecision live;
    ASSERT_TRUE(live.setup(*p)) << live.why();
    eng::RelativePrecision ac;
    ASSERT_TRUE(live.relative(live.find("A"), live.find("C"), ac));
    EXPECT_NEAR(ac.sd, s * std::sqrt(2.0), 1e-12);

    // The listing: a section with both pairs, the sd in the sub-unit, CR LF line ends kept.
    std::ifstream f(dir.file("LINE.OUT"), std::ios::binary);
    std::stringstream text;
    text << f.rdbuf();
    const std::string listing = text.str();
    const auto at = listing.find("RELATIVE PRECISION");
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(at, listing.find("OBSERVATIONS"));
    const auto line = listing.find("\r\n  B ", at) + 2;
    const std::string row = listing.substr(line, listing.find("\r\n", line) - line);
    EXPECT_NE(row.find(" C "), std::string::npos) << row;
    EXPECT_NE(row.find("15.00000"), std::string::npos) << row;
    EXPECT_NE(row.find("1.0000"), std::string::npos) << row;
    int bare = 0;
    for (std::size_t i = 0; i < listing.size(); ++i)
        bare += listing[i] == '\n' && (i == 0 || listing[i - 1] != '\r');
    EXPECT_EQ(bare, 0);
}
