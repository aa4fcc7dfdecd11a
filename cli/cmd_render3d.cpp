// kivo-cli render PROJECT.SIM --view 3d [--azimuth DEG] [--elevation DEG] [--size WxH] -o FILE.png
// Draws the network in 3D with the 3D window's own drawing routine, fitted to the picture, on
// Qt's offscreen platform: the raster engine draws it, no display or OpenGL is needed.

#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "render_output.h"
#include "views/view3d_render.h"

namespace kivo::cli {

namespace {

int Usage3D() {
    std::fprintf(stderr, "usage: kivo-cli render PROJECT.SIM --view 3d [--azimuth DEG] [--elevation DEG] "
                         "[--size WxH] -o FILE.png\n");
    return EXIT_USAGE;
}

// A finite number, the whole text of `s`.
bool ParseNumber(const char* s, double& v) {
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end != s && *end == '\0' && std::isfinite(v);
}

// "WxH", both whole numbers from 16 to 20000.
bool ParseSize(const char* s, int& w, int& h) {
    char* end = nullptr;
    const long a = std::strtol(s, &end, 10);
    if (end == s || (*end != 'x' && *end != 'X')) return false;
    const char* second = end + 1;
    const long b = std::strtol(second, &end, 10);
    if (end == second || *end != '\0' || a < 16 || b < 16 || a > 20000 || b > 20000) return false;
    w = static_cast<int>(a), h = static_cast<int>(b);
    return true;
}

} // namespace

int CmdRender3D(int argc, char** argv) {
    std::string project, out;
    double azimuth = 35, elevation = 25;
    int width = 1024, height = 768;
    bool view3d = false;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--view") == 0 && i + 1 < argc) {
            view3d = std::strcmp(argv[++i], "3d") == 0;
            if (!view3d) return Usage3D();
        } else if (std::strcmp(a, "--azimuth") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], azimuth)) return Usage3D();
        } else if (std::strcmp(a, "--elevation") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], elevation) || elevation < -90 || elevation > 90) return Usage3D();
        } else if (std::strcmp(a, "--size") == 0 && i + 1 < argc) {
            if (!ParseSize(argv[++i], width, height)) return Usage3D();
        } else if (std::strcmp(a, "-o") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (a[0] != '-' && project.empty()) {
            project = a;
        } else {
            return Usage3D();
        }
    }
    if (project.empty() || out.empty() || !view3d) return Usage3D();
    if (!CanvasFits(width, height)) {
        std::fprintf(stderr, "kivo-cli: a picture of %d x %d pixels is too large to draw\n", width, height);
        return EXIT_UNWRITABLE;
    }

    OffscreenGui gui; // drawing text needs a GUI application; no window is ever shown

    CliHost host;
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, project)) return EXIT_UNREADABLE;
    const views::Scene3D scene = views::BuildScene(doc);
    views::Camera3D cam = views::FittedCamera(scene, width, height);
    cam.azimuthDeg = 0, cam.elevationDeg = 0;
    cam.Orbit(azimuth, elevation);
    views::FitToScene(cam, scene);
    const QImage img = views::RenderScene3D(doc, cam);
    if (img.isNull()) {
        std::fprintf(stderr, "kivo-cli: a picture of %d x %d pixels is too large to draw\n", width, height);
        return EXIT_UNWRITABLE;
    }
    return WritePng(img, out) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
