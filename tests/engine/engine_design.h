#pragma once
// Test networks for the engine: a design (stations, targets, sightings) turned into a filled
// project, with observation values from an independent implementation of the simulation's rules.

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/mavo.h"
#include "engine/project.h"

namespace kivo::test {

inline double gon2rad(double g) {
    return static_cast<double>(static_cast<long double>(g) * 3.1415927L * 0.005L);
}
inline double rad2gon(double r) {
    return static_cast<double>(static_cast<long double>(r) * 200.0L * 0.31830988148145367L);
}

struct DStation {
    std::string name;
    double x[3];
    double rotGon[3];
    int d[6];
    double sx[6];
};
struct DTarget {
    std::string name;
    double x[3];
    int d[3];
    double sx[3];
};
struct DObs {
    int sel;
    std::string from, to;
    double sval;
    double value = NAN; // NAN: the ideal value
};

class Design {
public:
    std::vector<DStation> sta;
    std::vector<DTarget> tar;
    std::vector<DObs> obs;
    int dim = 3;

    void station(const std::string& n, double x, double y, double z, double rx = 0, double ry = 0,
                 double rz = 0, int status = 1) {
        DStation s{n, {x, y, z}, {rx, ry, rz}, {status, status, status, status, status, status}, {}};
        sta.push_back(s);
    }
    void target(const std::string& n, double x, double y, double z, int status = 1) {
        tar.push_back(DTarget{n, {x, y, z}, {status, status, status}, {}});
    }
    // Direction and zenith angle from station s to element t.
    void sight(const std::string& s, const std::string& t, double sdGon) {
        obs.push_back({4, s, t, sdGon});
        obs.push_back({5, s, t, sdGon});
    }
    void distance(const std::string& a, const std::string& b, double sd) { obs.push_back({1, a, b, sd}); }
    void heightDiff(const std::string& a, const std::string& b, double sd) { obs.push_back({3, a, b, sd}); }

    const double* pos(const std::string& n) const {
        for (const auto& s : sta)
            if (s.name == n) return s.x;
        for (const auto& t : tar)
            if (t.name == n) return t.x;
        return nullptr;
    }
    const DStation* findStation(const std::string& n) const {
        for (const auto& s : sta)
            if (s.name == n) return &s;
        return nullptr;
    }

    // The simulation's rules: d' = Mz My Mx d, horizontal-angle and zenith-angle rules in gon.
    double ideal(const DObs& o) const {
        const double* p1 = pos(o.from);
        const double* p2 = pos(o.to);
        if (!p1 || !p2) return 0.0; // an unknown name: the engine must leave it out
        const double d[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
        if (o.sel == 1) return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (o.sel == 3) return p1[2] - p2[2];
        const DStation* s = findStation(o.from);
        if (!s) return 0.0; // not from a station: the engine must leave it out
        const double x = gon2rad(s->rotGon[0]), y = gon2rad(s->rotGon[1]), z = gon2rad(s->rotGon[2]);
        const double mx[3][3] = {{1, 0, 0}, {0, std::cos(x), std::sin(x)}, {0, -std::sin(x), std::cos(x)}};
        const double my[3][3] = {{std::cos(y), 0, -std::sin(y)}, {0, 1, 0}, {std::sin(y), 0, std::cos(y)}};
        const double mz[3][3] = {{std::cos(z), std::sin(z), 0}, {-std::sin(z), std::cos(z), 0}, {0, 0, 1}};
        double myx[3][3] = {}, m[3][3] = {};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    myx[i][j] += my[i][k] * mx[k][j];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    m[i][j] += mz[i][k] * myx[k][j];
        double q[3];
        for (int i = 0; i < 3; ++i)
            q[i] = m[i][0] * d[0] + m[i][1] * d[1] + m[i][2] * d[2];
        if (o.sel == 4) {
            const double a = (q[0] == 0 && q[1] == 0) ? 0.0 : rad2gon(std::atan2(q[1], q[0]));
            return a > 0 ? 400 - a : std::fabs(a);
        }
        const double sh = std::sqrt(q[0] * q[0] + q[1] * q[1]);
        const double e = (q[2] == 0 && sh == 0) ? 0.0 : rad2gon(std::atan2(q[2], sh));
        return e > 0 ? 100 - e : std::fabs(e) + 100;
    }

    // Fills a project; with rng, every observation gets Gaussian noise of its std dev.
    std::unique_ptr<project> build(const std::string& file, std::mt19937* rng = nullptr) const {
        auto p = std::make_unique<project>(nullptr, file.c_str());
        p->istat = -2;
        p->dim = dim;
        int n[6] = {};
        for (const auto& o : obs)
            ++n[o.sel];
        p->projectalloc(static_cast<int>(sta.size()), static_cast<int>(tar.size()), n[1], n[3], n[4], n[5], 0,
                        0);
        for (std::size_t i = 0; i < sta.size(); ++i) {
            edit_sta& e = p->sta[i];
            std::strncpy(e.nam, sta[i].name.c_str(), 15);
            e.sel = 1;
            for (int k = 0; k < 3; ++k)
                e.x[k] = sta[i].x[k];
            for (int k = 0; k < 3; ++k)
                e.x[3 + k] = gon2rad(sta[i].rotGon[k]);
            for (int k = 0; k < 6; ++k)
                e.d[k] = sta[i].d[k], e.sx[k] = sta[i].sx[k];
            e.d[6] = e.d[7] = -1;
        }
        for (std::size_t j = 0; j < tar.size(); ++j) {
            edit_tar& e = p->tar[j];
            std::strncpy(e.nam, tar[j].name.c_str(), 15);
            e.sel = 1;
            for (int k = 0; k < 3; ++k)
                e.x[k] = tar[j].x[k], e.d[k] = tar[j].d[k], e.sx[k] = tar[j].sx[k];
        }
        int at[6] = {};
        std::normal_distribution<double> g(0.0, 1.0);
        for (const auto& o : obs) {
            edit_mes* table = o.sel == 1   ? p->alldist
                              : o.sel == 3 ? p->alldifh
                              : o.sel == 4 ? p->alldir1
                                           : p->alldir2;
            edit_mes& m = table[at[o.sel]++];
            m.sel = o.sel;
            std::strncpy(m.nam1, o.from.c_str(), 15);
            std::strncpy(m.nam2, o.to.c_str(), 15);
            m.val = std::isnan(o.value) ? ideal(o) : o.value;
            if (rng) m.val += o.sval * g(*rng);
            m.sval = o.sval;
        }
        return p;
    }
};

// A small plant network: four stations around eight targets at two heights, every target sighted
// from every station, one scale bar (two targets and their distance). Stations free, rotations
// non-zero, so the datum is free (defect 6; 7 without the scale bar distance).
inline Design plantNetwork(bool withDistance = true, double sdGon = 0.0005, double sdDist = 0.0001) {
    Design d;
    d.station("1_1", 0, 0, 1.5, 0.02, -0.01, 37.0);
    d.station("2_1", 20, 0, 1.6, -0.015, 0.01, 133.0);
    d.station("3_1", 20, 15, 1.4, 0.01, 0.02, 251.0);
    d.station("4_1", 0, 15, 1.5, 0.0, -0.02, 322.0);
    const double tp[8][3] = {{5, 4, 0.5},  {10, 3, 3.0}, {15, 5, 0.8}, {14, 11, 2.5},
                             {9, 12, 0.2}, {4, 10, 2.8}, {8, 7, 1.2},  {12, 8, 2.0}};
    for (int j = 0; j < 8; ++j)
        d.target("P" + std::to_string(j + 1), tp[j][0], tp[j][1], tp[j][2]);
    d.target("SBR", 9.5, 6.0, 1.0);
    d.target("SBL", 10.5, 6.0, 1.0);
    for (const auto& s : {"1_1", "2_1", "3_1", "4_1"}) {
        for (int j = 0; j < 8; ++j)
            d.sight(s, "P" + std::to_string(j + 1), sdGon);
        d.sight(s, "SBR", sdGon);
        d.sight(s, "SBL", sdGon);
    }
    if (withDistance) d.distance("SBL", "SBR", sdDist);
    return d;
}

// Runs both phases; returns mavoL2err's code, or mavostart's when it failed.
inline int runEngine(mavo& m) {
    const int a = m.mavostart();
    if (a < 0) return a;
    return m.mavoL2err();
}

} // namespace kivo::test
