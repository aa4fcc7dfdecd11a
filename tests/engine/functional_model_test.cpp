// The functional model, the angle rules, the ellipse formulas and the listing file name.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/ellipse.h"
#include "engine/functional_model.h"
#include "engine/project.h"

using namespace kivo;
using namespace kivo::eng;

TEST(EngineModel, AnalyticJacobiansMatchCentralDifferences) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(-50, 50), rot(-0.4, 0.4);
    for (int trial = 0; trial < 50; ++trial) {
        double p1[6] = {pos(rng), pos(rng), pos(rng), rot(rng), rot(rng), 6 * rot(rng)};
        double p2[3] = {pos(rng), pos(rng), pos(rng)};
        for (Kind k : {Kind::Distance, Kind::HeightDiff, Kind::Direction, Kind::Zenith}) {
            double v, d1[6], d2[3];
            ASSERT_TRUE(evaluate(k, p1, p2, v, d1, d2));
            for (int c = 0; c < 9; ++c) {
                const bool first = c < 6;
                double* x = first ? &p1[c] : &p2[c - 6];
                const double h = c >= 3 && c < 6 ? 1e-6 : 1e-5;
                const double keep = *x;
                double vp, vm, t1[6], t2[3];
                *x = keep + h;
                evaluate(k, p1, p2, vp, t1, t2);
                *x = keep - h;
                evaluate(k, p1, p2, vm, t1, t2);
                *x = keep;
                double diff = vp - vm;
                if (k == Kind::Direction) diff = reduceGon(diff);
                const double numeric = diff / (2 * h);
                const double analytic = first ? d1[c] : d2[c - 6];
                // Central differences are exact to O(h^2); 1e-6 relative covers rounding.
                EXPECT_NEAR(analytic, numeric, 1e-6 * std::max(1.0, std::fabs(numeric)))
                    << "kind " << static_cast<int>(k) << " component " << c << " trial " << trial;
            }
        }
    }
}

TEST(EngineModel, AngleRulesUseTheSimulationsPi) {
    // Values from the simulation's rules with pi taken as 3.1415927.
    const double st[6] = {0, 0, 0, 0, 0, 0};
    double v, d1[6], d2[3];
    const double east[3] = {1, 0, 0}, north[3] = {0, 1, 0}, west[3] = {-1, 0, 0}, diag[3] = {1, 1, 0};
    ASSERT_TRUE(evaluate(Kind::Direction, st, east, v, d1, d2));
    EXPECT_EQ(v, 0.0);
    evaluate(Kind::Direction, st, north, v, d1, d2);
    EXPECT_NEAR(v, 300.0000015, 1e-7);
    evaluate(Kind::Direction, st, west, v, d1, d2);
    EXPECT_NEAR(v, 200.0000030, 1e-7);
    evaluate(Kind::Direction, st, diag, v, d1, d2);
    EXPECT_NEAR(v, 350.0000007, 1e-7);
    evaluate(Kind::Zenith, st, east, v, d1, d2);
    EXPECT_EQ(v, 100.0);
    EXPECT_NEAR(gonToRad(100.0), 1.57079635, 1e-12);
    EXPECT_NEAR(radToGon(gonToRad(123.456)), 123.456, 1e-12);
    // A sighting along the instrument's vertical has no horizontal direction.
    const double up[3] = {0, 0, 5};
    EXPECT_FALSE(evaluate(Kind::Direction, st, up, v, d1, d2));
    EXPECT_NEAR(reduceGon(399.0), -1.0, 1e-12);
    EXPECT_NEAR(reduceGon(-200.0), 200.0, 1e-12);
}

TEST(EngineModel, PlaneEllipseFormulas) {
    // By hand: diagonal covariances give the axes along the coordinate axes.
    Ellipse e = planeEllipse(4.0, 1.0, 0.0);
    EXPECT_DOUBLE_EQ(e.major, 2.0);
    EXPECT_DOUBLE_EQ(e.minor, 1.0);
    EXPECT_DOUBLE_EQ(e.phi, 0.0);
    e = planeEllipse(1.0, 4.0, 0.0);
    EXPECT_NEAR(e.phi, M_PI / 2, 1e-15); // major axis along the second coordinate
    // c11 = c22 = 2, c12 = 1: eigenvalues 3 and 1, major axis at 45 degrees toward the second axis.
    e = planeEllipse(2.0, 2.0, 1.0);
    EXPECT_NEAR(e.major, std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(e.minor, 1.0, 1e-15);
    EXPECT_NEAR(e.phi, M_PI / 4, 1e-15);
    e = planeEllipse(2.0, 2.0, -1.0);
    EXPECT_NEAR(e.phi, -M_PI / 4, 1e-15);
    // Chi-square quantiles from the tables, exact at the small redundancies where approximations fail
    // (f = 1: 0.000982 and 5.0239), and the 95 % factors of a coordinate, an ellipse, an ellipsoid.
    EXPECT_NEAR(chiSquareQuantile(0.025, 10), 3.2470, 1e-4);
    EXPECT_NEAR(chiSquareQuantile(0.975, 10), 20.4832, 1e-4);
    EXPECT_NEAR(chiSquareQuantile(0.025, 1), 0.000982, 1e-6);
    EXPECT_NEAR(chiSquareQuantile(0.975, 1), 5.0239, 1e-4);
    EXPECT_NEAR(confidenceFactor(1, 0.95), 1.9600, 1e-4);
    EXPECT_NEAR(confidenceFactor(2, 0.95), 2.4477, 1e-4);
    EXPECT_NEAR(confidenceFactor(3, 0.95), 2.7955, 1e-4);
    EXPECT_NEAR(normalQuantile(1 - 0.0005), 3.2905, 1e-4);
}

TEST(EngineModel, ListingNameReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(project::listingNameFor("/x/NET1.SIM"), "/x/NET1.OUT");
    EXPECT_EQ(project::listingNameFor("/data.v2/NET1"), "/data.v2/NET1.OUT");
    EXPECT_EQ(project::listingNameFor("/data.v2/NET1.bak.SIM"), "/data.v2/NET1.OUT");
    EXPECT_EQ(project::listingNameFor("C:\\a.b\\NET.SIM"), "C:\\a.b\\NET.OUT");
    EXPECT_EQ(project::listingNameFor(""), "");
}
