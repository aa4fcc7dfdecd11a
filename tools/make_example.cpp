// Writes examples/PLANT.SIM: a pump housing on its skid (8 m x 4 m x 3 m) in a 20 m x 15 m hall,
// targeted on its faces and observed from five theodolite stations, with three scale bars.
//
//   make_example OUT.SIM
//
// Every station sights the targets on the faces it looks at, every other station (collimations) and
// every scale bar; a few distances and height differences tie targets to the stations and to each
// other. Lengths are in meters.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "adjustment/kivoMDIClient.h"

using namespace kivo;

namespace {

struct Face {
    double nx, ny, nz; // outward normal
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example OUT.SIM\n");
        return 1;
    }
    kivoMDIClient doc;
    doc.CreateMemory();
    CopyField(doc.Project, sizeof doc.Project, "Pump housing P-101, skid alignment");
    CopyField(doc.Task, sizeof doc.Task, "Network design for the alignment survey");
    CopyField(doc.Date, sizeof doc.Date, "2024-05-06");
    doc.units = UNITS_METERS;
    doc.axisType = 0;
    doc.xMin = 0, doc.xMax = 20, doc.yMin = 0, doc.yMax = 15, doc.zMin = 0, doc.zMax = 6;
    doc.xDef = 10, doc.yDef = 7.5, doc.zDef = 1.6;
    doc.objScale1 = doc.objScale2 = doc.objScale3 = 1.0; // 1 m per centimetre of screen
    doc.ellScale = 0.0002;
    doc.hBordSize = 10, doc.vBordSize = 6;
    doc.bBound = true, doc.bHGrid = true, doc.bVGrid = true;
    doc.hInterval = 5, doc.vInterval = 5;
    doc.bObject = true, doc.bName = true, doc.bAbbreviate = true;
    doc.bCollimate = true, doc.bDirect = true, doc.bDistance = true, doc.bHeight = false;
    doc.bEllipse = true; // shown once the example is calculated
    doc.SDTheoLocFix = doc.SDTheoRotFix = doc.SDPointLocFix = 12700.0;
    doc.SDTheoLocApx = doc.SDTheoRotApx = doc.SDPointLocApx = 0.1;
    doc.SDTheoLocUnk = doc.SDTheoRotUnk = doc.SDPointLocUnk = 1e-20;
    doc.SDSBarLength = 0.0001, doc.hSDAngle = doc.vSDAngle = 0.0005;
    doc.SDDistance = 0.001, doc.SDHeight = 0.001;
    doc.globalPos = 1, doc.globalTheo = 0, doc.globalPoint = 1, doc.globalSBar = 1;
    doc.SetScaleFactors();
    doc.SetWindowParms();

    // Five stations around the housing, instrument height 1.6 m.
    const double stations[5][2] = {{3, 3}, {17, 3}, {17.5, 12}, {10, 13.5}, {2.5, 12}};
    for (int i = 0; i < 5; ++i) {
        char name[32], abbrev[16];
        std::snprintf(name, sizeof name, "Theo%1d_%1d", i + 1, 0);
        std::snprintf(abbrev, sizeof abbrev, "T%1d%1d", i + 1, 0);
        doc.NewTheo(name, abbrev, i + 1, 0, stations[i][0], stations[i][1], 1.6, 0, 0, 0, i == 0 ? 0x2A : 0);
    }

    // Targets on the housing: x 6..14, y 5.5..9.5, z 0.5..3.5; a grid on each side face and the top.
    struct Target {
        double x, y, z;
        Face face;
    };
    std::vector<Target> targets;
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k) {
            const double x = 6.5 + i * 1.0, z = 1.0 + k * 1.1;
            targets.push_back({x, 5.5, z, {0, -1, 0}}); // south face
            targets.push_back({x, 9.5, z, {0, 1, 0}});  // north face
        }
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 3; ++k) {
            const double y = 6.0 + j * 1.0, z = 1.0 + k * 1.1;
            targets.push_back({6.0, y, z, {-1, 0, 0}}); // west face
            targets.push_back({14.0, y, z, {1, 0, 0}}); // east face
        }
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 3; ++j)
            targets.push_back({7.0 + i * 1.0, 6.5 + j * 1.0, 3.5, {0, 0, 1}}); // top
    for (std::size_t n = 0; n < targets.size(); ++n) {
        char name[32], abbrev[16];
        std::snprintf(name, sizeof name, "Point%d", static_cast<int>(n + 1));
        std::snprintf(abbrev, sizeof abbrev, "P%d", static_cast<int>(n + 1));
        // Four control targets at the corners of the south face are fixed.
        const bool fixed = n == 0 || n == 14 || n == 4 || n == 18;
        doc.NewPoint(name, abbrev, targets[n].x, targets[n].y, targets[n].z, fixed ? 0x2A : 0);
    }

    // Scale bars on stands beside the housing.
    const double bars[3][3] = {{4.5, 7.5, 1.2}, {15.5, 7.5, 1.2}, {10, 4.0, 1.2}};
    for (int i = 0; i < 3; ++i) {
        char name[32], abbrev[16];
        std::snprintf(name, sizeof name, "SBar%d", i + 1);
        std::snprintf(abbrev, sizeof abbrev, "S%d", i + 1);
        doc.NewSBar(name, abbrev, bars[i][0], bars[i][1], bars[i][2], 1.0, i == 2 ? 0 : 100, 100);
    }

    // Observations. A station sees a target when it lies in front of the target's face (the top
    // face from stations above it only, which none is: the top targets are seen from all stations
    // at a steep angle, as a theodolite on a stand sees them over the edge).
    for (int s = 0; s < 5; ++s) {
        THEODOLITE& t = doc.theoList[s];
        for (int o = 0; o < 5; ++o)
            if (o != s) t.thList.Append(CONNECT1{o, OBS_IDEAL, 0, 0, 0});
        for (std::size_t n = 0; n < targets.size(); ++n) {
            const Target& g = targets[n];
            const double facing = (t.xReal - g.x) * g.face.nx + (t.yReal - g.y) * g.face.ny;
            if (facing > 0.5 || g.face.nz > 0)
                t.ptList.Append(CONNECT1{static_cast<int>(n), OBS_IDEAL, 0, 0, 0});
        }
        for (int b = 0; b < 3; ++b)
            t.sbList.Append(CONNECT2{b, OBS_IDEAL, 0, 0, 0, 0, 0});
        t.SyncCounts();
    }
    // Distances from two stations to the fixed targets.
    for (int s : {0, 1})
        for (int n : {0, 4, 14, 18})
            doc.theoList[s].dsList.Append(CONNECT3{n, OBS_IDEAL, 0, 0});
    for (int s : {0, 1})
        doc.theoList[s].SyncCounts();
    // Point-to-point distances along the south face and a height difference up its west end.
    doc.AddPtDistance(CONNECT4{0, 14, OBS_IDEAL | OBS_INUSE, 0, 0});
    doc.AddPtDistance(CONNECT4{4, 18, OBS_IDEAL | OBS_INUSE, 0, 0});
    doc.AddPtHeight(CONNECT5{0, 4, OBS_IDEAL | OBS_INUSE, 0, 0});

    // Window layout: plan view large on the left, side and end views stacked on the right, the
    // text view below the plan view; the plan view active.
    const int layout[4][4] = {{0, 0, 640, 470}, {640, 0, 560, 300}, {640, 300, 560, 300}, {0, 470, 640, 250}};
    for (int i = 0; i < 4; ++i) {
        doc.mdiX[i] = layout[i][0], doc.mdiY[i] = layout[i][1];
        doc.mdiWidth[i] = layout[i][2], doc.mdiHeight[i] = layout[i][3];
        doc.mdiFlags[i] = 2 | (i == 0 ? 0x10 : 0);
    }
    doc.OpenName = argv[1];
    if (!doc.WriteSimFile()) {
        std::fprintf(stderr, "make_example: cannot write %s\n", argv[1]);
        return 2;
    }
    std::printf("%s: %d theodolites, %d points, %d scale bars\n", argv[1], doc.nNumTheos, doc.nNumPoints,
                doc.nNumSBars);
    return 0;
}
