// Datum and configuration defects, invalid observations, names, invariances.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

namespace {

struct Outcome {
    int rc;
    eng::Summary s;
    result r;
    int maxsta;
};

Outcome adjust(const Design& d, const std::string& file = "NET.SIM") {
    TempDir dir;
    auto p = d.build(dir.file(file));
    mavo m(p.get());
    const int rc = runEngine(m);
    return {rc, m.summary(), *p->runresults, p->maxsta};
}

} // namespace

TEST(EngineDatum, FreeNetworkDefects) {
    // Directions only: translations, rotations and scale are free (7); a scale bar distance takes
    // the scale (6); a height difference also ties the tilt of the whole network about one axis (5).
    Outcome a = adjust(plantNetwork(false));
    ASSERT_EQ(a.rc, 0) << a.s.failure;
    EXPECT_EQ(a.s.defect, 7);
    EXPECT_NE(a.s.datum.find("scale"), std::string::npos);
    Outcome b = adjust(plantNetwork(true));
    ASSERT_EQ(b.rc, 0);
    EXPECT_EQ(b.s.defect, 6);
    EXPECT_EQ(b.s.datum.find("scale"), std::string::npos);
    EXPECT_NE(b.s.datum.find("minimum trace"), std::string::npos);
    Design c = plantNetwork(true);
    c.heightDiff("P1", "P2", 0.0002);
    Outcome cc = adjust(c);
    ASSERT_EQ(cc.rc, 0);
    EXPECT_EQ(cc.s.defect, 5);
    // Station tilts fixed at non-zero values: the network's azimuth hangs on the tilts, and the
    // tilts fix the rotations about x and y: only the translations remain.
    Design t = plantNetwork(true);
    for (auto& s : t.sta)
        s.d[3] = s.d[4] = 4;
    Outcome tt = adjust(t);
    ASSERT_EQ(tt.rc, 0);
    EXPECT_EQ(tt.s.defect, 3) << tt.s.datum;
}

TEST(EngineDatum, ControlDefinesTheDatum) {
    // Fully fixed stations: no defect, the stations' ellipses are zero.
    Design d = plantNetwork(true);
    for (auto& s : d.sta)
        for (int k = 0; k < 6; ++k)
            s.d[k] = 4;
    Outcome a = adjust(d);
    ASSERT_EQ(a.rc, 0) << a.s.failure;
    EXPECT_EQ(a.s.defect, 0);
    EXPECT_EQ(a.r.major12[0], 0.0);
    EXPECT_GT(a.r.major12[a.maxsta], 0.0);
    // Pseudo-observed station positions (status 3, 1 mm) and orientation (status 3, 0.01 gon).
    Design p = plantNetwork(true);
    for (auto& s : p.sta)
        for (int k = 0; k < 6; ++k) {
            s.d[k] = 3;
            s.sx[k] = k < 3 ? 0.001 : 0.01;
        }
    Outcome b = adjust(p);
    ASSERT_EQ(b.rc, 0) << b.s.failure;
    EXPECT_EQ(b.s.defect, 0);
    EXPECT_EQ(b.s.pseudo, 24);
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(b.s.elements[i].sd[0], 0.001 + 1e-12); // never worse than its pseudo-observation
        EXPECT_GT(b.s.elements[i].sd[0], 0.0);
        EXPECT_LE(b.s.elements[i].sd[5], 0.01 + 1e-12); // rotations reported in gon
    }
}

TEST(EngineDatum, PlaneAndHeightNetworks) {
    // Dimension 2: heights and tilts fixed, the z rotation free. With level instruments a free plane
    // network with a scale bar has the defect 3 (two translations, the rotation in plan); with the
    // tilts fixed at non-zero values the azimuth hangs on them and only the translations are free.
    Design d = plantNetwork(true);
    d.dim = 2;
    for (auto& s : d.sta)
        s.d[2] = s.d[3] = s.d[4] = 4;
    for (auto& t : d.tar)
        t.d[2] = 4;
    Outcome tilted = adjust(d);
    ASSERT_EQ(tilted.rc, 0) << tilted.s.failure;
    EXPECT_EQ(tilted.s.defect, 2) << tilted.s.datum;
    for (auto& s : d.sta)
        s.rotGon[0] = s.rotGon[1] = 0;
    Outcome a = adjust(d);
    ASSERT_EQ(a.rc, 0) << a.s.failure;
    EXPECT_EQ(a.s.defect, 3) << a.s.datum;
    EXPECT_EQ(a.r.major13[a.maxsta + 1] > 0.0, true);
    EXPECT_NEAR(a.r.minor13[a.maxsta + 1], 0.0, 1e-12); // z fixed: the x-z ellipse is a line
    // Dimension 1: a free levelling network has the defect 1 (the height).
    Design h;
    h.dim = 1;
    for (int i = 0; i < 4; ++i) {
        h.target("H" + std::to_string(i), i * 10.0, 0, 1.0 + 0.3 * i, 4);
        h.tar.back().d[2] = 1;
    }
    for (int i = 0; i < 4; ++i)
        h.heightDiff("H" + std::to_string(i), "H" + std::to_string((i + 1) % 4), 0.001);
    Outcome b = adjust(h);
    ASSERT_EQ(b.rc, 0) << b.s.failure;
    EXPECT_EQ(b.s.defect, 1);
    // Minimum trace gives the pseudo-inverse of N = L / sigma^2, L the Laplacian of the 4-cycle with
    // eigenvalues 0, 2, 2, 4: diag(L+) = (1/4)(1/2 + 1/2 + 1/4) = 5/16 at every point.
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(b.s.elements[i].sd[2], 0.001 * std::sqrt(5.0 / 16.0), 1e-12);
}

TEST(EngineDatum, UndeterminedElementIsNamedAndTheRestUnchanged) {
    Design base = plantNetwork(true);
    Outcome ref = adjust(base);
    ASSERT_EQ(ref.rc, 0);
    Design d = base;
    d.target("Q1", 12, 6, 1);
    d.obs.push_back({4, "1_1", "Q1", 0.0005}); // a single direction: Q1 is not determined
    d.obs.push_back({4, "P1", "P2", 0.0005});  // from a target: invalid
    d.obs.push_back({1, "P1", "NOPE", 0.001}); // unknown name
    Outcome a = adjust(d);
    ASSERT_EQ(a.rc, 0) << a.s.failure;
    ASSERT_EQ(a.s.undetermined.size(), 1u);
    EXPECT_EQ(a.s.undetermined[0], "Q1");
    ASSERT_EQ(a.s.invalid.size(), 2u);
    EXPECT_NE(a.s.invalid[0].find("NOPE"), std::string::npos);
    EXPECT_NE(a.s.invalid[0].find("unknown name"), std::string::npos);
    EXPECT_NE(a.s.invalid[1].find("not observed from a station"), std::string::npos);
    const int q = a.maxsta + static_cast<int>(base.tar.size());
    EXPECT_EQ(a.r.major12[q], 0.0);
    EXPECT_EQ(a.r.minor23[q], 0.0);
    EXPECT_EQ(a.s.defect, ref.s.defect);
    for (std::size_t i = 0; i < ref.r.major12.size(); ++i) {
        EXPECT_NEAR(a.r.major12[i], ref.r.major12[i], 1e-12) << i;
        EXPECT_NEAR(a.r.minor23[i], ref.r.minor23[i], 1e-12) << i;
    }
}

TEST(EngineDatum, NamesMustBeUniqueIgnoringCase) {
    TempDir dir;
    Design d = plantNetwork(true);
    d.target("p3", 1, 1, 1);  // clashes with P3
    d.target("1_1", 2, 2, 2); // clashes with the station 1_1
    auto p = d.build(dir.file("DUP.SIM"));
    mavo m(p.get());
    EXPECT_EQ(m.mavostart(), mavo::kNamesNotUnique);
    EXPECT_LT(m.mavoL2err(), 0);
    const std::string text = readText(dir.file("DUP.OUT"));
    EXPECT_NE(text.find("target P3, target p3"), std::string::npos) << text;
    EXPECT_NE(text.find("station 1_1, target 1_1"), std::string::npos) << text;
}

// Observations name their elements in any case, up to the whole name field.
TEST(EngineDatum, ObservationsFindTheirElementsIgnoringCase) {
    Design base = plantNetwork(true);
    base.target("Point_Fifteen15", 6, 6, 1.5); // as long as a name may be
    for (const auto& s : {"1_1", "2_1", "3_1"})
        base.sight(s, "Point_Fifteen15", 0.0005);
    const Outcome ref = adjust(base);
    ASSERT_EQ(ref.rc, 0) << ref.s.failure;

    Design mixed = base;
    for (std::size_t i = 0; i < mixed.obs.size(); ++i) {
        DObs& o = mixed.obs[i];
        o.value = base.ideal(base.obs[i]);
        for (std::string* n : {&o.from, &o.to})
            for (std::size_t k = 0; k < n->size(); ++k)
                if ((k + i) % 2 == 0)
                    (*n)[k] = static_cast<char>(std::tolower(static_cast<unsigned char>((*n)[k])));
    }
    const Outcome b = adjust(mixed);
    ASSERT_EQ(b.rc, 0) << b.s.failure;
    EXPECT_TRUE(b.s.invalid.empty()) << b.s.invalid.front();
    EXPECT_EQ(b.s.count[2], ref.s.count[2]);
    ASSERT_EQ(b.r.major12.size(), ref.r.major12.size());
    for (std::size_t i = 0; i < ref.r.major12.size(); ++i) {
        EXPECT_NEAR(b.r.major12[i], ref.r.major12[i], 1e-12) << i;
        EXPECT_NEAR(b.r.minor23[i], ref.r.minor23[i], 1e-12) << i;
    }
}

TEST(EngineInvariance, FreeNetworkEllipsesUnderTranslationRotationAndScale) {
    // Zero tilts so that turning the network in plan is a change of the z rotations only.
    Design base = plantNetwork(true);
    for (auto& s : base.sta)
        s.rotGon[0] = s.rotGon[1] = 0;
    Outcome ref = adjust(base);
    ASSERT_EQ(ref.rc, 0);

    const double alphaGon = 50.0, alpha = gon2rad(alphaGon);
    Design moved = base;
    auto move = [&](double* x) {
        const double nx = x[0] * std::cos(alpha) - x[1] * std::sin(alpha);
        const double ny = x[0] * std::sin(alpha) + x[1] * std::cos(alpha);
        x[0] = nx + 1000.0;
        x[1] = ny - 500.0;
        x[2] += 30.0;
    };
    for (auto& s : moved.sta) {
        move(s.x);
        s.rotGon[2] += alphaGon; // the frame turns with the network
    }
    for (auto& t : moved.tar)
        move(t.x);
    Outcome a = adjust(moved);
    ASSERT_EQ(a.rc, 0);
    for (std::size_t i = 0; i < ref.r.major12.size(); ++i) {
        EXPECT_NEAR(a.r.major12[i], ref.r.major12[i], 1e-9 * ref.r.major12[i]) << i;
        EXPECT_NEAR(a.r.minor12[i], ref.r.minor12[i], 1e-9 * ref.r.major12[i]) << i;
        double dphi = a.r.phi12[i] - ref.r.phi12[i] - alpha; // the axes turn with the network (mod pi)
        dphi -= M_PI * std::round(dphi / M_PI);
        EXPECT_NEAR(dphi, 0.0, 1e-6) << i;
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(a.s.elements[i].axes[k], ref.s.elements[i].axes[k], 1e-9) << i;
    }

    // Lengths and length standard deviations x 1000: the axes x 1000.
    Design big = base;
    for (auto& s : big.sta)
        for (double& v : s.x)
            v *= 1000.0;
    for (auto& t : big.tar)
        for (double& v : t.x)
            v *= 1000.0;
    for (auto& o : big.obs)
        if (o.sel == 1) o.sval *= 1000.0;
    Outcome b = adjust(big);
    ASSERT_EQ(b.rc, 0);
    for (std::size_t i = 0; i < ref.r.major12.size(); ++i) {
        EXPECT_NEAR(b.r.major12[i], 1000.0 * ref.r.major12[i], 1e-8 * b.r.major12[i]) << i;
        EXPECT_NEAR(b.r.major23[i], 1000.0 * ref.r.major23[i], 1e-8 * b.r.major23[i]) << i;
        EXPECT_NEAR(b.r.phi13[i], ref.r.phi13[i], 1e-8) << i;
    }
}
