// Building, writing and reading a large project: 100 theodolites, 50,000 points, 200 scale bars and
// 500,000 observations. Each phase should take well under a second, and adding one element at a
// time must not grow quadratically (the per-element time is printed for two sizes).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "adjustment/kivoMDIClient.h"

using namespace kivo;
using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Builds the network with the document's own operations; returns the number of observations.
static long Build(kivoMDIClient& doc, int theos, int points, int sbars, long observations) {
    doc.CreateMemory();
    for (int i = 0; i < theos; ++i)
        doc.NewTheo(("T" + std::to_string(i)).c_str(), "", i / 10, i % 10, i * 3.0, 5, 2, 0, 0, 0, 0);
    for (int i = 0; i < points; ++i)
        doc.NewPoint(("P" + std::to_string(i)).c_str(), "", i % 500, i / 500, 3, 0);
    for (int i = 0; i < sbars; ++i)
        doc.NewSBar(("S" + std::to_string(i)).c_str(), "", i, 7, 1, 1.0, 0, 100);
    // Each point is sighted from several theodolites (directions, some distances and heights);
    // a few point-to-point distances.
    long made = 0;
    int t = 0;
    for (int p = 0; made < observations; p = (p + 1) % points) {
        doc.theoList.Mark(t, true);
        doc.NewPtDirect(nullptr, 0, p);
        ++made;
        if (p % 4 == 0) {
            doc.NewDistance(nullptr, 0, p);
            doc.NewHeight(nullptr, 0, p);
            made += 2;
        }
        if (p % 50 == 0) {
            doc.NewSBDirect(nullptr, 0, p % sbars);
            ++made;
        }
        doc.theoList.Mark(t, false);
        if (p % 100 == 1) {
            doc.pointList.Mark(p, true);
            doc.NewDistance(nullptr, 0, p - 1);
            doc.pointList.Mark(p, false);
            ++made;
        }
        if (p == points - 1) t = (t + 1) % theos;
    }
    return made;
}

int main() {
    setenv("KIVO_INI", "/nonexistent/kivo.ini", 0);
    const std::string path = (std::filesystem::temp_directory_path() / "kivo-bench-network.SIM").string();

    kivoMDIClient doc;
    auto t0 = Clock::now();
    long obs = Build(doc, 100, 50000, 200, 500000);
    double build = Seconds(t0);

    doc.OpenName = path;
    t0 = Clock::now();
    bool written = doc.WriteSimFile();
    double write = Seconds(t0);
    auto size = std::filesystem::file_size(path);

    kivoMDIClient back;
    t0 = Clock::now();
    back.OpenName = path;
    back.CreateMemory();
    bool read = back.ReadSimFile();
    double readTime = Seconds(t0);
    std::filesystem::remove(path);

    std::printf("network: 100 theodolites, 50000 points, 200 scale bars, %ld observations, file %.1f MB\n",
                obs, size / 1e6);
    std::printf("  build with New*   %7.3f s   (target: well under 1 s)\n", build);
    std::printf("  write project     %7.3f s   (target: well under 1 s)%s\n", write,
                written ? "" : "  WRITE FAILED");
    std::printf("  read project      %7.3f s   (target: well under 1 s)%s\n", readTime,
                read ? "" : "  READ FAILED");

    // Growth: time per added element and observation at a tenth and at the full size.
    kivoMDIClient small;
    t0 = Clock::now();
    long smallObs = Build(small, 100, 5000, 20, 50000);
    double smallTime = Seconds(t0);
    std::printf("  per observation   %7.3f us at %ld, %7.3f us at %ld (linear: about equal)\n",
                1e6 * smallTime / smallObs, smallObs, 1e6 * build / obs, obs);
    return written && read ? 0 : 1;
}
