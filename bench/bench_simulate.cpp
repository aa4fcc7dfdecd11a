// Update Measurements (ideal and mean values) and Export over a network of 1,000,000
// observations. Targets: CmSimulate under 0.5 s, export under 2 s.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "bench_support.h"

using namespace kivo;

namespace {

constexpr int kTheos = 20, kPoints = 10000, kBars = 100;

// 20 stations x (10,000 point directions, distances and heights, 19 collimations, 100 bar
// directions) plus 10,000 point-to-point distances and heights: 1,000,380 observations.
// With `readings`, every declared direction and distance also gets two measured readings.
void BuildNetwork(kivoMDIClient& doc, bool readings) {
    doc.CreateMemory();
    doc.xMax = doc.yMax = doc.zMax = 1000;
    for (int t = 0; t < kTheos; ++t)
        doc.NewTheo(("T" + std::to_string(t)).c_str(), "", t / 10, t % 10, 10.0 + 20 * t, 5.0 + (t % 3) * 200,
                    2.0, 0.1 * t, -0.2 * t, (t * 37) % 400, 0x2A);
    for (int p = 0; p < kPoints; ++p)
        doc.NewPoint(("P" + std::to_string(p)).c_str(), "", 50 + (p % 100) * 4.0, 50 + (p / 100) * 4.0,
                     1.0 + (p % 7) * 0.5, p < 10 ? 0x2A : 0x15);
    for (int b = 0; b < kBars; ++b)
        doc.NewSBar(("B" + std::to_string(b)).c_str(), "", 100 + b, 200, 1.5, 2.0, b * 4, 60 + b % 80);
    for (int t = 0; t < kTheos; ++t) {
        THEODOLITE& s = doc.theoList[t];
        for (int u = 0; u < kTheos; ++u)
            if (u != t) s.thList.Append(CONNECT1{u, OBS_IDEAL, 0, 0, 0});
        for (int b = 0; b < kBars; ++b)
            s.sbList.Append(CONNECT2{b, OBS_IDEAL, 0, 0, 0, 0, 0});
        for (int p = 0; p < kPoints; ++p) {
            s.ptList.Append(CONNECT1{p, OBS_IDEAL, 0, 0, 0});
            s.dsList.Append(CONNECT3{p, OBS_IDEAL, 0, 0});
            s.hdList.Append(CONNECT6{p, OBS_IDEAL, 0, 0});
        }
        if (readings)
            for (int p = 0; p < kPoints; ++p) {
                s.ptList.Append(CONNECT1{p, OBS_DIRECT, 0, 0.5 * (p % 800), 99.5});
                s.ptList.Append(CONNECT1{p, OBS_REVERSE, 0, 0.5 * (p % 800) + 200.0001, 300.4999});
                s.dsList.Append(CONNECT3{p, 0, 0, 10.0 + p * 0.001});
                s.dsList.Append(CONNECT3{p, 0, 0, 10.0 + p * 0.001 + 0.0002});
            }
        s.SyncCounts();
    }
    for (int p = 0; p < kPoints; ++p) {
        doc.AddPtDistance(CONNECT4{p, (p + 1) % kPoints, OBS_INUSE | OBS_IDEAL, 0, 0});
        doc.AddPtHeight(CONNECT5{p, (p + 7) % kPoints, OBS_INUSE | OBS_IDEAL, 0, 0});
    }
}

double bestIdeal = std::numeric_limits<double>::max();
double bestMean = std::numeric_limits<double>::max();
double bestExport = std::numeric_limits<double>::max();

template <class F> double Seconds(F f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_SimulateIdeal(benchmark::State& state) {
    kivoMDIClient doc;
    BuildNetwork(doc, false);
    for (auto _ : state)
        bestIdeal = std::min(bestIdeal, Seconds([&] { doc.CmSimulate(); }));
}
BENCHMARK(BM_SimulateIdeal)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_SimulateMeans(benchmark::State& state) {
    kivoMDIClient doc;
    BuildNetwork(doc, true);
    doc.bIdeals = false;
    for (auto _ : state)
        bestMean = std::min(bestMean, Seconds([&] { doc.CmSimulate(); }));
}
BENCHMARK(BM_SimulateMeans)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Export(benchmark::State& state) {
    const std::string dir = kivo::bench::ScratchDir("kivo-bench-export");
    kivoMDIClient doc;
    BuildNetwork(doc, false);
    doc.OpenName = dir + "/BIG.SIM";
    for (auto _ : state)
        bestExport = std::min(bestExport, Seconds([&] { doc.CmExportFile(); }));
    state.counters["MB"] = std::filesystem::file_size(doc.ExportName) / 1e6;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kivo::bench::Report("CmSimulate, ideal values, 1,000,380 observations", bestIdeal, 0.5);
    kivo::bench::Report("CmSimulate, means (+800,000 readings)", bestMean, 0.5);
    kivo::bench::Report("CmExportFile, 1,000,380 observations", bestExport, 2.0);
    return 0;
}
