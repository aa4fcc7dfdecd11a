// Orbiting the 3D view: frames per second of the window itself while the camera turns 4 degrees a
// frame, on the example and on a generated 10 stations x 2,000 targets network, both calculated
// (every ellipsoid drawn). Goals: 30 frames/s on the example, 10 on the large network. Run under a
// display (Xvfb with Mesa's software renderer) the window draws through OpenGL; on the offscreen
// platform through the raster engine. The picture alone (drawn into an image, no window) is
// measured beside it.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWindow>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "bench_support.h"
#include "plant_network.h"
#include "views/view3d_window.h"

using namespace kivo;

namespace {

constexpr int kFrames = 60;

// CPU seconds of the process (every thread) so far.
double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

// Frames per second of wall time (judged against the target) and per second of CPU time (what
// the drawing costs, whatever else the machine runs).
struct Clock {
    QElapsedTimer wall;
    double cpu0 = CpuSeconds();
    Clock() { wall.start(); }
    void Line(const std::string& what, double target) const {
        const double fps = kFrames / (wall.nsecsElapsed() * 1e-9);
        const double cpu = kFrames / std::max(1e-9, CpuSeconds() - cpu0);
        std::printf("%-58s %7.1f frames/s (%6.1f per CPU second)   target >= %.0f   %s\n", what.c_str(), fps,
                    cpu, target, fps >= target ? "met" : "MISSED");
    }
};

void Measure(kivoMDIClient& doc, const std::string& what, double target) {
    const views::Scene3D scene = views::BuildScene(doc);
    int ellipsoids = 0;
    for (const views::Element3D& e : scene.elements)
        ellipsoids += e.hasCovariance;
    std::printf("%s: %zu elements, %d ellipsoids, %zu lines\n", what.c_str(), scene.elements.size(),
                ellipsoids, scene.lines.size());
    views::View3DWindow w(doc);
    w.resize(1024, 768);
    w.show();
    QElapsedTimer wait;
    wait.start();
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    w.ShowStandard(views::StandardView::Oblique);
    QApplication::processEvents();
    auto frame = [&] {
        views::Camera3D cam = w.camera();
        cam.Orbit(4, 0);
        w.SetCamera(cam);
        w.viewport()->repaint();
        QApplication::processEvents();
    };
    for (int i = 0; i < 3; ++i)
        frame();
    Clock windowClock;
    for (int i = 0; i < kFrames; ++i)
        frame();
    windowClock.Line("orbit, " + what + (w.usesOpenGL() ? ", window (OpenGL)" : ", window (raster)"), target);

    views::Camera3D cam = w.camera();
    Clock pictureClock;
    for (int i = 0; i < kFrames; ++i) {
        cam.Orbit(4, 0);
        const QImage img = views::RenderScene3D(doc, cam);
        if (img.isNull()) return;
    }
    pictureClock.Line("orbit, " + what + ", picture only (raster image)", target);
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = bench::ScratchDir("kivo-bench-view3d");
    QApplication app(argc, argv);
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("load average %.1f; platform %s, OpenGL %s; %d frames of 1024 x 768 each\n", load[0],
                QGuiApplication::platformName().toLocal8Bit().constData(),
                views::View3DWindow::OpenGLAvailable() ? "yes" : "no", kFrames);

    kivoMDIClient example;
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", dir / "PLANT.SIM",
                               std::filesystem::copy_options::overwrite_existing);
    example.OpenName = (dir / "PLANT.SIM").string();
    example.CreateMemory();
    if (!example.ReadSimFile()) {
        std::fprintf(stderr, "cannot read the example project\n");
        return 1;
    }
    example.ProcessSimData();
    example.bAutosave = false;
    example.CmCalculate();
    Measure(example, "example PLANT.SIM", 30);

    kivoMDIClient generated;
    bench::BuildPlant(generated, 10, 2000);
    generated.OpenName = (dir / "GEN.SIM").string();
    generated.bAutosave = false;
    generated.bName = true;
    generated.bCollimate = generated.bDirect = generated.bDistance = generated.bHeight = true;
    generated.CmCalculate();
    Measure(generated, "10 stations x 2,000 targets", 10);
    return 0;
}
