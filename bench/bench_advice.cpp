// Design advice: the ranking of every missing sighting (on the example project and on a generated
// network of 10 stations x 2,000 targets) and the 40 x 40 station heat map of the example, both on
// the tables a Calculate leaves. Targets: the ranking in a fraction of a second (0.5 s), the heat
// map in a few seconds (3 s) on this 2-core machine.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "adjustment/design_advice.h"
#include "adjustment/kivoMDIClient.h"
#include "bench_support.h"
#include "plant_network.h"

using namespace kivo;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Advise(benchmark::State& state, kivoMDIClient* doc) {
    std::size_t n = 0;
    for (auto _ : state)
        n += SuggestSightings(*doc, 20).ranked.size();
    benchmark::DoNotOptimize(n);
}

void HeatMap(benchmark::State& state, kivoMDIClient* doc) {
    for (auto _ : state) {
        const StationField f = PrepareStationField(*doc, 0.0, 40, 40).run(nullptr, {});
        benchmark::DoNotOptimize(f.best);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = bench::ScratchDir("kivo-bench-advice");
    benchmark::Initialize(&argc, argv);

    kivoMDIClient example, generated;
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", dir / "PLANT.SIM",
                               std::filesystem::copy_options::overwrite_existing);
    example.OpenName = (dir / "PLANT.SIM").string();
    example.CreateMemory();
    if (!example.ReadSimFile()) {
        std::fprintf(stderr, "cannot read the example project\n");
        return 1;
    }
    bench::BuildPlant(generated, 10, 2000);
    generated.OpenName = (dir / "GEN.SIM").string();
    for (kivoMDIClient* d : {&example, &generated}) {
        d->CmCalculate();
        if (d->lastCalculateResult != 0) {
            std::fprintf(stderr, "Calculate failed (%d)\n", d->lastCalculateResult);
            return 1;
        }
    }

    benchmark::RegisterBenchmark("advise/example PLANT.SIM", Advise, &example)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("advise/10 stations x 2,000 targets", Advise, &generated)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("heatmap/example PLANT.SIM 40 x 40", HeatMap, &example)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    benchmark::RunSpecifiedBenchmarks();

    auto t0 = std::chrono::steady_clock::now();
    const SightingAdviceResult a = SuggestSightings(example, 20);
    bench::Report("suggest sightings, example PLANT.SIM", Seconds(t0), 0.5);
    t0 = std::chrono::steady_clock::now();
    const SightingAdviceResult g = SuggestSightings(generated, 20);
    bench::Report("suggest sightings, 10 stations x 2,000 targets", Seconds(t0), 0.5);
    t0 = std::chrono::steady_clock::now();
    const std::clock_t cpu0 = std::clock();
    const StationField f = PrepareStationField(example, 0.0, 40, 40).run(nullptr, {});
    bench::Report("station heat map 40 x 40, example PLANT.SIM", Seconds(t0), 3.0);
    // The machine is shared: the processor time says what the map costs when it has both cores.
    std::printf("  (processor time %.3f s over 2 threads)\n", double(std::clock() - cpu0) / CLOCKS_PER_SEC);
    if (!a.ok || !g.ok || !f.ok) {
        std::fprintf(stderr, "advice failed: %s %s %s\n", a.why.c_str(), g.why.c_str(), f.why.c_str());
        return 1;
    }
    std::printf("example: worst %s %.4g, best sighting gain %.4g; heat map best %.4g of %.4g now\n",
                a.worst.c_str(), a.worstAxis, a.ranked.empty() ? 0.0 : a.ranked.front().gain, f.best,
                f.current);
    benchmark::Shutdown();
    return 0;
}
