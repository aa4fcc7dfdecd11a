// Whole runs with results derived by hand or by a closed form.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>

#include "engine/parallel.h"
#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

namespace {
constexpr double kRho = 200.0 * 0.31830988148145367; // gon per radian with pi = 3.1415927
}

TEST(EngineClosedForm, IntersectionFromTwoOrientedStationsWithDirectionsOnly) {
    // Two fixed stations with fixed orientation, one point (height fixed) intersected by two
    // horizontal directions: two observations, two unknowns. By hand: the direction's derivative by
    // the point is rho (dy, -dx) / s^2; N = A^T A / sigma^2 and Q = N^-1.
    TempDir dir;
    Design d;
    d.station("A", 0, 0, 0, 0, 0, 0, 4);
    d.station("B", 100, 0, 0, 0, 0, 30, 4);
    d.target("P", 30, 60, 0);
    d.tar[0].d[2] = 4;
    const double sd = 0.001;
    d.obs.push_back({4, "A", "P", sd});
    d.obs.push_back({4, "B", "P", sd});
    auto p = d.build(dir.file("X.SIM"));
    mavo m(p.get());
    ASSERT_EQ(runEngine(m), 0) << m.summary().failure;

    double a[2][2];
    const double from[2][2] = {{0, 0}, {100, 0}};
    for (int i = 0; i < 2; ++i) {
        const double dx = 30 - from[i][0], dy = 60 - from[i][1], s2 = dx * dx + dy * dy;
        a[i][0] = kRho * dy / s2;
        a[i][1] = -kRho * dx / s2;
    }
    const double n11 = (a[0][0] * a[0][0] + a[1][0] * a[1][0]) / (sd * sd);
    const double n22 = (a[0][1] * a[0][1] + a[1][1] * a[1][1]) / (sd * sd);
    const double n12 = (a[0][0] * a[0][1] + a[1][0] * a[1][1]) / (sd * sd);
    const double det = n11 * n22 - n12 * n12;
    const double qxx = n22 / det, qyy = n11 / det, qxy = -n12 / det;
    const double mean = 0.5 * (qxx + qyy), root = std::sqrt(0.25 * (qxx - qyy) * (qxx - qyy) + qxy * qxy);
    const int k = p->maxsta + 0;
    const result& r = *p->runresults;
    EXPECT_NEAR(r.major12[k], std::sqrt(mean + root), 1e-9 * std::sqrt(mean + root));
    EXPECT_NEAR(r.minor12[k], std::sqrt(mean - root), 1e-9 * std::sqrt(mean + root));
    EXPECT_NEAR(r.phi12[k], 0.5 * std::atan2(2 * qxy, qxx - qyy), 1e-9);
    // Height fixed: in the x-z plane only the x variance remains.
    EXPECT_NEAR(r.major13[k], std::sqrt(qxx), 1e-9 * std::sqrt(qxx));
    EXPECT_NEAR(r.minor13[k], 0.0, 1e-12);
    // Fixed stations have no ellipse; no redundancy: every redundancy number is 0.
    EXPECT_EQ(r.major12[0], 0.0);
    EXPECT_EQ(m.summary().redundancy, 0);
    for (const auto& o : m.summary().observations)
        EXPECT_NEAR(o.redundancy, 0.0, 1e-9);
}

TEST(EngineClosedForm, LevellingLineBetweenTwoBenchmarks) {
    // Dimension 1: a line of n = 4 equal height differences from benchmark A to benchmark B.
    // Closed form: var(point k) = sigma^2 k (n - k) / n; every redundancy number is 1/n.
    TempDir dir;
    Design d;
    d.dim = 1;
    const double z[5] = {10.0, 11.2, 10.7, 12.9, 12.0};
    for (int i = 0; i < 5; ++i) {
        d.target("H" + std::to_string(i), 100.0 * i, 0, z[i], 4);
        if (i > 0 && i < 4) d.tar.back().d[2] = 1;
    }
    const double sd = 0.002;
    for (int i = 0; i < 4; ++i)
        d.heightDiff("H" + std::to_string(i), "H" + std::to_string(i + 1), sd);
    d.obs[2].value = d.ideal(d.obs[2]) + 0.004; // a misclosure of 4 mm, spread evenly
    auto p = d.build(dir.file("LEV.SIM"));
    mavo m(p.get());
    ASSERT_EQ(runEngine(m), 0) << m.summary().failure;
    const auto& s = m.summary();
    EXPECT_EQ(s.defect, 0);
    EXPECT_EQ(s.redundancy, 1);
    for (int k = 1; k < 4; ++k) {
        const double expected = sd * std::sqrt(k * (4.0 - k) / 4.0);
        EXPECT_NEAR(s.elements[k].sd[2], expected, 1e-12) << k;
        // Only z is estimated: the x-z ellipse is a line along z (phi = pi/2), the x-y one vanishes.
        EXPECT_NEAR(p->runresults->major13[k], expected, 1e-12);
        EXPECT_NEAR(p->runresults->phi13[k], M_PI / 2, 1e-12);
        EXPECT_EQ(p->runresults->major12[k], 0.0);
    }
    for (const auto& o : s.observations) {
        EXPECT_NEAR(o.redundancy, 0.25, 1e-12);
        EXPECT_NEAR(o.residual, -0.001, 1e-9) << o.index; // the misclosure spread evenly over the n legs
    }
    EXPECT_NEAR(s.vtpv, 0.004 * 0.004 / (4 * sd * sd), 1e-9);
}

TEST(EngineRun, IdealObservationsConvergeInOneIterationWithZeroResiduals) {
    TempDir dir;
    Design d = plantNetwork();
    d.distance("1_1", "P3", 0.0002); // shares the scale with the scale bar: both are controlled
    auto p = d.build(dir.file("NET.SIM"));
    mavo m(p.get());
    ASSERT_EQ(runEngine(m), 0) << m.summary().failure;
    const auto& s = m.summary();
    EXPECT_EQ(s.iterations, 1);
    EXPECT_TRUE(s.converged);
    EXPECT_EQ(s.observations.size(), 82u);
    for (const auto& o : s.observations) {
        EXPECT_NEAR(o.residual, 0.0, 1e-9) << o.index;
        EXPECT_GT(o.redundancy, 0.0) << o.index;
        EXPECT_LT(o.redundancy, 1.0);
    }
    double sum = 0;
    for (const auto& o : s.observations)
        sum += o.redundancy;
    EXPECT_NEAR(sum, s.redundancy, 1e-8); // the redundancy numbers add up to the redundancy
    EXPECT_LT(s.varianceFactor, 1e-12);
}

namespace {
// The listing line that starts with `head` after the two-space indent ("" when there is none).
std::string lineOf(const std::string& text, const std::string& head, std::size_t from = 0) {
    const std::size_t at = text.find("\r\n  " + head, from);
    if (at == std::string::npos) return {};
    return text.substr(at + 4, text.find('\r', at + 4) - at - 4);
}
double lastNumber(const std::string& line) {
    return std::atof(line.substr(line.find_last_of(' ') + 1).c_str());
}
} // namespace

TEST(EngineRun, ListingReadsAsTheEngineerNeedsIt) {
    TempDir dir;
    Design d = plantNetwork();
    d.obs.push_back({4, "P1", "P2", 0.001}); // invalid: not from a station
    d.target("Q1", 12, 6, 1);
    d.obs.push_back({4, "1_1", "Q1", 0.0005}); // a single direction: Q1 is not determined
    d.sta[0].d[5] = 3, d.sta[0].sx[5] = 0.002; // 1_1's z rotation pseudo-observed (37 gon, sd in gon)
    DObs gross{1, "P1", "P3", 0.001};          // a distance of sd 1 mm with a gross error of 10 mm
    gross.value = d.ideal(gross) + 0.01;
    d.obs.push_back(gross);
    auto p = d.build(dir.file("NET.V1.SIM"));
    std::strncpy(p->sta[0].label, "Theo1_1", 15); // the forms' name of station 1_1
    p->units = 0;                                 // meters
    mavo m(p.get());
    ASSERT_EQ(runEngine(m), 0) << m.summary().failure;
    const auto& s = m.summary();
    const std::string text = readText(dir.file("NET.OUT"));
    ASSERT_FALSE(text.empty());
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lines;
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "line " << lines << " ends without CR";
        }
    EXPECT_GT(lines, 100u);
    for (const char* section :
         {"SUMMARY", "WARNINGS", "ADJUSTED COORDINATES", "ERROR ELLIPSES", "OBSERVATIONS", "VARIANCE FACTOR",
          "Datum defect                 5", "not observed from a station", "P1 -> P2", "in meters",
          "Elements not determined      1", "ELEMENTS LEFT OUT"})
        EXPECT_NE(text.find(section), std::string::npos) << section;

    // The station by its forms' name with the engine name beside it, in every table.
    EXPECT_NE(lineOf(text, "Theo1_1 (1_1)     ").find(" x "), std::string::npos);
    EXPECT_FALSE(lineOf(text, "Theo1_1 (1_1)  ", text.find("ERROR ELLIPSES")).empty());
    EXPECT_FALSE(lineOf(text, "direction Theo1_1 (1_1) -> P1 ").empty());
    // The left-out point with its reason, and no figures that would read as "perfectly known".
    EXPECT_NE(lineOf(text, "  Q1 ").find("not fixed by its observations (1 direction)"), std::string::npos)
        << lineOf(text, "  Q1 ");
    EXPECT_NE(lineOf(text, "Q1  ", text.find("ERROR ELLIPSES")).find("left out"), std::string::npos);

    // Standard deviations in mm with three significant digits: P7's x (about 0.05 mm) read back
    // from the listing agrees with the engine's value to 1 %.
    const std::size_t p7 = 4 + 6;
    ASSERT_EQ(m.summary().elements.size(), 4u + 11u);
    const double sdX = s.elements[p7].sd[0];
    ASSERT_GT(sdX, 1e-5);
    ASSERT_LT(sdX, 1e-3);
    EXPECT_NEAR(lastNumber(lineOf(text, "P7 ")), sdX * 1000.0, 0.01 * sdX * 1000.0) << lineOf(text, "P7 ");

    // The pseudo-observed rotation in gon (37 gon, not 0.58 radians), its std dev 2 mgon.
    const std::string rz = lineOf(text, "pseudo-observation Theo1_1 (1_1) rz");
    EXPECT_NE(rz.find(" 37.0000"), std::string::npos) << rz;
    EXPECT_NE(rz.find(" mgon "), std::string::npos) << rz;
    EXPECT_NE(rz.find(" 2.0000 "), std::string::npos) << rz;

    // The gross error is flagged, against the critical value 3.29. The scale bar and P1 -> P3 are the
    // only observations of the scale, so their normalised residuals are equal: the summary line names
    // the first of them in the listing, whatever the last bits of the iterations.
    const std::string bad = lineOf(text, "distance P1 -> P3 ");
    EXPECT_EQ(bad.substr(bad.size() - 2), " *") << bad;
    const std::string largest = lineOf(text, "Largest normalised residual");
    EXPECT_NE(largest.find("|w| = 5.41: distance SBL -> SBR"), std::string::npos) << largest;
    EXPECT_NE(lineOf(text, "Critical value 3.29").find("above it, marked *"), std::string::npos);

    // The 95 % factors the headings name: sqrt of the chi-square quantile for 1, 2 and 3 degrees
    // of freedom (3.8415, 5.9915, 7.8147), and the ellipsoid's applied to the column "a 95 %":
    // recomputed from each row's own 1-sigma column a, within the rounding of both.
    EXPECT_NE(text.find("95 % interval: std dev x 1.9600)"), std::string::npos);
    EXPECT_NE(text.find("95 % confidence: ellipse axes x 2.4477, ellipsoid axes x 2.7955: column a 95 %)"),
              std::string::npos);
    const std::size_t ellipses = text.find("ERROR ELLIPSES"), end = text.find("\r\n\r\n", ellipses);
    int rows = 0;
    for (const std::string& line : splitLines(text.substr(ellipses, end - ellipses))) {
        const std::vector<std::string> w = numberWords(line.substr(std::min<std::size_t>(line.size(), 28)));
        if (w.size() != 13) continue; // A, B, phi in three planes, then a, b, c and a 95 %
        const double a = std::atof(w[9].c_str()), a95 = std::atof(w[12].c_str());
        EXPECT_GE(a, std::atof(w[10].c_str())) << line;
        EXPECT_NEAR(a95, a * 2.7955, 0.00005 * 2.7955 + 0.00005 + 0.00005 * a) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 14) << "the four stations, the eight points and the bar's two ends";

    // Each figure in its own column. P7's row against the engine's results: per plane the
    // semi-axes A >= B in mm and the orientation in gon.
    const std::string row = lineOf(text, "P7 ", ellipses);
    const std::vector<std::string> w7 = numberWords(row.substr(std::min<std::size_t>(row.size(), 26)));
    ASSERT_EQ(w7.size(), 13u) << row;
    const result& rr = *p->runresults;
    const double planes[3][3] = {{rr.major12[p7], rr.minor12[p7], rr.phi12[p7]},
                                 {rr.major13[p7], rr.minor13[p7], rr.phi13[p7]},
                                 {rr.major23[p7], rr.minor23[p7], rr.phi23[p7]}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(std::atof(w7[3 * k].c_str()), planes[k][0] * 1000, 0.00006)
            << "A, plane " << k << ": " << row;
        EXPECT_NEAR(std::atof(w7[3 * k + 1].c_str()), planes[k][1] * 1000, 0.00006) << "B, plane " << k;
        EXPECT_NEAR(std::atof(w7[3 * k + 2].c_str()), rad2gon(planes[k][2]), 0.006) << "phi, plane " << k;
        EXPECT_GT(planes[k][0], planes[k][1]);
    }
    // The corrections are adjusted - approximate (both listed in m, the correction in mm).
    int corrected = 0;
    for (std::size_t at = text.find("\r\n  ", text.find("ADJUSTED COORDINATES")); at < ellipses;
         at = text.find("\r\n  ", at + 2)) {
        const std::string line = text.substr(at + 2, text.find('\r', at + 2) - at - 2);
        if (line.size() < 33 || line[29] == 'r' || line[29] == ' ') continue; // rotations, headings
        const std::vector<std::string> w = numberWords(line.substr(31));
        if (w.size() < 3) continue;
        const double corr = std::atof(w[1].c_str());
        EXPECT_NEAR(corr, (std::atof(w[2].c_str()) - std::atof(w[0].c_str())) * 1000, 0.0101) << line;
        corrected += std::fabs(corr) > 0.1;
    }
    EXPECT_GT(corrected, 3) << "corrections large enough to show their sign";
    // The observation with the gross error: its a-priori sd of 1 mm, an adjusted sd below it, and
    // the residual adjusted - observed, some mm short of the 10 mm too long value.
    const std::vector<std::string> wb = numberWords(bad);
    ASSERT_EQ(wb.size(), 8u) << bad; // observed, adjusted, sd obs, sd adj, residual, r, MDB, w
    EXPECT_EQ(wb[2], "1.0000") << bad;
    EXPECT_LT(std::atof(wb[3].c_str()), 1.0) << bad;
    const double residual = std::atof(wb[4].c_str());
    EXPECT_NEAR(residual, (std::atof(wb[1].c_str()) - std::atof(wb[0].c_str())) * 1000, 0.0011) << bad;
    EXPECT_LT(residual, -1.0) << bad;
}

TEST(EngineRun, ListingOfHugeCoordinatesHoldsOnlyText) {
    // A fixed point at 1e300 once put 300 digits into a 64-byte buffer and stack bytes into the
    // listing, with success reported.
    TempDir dir;
    Design d;
    d.target("FAR", 1e300, -1e61, 1.0, 4);
    auto p = d.build(dir.file("HUGE.SIM"));
    mavo m(p.get());
    ASSERT_EQ(runEngine(m), 0) << m.summary().failure;
    const std::string text = readText(dir.file("HUGE.OUT"));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        ASSERT_TRUE((c >= 32 && c < 127) || c == '\r' || c == '\n') << "byte " << int(c) << " at " << i;
    }
    const std::size_t far = text.find("FAR");
    ASSERT_NE(far, std::string::npos);
    const std::string line = text.substr(far, text.find('\r', far) - far);
    EXPECT_NE(line.find("e+300"), std::string::npos) << line;
    EXPECT_LT(line.size(), 120u) << line;
}

TEST(EngineRun, FailuresReturnNegativeAndTheListingSaysWhy) {
    TempDir dir;
    Design d = plantNetwork();
    // Wildly inconsistent values: a distance of 5 km inside a 20 m plant.
    d.obs.push_back({1, "P1", "P5", 0.0001, 5000.0});
    auto p = d.build(dir.file("BAD.SIM"));
    mavo m(p.get());
    m.itermax = 5;
    const int rc = runEngine(m);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(p->istat, rc);
    const std::string text = readText(dir.file("BAD.OUT"));
    EXPECT_NE(text.find("ADJUSTMENT FAILED"), std::string::npos) << text.substr(0, 2000);
    // mavoL2err after a failed mavostart fails too.
    EXPECT_LT(m.mavoL2err(), 0);
}

// A listing that cannot be written (a full disk, a write-protected file) fails the run with the
// system's reason, and the listing of the run before stays whole: never emptied, never cut, and no
// temporary file is left beside it.
TEST(EngineRun, TheListingIsWrittenWholeOrNotAtAll) {
    namespace fs = std::filesystem;
    TempDir dir;
    const Design d = plantNetwork();
    {
        auto p = d.build(dir.file("NET.SIM"));
        mavo m(p.get());
        ASSERT_EQ(runEngine(m), 0);
        EXPECT_EQ(p->listingError, 0);
    }
    const std::string before = readText(dir.file("NET.OUT"));
    ASSERT_GT(before.size(), 4000u);
    auto failedRun = [&](int expectedErrno) {
        auto p = d.build(dir.file("NET.SIM"));
        mavo m(p.get());
        EXPECT_EQ(runEngine(m), mavo::kListingFailed);
        EXPECT_EQ(p->listingError, expectedErrno);
        EXPECT_TRUE(readText(dir.file("NET.OUT")) == before) << "the previous listing was damaged";
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
            << "a temporary file was left";
    };
    {
        FileSizeLimit full(before.size() / 2);
        failedRun(EFBIG);
    }
    fs::permissions(dir.file("NET.OUT"), fs::perms::owner_read | fs::perms::group_read);
    failedRun(EACCES);
}

// The passes shared out over the cores must reach every cluster exactly once, whatever the split.
TEST(EngineParallel, EveryPieceIsDoneExactlyOnce) {
    for (std::size_t n : {0u, 1u, 7u, 4096u, 100001u}) {
        std::vector<std::atomic<int>> done(n);
        eng::parallelRanges(
            n,
            [&](std::size_t from, std::size_t to) {
                for (std::size_t i = from; i < to; ++i)
                    ++done[i];
            },
            1);
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(done[i].load(), 1) << "piece " << i << " of " << n;
    }
}
