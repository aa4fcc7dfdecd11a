// Import of a target file with 20 theodolites, 10,000 points and 200,000 observation lines.
// Target: under 2 s.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "bench_support.h"

using namespace kivo;

namespace {

constexpr int kTheos = 20, kPoints = 10000, kBars = 50, kObsLines = 200000;
double best = std::numeric_limits<double>::max();

std::string MakeTargetFile(const std::string& dir) {
    std::string path = dir + "/BIG.TRG";
    std::FILE* f = std::fopen(path.c_str(), "w");
    for (int t = 0; t < kTheos; ++t)
        std::fprintf(f, "THEO T%d %d %d %.3f FIX %.3f FIX %.3f FIX 0 APX 0 APX %d UNK\n", t, t / 10, t % 10,
                     10.0 + 20 * t, 5.0 + (t % 3) * 200, 2.0, (t * 37) % 400);
    for (int p = 0; p < kPoints; ++p)
        std::fprintf(f, "POINT P%d %.4f %s %.4f UNK %.4f UNK\n", p, 50 + (p % 100) * 4.0,
                     p < 10 ? "FIX" : "APX", 50 + (p / 100) * 4.0, 1.0 + (p % 7) * 0.5);
    for (int b = 0; b < kBars; ++b)
        std::fprintf(f, "SCALE B%d %d %d 1.5 2.0 %d 100\n", b, 100 + b, 200, b * 8);
    int lines = 0;
    auto obs = [&](const char* kw, const std::string& a, const std::string& b) {
        if (lines < kObsLines) std::fprintf(f, "%s %s %s\n", kw, a.c_str(), b.c_str()), ++lines;
    };
    for (int t = 0; t < kTheos; ++t)
        for (int u = 0; u < kTheos; ++u)
            if (u != t) obs("COLL", "T" + std::to_string(t), "T" + std::to_string(u));
    for (int t = 0; t < kTheos; ++t)
        for (int b = 0; b < kBars; ++b)
            obs("SDIR", "T" + std::to_string(t), "B" + std::to_string(b));
    for (int p = 0; p < kPoints; ++p) {
        obs("PTDIST", "P" + std::to_string(p), "P" + std::to_string((p + 1) % kPoints));
        obs("PTHDIF", "P" + std::to_string(p), "P" + std::to_string((p + 7) % kPoints));
    }
    for (int k = 0; lines < kObsLines; ++k) {
        const std::string t = "T" + std::to_string(k % kTheos), p = "P" + std::to_string((k * 13) % kPoints);
        obs(k % 4 == 0 ? "DIST" : k % 4 == 1 ? "HDIF" : "PDIR", t, p);
    }
    std::fclose(f);
    return path;
}

void BM_ImportTargetFile(benchmark::State& state) {
    const std::string dir = kivo::bench::ScratchDir("kivo-bench-import");
    const std::string path = MakeTargetFile(dir);
    for (auto _ : state) {
        state.PauseTiming();
        kivoMDIClient doc;
        doc.CreateMemory();
        doc.xMax = doc.yMax = doc.zMax = 1000;
        doc.SetWindowParms();
        doc.ImportName = path;
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        doc.ReadTargetFile();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (doc.lastImport.skipped != 0) state.SkipWithError("lines were skipped");
        state.counters["points"] = doc.nNumPoints;
        state.counters["imported"] = doc.lastImport.imported;
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ImportTargetFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kivo::bench::Report("import 20 theos, 10,000 points, 200,000 obs lines", best, 2.0);
    return 0;
}
