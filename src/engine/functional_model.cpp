#include "engine/functional_model.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kivo::eng {

// The simulation multiplies in extended precision and rounds once to double.
double gonToRad(double gon) {
    return static_cast<double>(static_cast<long double>(gon) * 3.1415927L * 0.005L);
}
double radToGon(double rad) {
    return static_cast<double>(static_cast<long double>(rad) * 200.0L * 0.31830988148145367L);
}

namespace {
constexpr double kRho = 200.0 * 0.31830988148145367; // gon per radian (with 3.1415927)

// A station's frame is needed for each of its sightings, in every pass over the observations: a
// small cache keyed by the exact bits of the rotations spares the sines and cosines (the same
// rotations give the same frame, so nothing changes in the figures).
struct CachedFrame {
    double rot[3];
    double m[9];
    double dm[3][9];
    bool valid = false;
};

// The frame stays in the cache until the calling thread's next call.
const CachedFrame& frameOf(const double rot[3]) {
    thread_local std::array<CachedFrame, 256> cache;
    std::uint64_t bits[3];
    std::memcpy(bits, rot, sizeof bits);
    const std::uint64_t h = (bits[0] * 0x9E3779B97F4A7C15ull) ^ (bits[1] * 0xC2B2AE3D27D4EB4Full) ^
                            (bits[2] * 0x165667B19E3779F9ull);
    CachedFrame& e = cache[h >> 56];
    if (!e.valid || std::memcmp(e.rot, rot, sizeof e.rot) != 0) {
        stationFrame(rot, e.m, e.dm);
        std::memcpy(e.rot, rot, sizeof e.rot);
        e.valid = true;
    }
    return e;
}
} // namespace

void stationFrame(const double rot[3], double m[9], double dm[3][9]) {
    const double cx = std::cos(rot[0]), sx = std::sin(rot[0]);
    const double cy = std::cos(rot[1]), sy = std::sin(rot[1]);
    const double cz = std::cos(rot[2]), sz = std::sin(rot[2]);
    // Rows of M = Mz My Mx (the simulation's table).
    const double mm[9] = {cy * cz,
                          sx * sy * cz + cx * sz,
                          sx * sz - cx * sy * cz,
                          -cy * sz,
                          cx * cz - sx * sy * sz,
                          sx * cz + cx * sy * sz,
                          sy,
                          -sx * cy,
                          cx * cy};
    for (int i = 0; i < 9; ++i)
        m[i] = mm[i];
    // d/drx
    const double ddx[9] = {0.0,
                           cx * sy * cz - sx * sz,
                           cx * sz + sx * sy * cz,
                           0.0,
                           -sx * cz - cx * sy * sz,
                           cx * cz - sx * sy * sz,
                           0.0,
                           -cx * cy,
                           -sx * cy};
    // d/dry
    const double ddy[9] = {-sy * cz,     sx * cy * cz, -cx * cy * cz, sy * sz, -sx * cy * sz,
                           cx * cy * sz, cy,           sx * sy,       -cx * sy};
    // d/drz
    const double ddz[9] = {-cy * sz,
                           -sx * sy * sz + cx * cz,
                           sx * cz + cx * sy * sz,
                           -cy * cz,
                           -cx * sz - sx * sy * cz,
                           -sx * sz + cx * sy * cz,
                           0.0,
                           0.0,
                           0.0};
    for (int i = 0; i < 9; ++i) {
        dm[0][i] = ddx[i];
        dm[1][i] = ddy[i];
        dm[2][i] = ddz[i];
    }
}

double reduceGon(double diff) {
    if (diff > -200.0 && diff <= 200.0) return diff; // what the rule below gives, without the division
    double r = std::fmod(diff, 400.0);
    if (r > 200.0) r -= 400.0;
    if (r <= -200.0) r += 400.0;
    return r;
}

bool evaluate(Kind k, const double p1[6], const double p2[3], double& value, double d1[6], double d2[3],
              double observed) {
    for (int i = 0; i < 6; ++i)
        d1[i] = 0.0;
    for (int i = 0; i < 3; ++i)
        d2[i] = 0.0;
    const double d[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    switch (k) {
    case Kind::Distance: {
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (!(len > 0.0)) return false;
        value = len;
        for (int i = 0; i < 3; ++i) {
            d2[i] = d[i] / len;
            d1[i] = -d2[i];
        }
        return true;
    }
    case Kind::HeightDiff:
        value = p1[2] - p2[2];
        d1[2] = 1.0;
        d2[2] = -1.0;
        return true;
    case Kind::Direction:
    case Kind::Zenith: {
        const CachedFrame& frame = frameOf(p1 + 3);
        const double* const m = frame.m;
        const double(*const dm)[9] = frame.dm;
        double q[3]; // d' = M d
        for (int r = 0; r < 3; ++r)
            q[r] = m[3 * r] * d[0] + m[3 * r + 1] * d[1] + m[3 * r + 2] * d[2];
        const double s2 = q[0] * q[0] + q[1] * q[1];
        const double s = std::sqrt(s2);
        if (!(s > 0.0)) return false;
        double g[3]; // derivative of the value by d'
        if (k == Kind::Direction) {
            // a = atan2(d'.y, d'.x) in gon; h = 400 - a for a > 0, else |a|: h = -a modulo 400.
            double theta = std::atan2(q[1], q[0]);
            if (observed >= 100.0 && observed <= 300.0) {
                // Near 200 gon: stay on the observation's branch (a > 0 gives values above 200).
                constexpr double kTwoPi = 6.283185307179586;
                if (observed > 200.0 && theta < 0.0) theta += kTwoPi;
                if (observed <= 200.0 && theta > 0.0) theta -= kTwoPi;
            }
            const double a = radToGon(theta);
            value = a > 0.0 ? 400.0 - a : std::fabs(a);
            g[0] = kRho * q[1] / s2;
            g[1] = -kRho * q[0] / s2;
            g[2] = 0.0;
        } else {
            // e = atan2(d'.z, s') in gon; v = 100 - e (both branches of the rule).
            const double e = radToGon(std::atan2(q[2], s));
            value = e > 0.0 ? 100.0 - e : std::fabs(e) + 100.0;
            const double r2 = s2 + q[2] * q[2];
            g[0] = kRho * q[2] * q[0] / (s * r2);
            g[1] = kRho * q[2] * q[1] / (s * r2);
            g[2] = -kRho * s / r2;
        }
        // df/dP2 = g^T M, df/dP1 = -g^T M, df/dr_k = g^T dM_k d.
        for (int c = 0; c < 3; ++c) {
            const double v = g[0] * m[c] + g[1] * m[3 + c] + g[2] * m[6 + c];
            d2[c] = v;
            d1[c] = -v;
        }
        for (int kk = 0; kk < 3; ++kk) {
            double acc = 0.0;
            for (int r = 0; r < 3; ++r)
                acc += g[r] * (dm[kk][3 * r] * d[0] + dm[kk][3 * r + 1] * d[1] + dm[kk][3 * r + 2] * d[2]);
            d1[3 + kk] = acc;
        }
        return true;
    }
    case Kind::Pseudo:
        break;
    }
    return false;
}

} // namespace kivo::eng
