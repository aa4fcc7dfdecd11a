// Monte Carlo: Gaussian noise of the stated standard deviations on ideal observations; the
// empirical covariance of the adjusted coordinates must match the engine's ellipses within the
// sampling error, and the a-posteriori variance factor must average 1.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

namespace {

// Checks n runs of the design against the prediction of the noise-free run.
void monteCarlo(const Design& d, int runs, unsigned seed) {
    TempDir dir;
    auto ideal = d.build(dir.file("IDEAL.SIM"));
    mavo m0(ideal.get());
    ASSERT_EQ(runEngine(m0), 0) << m0.summary().failure;
    const auto& pred = m0.summary();
    const result& r0 = *ideal->runresults;
    const int nsta = ideal->maxsta;

    const int watched[3] = {nsta + 0, nsta + 3, nsta + 8}; // P1, P4, the scale bar's R end
    std::vector<std::array<double, 3>> sum(3, {0, 0, 0});
    std::vector<std::array<double, 6>> sq(3, {0, 0, 0, 0, 0, 0}); // xx, yy, zz, xy
    double sumVf = 0.0;
    std::mt19937 rng(seed);
    for (int run = 0; run < runs; ++run) {
        auto p = d.build("", &rng); // no listing
        mavo m(p.get());
        ASSERT_EQ(runEngine(m), 0) << m.summary().failure;
        EXPECT_LE(m.summary().iterations, 4);
        sumVf += m.summary().varianceFactor;
        for (int w = 0; w < 3; ++w) {
            const auto& e = m.summary().elements[watched[w]];
            const double* x0 = pred.elements[watched[w]].value;
            const double dx = e.value[0] - x0[0], dy = e.value[1] - x0[1], dz = e.value[2] - x0[2];
            sum[w][0] += dx, sum[w][1] += dy, sum[w][2] += dz;
            sq[w][0] += dx * dx, sq[w][1] += dy * dy, sq[w][2] += dz * dz, sq[w][3] += dx * dy;
        }
    }
    // Mean variance factor: E = 1, sd of one run sqrt(2/f).
    const double f = pred.redundancy;
    EXPECT_NEAR(sumVf / runs, 1.0, 4.0 * std::sqrt(2.0 / f) / std::sqrt(runs));
    for (int w = 0; w < 3; ++w) {
        const int k = watched[w];
        // The predicted covariance rebuilt from the x-y ellipse: C = R diag(A^2, B^2) R^T.
        const double a2 = r0.major12[k] * r0.major12[k], b2 = r0.minor12[k] * r0.minor12[k];
        const double c = std::cos(r0.phi12[k]), s = std::sin(r0.phi12[k]);
        const double cxx = a2 * c * c + b2 * s * s, cyy = a2 * s * s + b2 * c * c, cxy = (a2 - b2) * s * c;
        const double czz = pred.elements[k].sd[2] * pred.elements[k].sd[2];
        const double mean[3] = {sum[w][0] / runs, sum[w][1] / runs, sum[w][2] / runs};
        const double exx = sq[w][0] / runs - mean[0] * mean[0];
        const double eyy = sq[w][1] / runs - mean[1] * mean[1];
        const double ezz = sq[w][2] / runs - mean[2] * mean[2];
        const double exy = sq[w][3] / runs - mean[0] * mean[1];
        // Sampling sd of a variance: var sqrt(2/n); of a covariance: sqrt((cxx cyy + cxy^2)/n).
        const double n = runs;
        EXPECT_NEAR(exx, cxx, 4.0 * cxx * std::sqrt(2.0 / n)) << "x of " << k;
        EXPECT_NEAR(eyy, cyy, 4.0 * cyy * std::sqrt(2.0 / n)) << "y of " << k;
        EXPECT_NEAR(ezz, czz, 4.0 * czz * std::sqrt(2.0 / n)) << "z of " << k;
        EXPECT_NEAR(exy, cxy, 4.0 * std::sqrt((cxx * cyy + cxy * cxy) / n)) << "xy of " << k;
        // No bias: the mean within 4 standard errors.
        EXPECT_NEAR(mean[0], 0.0, 4.0 * std::sqrt(cxx / n));
        EXPECT_NEAR(mean[2], 0.0, 4.0 * std::sqrt(czz / n));
    }
}

} // namespace

TEST(EngineMonteCarlo, ControlledNetwork) {
    // Two stations fixed entirely, the others free: no datum defect.
    Design d = plantNetwork(true, 0.002, 0.0005);
    for (int k = 0; k < 6; ++k)
        d.sta[0].d[k] = d.sta[2].d[k] = 4;
    monteCarlo(d, 300, 11);
}

TEST(EngineMonteCarlo, FreeNetworkWithMinimumTraceDatum) {
    // Free datum (defect 6). Every solution is put into the minimum-trace datum about the same
    // approximate coordinates (the design), so the solutions are directly comparable with the
    // predicted covariance.
    monteCarlo(plantNetwork(true, 0.002, 0.0005), 300, 23);
}
