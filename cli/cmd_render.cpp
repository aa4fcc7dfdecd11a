// kivo-cli render PROJECT.SIM --view plan|side|end [--dpi N] -o FILE.png|FILE.dxf
// A name ending in .dxf writes the view as a drawing in model coordinates instead (adjustment/dxf_export.h).
// Draws the whole canvas of one view with the window's own drawing routine, on Qt's offscreen
// platform, for a screen of N dots per inch in both directions.

#include <QImage>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adjustment/dxf_export.h"
#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "render_output.h"
#include "views/view_render.h"

namespace kivo::cli {

namespace {

// The CLI host with the screen taken as `dpi` dots per inch: dpi x 100 pixels over 2540 mm, that
// is exactly dpi / 25.4 pixels per millimetre.
class RenderHost : public CliHost {
public:
    explicit RenderHost(int dpi) : dpi_(dpi) {}
    void ScreenMetrics(int& horzRes, int& vertRes, int& horzSize, int& vertSize) override {
        horzRes = vertRes = dpi_ * 100;
        horzSize = vertSize = 2540;
    }

private:
    int dpi_;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: kivo-cli render PROJECT.SIM --view plan|side|end [--dpi N] -o FILE.png|FILE.dxf\n");
    return EXIT_USAGE;
}

// A drawing is asked for by the name: FILE.dxf in any case.
bool IsDxfName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dxf";
}

} // namespace

int CmdRender(int argc, char** argv) {
    for (int i = 0; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--view") == 0 && std::strcmp(argv[i + 1], "3d") == 0)
            return CmdRender3D(argc, argv);
    std::string project, out;
    int view = -1, dpi = 96;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--view") == 0 && i + 1 < argc) {
            const std::string v = argv[++i];
            view = v == "plan" ? 0 : v == "side" ? 1 : v == "end" ? 2 : -2;
        } else if (std::strcmp(a, "--dpi") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end || n < 1 || n > 10000) return Usage();
            dpi = static_cast<int>(n);
        } else if (std::strcmp(a, "-o") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (a[0] != '-' && project.empty()) {
            project = a;
        } else {
            return Usage();
        }
    }
    if (project.empty() || out.empty() || view < 0) return Usage();

    OffscreenGui gui; // drawing text needs a GUI application; no window is ever shown

    RenderHost host(dpi);
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, project)) return EXIT_UNREADABLE;
    if (IsDxfName(out)) {
        if (WriteViewDxf(doc, view, out)) return EXIT_OK;
        std::fprintf(stderr, "kivo-cli: %s could not be written: %s\n", out.c_str(), std::strerror(errno));
        return EXIT_UNWRITABLE;
    }
    const long long width = std::max(1, doc.hExtent[view]), height = std::max(1, doc.vExtent[view]);
    const char* viewName = view == 0 ? "plan" : view == 1 ? "side" : "end";
    auto tooLarge = [&] {
        std::fprintf(stderr,
                     "kivo-cli: the %s view's canvas of %lld x %lld pixels is too large to draw; "
                     "lower --dpi, or raise the project's display scales\n",
                     viewName, width, height);
        return EXIT_UNWRITABLE;
    };
    if (!CanvasFits(width, height)) return tooLarge();
    const QImage img = views::RenderCanvas(doc, view);
    if (img.isNull()) return tooLarge();
    return WritePng(img, out) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
