// Verification by simulation on the example project: the time for 1,000 realisations (target under
// 10 s on the machine), and the time at 250, 500 and 1,000 of them: doubling the realisations at most
// doubles the time (the check is linear in the samples, after an analysis done once). The tables are built
// once through the program's own Calculate path; only the check is timed.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <thread>

#include "adjustment/kivoMDIClient.h"
#include "bench_support.h"
#include "engine/project.h"
#include "engine/verification.h"

using namespace kivo;

namespace {

std::unique_ptr<project> tables;
std::map<int, double> best; // samples -> fastest seconds

void Check(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    eng::VerificationOptions o;
    o.samples = samples;
    for (auto _ : state) {
        const eng::Verification v = eng::verifyBySimulation(*tables, o);
        if (!v.ok) {
            state.SkipWithError(v.why.c_str());
            return;
        }
        auto& b = best.try_emplace(samples, std::numeric_limits<double>::max()).first->second;
        b = std::min(b, v.seconds);
    }
}
BENCHMARK(Check)->Arg(250)->Arg(500)->Arg(1000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = bench::ScratchDir("kivo-bench-verification");
    benchmark::Initialize(&argc, argv);
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", dir / "PLANT.SIM",
                               std::filesystem::copy_options::overwrite_existing);
    kivoMDIClient doc;
    doc.OpenName = (dir / "PLANT.SIM").string();
    doc.CreateMemory();
    if (!doc.ReadSimFile()) {
        std::fprintf(stderr, "cannot read the example project\n");
        return 1;
    }
    doc.RunSimulation();
    tables = std::make_unique<project>(nullptr, "");
    doc.pproject = tables.get();
    const int rc = doc.wsimmavo();
    doc.pproject = nullptr;
    if (rc != 0) {
        std::fprintf(stderr, "the example's adjustment failed (%d)\n", rc);
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!best.count(1000)) return 1;

    std::printf("\nVerification by simulation on the example (wall clock, %u hardware threads):\n",
                std::thread::hardware_concurrency());
    bench::Report("1,000 realisations on the example", best[1000], 10.0);
    for (const auto& [samples, seconds] : best)
        std::printf("  %5d realisations  %7.3f s   %6.3f ms per realisation\n", samples, seconds,
                    1000.0 * seconds / samples);
    // The analysis and the prediction come once: the growth is judged between the larger runs.
    std::printf("  growth from 500 to 1,000 realisations: x%.2f (linear: x2 at most)\n",
                best[1000] / best[500]);
    return best[1000] < 10.0 ? 0 : 1;
}
