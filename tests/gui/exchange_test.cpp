// File > Import Points, Export Results and Export Drawing, driven through the menu and the file
// dialogs as a user would.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTimer>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "model/command_ids.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::app;

namespace {

// Answers the next file dialog with `path`.
void AnswerFileDialog(const QString& path) {
    QTimer::singleShot(0, [path] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            d->selectFile(path);
            QMetaObject::invokeMethod(d, "accept"); // a protected slot
        }
    });
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        app->doc().bFileDirty = false;
        app.reset();
    }
    test::TempDir dir;
    std::unique_ptr<kivoApp> app;
    kivoDecoratedMDIFrame* frame = nullptr;
};

} // namespace

TEST_F(Exchange, TheFileMenuImportsPointsAndExportsTheDrawing) {
    // A project of one station, made by kivo's own File > New path through the document.
    kivoMDIClient seed;
    seed.CreateMemory();
    seed.NewTheo("T1", "", 1, 0, 10, 10, 1, 0, 0, 0, 0x2A);
    seed.OpenName = dir.file("NET.SIM");
    ASSERT_TRUE(seed.WriteSimFile());
    app->OpenProject(QString::fromStdString(seed.OpenName));
    QApplication::processEvents();

    for (int id : {cmd::ImportPoints, cmd::ExportResults, cmd::ExportDrawing}) {
        QAction* a = frame->Action(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        EXPECT_EQ(a->data().toInt(), id);
    }

    test::writeText(dir.file("points.csv"), "name,x,y,z\nA,20,30,2\nB,40,35,3\n");
    AnswerFileDialog(QString::fromStdString(dir.file("points.csv")));
    frame->Action(cmd::ImportPoints)->trigger();
    kivoMDIClient& doc = app->doc();
    EXPECT_EQ(doc.nNumPoints, 2);
    EXPECT_TRUE(doc.bFileDirty);

    AnswerFileDialog(QString::fromStdString(dir.file("plan.dxf")));
    frame->Action(cmd::ExportDrawing)->trigger();
    const std::string dxf = test::readText(dir.file("plan.dxf"));
    EXPECT_NE(dxf.find("POINTS"), std::string::npos);
    EXPECT_NE(dxf.find("\nA\n"), std::string::npos) << "the label of point A";
}
