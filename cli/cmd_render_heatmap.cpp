// kivo-cli heatmap PROJECT.SIM -o FILE.png [--grid N] [--range R]: Calculate, then the plan view
// with the field of the precision one more theodolite would give at each cell, and its legend.

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adjustment/design_advice.h"
#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "render_output.h"
#include "views/station_field.h"

namespace kivo::cli {

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kivo-cli heatmap PROJECT.SIM -o FILE.png [--grid N] [--range R]\n");
    return EXIT_USAGE;
}

} // namespace

int CmdHeatmap(int argc, char** argv) {
    std::string project, out;
    int grid = 40;
    double range = 0.0;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        char* end = nullptr;
        if (std::strcmp(a, "--grid") == 0 && i + 1 < argc) {
            const long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end || n < 1 || n > 400) return Usage();
            grid = static_cast<int>(n);
        } else if (std::strcmp(a, "--range") == 0 && i + 1 < argc) {
            range = std::strtod(argv[++i], &end);
            if (!end || *end || !(range >= 0.0) || range > 1e12) return Usage();
        } else if (std::strcmp(a, "-o") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (a[0] != '-' && project.empty()) {
            project = a;
        } else {
            return Usage();
        }
    }
    if (project.empty() || out.empty()) return Usage();

    OffscreenGui gui; // drawing text needs a GUI application; no window is ever shown

    CommandProject opened;
    if (const int status = opened.OpenCalculated(project); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    const StationFieldJob job = PrepareStationField(doc, range, grid, grid);
    if (!job.run) {
        std::fprintf(stderr, "kivo-cli: no heat map: %s\n", job.why.c_str());
        return EXIT_ENGINE;
    }
    const StationField f = job.run(nullptr, {});
    if (!f.ok) {
        std::fprintf(stderr, "kivo-cli: no heat map: %s\n", f.why.c_str());
        return EXIT_ENGINE;
    }
    if (!CanvasFits(doc.hExtent[0], doc.vExtent[0])) {
        std::fprintf(stderr, "kivo-cli: the plan view's canvas is too large to draw\n");
        return EXIT_UNWRITABLE;
    }
    const QImage img = views::RenderStationField(doc, f);
    if (!WritePng(img, out)) return EXIT_UNWRITABLE;
    double x, y;
    views::FieldCellCentre(f, f.bestCell, x, y);
    std::printf("best\t%.10g\t%.10g\t%.10g\t%.10g\n", x, y, f.z, f.best);
    return EXIT_OK;
}

} // namespace kivo::cli
