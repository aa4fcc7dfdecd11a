// The 3D view: its geometry against the 2D views (an ellipsoid seen from the top, the front and the
// side has the plan, side and end view's ellipses), the camera's handling, picking, the window in
// the program (a click selects, a double click opens the form, a live drag and undo show), and the
// picture of the example. With KIVO_SHOTS set to a folder the window's pictures are saved there.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMdiArea>
#include <QPainter>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/print_out3d.h"
#include "app/undo_history.h"
#include "model/command_ids.h"
#include "support/test_support.h"
#include "views/live_worker.h"
#include "views/view3d_window.h"
#include "views/view_render.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::views;
namespace cmd = kivo::cmd;

namespace {

constexpr double kPi = 3.14159265358979323846;

// One point at (5, 5, 5) in a 10-unit cube, 1 unit per centimetre at 96 dots per inch, ellipses at
// 1 mm per centimetre. Its covariance, built by hand from three consistent plane ellipses (mm^2):
//   plan  x-y: A = 2, B = 1, phi = 50 gon (45 degrees): xx = yy = (4 + 1) / 2 = 2.5, xy = 1.5
//   side  x-z: A = sqrt(2.5), B = 1, phi = 0:           xx = 2.5, zz = 1, xz = 0
//   end   y-z: A = sqrt(2.5), B = 1, phi = 0:           yy = 2.5, zz = 1, yz = 0
// so that q = [[2.5, 1.5, 0], [1.5, 2.5, 0], [0, 0, 1]] mm^2, with eigenvalues 4, 1, 1.
struct OnePoint {
    kivoMDIClient doc;
    OnePoint() {
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
        doc.ellScale = 0.001;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 10;
        doc.bBound = doc.bHGrid = doc.bVGrid = doc.bName = doc.bObject = false;
        doc.bEllipse = doc.bValEllip = true;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
        doc.TrigInit();
        doc.NewPoint("P", "P", 5, 5, 5, 0);
        OBJECTPOINT& p = doc.pointList[0];
        const double a[3] = {0.002, std::sqrt(2.5) * 0.001, std::sqrt(2.5) * 0.001};
        const double b[3] = {0.001, 0.001, 0.001};
        const double phi[3] = {50, 0, 0};
        for (int k = 0; k < 3; ++k)
            p.A[k] = a[k], p.B[k] = b[k], p.phi[k] = phi[k];
    }
    // The top, front or side camera at the 2D views' drawing scale, centred on the point.
    Camera3D At2DScale(StandardView v) const {
        Camera3D cam;
        cam.width = cam.height = 400;
        cam.SetStandard(v);
        cam.target = P3(5, 5, 5);
        cam.pixelsPerUnit = doc.hObjScale[0];
        return cam;
    }
};

// The bounding box of the pixels that differ from white within `r` of the image's centre.
QRect InkAround(const QImage& img, QPoint c, int r) {
    QRect box;
    for (int y = c.y() - r; y <= c.y() + r; ++y)
        for (int x = c.x() - r; x <= c.x() + r; ++x)
            if (img.rect().contains(x, y) && img.pixel(x, y) != qRgb(255, 255, 255))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

void Shot(QWidget* w, const char* name) {
    if (const char* dir = std::getenv("KIVO_SHOTS"))
        w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name)));
}

} // namespace

TEST(View3DGeometry, EllipsoidSeenAlongAnAxisHasThe2DViewsEllipse) {
    OnePoint n;
    const Scene3D scene = BuildScene(n.doc);
    ASSERT_EQ(scene.elements.size(), 1u);
    ASSERT_TRUE(scene.elements[0].hasCovariance);
    const double e = n.doc.hEllScale * 0.001; // pixels per millimetre of error
    ASSERT_NEAR(e, 37.795, 0.001);            // 96 / 2.54 pixels per centimetre, 1 mm per centimetre

    // Half extents along the screen axes: the roots of the covariance's terms of the two axes seen.
    struct Case {
        StandardView v;
        double halfWidth, halfHeight, a, b;
    };
    const Case cases[] = {
        {StandardView::Top, std::sqrt(2.5), std::sqrt(2.5), 2.0, 1.0},   // x across, y up
        {StandardView::Front, std::sqrt(2.5), 1.0, std::sqrt(2.5), 1.0}, // x across, z up
        {StandardView::Side, std::sqrt(2.5), 1.0, std::sqrt(2.5), 1.0},  // y across, z up
    };
    for (const Case& c : cases) {
        const Camera3D cam = n.At2DScale(c.v);
        const ScreenEllipsoid s =
            ProjectEllipsoid(cam, scene.elements[0].pos, scene.elements[0].q, scene.magnify);
        ASSERT_TRUE(s.visible);
        EXPECT_NEAR(s.cx, 200, 1e-9);
        EXPECT_NEAR(s.cy, 200, 1e-9);
        EXPECT_NEAR(s.halfWidth, c.halfWidth * e, 1e-6) << int(c.v);
        EXPECT_NEAR(s.halfHeight, c.halfHeight * e, 1e-6) << int(c.v);
        EXPECT_NEAR(s.a, c.a * e, 1e-6) << int(c.v);
        EXPECT_NEAR(s.b, c.b * e, 1e-6) << int(c.v);
    }
    // From the top the major axis runs at 45 degrees, its right-hand end up the screen (y down);
    // within the 1e-8 of the gon conversion's 3.1415927.
    const ScreenEllipsoid top = ProjectEllipsoid(n.At2DScale(StandardView::Top), scene.elements[0].pos,
                                                 scene.elements[0].q, scene.magnify);
    EXPECT_NEAR(std::fmod(top.angle + 2 * kPi, kPi), 3 * kPi / 4, 1e-7);

    // The same in pixels: the drawn ellipsoid and the plan view's drawn ellipse have the same extent.
    const QImage img = RenderScene3D(n.doc, n.At2DScale(StandardView::Top));
    const QRect ink3d = InkAround(img, QPoint(200, 200), 120);
    const QImage plan = RenderCanvas(n.doc, 0);
    const COMMON& p = n.doc.pointList[0];
    const QRect ink2d = InkAround(plan, QPoint(p.hcoord[0], p.vcoord[0]), 120);
    const int expected = static_cast<int>(2 * std::sqrt(2.5) * e); // 119 pixels across
    EXPECT_NEAR(ink3d.width(), expected, 3);
    EXPECT_NEAR(ink3d.height(), expected, 3);
    EXPECT_NEAR(ink2d.width(), ink3d.width(), 3);
    EXPECT_NEAR(ink2d.height(), ink3d.height(), 3);
}

TEST(View3DGeometry, CameraDirectionsZoomAndPerspective) {
    Camera3D cam;
    cam.width = 200, cam.height = 100;
    cam.pixelsPerUnit = 10;
    auto at = [&](double x, double y, double z) {
        const ScreenPoint s = cam.Project(P3(x, y, z));
        return QPointF(s.x, s.y);
    };
    // Top: x to the right, y up the screen; front: x right, z up; side: y right, z up.
    cam.SetStandard(StandardView::Top);
    EXPECT_NEAR(at(0, 0, 0).x(), 100, 1e-9);
    EXPECT_NEAR(at(0, 0, 0).y(), 50, 1e-9);
    EXPECT_NEAR(at(1, 0, 0).x(), 110, 1e-9);
    EXPECT_NEAR(at(0, 1, 0).y(), 40, 1e-9);
    EXPECT_NEAR((at(0, 0, 1) - at(0, 0, 0)).manhattanLength(), 0, 1e-9);
    cam.SetStandard(StandardView::Front);
    EXPECT_NEAR(at(1, 0, 0).x(), 110, 1e-9);
    EXPECT_NEAR(at(0, 0, 1).y(), 40, 1e-9);
    EXPECT_GT(cam.Project(P3(0, -1, 0)).depth, 0) << "the eye is on the -y side";
    cam.SetStandard(StandardView::Side);
    EXPECT_NEAR(at(0, 1, 0).x(), 110, 1e-9);
    EXPECT_NEAR(at(0, 0, 1).y(), 40, 1e-9);

    // The elevation stops at the poles; the azimuth goes round.
    cam.Orbit(-100, 200);
    EXPECT_DOUBLE_EQ(cam.elevationDeg, 90);
    EXPECT_DOUBLE_EQ(cam.azimuthDeg, 350);

    // Zooming about a pixel keeps the model point under it there.
    cam.SetStandard(StandardView::Oblique);
    const P3 q(3, -2, 1);
    const ScreenPoint before = cam.Project(q);
    cam.ZoomAt(1.5625, before.x, before.y);
    EXPECT_NEAR(cam.Project(q).x, before.x, 1e-9);
    EXPECT_NEAR(cam.Project(q).y, before.y, 1e-9);
    EXPECT_NEAR(cam.pixelsPerUnit, 15.625, 1e-12);

    // In perspective the near end of an edge is larger than the far end; behind the eye is hidden.
    cam = Camera3D{};
    cam.SetStandard(StandardView::Front);
    cam.perspective = true;
    cam.distance = 10;
    EXPECT_NEAR(cam.ScaleAt(P3(0, 0, 0)), cam.pixelsPerUnit, 1e-12);
    EXPECT_GT(cam.ScaleAt(P3(0, -5, 0)), cam.ScaleAt(P3(0, 5, 0)));
    EXPECT_FALSE(cam.Project(P3(0, -20, 0)).visible);

    // Fitting puts the box's centre in the middle and all of it inside the window.
    cam = Camera3D{};
    cam.width = 300, cam.height = 200;
    cam.Fit(P3(0, 0, 0), P3(40, 20, 10));
    for (int i = 0; i < 8; ++i) {
        const ScreenPoint s = cam.Project(P3(i & 1 ? 40 : 0, i & 2 ? 20 : 0, i & 4 ? 10 : 0));
        EXPECT_TRUE(s.x >= 0 && s.x <= 300 && s.y >= 0 && s.y <= 200) << i;
    }
}

TEST(View3DGeometry, DegenerateEllipsoidsNeverGiveNaN) {
    OnePoint n;
    const Camera3D cam = n.At2DScale(StandardView::Oblique);
    // Flat (one axis zero) and zero covariances project to a line and a point.
    Eigen::Matrix3d flat = Eigen::Matrix3d::Zero();
    flat(0, 0) = 1e-6;
    ScreenEllipsoid s = ProjectEllipsoid(cam, P3(5, 5, 5), flat, 1000);
    EXPECT_TRUE(s.visible);
    EXPECT_GT(s.a, 0);
    EXPECT_NEAR(s.b, 0, 1e-9);
    s = ProjectEllipsoid(cam, P3(5, 5, 5), Eigen::Matrix3d::Zero(), 1000);
    EXPECT_EQ(s.a, 0);
    Eigen::Matrix3d bad = Eigen::Matrix3d::Identity();
    bad(1, 1) = std::nan("");
    EXPECT_FALSE(ProjectEllipsoid(cam, P3(5, 5, 5), bad, 1).visible);
    // An element without ellipses carries no covariance; neither does anything before a Calculate.
    n.doc.pointList[0].A[0] = n.doc.pointList[0].A[1] = n.doc.pointList[0].A[2] = 0;
    EXPECT_FALSE(BuildScene(n.doc).elements[0].hasCovariance);
}

// The picture written straight into an image's pixels (lines, names) against the same scene drawn
// through the painter alone (a clip turns the direct writing off): the same picture, give or take
// a pixel where the two place a line differently (the painter keeps the ends' fractions). Lines
// left out or moved by a few pixels make most of the ink differ.
TEST(View3DPicture, PixelsWrittenDirectlyMatchThePainter) {
    test::TempDir dir;
    const std::string path = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", path);
    kivoMDIClient doc;
    doc.OpenName = path;
    doc.CreateMemory();
    ASSERT_TRUE(doc.ReadSimFile());
    doc.ProcessSimData();
    doc.bAutosave = false;
    doc.bName = doc.bCollimate = doc.bDirect = doc.bDistance = doc.bHeight = true;
    doc.CmCalculate();
    ASSERT_TRUE(doc.bValEllip);
    doc.bEllipse = false; // shaded ellipsoids blend a line moved by a pixel into another colour
    const Scene3D scene = BuildScene(doc);
    const Camera3D cam = FittedCamera(scene, 900, 700, StandardView::Oblique);
    const QImage direct = RenderScene3D(doc, cam);
    QImage painted(direct.size(), QImage::Format_RGB32);
    painted.fill(Qt::white);
    {
        QPainter p(&painted);
        p.setClipRect(painted.rect());
        DrawScene3D(p, doc, scene, cam);
    }
    // A pixel differs when the other picture has no pixel of its colour in the 3 x 3 square about it.
    auto near = [](const QImage& img, int x, int y, QRgb c) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img.valid(x + dx, y + dy) && img.pixel(x + dx, y + dy) == c) return true;
        return false;
    };
    int differ = 0, ink = 0;
    for (int y = 0; y < direct.height(); ++y)
        for (int x = 0; x < direct.width(); ++x) {
            ink += painted.pixel(x, y) != qRgb(255, 255, 255);
            differ += !near(painted, x, y, direct.pixel(x, y)) || !near(direct, x, y, painted.pixel(x, y));
        }
    EXPECT_GT(ink, 5000);
    EXPECT_LT(differ, ink / 8) << differ << " of " << ink << " inked pixels differ";
}

TEST(View3DPicking, ElementsFirstThenDisplayedLinesAsIn2D) {
    kivoMDIClient doc;
    doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
    doc.xMin = doc.yMin = doc.zMin = 0;
    doc.xMax = doc.yMax = doc.zMax = 10;
    doc.bCollimate = doc.bDirect = true;
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.CreateMemory();
    doc.NewTheo("T1", "", 1, 0, 1, 1, 1, 0, 0, 0, 0);
    doc.NewTheo("T2", "", 2, 0, 9, 1, 1, 0, 0, 0, 0);
    doc.NewPoint("P", "", 5, 9, 1, 0);
    doc.theoList[0].thList.Append(CONNECT1{1, OBS_IDEAL, 0, 0, 0});
    doc.theoList[0].ptList.Append(CONNECT1{0, OBS_IDEAL, 0, 0, 0});
    doc.theoList[0].SyncCounts();
    Camera3D cam;
    cam.width = 400, cam.height = 400;
    cam.SetStandard(StandardView::Top);
    cam.target = P3(5, 5, 1);
    cam.pixelsPerUnit = 40; // x = 200 + 40 (x - 5), y = 200 - 40 (y - 5)
    const Scene3D scene = BuildScene(doc);
    ASSERT_EQ(scene.lines.size(), 2u);

    // T2 at (360, 360): its box is 355..364 both ways.
    Pick3D p = PickAt(scene, cam, 355, 364);
    EXPECT_EQ(p.kind, SEL_THEO);
    EXPECT_EQ(p.a, 1);
    EXPECT_EQ(PickAt(scene, cam, 365, 360).kind, SEL_NONE);
    EXPECT_EQ(ApplyPick(doc, p), SEL_THEO * 65536L + 1);
    EXPECT_EQ(doc.selectType, SEL_THEO);
    EXPECT_EQ(doc.index, 1);

    // The collimation T1-T2 runs along y = 360; 3 pixels off it is a hit, 4 is not.
    p = PickAt(scene, cam, 200, 357);
    EXPECT_EQ(p.kind, SEL_COLLIMATE);
    EXPECT_EQ(ApplyPick(doc, p), SEL_COLLIMATE * 65536L + ((0 << 8) | 1));
    EXPECT_EQ(doc.stationA, 0);
    EXPECT_EQ(doc.stationB, 1);
    EXPECT_EQ(PickAt(scene, cam, 200, 356).kind, SEL_NONE);
    // The direction T1-P, halfway.
    p = PickAt(scene, cam, 120, 200);
    EXPECT_EQ(p.kind, SEL_PTDIRECT);
    ApplyPick(doc, p);
    EXPECT_EQ(doc.station, 0);
    EXPECT_EQ(doc.target, 0);

    // Hidden kinds cannot be hit; nothing hit clears the selection's kind.
    doc.bCollimate = false;
    EXPECT_EQ(PickAt(BuildScene(doc), cam, 200, 357).kind, SEL_NONE);
    EXPECT_EQ(ApplyPick(doc, {}), 0xFFFF);
    EXPECT_EQ(doc.selectType, SEL_NONE);
}

TEST(View3DWindow, TheExampleShowsEveryStationAndFollowsSelectionDragAndUndo) {
    test::TempDir dir;
    const std::string path = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", path);
    app::kivoApp app;
    app.InitMainWindow(false);
    app::kivoDecoratedMDIFrame* frame = app.frame();
    frame->resize(1280, 900);
    frame->show();
    EXPECT_EQ(frame->New3DView(), nullptr) << "no project, no 3D view";
    app.OpenProject(QString::fromStdString(path));
    kivoMDIClient& doc = app.doc();
    doc.bRecalc = true;
    doc.bIdeals = true;
    doc.bAutosave = false;
    frame->Command(cmd::Calculate);
    ASSERT_EQ(doc.lastCalculateResult, 0);
    ASSERT_TRUE(doc.bValEllip);

    QAction* action = frame->Action(cmd::New3DView);
    ASSERT_NE(action, nullptr);
    action->trigger();
    ASSERT_EQ(frame->Views3D().size(), 1u);
    View3DWindow* view = frame->Views3D()[0];
    app::kivoMDIChild* child = frame->Children3D()[0];
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), child);
    child->showMaximized();
    QApplication::processEvents();
    QTRY_VERIFY(view->viewport()->width() > 300);
    doc.bName = false; // the ellipsoids, not the names
    view->ShowStandard(StandardView::Oblique);
    const QImage shown = view->viewport()->grab().toImage();

    // Every station is drawn where the camera puts it.
    const Camera3D& cam = view->camera();
    int stations = 0;
    for (int i = 0; i < doc.nMaxTheos; ++i) {
        const THEODOLITE& t = doc.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        ++stations;
        const ScreenPoint s = cam.Project(P3(t.xReal, t.yReal, t.zReal));
        ASSERT_TRUE(s.x > 5 && s.y > 5 && s.x < cam.width - 5 && s.y < cam.height - 5) << t.name;
        EXPECT_FALSE(InkAround(shown, QPoint(int(s.x), int(s.y)), 3).isEmpty()) << t.name;
    }
    EXPECT_GT(stations, 3);
    Shot(frame, "view3d-oblique.png");

    // A click on a station selects it, in every view.
    int slot = -1;
    for (int i = 0; i < doc.nMaxTheos && slot < 0; ++i)
        if (doc.theoList[i].flags & ELEM_INUSE) slot = i;
    const THEODOLITE& t = doc.theoList[slot];
    auto where = [&] {
        const ScreenPoint s = view->camera().Project(P3(t.xReal, t.yReal, t.zReal));
        return QPoint(int(s.x), int(s.y));
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, where());
    EXPECT_EQ(doc.selectType, SEL_THEO);
    EXPECT_EQ(doc.index, slot);
    EXPECT_TRUE(t.flags & ELEM_SELECTED);
    EXPECT_TRUE(frame->Action(cmd::EditCut)->isEnabled());
    // A click on empty ground clears it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(doc.selectType, SEL_NONE);

    // A drag orbits (and selects nothing), Shift+drag pans, F fits again.
    const Camera3D before = view->camera();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(view->viewport(), QPoint(340, 310));
    QTest::mouseMove(view->viewport(), QPoint(380, 320));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(380, 320));
    EXPECT_NEAR(view->camera().azimuthDeg, std::fmod(before.azimuthDeg - 40 + 360, 360), 1e-9);
    EXPECT_NEAR(view->camera().elevationDeg, before.elevationDeg + 10, 1e-9);
    EXPECT_EQ(doc.selectType, SEL_NONE);
    Shot(frame, "view3d-orbit.png");
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 300));
    QTest::mouseMove(view->viewport(), QPoint(320, 290));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(320, 290));
    EXPECT_NEAR(view->camera().panX, 20 - 0, 1e-9);
    QTest::keyClick(view, Qt::Key_F);
    EXPECT_EQ(view->camera().panX, 0);

    // A double click opens the station's form.
    QString formTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            formTitle = w->windowTitle();
            w->close();
        }
    });
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, where());
    EXPECT_FALSE(formTitle.isEmpty());

    // A move in a 2D view and its undo both show in the 3D view: it paints from the document.
    auto picture = [&] {
        QApplication::processEvents();
        return view->viewport()->grab().toImage();
    };
    const QImage still = picture();
    const double x0 = doc.theoList[slot].xReal;
    doc.BeginChange("Move");
    doc.theoList[slot].xReal += 2.0;
    doc.CalcPixelPos(doc.theoList[slot]);
    doc.EndChange();
    doc.UpdateViews(true);
    EXPECT_NE(picture(), still);
    frame->history().undoAction()->trigger();
    EXPECT_DOUBLE_EQ(doc.theoList[slot].xReal, x0);
    EXPECT_EQ(picture(), still);
    // Back at the opened state, with the listing's out-of-date bar come and gone: nothing to save
    // (else closing would ask).
    ASSERT_FALSE(doc.bFileDirty);

    // Printing draws the picture on one page (here a PDF file); closing the project takes the
    // window along.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString(dir.file("3d.pdf"));
    printer.setOutputFileName(pdf);
    app::T3DOut out(QStringLiteral("PLANT.SIM"), doc, *view);
    ASSERT_TRUE(app::PrintAll(out, printer));
    EXPECT_GT(QFileInfo(pdf).size(), 2000);
    EXPECT_TRUE(out.FooterText().startsWith("PLANT.SIM - 3D View - azimuth"));
    frame->Command(cmd::FileClose);
    EXPECT_TRUE(frame->Views3D().empty());
}

TEST(View3DWindow, LiveDragAndToleranceShowIn3D) {
    test::TempDir dir;
    const std::string path = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", path);
    app::kivoApp app;
    app.InitMainWindow(false);
    app::kivoDecoratedMDIFrame* frame = app.frame();
    frame->resize(1280, 900);
    frame->show();
    app.OpenProject(QString::fromStdString(path));
    kivoMDIClient& doc = app.doc();
    doc.bRecalc = true;
    doc.bIdeals = true;
    doc.bAutosave = false;
    doc.bName = false;
    frame->Command(cmd::Calculate);
    ASSERT_EQ(doc.lastCalculateResult, 0);
    ASSERT_TRUE(frame->Action(cmd::LivePrecision)->isChecked());
    frame->mdiArea()->tileSubWindows();
    View3DWindow* view = frame->New3DView(); // over the tiled views, two thirds of the area
    ASSERT_NE(view, nullptr);
    QApplication::processEvents();
    view->ShowStandard(StandardView::Oblique);
    auto picture = [&] {
        QApplication::processEvents();
        return view->viewport()->grab().toImage();
    };
    const QImage before = picture();

    // A station dragged in the plan view: the 3D view shows the new ellipsoids while it moves.
    views::TKIVOWindow* plan = frame->view(0);
    const THEODOLITE& t = doc.theoList[1];
    const QPoint from(t.hcoord[0] + plan->horzOrigin, t.vcoord[0] + plan->vertOrigin);
    QTest::mousePress(plan->viewport(), Qt::LeftButton, {}, from);
    ASSERT_EQ(doc.selectType, SEL_THEO);
    const QPoint to = from + QPoint(-40, 30);
    QTest::mouseMove(plan->viewport(), to);
    views::TheLiveWorker().WaitIdle();
    const QImage during = picture();
    EXPECT_GE(views::TheLiveWorker().stats().applied, 1);
    EXPECT_NE(during, before);
    Shot(frame, "view3d-live.png");
    QTest::mouseRelease(plan->viewport(), Qt::LeftButton, {}, to);

    // A tolerance between the smallest and the largest point ellipsoid at 95 %: green and red
    // ellipsoids, and the legend.
    auto count = [](const QImage& img, bool wantGreen) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += wantGreen ? c.green() - std::max(c.red(), c.blue()) > 40
                               : c.red() - std::max(c.green(), c.blue()) > 40;
            }
        return n;
    };
    const QImage plain = picture();
    doc.precision.toleranceMeters = 0.00025;
    doc.precision.confidence95 = true;
    doc.UpdateViews(true);
    const QImage judged = picture();
    // The axis cross and the lines are there in both pictures; the tints come on top.
    EXPECT_GT(count(judged, true), count(plain, true) + 100);
    EXPECT_GT(count(judged, false), count(plain, false) + 100);
    Shot(frame, "view3d-tolerance.png");
    doc.bFileDirty = false;
}
