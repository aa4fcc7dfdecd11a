#pragma once
// The generated plant network of the benchmarks: stations on a ring around an object, targets on the
// object's surface sighted from the 6 stations nearest to their azimuth, scale bars sighted from every
// station, a distance to every 50th target; free datum.

#include <cmath>
#include <string>

#include "adjustment/kivoMDIClient.h"

namespace kivo::bench {

inline void BuildPlant(kivoMDIClient& doc, int stations, int targets) {
    doc.CmFileNew();
    doc.xMin = doc.yMin = -100;
    doc.xMax = doc.yMax = 100;
    doc.zMin = -20;
    doc.zMax = 40;
    for (int s = 0; s < stations; ++s) {
        const double a = 2 * M_PI * s / stations;
        doc.NewTheo(("S" + std::to_string(s)).c_str(), "", s / 10, s % 10, 60 * std::cos(a), 60 * std::sin(a),
                    1.5 + (s % 3) * 0.7, 0, 0, 0, 0);
    }
    for (int j = 0; j < targets; ++j) {
        // Targets on the surface of a 40 x 40 x 12 object, spread evenly.
        const int cols = targets > 20000 ? 500 : 200, rows = targets > 20000 ? 200 : 100;
        const double u = (j % cols) / double(cols), v = (j / cols % rows) / double(rows);
        const double a = 2 * M_PI * u;
        doc.NewPoint(("T" + std::to_string(j)).c_str(), "", 20 * std::cos(a) * (0.6 + 0.4 * v),
                     20 * std::sin(a) * (0.6 + 0.4 * v), 12 * v + 0.01 * (j % 7), 0);
    }
    for (int b = 0; b < 4; ++b)
        doc.NewSBar(("B" + std::to_string(b)).c_str(), "", -25 + 15 * b, 28, 2, 1.0, 25 * b, 100);

    // Each target from the 6 stations nearest to its azimuth; every station sights every bar.
    for (int j = 0; j < targets; ++j) {
        const OBJECTPOINT& p = doc.pointList[j];
        double az = std::atan2(double(p.yReal), double(p.xReal));
        int nearest = static_cast<int>(std::lround(az / (2 * M_PI) * stations + stations)) % stations;
        for (int k = -3; k < 3; ++k)
            doc.theoList.Mark((nearest + k + stations) % stations, true);
        doc.NewPtDirect(nullptr, 0, j);
        if (j % 50 == 0) doc.NewDistance(nullptr, 0, j);
        doc.ClearTheos();
    }
    for (int s = 0; s < stations; ++s)
        doc.theoList.Mark(s, true);
    for (int b = 0; b < 4; ++b)
        doc.NewSBDirect(nullptr, 0, b);
    doc.ClearTheos();
}

} // namespace kivo::bench
