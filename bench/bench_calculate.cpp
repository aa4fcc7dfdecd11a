// The whole Calculate on a generated plant network: 50 stations around an object, every target
// sighted from 6 stations (direction and zenith angle), 4 scale bars, some distances, free datum.
// Prints each phase and the growth from 1,000 to 20,000 targets; the goal for 20,000 targets is
// under 2 s and under 1 GB.

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/kivoMDIClient.h"

using namespace kivo;

namespace {

void BuildPlant(kivoMDIClient& doc, int targets) {
    doc.CmFileNew();
    doc.xMin = doc.yMin = -100;
    doc.xMax = doc.yMax = 100;
    doc.zMin = -20;
    doc.zMax = 40;
    const int stations = 50;
    for (int s = 0; s < stations; ++s) {
        const double a = 2 * M_PI * s / stations;
        doc.NewTheo(("S" + std::to_string(s)).c_str(), "", s / 10, s % 10, 60 * std::cos(a), 60 * std::sin(a),
                    1.5 + (s % 3) * 0.7, 0, 0, 0, 0);
    }
    for (int j = 0; j < targets; ++j) {
        // Targets on the surface of a 40 x 40 x 12 object, spread evenly.
        const double u = (j % 200) / 200.0, v = (j / 200 % 100) / 100.0;
        const double a = 2 * M_PI * u;
        doc.NewPoint(("T" + std::to_string(j)).c_str(), "", 20 * std::cos(a) * (0.6 + 0.4 * v),
                     20 * std::sin(a) * (0.6 + 0.4 * v), 12 * v + 0.01 * (j % 7), 0);
    }
    for (int b = 0; b < 4; ++b) doc.NewSBar(("B" + std::to_string(b)).c_str(), "", -25 + 15 * b, 28, 2, 1.0, 25 * b, 100);

    // Each target from the 6 stations nearest to its azimuth; every station sights every bar.
    for (int j = 0; j < targets; ++j) {
        const OBJECTPOINT& p = doc.pointList[j];
        double az = std::atan2(double(p.yReal), double(p.xReal));
        int nearest = static_cast<int>(std::lround(az / (2 * M_PI) * stations + stations)) % stations;
        for (int k = -3; k < 3; ++k) doc.theoList.Mark((nearest + k + stations) % stations, true);
        doc.NewPtDirect(nullptr, 0, j);
        if (j % 50 == 0) doc.NewDistance(nullptr, 0, j);
        doc.ClearTheos();
    }
    for (int s = 0; s < stations; ++s) doc.theoList.Mark(s, true);
    for (int b = 0; b < 4; ++b) doc.NewSBDirect(nullptr, 0, b);
    doc.ClearTheos();
}

double PeakMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

} // namespace

int main() {
    setenv("KIVO_INI", "/nonexistent/kivo.ini", 0);
    const auto dir = std::filesystem::temp_directory_path() / "kivo-bench-calculate";
    std::filesystem::create_directories(dir);
    double first = 0;
    int status = 0;
    for (int targets : {1000, 5000, 20000}) {
        kivoMDIClient doc;
        BuildPlant(doc, targets);
        doc.OpenName = (dir / "PLANT.SIM").string();
        doc.WriteSimFile();
        const auto t0 = std::chrono::steady_clock::now();
        doc.CmCalculate();
        const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (targets == 1000) first = total;
        std::printf("%6d targets: Calculate %.3f s (Mavo returns %d), listing %d lines\n", targets, total,
                    doc.lastCalculateResult, doc.maxLines);
        std::printf("        phases:");
        for (const auto& [name, seconds] : doc.LastRunTimings()) std::printf(" %s %.3f", name.c_str(), seconds);
        std::printf("\n");
        if (targets == 20000) {
            std::printf("  20,000 targets: %.3f s (target: under 2 s), peak memory %.0f MB (target: under 1024 MB)\n",
                        total, PeakMB());
            std::printf("  growth 1,000 -> 20,000 targets: x%.1f (linear would be x20)\n", total / first);
        }
        if (doc.lastCalculateResult != 0) status = 1;
    }
    if (!std::getenv("KIVO_KEEP")) std::filesystem::remove_all(dir);
    return status;
}
