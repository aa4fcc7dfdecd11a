// Engine speed on a generated plant network: 50 stations on a ring around the plant, targets
// spread through it, each target sighted from 6 stations (direction and zenith angle), 4 scale
// bars, some station-to-target distances, free datum. Prints the time of each phase, the growth
// from 1,000 to 20,000 targets and the peak memory, beside the goals (whole run < 2 s, < 1 GB).

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <Eigen/Dense>

#include "engine/functional_model.h"
#include "engine/mavo.h"
#include "engine/network.h"
#include "engine/project.h"

namespace {

struct Obs {
    int sel;
    int from, to; // element indices: stations first, then targets
};

std::unique_ptr<kivo::project> plant(int nsta, int ntar, const std::string& file) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> ux(-80, 80), uz(0, 25), rot(-0.05, 0.05);
    std::vector<std::array<double, 6>> el(nsta + ntar);
    for (int i = 0; i < nsta; ++i) {
        const double a = 2 * M_PI * i / nsta;
        el[i] = {110 * std::cos(a), 110 * std::sin(a), 1.5 + (i % 3) * 5.0, rot(rng), rot(rng), rot(rng) + a};
    }
    for (int j = 0; j < ntar; ++j)
        el[nsta + j] = {ux(rng), ux(rng), uz(rng), 0, 0, 0};
    // Scale bars: the first 8 targets are the ends of 4 bars of 2 m.
    for (int b = 0; b < 4; ++b) {
        auto& r = el[nsta + 2 * b];
        auto& l = el[nsta + 2 * b + 1];
        l = r;
        l[0] += 2.0;
    }
    std::vector<Obs> dirs, dists;
    std::uniform_int_distribution<int> us(0, nsta - 1);
    for (int j = 0; j < ntar; ++j) {
        // Six distinct stations, spread around the ring.
        const int first = us(rng);
        for (int k = 0; k < 6; ++k)
            dirs.push_back({4, (first + k * nsta / 6) % nsta, nsta + j});
    }
    for (int b = 0; b < 4; ++b)
        dists.push_back({1, nsta + 2 * b + 1, nsta + 2 * b});
    for (int k = 0; k < 20; ++k)
        dists.push_back({1, k % nsta, nsta + 8 + 37 * k % (ntar - 8)});

    auto p = std::make_unique<kivo::project>(nullptr, file.c_str());
    p->dim = 3;
    p->projectalloc(nsta, ntar, static_cast<int>(dists.size()), 0, static_cast<int>(dirs.size()),
                    static_cast<int>(dirs.size()), 0, 0);
    for (int i = 0; i < nsta + ntar; ++i) {
        char name[16];
        if (i < nsta)
            std::snprintf(name, sizeof name, "%d_1", i + 1);
        else
            std::snprintf(name, sizeof name, "P%d", i - nsta + 1);
        if (i < nsta) {
            std::strcpy(p->sta[i].nam, name);
            p->sta[i].sel = 1;
            for (int k = 0; k < 6; ++k)
                p->sta[i].x[k] = el[i][k], p->sta[i].d[k] = 1;
            p->sta[i].d[6] = p->sta[i].d[7] = -1;
        } else {
            auto& t = p->tar[i - nsta];
            std::strcpy(t.nam, name);
            t.sel = 1;
            for (int k = 0; k < 3; ++k)
                t.x[k] = el[i][k], t.d[k] = 1;
        }
    }
    auto nameOf = [&](int i) { return i < nsta ? p->sta[i].nam : p->tar[i - nsta].nam; };
    auto fill = [&](kivo::edit_mes& m, int sel, int a, int b, double sd) {
        m.sel = sel;
        std::strcpy(m.nam1, nameOf(a));
        std::strcpy(m.nam2, nameOf(b));
        double d1[6], d2[3];
        kivo::eng::evaluate(sel == 1   ? kivo::eng::Kind::Distance
                            : sel == 4 ? kivo::eng::Kind::Direction
                                       : kivo::eng::Kind::Zenith,
                            el[a].data(), el[b].data(), m.val, d1, d2);
        m.sval = sd;
    };
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        fill(p->alldir1[i], 4, dirs[i].from, dirs[i].to, 0.0003);
        fill(p->alldir2[i], 5, dirs[i].from, dirs[i].to, 0.0003);
    }
    for (std::size_t i = 0; i < dists.size(); ++i)
        fill(p->alldist[i], 1, dists[i].from, dists[i].to, 0.00005);
    return p;
}

long peakKiB() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main() {
    const char* file = "/tmp/kivo_bench_engine.SIM";
    std::printf(
        "Engine run on a plant network: 50 stations, 6 sightings per target, 4 scale bars, free datum\n\n");
    std::printf("%8s %9s %10s %8s", "targets", "unknowns", "obs", "defect");
    const char* phases[] = {
        "read tables", "configuration defects", "datum",  "iterations", "covariance blocks",
        "ellipses",    "redundancy numbers",    "listing"};
    const char* shortNames[] = {"read", "config", "datum", "iter", "cov", "ellip", "redund", "listing"};
    for (const char* s : shortNames)
        std::printf(" %8s", s);
    std::printf(" %9s\n", "total[s]");
    double t1000 = 0, t20000 = 0;
    for (int ntar : {1000, 2000, 5000, 10000, 20000}) {
        auto p = plant(50, ntar, file);
        const auto t0 = std::chrono::steady_clock::now();
        kivo::mavo m(p.get());
        const int a = m.mavostart();
        const int b = a < 0 ? a : m.mavoL2err();
        const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (b < 0) {
            std::printf("engine failed (%d): %s\n", b, m.summary().failure.c_str());
            return 1;
        }
        const auto& s = m.summary();
        std::printf("%8d %9d %10zu %8d", ntar, s.unknowns, s.observations.size(), s.defect);
        for (const char* ph : phases) {
            double v = 0;
            for (const auto& t : m.timings())
                if (t.first == ph) v = t.second;
            std::printf(" %8.3f", v);
        }
        std::printf(" %9.3f\n", total);
        if (ntar == 1000) t1000 = total;
        if (ntar == 20000) t20000 = total;
    }
    const long kib = peakKiB();
    std::printf("\nWhole engine run, 20,000 targets: %.3f s   (goal: under 2 s)\n", t20000);
    std::printf("Peak memory of this program:       %.0f MB  (goal: under 1024 MB)\n", kib / 1024.0);
    std::printf("Growth 1,000 -> 20,000 targets:    x%.1f for x20 targets (linear would be x20)\n",
                t20000 / t1000);

    // For comparison only: a dense Cholesky solve and inverse of the normal matrix of small sizes.
    std::printf("\nDense comparison (not used by the engine): factor and invert the full normal matrix\n");
    for (int ntar : {250, 500, 1000}) {
        auto p = plant(50, ntar, file);
        kivo::eng::Network net;
        net.read(*p);
        net.numberUnknowns();
        const int n = net.nparam;
        Eigen::MatrixXd N = Eigen::MatrixXd::Identity(n, n) * 1e-6; // datum regularised
        kivo::eng::Row r;
        for (int i = 0; i < static_cast<int>(net.obs.size()); ++i) {
            if (!net.linearize(i, r)) continue;
            for (int x = 0; x < r.n; ++x)
                for (int y = 0; y < r.n; ++y)
                    N(r.idx[x], r.idx[y]) += r.w * r.a[x] * r.a[y];
        }
        const auto t0 = std::chrono::steady_clock::now();
        Eigen::LLT<Eigen::MatrixXd> llt(N);
        Eigen::MatrixXd q = llt.solve(Eigen::MatrixXd::Identity(n, n));
        const double dense = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        kivo::mavo m(p.get());
        const auto t1 = std::chrono::steady_clock::now();
        m.mavostart();
        m.mavoL2err();
        const double sparse = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
        std::printf("  %5d targets, %5d unknowns: dense %.3f s, whole engine run %.3f s (ratio %.0f)\n", ntar,
                    n, dense, sparse, dense / sparse);
    }
    std::remove("/tmp/kivo_bench_engine.OUT");
    return 0;
}
