// The network images behind undo and redo on the generated plant network of 20,000 targets:
// the time to take an image before and after a change, the memory a change adds to the history,
// and the time to put an image back. Targets: a capture under 0.1 s, a restore under 0.5 s, a
// moved point adding under 64 KB.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>

#include "bench_support.h"
#include "plant_network.h"

using namespace kivo;

namespace {

double capture = std::numeric_limits<double>::max(), restore = capture;
std::size_t fullSize = 0, moveBytes = 0, cutBytes = 0;

double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_NetworkImage(benchmark::State& state) {
    kivo::bench::ScratchDir("kivo-bench-undo");
    kivoMDIClient doc;
    kivo::bench::BuildPlant(doc, 50, 20000);
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.ProcessSimData();
    auto before = std::make_shared<const NetworkImage>(doc.CaptureImage());
    fullSize = before->Size();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        NetworkImage again = doc.CaptureImage(before.get());
        capture = std::min(capture, Seconds(t0));
        benchmark::DoNotOptimize(again);
    }
    // A moved point: one block of the points changes.
    doc.pointList[12345].xReal += 0.25;
    auto moved = std::make_shared<const NetworkImage>(doc.CaptureImage(before.get()));
    moveBytes = moved->UniqueBytes(*before);
    auto t0 = std::chrono::steady_clock::now();
    doc.RestoreImage(before, *moved);
    restore = Seconds(t0);
    // Cut of a point: its sightings leave six station lists.
    doc.selectType = SEL_POINT;
    doc.index = 12345;
    doc.DelPoint(12345);
    NetworkImage cut = doc.CaptureImage(before.get());
    cutBytes = cut.UniqueBytes(*before);
    state.counters["image MB"] = double(fullSize) / 1e6;
}
BENCHMARK(BM_NetworkImage)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("image of 50 stations x 20,000 targets: %.1f MB; a moved point adds %zu bytes, a cut "
                "point %zu bytes\n",
                double(fullSize) / 1e6, moveBytes, cutBytes);
    kivo::bench::Report("capture of an image (50 x 20,000)", capture, 0.1);
    kivo::bench::Report("restore of an image (50 x 20,000)", restore, 0.5);
    std::printf("%-52s %8zu B   target < 65536 B   %s\n", "memory a moved point adds", moveBytes,
                moveBytes < 65536 ? "met" : "MISSED");
    return 0;
}
