// Zooming the views: Ctrl+wheel about the pointer, Zoom In/Out, Zoom to Fit (F, a middle double
// click, the Layout menu) and what every view shows after the drawing scales change.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "model/command_ids.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
namespace cmd = kivo::cmd;

namespace {

// Limits 0..100 at 1 unit per centimetre: canvases far larger than the windows. The network
// (when asked for) is a small cluster off the middle of the limit box.
std::string WriteNetwork(const std::string& path, bool withNetwork) {
    kivoMDIClient doc;
    doc.CreateMemory();
    doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
    doc.xMin = doc.yMin = doc.zMin = 0;
    doc.xMax = doc.yMax = doc.zMax = 100;
    doc.globalPos = 1, doc.globalTheo = 0, doc.globalPoint = 1, doc.globalSBar = 1;
    doc.SetScaleFactors();
    doc.SetWindowParms();
    if (withNetwork) {
        doc.NewTheo("Theo1_0", "T10", 1, 0, 60, 20, 10, 0, 0, 0, 0);
        doc.NewTheo("Theo2_0", "T20", 2, 0, 80, 25, 12, 0, 0, 0, 0);
        doc.NewPoint("Point1", "P1", 65, 40, 20, 0);
        doc.NewPoint("Point2", "P2", 75, 45, 25, 0);
        doc.NewSBar("SBar1", "S1", 70, 30, 15, 1, 0, 100);
    }
    for (int i = 0; i < 4; ++i)
        doc.mdiFlags[i] = 2;
    doc.OpenName = path;
    EXPECT_TRUE(doc.WriteSimFile());
    return path;
}

class Zoom : public ::testing::Test {
protected:
    void Open(bool withNetwork) {
        app = std::make_unique<kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->resize(1200, 900);
        frame->show();
        app->OpenProject(QString::fromStdString(WriteNetwork(dir.file("NET.SIM"), withNetwork)));
        QApplication::processEvents();
        for (int i = 0; i < 3; ++i) {
            frame->child(i)->showNormal();
            frame->child(i)->resize(520, 400);
        }
        frame->mdiArea()->setActiveSubWindow(frame->child(0));
        QApplication::processEvents();
        doc().bFileDirty = false; // the windows settling in
    }
    void TearDown() override {
        if (app) app->doc().bFileDirty = false;
        app.reset();
    }
    kivoMDIClient& doc() { return app->doc(); }
    views::TKIVOWindow* View(int i) { return frame->view(i); }
    // The model point (view axes) under a window pixel, as the status bar reports it.
    QPointF ModelAt(int i, QPoint pos) {
        views::TKIVOWindow* v = View(i);
        return {(pos.x() + v->horizontalScrollBar()->value()) / doc().hObjScale[i] + doc().hBase[i],
                doc().vBase[i] - (pos.y() + v->verticalScrollBar()->value()) / doc().vObjScale[i]};
    }
    // Window pixel of an element.
    QPoint At(const COMMON& e, int i) {
        views::TKIVOWindow* v = View(i);
        return {e.hcoord[i] - v->horizontalScrollBar()->value(),
                e.vcoord[i] - v->verticalScrollBar()->value()};
    }
    bool AllInside(int i) {
        const QRect port = View(i)->viewport()->rect();
        for (const COMMON* e :
             {static_cast<const COMMON*>(&doc().theoList[0]), static_cast<const COMMON*>(&doc().theoList[1]),
              static_cast<const COMMON*>(&doc().pointList[0]),
              static_cast<const COMMON*>(&doc().pointList[1]),
              static_cast<const COMMON*>(&doc().sbarList[0])})
            if (!port.contains(At(*e, i))) return false;
        return true;
    }
    void Wheel(int i, QPoint pos, int delta, Qt::KeyboardModifiers keys = Qt::ControlModifier) {
        QWidget* port = View(i)->viewport();
        QWheelEvent e(QPointF(pos), QPointF(port->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      keys, Qt::NoScrollPhase, false);
        QApplication::sendEvent(port, &e);
        QApplication::processEvents();
    }
    test::TempDir dir;
    std::unique_ptr<kivoApp> app;
    kivoDecoratedMDIFrame* frame = nullptr;
};

} // namespace

TEST_F(Zoom, CtrlWheelKeepsThePointUnderThePointerAndRescalesTheProject) {
    Open(true);
    views::TKIVOWindow* plan = View(0);
    plan->horizontalScrollBar()->setValue(1500);
    plan->verticalScrollBar()->setValue(1800);
    const QPoint pos(137, 211);
    EXPECT_FALSE(doc().bFileDirty);

    // In one notch, out two notches, in with a fine wheel in quarter notches: each time the model
    // point under the pointer stays under it to a pixel.
    const struct {
        int delta, times;
        double scale;
    } turns[] = {{120, 1, 0.8}, {-240, 1, 1.25}, {30, 4, 1}};
    for (const auto& t : turns) {
        const QPointF before = ModelAt(0, pos);
        for (int k = 0; k < t.times; ++k)
            Wheel(0, pos, t.delta);
        for (double scale : {doc().objScale1, doc().objScale2, doc().objScale3})
            EXPECT_DOUBLE_EQ(scale, t.scale);
        const QPointF after = ModelAt(0, pos);
        EXPECT_LE(std::abs(after.x() - before.x()) * doc().hObjScale[0], 1.0) << t.delta;
        EXPECT_LE(std::abs(after.y() - before.y()) * doc().vObjScale[0], 1.0) << t.delta;
    }
    // The scales belong to the project, every view draws with them. Without Control the wheel
    // scrolls and zooms nothing.
    EXPECT_TRUE(doc().bFileDirty);
    EXPECT_EQ(doc().hExtent[1], doc().hExtent[0]);
    const int v = plan->verticalScrollBar()->value();
    Wheel(0, pos, -120, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(doc().objScale1, 1);
    EXPECT_GT(plan->verticalScrollBar()->value(), v);

    // Zoom In and Out from the menu act on the active view about its centre.
    frame->mdiArea()->setActiveSubWindow(frame->child(2));
    const QSize port = View(2)->viewport()->size();
    const QPointF centre = ModelAt(2, QPoint(port.width() / 2, port.height() / 2));
    frame->Action(cmd::ZoomIn)->trigger();
    EXPECT_DOUBLE_EQ(doc().objScale3, 0.8);
    const QPointF after = ModelAt(2, QPoint(port.width() / 2, port.height() / 2));
    EXPECT_LE(std::abs(after.x() - centre.x()) * doc().hObjScale[2], 1.0);
    frame->Action(cmd::ZoomOut)->trigger();
    EXPECT_DOUBLE_EQ(doc().objScale3, 1);
}

TEST_F(Zoom, AfterAScaleChangeNoViewLosesTheNetwork) {
    Open(true);
    // Every view looking at the network closely, then much coarser scales (as from the Display
    // form): the old scroll positions would show empty canvas.
    const OBJECTPOINT& p1 = doc().pointList[0];
    for (int i = 0; i < 3; ++i)
        View(i)->CentreOnPoint(p1.xReal, p1.yReal, p1.zReal);
    // The plan window on an empty corner of the limit box instead.
    View(0)->horizontalScrollBar()->setValue(0);
    View(0)->verticalScrollBar()->setValue(0);
    doc().objScale1 = doc().objScale2 = doc().objScale3 = 4;
    doc().SetScaleFactors();
    doc().SetWindowParms();
    doc().ProcessSimData();
    doc().UpdateScrollBars();
    QApplication::processEvents();
    // What was in the middle of a window still is; where that was empty canvas, the middle of the
    // network comes into sight.
    for (int i = 1; i < 3; ++i) {
        const QSize port = View(i)->viewport()->size();
        const QPoint mid = At(doc().pointList[0], i) - QPoint(port.width() / 2, port.height() / 2);
        EXPECT_LE(mid.manhattanLength(), 2) << "view " << i;
    }

    const QPointF centre[3] = {{70, 32.5}, {70, 17.5}, {32.5, 17.5}}; // middle of the network
    auto centreInView = [&](int i) {
        const QPoint at(TruncToInt((centre[i].x() - doc().hBase[i]) * doc().hObjScale[i]) -
                            View(i)->horizontalScrollBar()->value(),
                        TruncToInt((doc().vBase[i] - centre[i].y()) * doc().vObjScale[i]) -
                            View(i)->verticalScrollBar()->value());
        return View(i)->viewport()->rect().contains(at);
    };
    EXPECT_TRUE(centreInView(0));
    // A zoom deep into one corner of the plan leaves the side and end views on the network.
    for (int k = 0; k < 12; ++k)
        Wheel(0, QPoint(5, 5), 120);
    EXPECT_TRUE(centreInView(1));
    EXPECT_TRUE(centreInView(2));
}

TEST_F(Zoom, FitShowsTheWholeNetworkOrTheWholeLimitBox) {
    Open(true);
    // F in the plan view: the cluster inside the window, and filling it in one direction.
    QTest::keyClick(View(0), Qt::Key_F);
    QApplication::processEvents();
    EXPECT_TRUE(AllInside(0));
    const QSize port = View(0)->viewport()->size();
    const int spanH = doc().theoList[1].hcoord[0] - doc().theoList[0].hcoord[0];
    const int spanV = doc().theoList[0].vcoord[0] - doc().pointList[1].vcoord[0];
    EXPECT_TRUE(spanH > port.width() / 2 || spanV > port.height() / 2) << spanH << " " << spanV;
    // A middle double click in the side view, the menu with the text window active (plan view).
    QTest::mouseDClick(View(1)->viewport(), Qt::MiddleButton, {}, QPoint(50, 50));
    QApplication::processEvents();
    EXPECT_TRUE(AllInside(1));
    doc().objScale1 = doc().objScale2 = doc().objScale3 = 3;
    frame->mdiArea()->setActiveSubWindow(frame->child(3));
    frame->Action(cmd::ZoomFit)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(AllInside(0));

    // Without a network the limit box fits, borders and all: no scroll bars are needed.
    Open(false);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(View(i), Qt::Key_F);
        QApplication::processEvents();
        const QSize port = View(i)->viewport()->size();
        EXPECT_LE(doc().hExtent[i], port.width()) << i;
        EXPECT_LE(doc().vExtent[i], port.height()) << i;
        EXPECT_EQ(View(i)->horizontalScrollBar()->maximum(), 0) << i;
        EXPECT_EQ(View(i)->verticalScrollBar()->maximum(), 0) << i;
        // Finest that fits: one step finer no longer does.
        EXPECT_GT(doc().hExtent[i] * 1.25, port.width() * 0.9) << i;
    }
}
