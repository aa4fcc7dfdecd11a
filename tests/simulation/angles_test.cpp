// Angle units, the two angle rules, the station frame and the scale-bar ends.

#include <cmath>

#include <gtest/gtest.h>

#include "simulation/angles.h"
#include "simulation/scale_bar.h"

using namespace kivo;

namespace {

// Smallest distance between two directions on the 400-gon circle.
double CircularGap(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 400.0);
    return std::min(d, 400.0 - d);
}

} // namespace

// Expected values by hand: with pi taken as 3.1415927 a quarter circle of pi/2 radians converts to
// 100 x pi / 3.1415927 = 99.99999852 gon, so the quarter directions miss their round values.
TEST(AngleRules, QuarterDirectionsExposeThePiConvention) {
    EXPECT_EQ(HorizontalAngle(1, 0), 0.0);
    EXPECT_NEAR(HorizontalAngle(0, 1), 300.0000015, 5e-8);
    EXPECT_GT(HorizontalAngle(0, 1) - 300.0, 1e-6);
    EXPECT_NEAR(HorizontalAngle(0, -1), 99.9999985, 5e-8);
    EXPECT_NEAR(HorizontalAngle(-1, 0), 200.0000030, 5e-8);
    EXPECT_NEAR(HorizontalAngle(1, 1), 350.0000007, 5e-8);
    EXPECT_EQ(HorizontalAngle(0, 0), 0.0);
}

TEST(AngleRules, ZenithAngles) {
    EXPECT_EQ(ZenithAngle(0, 5), 100.0);
    EXPECT_EQ(ZenithAngle(0, 0), 100.0);
    EXPECT_NEAR(ZenithAngle(1, 0), 0.0000015, 5e-8);
    EXPECT_NEAR(ZenithAngle(-1, 0), 199.9999985, 5e-8);
    EXPECT_LT(ZenithAngle(1, 10), 100.0);  // above the station
    EXPECT_GT(ZenithAngle(-1, 10), 100.0); // below
}

TEST(AngleUnits, ConversionsUseThePiConvention) {
    EXPECT_DOUBLE_EQ(GonToRad(100), 1.57079635);
    EXPECT_NE(GonToRad(100), M_PI / 2);
    for (double g : {0.0, 0.0001, 37.123456789, 100.0, 299.9999, 399.99999})
        EXPECT_NEAR(RadToGon(GonToRad(g)), g, 1e-12) << g;
}

// The frame matrix against the product Mz(z) My(y) Mx(x) formed here from the three plain
// rotations, and its orthonormality.
TEST(StationFrame, IsTheProductOfTheThreeRotations) {
    const double xg = 12.5, yg = -31.25, zg = 271.0;
    const double x = GonToRad(xg), y = GonToRad(yg), z = GonToRad(zg);
    const double Mx[3][3] = {{1, 0, 0}, {0, std::cos(x), std::sin(x)}, {0, -std::sin(x), std::cos(x)}};
    const double My[3][3] = {{std::cos(y), 0, -std::sin(y)}, {0, 1, 0}, {std::sin(y), 0, std::cos(y)}};
    const double Mz[3][3] = {{std::cos(z), std::sin(z), 0}, {-std::sin(z), std::cos(z), 0}, {0, 0, 1}};
    double yx[3][3] = {}, m[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                yx[i][j] += My[i][k] * Mx[k][j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i][j] += Mz[i][k] * yx[k][j];
    StationFrame f(xg, yg, zg);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(f.m[i][j], m[i][j], 1e-15) << i << j;
            double dot = 0;
            for (int k = 0; k < 3; ++k)
                dot += f.m[i][k] * f.m[j][k];
            EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-15);
        }
}

TEST(StationFrame, RotatedStations) {
    double h, v;
    // Turned by 100 gon about z: grid +y lies along the instrument's +x (off by the 1.5e-6 gon of
    // the pi convention).
    StationFrame(0, 0, 100).Angles(0, 10, 0, h, v);
    EXPECT_LT(CircularGap(h, 0), 2e-6);
    EXPECT_NEAR(v, 100, 1e-6);
    // Turned by 100 gon about y: a level target along grid +x is seen at the zenith (d'.z = sy dx),
    // turned by -100 at the nadir.
    StationFrame(0, 100, 0).Angles(10, 0, 0, h, v);
    EXPECT_NEAR(v, 0, 1e-5);
    StationFrame(0, -100, 0).Angles(10, 0, 0, h, v);
    EXPECT_NEAR(v, 200, 1e-5);
    // Turned about x: grid +y tips down (d'.z = -sx dy).
    StationFrame(100, 0, 0).Angles(0, 10, 0, h, v);
    EXPECT_NEAR(v, 200, 1e-5);
}

// A bar's ends are one bar length apart whatever its angles, lie on the axis (az, va), and a level
// bar (va = 100) is placed in the horizontal plane of its centre.
TEST(ScaleBar, EndsAreOneBarLengthApartAtAnyVerticalAngle) {
    SCALEBAR bar{};
    bar.xReal = 10;
    bar.yReal = 20;
    bar.zReal = 30;
    bar.length = 2.5;
    for (int va : {0, 1, 37, 100, 150, 200, 333})
        for (int az : {0, 50, 123, 300, 399}) {
            bar.azimuth = az;
            bar.vertAngle = va;
            Vec3 l, r;
            ScaleBarEnds(bar, l, r);
            const double dx = l.x - r.x, dy = l.y - r.y, dz = l.z - r.z;
            EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 2.5, 1e-12) << az << " " << va;
            EXPECT_NEAR(0.5 * (l.x + r.x), 10, 1e-12);
            EXPECT_NEAR(0.5 * (l.z + r.z), 30, 1e-12);
        }
    bar.azimuth = 100;
    bar.vertAngle = 100;
    Vec3 l, r;
    ScaleBarEnds(bar, l, r);
    EXPECT_NEAR(l.x, 11.25, 1e-12); // sin(100 gon) = 1: the end lies along +x
    EXPECT_NEAR(l.y, 20, 1e-7);
    EXPECT_NEAR(l.z, 30, 1e-7);
    // Vertical bar: both ends straight above and below the centre.
    bar.vertAngle = 0;
    ScaleBarEnds(bar, l, r);
    EXPECT_NEAR(l.x, 10, 1e-12);
    EXPECT_NEAR(l.z, 31.25, 1e-12);
    EXPECT_NEAR(r.z, 28.75, 1e-12);
}
