// Design advice against brute force: each candidate added to the design and the network adjusted again.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/advice.h"
#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

namespace {

// Largest 1-sigma axis per element after a full run (the run must succeed).
std::vector<double> fullAxes(const Design& d) {
    TempDir dir;
    auto p = d.build(dir.file("NET.SIM"));
    mavo m(p.get());
    EXPECT_EQ(runEngine(m), 0);
    std::vector<double> axes;
    for (const auto& e : m.summary().elements)
        axes.push_back(e.axes[0]);
    return axes;
}

// The plant network with a third of the sightings missing, a distance from station 1_1 (so it measures
// distances), and a target straight above station 2_1 that must never be proposed from there.
Design sparsePlant() {
    Design d = plantNetwork();
    std::vector<DObs> kept;
    for (const DObs& o : d.obs) {
        const int s = o.from[0] - '1';
        const int t = o.to[0] == 'P' ? o.to[1] - '0' : 9;
        if (o.sel == 1 || (s + t) % 3 != 0) kept.push_back(o);
    }
    d.obs = kept;
    d.target("V", 20, 0, 9.0);
    d.sight("1_1", "V", 0.0005);
    d.sight("3_1", "V", 0.0005);
    d.distance("1_1", "P2", 0.0002);
    return d;
}

} // namespace

TEST(SightingAdvice, GainsRankAndToleranceCountMatchFullAdjustments) {
    const Design d = sparsePlant();
    TempDir dir;
    auto p = d.build(dir.file("NET.SIM"));
    const std::vector<double> before = fullAxes(d);

    eng::SightingOptions o;
    o.sdDirection = o.sdZenith = 0.0005;
    o.sdDistance = 0.0002;
    o.top = 0;
    std::vector<double> sorted = before;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t q = sorted.size() * 3 / 4; // a quarter of the elements lie outside
    o.tolerance = (sorted[q] + sorted[q - 1]) / 2;
    const eng::SightingAdvice a = eng::adviseSightings(*p, o);
    ASSERT_TRUE(a.ok) << a.why;
    const int worst = static_cast<int>(std::max_element(before.begin(), before.end()) - before.begin());
    EXPECT_EQ(a.worst, worst);
    EXPECT_NEAR(a.worstAxis, before[static_cast<std::size_t>(worst)], 1e-9 * a.worstAxis);
    ASSERT_GT(a.ranked.size(), 15u);

    int distances = 0;
    double previous = INFINITY;
    for (std::size_t i = 0; i < a.ranked.size(); ++i) {
        const eng::Suggestion& s = a.ranked[i];
        const std::string& from = d.sta[static_cast<std::size_t>(s.station)].name;
        const std::string& to = d.tar[static_cast<std::size_t>(s.target)].name;
        EXPECT_FALSE(from == "2_1" && to == "V") << "a vertical line of sight was proposed";
        if (s.distance) {
            EXPECT_EQ(from, "1_1") << "only a station that measures distances gets distance candidates";
            EXPECT_NE(to, "P2");
            ++distances;
        }
        Design plus = d;
        if (s.distance)
            plus.distance(from, to, o.sdDistance);
        else
            plus.sight(from, to, 0.0005);
        const std::vector<double> after = fullAxes(plus);
        const double gain = a.worstAxis - after[static_cast<std::size_t>(worst)];
        // Every predicted gain equals the full adjustment's; the top one to 1e-6 of itself.
        EXPECT_NEAR(s.gain, gain, (i == 0 ? 1e-6 * gain : 1e-7 * a.worstAxis)) << from << " -> " << to;
        EXPECT_LE(gain, previous + 1e-9 * a.worstAxis) << "rank order at " << i;
        previous = gain;
        int within = 0;
        for (std::size_t e = 0; e < before.size(); ++e)
            within += before[e] > o.tolerance && after[e] <= o.tolerance;
        EXPECT_EQ(s.broughtWithin, within) << from << " -> " << to;
    }
    EXPECT_GT(distances, 0);
    EXPECT_GT(a.ranked.front().gain, 0.0);

    o.top = 5;
    EXPECT_EQ(eng::adviseSightings(*p, o).ranked.size(), 5u);
}

// With every station fixed there is no station system at all: the advice solves for the targets
// alone (no empty block may reach a triangular solve; `make asan` runs this under UBSan) and its
// best gain is still the full adjustment's.
TEST(SightingAdvice, EveryStationFixedLeavesNoStationSystem) {
    Design d = sparsePlant();
    for (DStation& s : d.sta)
        for (int k = 0; k < 6; ++k)
            s.d[k] = kStatusFixed;
    TempDir dir;
    auto p = d.build(dir.file("NET.SIM"));
    const std::vector<double> before = fullAxes(d);
    eng::SightingOptions o;
    o.sdDirection = o.sdZenith = 0.0005;
    o.sdDistance = 0.0002;
    o.top = 3;
    const eng::SightingAdvice a = eng::adviseSightings(*p, o);
    ASSERT_TRUE(a.ok) << a.why;
    ASSERT_FALSE(a.ranked.empty());
    const eng::Suggestion& s = a.ranked.front();
    Design plus = d;
    const std::string& from = d.sta[static_cast<std::size_t>(s.station)].name;
    const std::string& to = d.tar[static_cast<std::size_t>(s.target)].name;
    if (s.distance)
        plus.distance(from, to, o.sdDistance);
    else
        plus.sight(from, to, 0.0005);
    const double gain = a.worstAxis - fullAxes(plus)[static_cast<std::size_t>(a.worst)];
    EXPECT_NEAR(s.gain, gain, 1e-6 * a.worstAxis) << from << " -> " << to;
    EXPECT_NEAR(a.worstAxis, *std::max_element(before.begin(), before.end()), 1e-9 * a.worstAxis);
}

TEST(StationHeatMap, CellsMatchAFullAdjustmentWithTheStationAdded) {
    Design d = plantNetwork();
    // A fixed datum, so that an added station does not change it.
    for (int s = 0; s < 3; ++s)
        for (int k = 0; k < 3; ++k)
            d.sta[static_cast<std::size_t>(s)].d[k] = kStatusFixed;
    TempDir dir;
    auto p = d.build(dir.file("NET.SIM"));
    eng::HeatMapOptions o;
    o.xMin = -10, o.xMax = 30, o.yMin = -10, o.yMax = 25, o.z = 1.5;
    o.nx = 4, o.ny = 3;
    o.range = 17;
    o.sdDirection = o.sdZenith = 0.0005;
    const eng::HeatMap h = eng::stationHeatMap(*p, o);
    ASSERT_TRUE(h.ok) << h.why;
    const std::vector<double> before = fullAxes(d);
    EXPECT_NEAR(h.current, *std::max_element(before.begin(), before.end()), 1e-9 * h.current);

    int best = -1, bestBrute = -1;
    double bestBruteValue = INFINITY;
    for (int c = 0; c < o.nx * o.ny; ++c) {
        const double x = o.xMin + (c % o.nx + 0.5) * (o.xMax - o.xMin) / o.nx;
        const double y = o.yMin + (c / o.nx + 0.5) * (o.yMax - o.yMin) / o.ny;
        Design plus = d;
        plus.station("N", x, y, o.z);
        int seen = 0;
        for (const DTarget& t : d.tar)
            if (std::hypot(std::hypot(t.x[0] - x, t.x[1] - y), t.x[2] - o.z) <= o.range) {
                plus.sight("N", t.name, 0.0005);
                ++seen;
            }
        EXPECT_EQ(h.sighted[static_cast<std::size_t>(c)], seen);
        double value = h.current;
        if (seen >= 3) {
            std::vector<double> after = fullAxes(plus);
            after.erase(after.begin() + 4); // the new station itself
            value = *std::max_element(after.begin(), after.end());
        }
        EXPECT_NEAR(h.value[static_cast<std::size_t>(c)], value, 1e-6 * value) << "cell " << c;
        if (value < bestBruteValue) bestBruteValue = value, bestBrute = c;
        if (best < 0 || h.value[static_cast<std::size_t>(c)] < h.value[static_cast<std::size_t>(best)])
            best = c;
    }
    EXPECT_EQ(best, bestBrute);
    EXPECT_LT(bestBruteValue, h.current);

    // Updating one element at a time gives the same values; cancelling stops with no map.
    o.batch = 1;
    const eng::HeatMap one = eng::stationHeatMap(*p, o);
    for (std::size_t c = 0; c < h.value.size(); ++c)
        EXPECT_NEAR(one.value[c], h.value[c], 1e-12 * h.current);
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(eng::stationHeatMap(*p, o, &cancel).ok);
}
