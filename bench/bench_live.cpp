// Live precision: how many times per second the ellipses of the whole network follow one station
// that moves, on the example project and on a generated network of 10 stations x 2,000 targets.
// The tables are built once through the program's own Calculate path; only the engine's update is
// timed (the simulation of ideal observations is not part of it: the ellipses depend on the
// geometry only). Targets: at least 20 updates per second on the example, 8 on the generated one.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "bench_support.h"
#include "engine/live.h"
#include "engine/project.h"
#include "plant_network.h"

using namespace kivo;

namespace {

struct Case {
    std::unique_ptr<kivoMDIClient> doc;
    std::unique_ptr<project> tables;
    eng::LivePrecision live;
    double x[3] = {};
    std::string what;
    double target = 0;
    double rate = 0;
    double deviation = 0; // largest difference of a semi-axis to the full run, relative to the largest
    std::vector<std::pair<std::string, double>> phases;
};

// The engine tables as Calculate hands them over, then the live setup on them.
bool Prepare(Case& c) {
    c.doc->RunSimulation();
    c.tables = std::make_unique<project>(nullptr, c.doc->OpenName.c_str());
    c.doc->pproject = c.tables.get();
    const int rc = c.doc->wsimmavo();
    c.doc->pproject = nullptr;
    if (rc != 0) {
        std::fprintf(stderr, "%s: the full run failed (%d)\n", c.what.c_str(), rc);
        return false;
    }
    if (!c.live.setup(*c.tables)) {
        std::fprintf(stderr, "%s: live setup failed: %s\n", c.what.c_str(), c.live.why().c_str());
        return false;
    }
    for (int k = 0; k < 3; ++k)
        c.x[k] = c.tables->sta[0].x[k];
    // How far the live ellipses at the table positions are from the full run's (which iterates to
    // the adjusted coordinates: the rounded point directions move them slightly).
    result r;
    c.live.fill(r);
    const result& f = *c.tables->runresults;
    double scale = 0.0;
    for (double v : f.major12)
        scale = std::max(scale, v);
    for (std::size_t i = 0; i < f.major12.size() && i < r.major12.size(); ++i)
        for (auto [a, b] : {std::pair{&f.major12, &r.major12}, std::pair{&f.minor12, &r.minor12},
                            std::pair{&f.major13, &r.major13}, std::pair{&f.minor13, &r.minor13},
                            std::pair{&f.major23, &r.major23}, std::pair{&f.minor23, &r.minor23}})
            c.deviation = std::max(c.deviation, std::fabs((*a)[i] - (*b)[i]) / scale);
    return true;
}

// Station 0 moves on a small circle, a new position each update.
void Updates(benchmark::State& state, Case* c) {
    int n = 0, refused = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const double a = 0.05 * n++;
        eng::LivePrecision::Position p;
        p.element = 0;
        p.x[0] = c->x[0] + 0.5 * std::cos(a);
        p.x[1] = c->x[1] + 0.5 * std::sin(a);
        p.x[2] = c->x[2];
        if (c->live.update({p}) != eng::LivePrecision::Status::Ok) ++refused;
    }
    if (refused) state.SkipWithError("an update was refused");
    state.counters["updates/s"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsRate);
    // The last run is the measured one: its wall-clock rate is the figure.
    c->rate =
        n / std::max(1e-9, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    c->phases = c->live.timings();
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = bench::ScratchDir("kivo-bench-live");
    benchmark::Initialize(&argc, argv);

    Case example, generated;
    example.what = "example project PLANT.SIM";
    example.target = 20;
    example.doc = std::make_unique<kivoMDIClient>();
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", dir / "PLANT.SIM",
                               std::filesystem::copy_options::overwrite_existing);
    example.doc->OpenName = (dir / "PLANT.SIM").string();
    example.doc->CreateMemory();
    if (!example.doc->ReadSimFile()) {
        std::fprintf(stderr, "cannot read the example project\n");
        return 1;
    }
    generated.what = "10 stations x 2,000 targets";
    generated.target = 8;
    generated.doc = std::make_unique<kivoMDIClient>();
    bench::BuildPlant(*generated.doc, 10, 2000);
    generated.doc->OpenName = (dir / "GEN.SIM").string();
    if (!Prepare(example) || !Prepare(generated)) return 1;

    for (Case* c : {&example, &generated})
        benchmark::RegisterBenchmark(("live/" + c->what).c_str(), Updates, c)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond)
            ->MinTime(2.0);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nLive precision, one station moving (wall clock, %u hardware threads):\n",
                std::thread::hardware_concurrency());
    bool met = true;
    for (const Case* c : {&example, &generated}) {
        std::printf("  %-34s %7.1f updates/s   target >= %.0f/s   %s\n", c->what.c_str(), c->rate, c->target,
                    c->rate >= c->target ? "met" : "MISSED");
        std::printf("      semi-axes at the table positions within %.1e (relative) of the full run's\n",
                    c->deviation);
        std::printf("      last update:");
        for (const auto& [name, seconds] : c->phases)
            std::printf(" %s %.4f s", name.c_str(), seconds);
        std::printf("\n");
        met = met && c->rate >= c->target;
    }
    return met ? 0 : 1;
}
