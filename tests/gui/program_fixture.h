#pragma once
// The program with a small project of the test's own: the test writes the project, the fixture
// opens it in the main window with the plan view at 700 x 600 and active, and gives the plan
// view's pixel of an element and a drag with the select tool.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <memory>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "support/test_support.h"
#include "views/view_window.h"

namespace kivo::test {

class ProgramFixture : public ::testing::Test {
protected:
    // A new, named project at `path` with limits 0 .. 100 at 10 units per centimetre, names not
    // drawn; the caller adds the elements and writes it.
    static void StartProject(kivoMDIClient& d, const std::string& path) {
        d.CmFileNew();
        d.OpenName = path;
        d.bFileNamed = true;
        d.xMin = d.yMin = d.zMin = 0;
        d.xMax = d.yMax = d.zMax = 100;
        d.objScale1 = d.objScale2 = d.objScale3 = 10;
        d.bName = false;
        d.SetScaleFactors();
        d.SetWindowParms();
    }
    void OpenInProgram(const std::string& path) {
        app = std::make_unique<app::kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->resize(1200, 900);
        frame->show();
        app->OpenProject(QString::fromStdString(path));
        frame->child(0)->showNormal();
        frame->child(0)->resize(700, 600);
        frame->mdiArea()->setActiveSubWindow(frame->child(0));
        QApplication::processEvents();
    }
    // The example project, copied into the test's folder, opened in a main window of the given size
    // as the program opens it.
    void OpenExample(int width, int height) {
        const std::string path = dir.file("PLANT.SIM");
        std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", path);
        app = std::make_unique<app::kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->resize(width, height);
        frame->show();
        app->OpenProject(QString::fromStdString(path));
        QApplication::processEvents();
    }
    void TearDown() override {
        if (!app) return;
        if (QWidget* g = QWidget::mouseGrabber()) g->releaseMouse();
        app->doc().bFileDirty = false;
        app.reset();
    }

    kivoMDIClient& doc() { return app->doc(); }
    QWidget* Port() { return frame->view(0)->viewport(); }
    QPoint At(int kind, int slot) {
        const COMMON& c = doc().Common(kind, slot);
        views::TKIVOWindow* v = frame->view(0);
        return QPoint(c.hcoord[0] + v->horzOrigin, c.vcoord[0] + v->vertOrigin);
    }
    // Drags the element by `by` pixels with the select tool, through `steps` moves.
    void Drag(int kind, int slot, QPoint by, int steps = 1) {
        const QPoint from = At(kind, slot);
        QTest::mousePress(Port(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(Port(), from + by * i / steps);
        QTest::mouseRelease(Port(), Qt::LeftButton, {}, from + by);
    }

    TempDir dir;
    std::unique_ptr<app::kivoApp> app;
    app::kivoDecoratedMDIFrame* frame = nullptr;
};

} // namespace kivo::test
