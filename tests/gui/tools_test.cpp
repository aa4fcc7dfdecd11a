// Editing with the mouse in the views: the tool commands, placing, measuring, dragging, double
// clicks opening the forms; and the wiring of the settings commands and File > New.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

#include "app/help_viewer.h"
#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/text_window.h"
#include "forms/form_base.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "support/packed_value.h"
#include "support/test_support.h"
#include "views/tool_cursors.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
using kivo::test::Val;
namespace cmd = kivo::cmd;

namespace {

// Limits 0..10 in every axis at 1 unit per centimetre of screen: the canvas is smaller than the
// view windows, so the corner of a window lies outside the limit box.
std::string WriteNetwork(const std::string& path) {
    kivoMDIClient doc;
    doc.CreateMemory();
    doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
    doc.xMin = doc.yMin = doc.zMin = 0;
    doc.xMax = doc.yMax = doc.zMax = 10;
    doc.globalPos = 1, doc.globalTheo = 0, doc.globalPoint = 1, doc.globalSBar = 1;
    doc.bName = false; // names cover what the clicks aim at
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.NewTheo("Theo1_0", "T10", 1, 0, 1, 1, 1, 0, 0, 0, 0);
    doc.NewTheo("Theo2_0", "T20", 2, 0, 9, 1, 1, 0, 0, 0, 0);
    doc.NewTheo("Theo3_0", "T30", 3, 0, 3, 3, 1, 0, 0, 0, 0);
    doc.NewPoint("Point1", "P1", 1, 9, 1, 0);
    doc.NewPoint("Point2", "P2", 5, 9, 1, 0);
    doc.NewPoint("Point3", "P3", 7, 6, 1, 0);
    doc.NewSBar("SBar1", "S1", 9, 9, 1, 1, 0, 100);
    for (int i = 0; i < 4; ++i)
        doc.mdiFlags[i] = 2;
    doc.OpenName = path;
    EXPECT_TRUE(doc.WriteSimFile());
    return path;
}

class Tools : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->resize(1200, 900);
        frame->show();
        app->OpenProject(QString::fromStdString(WriteNetwork(dir.file("NET.SIM"))));
        QApplication::processEvents();
        Show(0);
    }
    void TearDown() override {
        if (QWidget* g = QWidget::mouseGrabber()) g->releaseMouse();
        app->doc().bFileDirty = false;
        app.reset();
    }
    kivoMDIClient& doc() { return app->doc(); }
    views::TKIVOWindow* Show(int view) {
        frame->child(view)->showNormal();
        frame->child(view)->resize(700, 600);
        frame->mdiArea()->setActiveSubWindow(frame->child(view));
        QApplication::processEvents();
        return frame->view(view);
    }
    QWidget* Port(int view = 0) { return frame->view(view)->viewport(); }
    // Window pixel of an element in a view.
    QPoint At(int kind, int slot, int view = 0) {
        const COMMON& c = doc().Common(kind, slot);
        views::TKIVOWindow* v = frame->view(view);
        return QPoint(c.hcoord[view] + v->horzOrigin, c.vcoord[view] + v->vertOrigin);
    }
    // Window pixel in the middle of an observation line as it is drawn and hit.
    QPoint Mid(int kind, int a, int b, int view = 0) {
        KLine l;
        doc().ObsLineEnds(kind, view, a, b, &l);
        views::TKIVOWindow* v = frame->view(view);
        return QPoint((l.x1 + l.x2) / 2 + v->horzOrigin, (l.y1 + l.y2) / 2 + v->vertOrigin);
    }
    void Click(int kind, int slot, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(Port(), Qt::LeftButton, keys, At(kind, slot));
    }
    void Tool(int id) { frame->Action(id)->trigger(); }
    // A double click as the window system delivers it: press, release, press, double click, release.
    void DoubleClick(const QPoint& at) {
        QTest::mouseClick(Port(), Qt::LeftButton, {}, at);
        QTest::mousePress(Port(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Port(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(Port(), Qt::LeftButton, {}, at);
    }
    test::TempDir dir;
    std::unique_ptr<kivoApp> app;
    kivoDecoratedMDIFrame* frame = nullptr;
};

} // namespace

TEST_F(Tools, PlacingWithShiftFourTimesThenOutsideTheBox) {
    const int before = doc().nNumPoints;
    Tool(cmd::PointTool);
    EXPECT_EQ(doc().gMode, MODE_POINT);
    EXPECT_EQ(QWidget::mouseGrabber(), Port());
    EXPECT_EQ(Port()->cursor().pixmap().cacheKey(), views::ToolCursorFor(CUR_POINT).pixmap().cacheKey());

    const QPoint spots[4] = {{80, 80}, {140, 90}, {200, 120}, {260, 200}};
    for (const QPoint& at : spots)
        QTest::mouseClick(Port(), Qt::LeftButton, Qt::ShiftModifier, at);
    EXPECT_EQ(doc().nNumPoints, before + 4);
    EXPECT_EQ(doc().gMode, MODE_POINT);
    // Consecutive free numbers after the three points of the file.
    for (int i = 0; i < 4; ++i) {
        const int slot = doc().PointCheck(("Point" + std::to_string(4 + i)).c_str());
        ASSERT_GE(slot, 0) << i;
        // Pixel to model and back, each truncated: at most a pixel apart.
        EXPECT_LE((At(SEL_POINT, slot) - spots[i]).manhattanLength(), 2) << i;
        EXPECT_EQ(Val(doc().pointList[slot].zReal), doc().zDef);
    }
    EXPECT_TRUE(doc().bFileDirty);

    // Bottom right of the window: beyond the limit box. Nothing is placed; the tool ends.
    const QPoint outside(Port()->width() - 3, Port()->height() - 3);
    QTest::mouseClick(Port(), Qt::LeftButton, Qt::ShiftModifier, outside);
    EXPECT_EQ(doc().nNumPoints, before + 4);
    EXPECT_EQ(doc().gMode, MODE_SELECT);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(Port()->cursor().pixmap().cacheKey(), views::ToolCursorFor(CUR_ARROW).pixmap().cacheKey());

    // Without Shift one theodolite, next in the naming order after Theo1_0, then the select tool.
    Tool(cmd::TheoTool);
    QTest::mouseClick(Port(), Qt::LeftButton, {}, QPoint(120, 250));
    EXPECT_GE(doc().TheoCheck("Theo1_1"), 0);
    EXPECT_EQ(doc().gMode, MODE_SELECT);
}

TEST_F(Tools, ToolNeedsAShownGraphicView) {
    frame->child(0)->showMinimized();
    frame->mdiArea()->setActiveSubWindow(frame->child(0));
    QApplication::processEvents();
    Tool(cmd::DirTool);
    EXPECT_EQ(doc().gMode, MODE_SELECT);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    // With the text view active the tool goes to a graphic view.
    frame->child(3)->showNormal();
    frame->mdiArea()->setActiveSubWindow(frame->child(3));
    QApplication::processEvents();
    Tool(cmd::DistTool);
    EXPECT_EQ(doc().gMode, MODE_DIST);
    ASSERT_NE(QWidget::mouseGrabber(), nullptr);
    EXPECT_NE(QWidget::mouseGrabber(), frame->textWindow()->viewport());
}

TEST_F(Tools, DirectionToolMarksCollimatesAndShiftMarks) {
    doc().bCollimate = doc().bDirect = false;
    Tool(cmd::DirTool);
    Click(SEL_THEO, 0);
    EXPECT_TRUE(doc().theoList.IsMarked(0));
    EXPECT_TRUE(doc().SourcesMarked);
    Click(SEL_THEO, 1); // a collimation from the source
    ASSERT_EQ(Val(doc().theoList[0].thCount), 1);
    EXPECT_EQ(Val(doc().theoList[0].thList[0].target), 1);
    EXPECT_TRUE(doc().bCollimate);
    EXPECT_TRUE(frame->Action(cmd::Collimate)->isChecked());
    Click(SEL_THEO, 2, Qt::ShiftModifier); // another source
    EXPECT_TRUE(doc().theoList.IsMarked(2));
    EXPECT_EQ(Val(doc().theoList[0].thCount), 1);
    Click(SEL_POINT, 1);
    EXPECT_EQ(Val(doc().theoList[0].ptCount), 1);
    EXPECT_EQ(Val(doc().theoList[2].ptCount), 1);
    EXPECT_EQ(Val(doc().theoList[1].ptCount), 0);
    EXPECT_TRUE(frame->Action(cmd::Direction)->isChecked());
    // The new line is drawn in blue halfway along it.
    const QImage shot = Port()->grab().toImage();
    const QPoint mid = Mid(SEL_PTDIRECT, 0, 1);
    bool blue = false;
    for (int d = -1; d <= 1; ++d)
        for (int e = -1; e <= 1; ++e)
            blue |= shot.pixelColor(mid + QPoint(d, e)) == QColor(0, 0, 255);
    EXPECT_TRUE(blue);

    QTest::mouseClick(Port(), Qt::LeftButton, {}, QPoint(Port()->width() - 3, Port()->height() - 3));
    EXPECT_EQ(doc().gMode, MODE_SELECT);
    EXPECT_FALSE(doc().theoList.IsMarked(0));
    EXPECT_FALSE(doc().theoList.IsMarked(2));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(Tools, DistanceToolIgnoresATheodoliteAndControlClearsMarks) {
    Tool(cmd::DistTool);
    Click(SEL_THEO, 0);
    Click(SEL_THEO, 1); // sources marked: nothing happens
    EXPECT_FALSE(doc().theoList.IsMarked(1));
    EXPECT_EQ(Val(doc().theoList[0].thCount), 0);
    Click(SEL_POINT, 0, Qt::ShiftModifier);
    Click(SEL_POINT, 1);
    EXPECT_EQ(Val(doc().theoList[0].dsCount), 1);
    EXPECT_EQ(doc().nNumDists, 1);
    EXPECT_TRUE(doc().bDistance);

    Click(SEL_POINT, 2, Qt::ControlModifier); // a new set of sources
    EXPECT_FALSE(doc().theoList.IsMarked(0));
    EXPECT_FALSE(doc().pointList.IsMarked(0));
    EXPECT_TRUE(doc().pointList.IsMarked(2));
    Click(SEL_POINT, 1);
    EXPECT_EQ(doc().nNumDists, 2);
    EXPECT_EQ(Val(doc().theoList[0].dsCount), 1);
    EXPECT_EQ(doc().gMode, MODE_DIST);
}

TEST_F(Tools, DragWithoutRecalculationClearsTheEllipses) {
    doc().bRecalc = false;
    doc().bValEllip = true;
    frame->Action(cmd::Ellipse)->setEnabled(true);
    const QPoint from = At(SEL_POINT, 2);
    QTest::mousePress(Port(), Qt::LeftButton, {}, from);
    EXPECT_EQ(doc().selectType, SEL_POINT);
    EXPECT_EQ(QWidget::mouseGrabber(), Port());
    EXPECT_EQ(Port()->cursor().pixmap().cacheKey(), views::ToolCursorFor(CUR_MOVEPT).pixmap().cacheKey());
    QTest::mouseMove(Port(), from + QPoint(30, -20));
    EXPECT_EQ(frame->statusText().contains("Point3"), true);
    QTest::mouseRelease(Port(), Qt::LeftButton, {}, from + QPoint(30, -20));
    EXPECT_EQ(At(SEL_POINT, 2), from + QPoint(30, -20));
    EXPECT_GT(Val(doc().pointList[2].xReal), 7.0);
    EXPECT_FALSE(doc().bValEllip);
    EXPECT_FALSE(frame->Action(cmd::Ellipse)->isEnabled());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    // Dragged far beyond the window: held at the limits (x 10, y 0 in the plan view).
    const QPoint p = At(SEL_POINT, 2);
    QTest::mousePress(Port(), Qt::LeftButton, {}, p);
    QTest::mouseMove(Port(), QPoint(5000, 5000));
    QTest::mouseRelease(Port(), Qt::LeftButton, {}, QPoint(5000, 5000));
    EXPECT_LE(Val(doc().pointList[2].xReal), doc().xMax);
    EXPECT_GT(Val(doc().pointList[2].xReal), doc().xMax - 0.1);
    EXPECT_GE(Val(doc().pointList[2].yReal), doc().yMin);
    EXPECT_LT(Val(doc().pointList[2].yReal), doc().yMin + 0.1);

    // A press and release without a move changes nothing.
    doc().bValEllip = true;
    const double x = doc().pointList[2].xReal;
    QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_POINT, 2));
    EXPECT_EQ(Val(doc().pointList[2].xReal), x);
    EXPECT_TRUE(doc().bValEllip);
}

TEST_F(Tools, DragWithRecalculationRunsCalculate) {
    doc().bRecalc = true;
    doc().bValEllip = true;
    frame->Action(cmd::Ellipse)->setEnabled(true);
    const QPoint from = At(SEL_THEO, 2);
    QTest::mousePress(Port(), Qt::LeftButton, {}, from);
    QTest::mouseMove(Port(), from + QPoint(10, 10));
    QTest::mouseRelease(Port(), Qt::LeftButton, {}, from + QPoint(10, 10));
    // Calculate ran; this network has no observations, so it adjusted nothing and failed: no
    // ellipses are shown (zero ellipses would read as "perfectly known").
    EXPECT_TRUE(frame->statusText().startsWith("Mavo returns")) << frame->statusText().toStdString();
    EXPECT_FALSE(frame->statusText().startsWith("Mavo returns 0")) << frame->statusText().toStdString();
    EXPECT_FALSE(doc().bValEllip);
}

TEST_F(Tools, DoubleClickOpensTheFormOfEachKind) {
    kivoMDIClient& d = doc();
    // One observation of every kind, laid out so that their middles are apart.
    d.theoList[0].thList.Append(CONNECT1{1, OBS_IDEAL, 0, 0, 0});       // T0 -> T1, y = 1
    d.theoList[0].ptList.Append(CONNECT1{0, OBS_IDEAL, 0, 0, 0});       // T0 -> P0, x = 1
    d.theoList[1].sbList.Append(CONNECT2{0, OBS_IDEAL, 0, 0, 0, 0, 0}); // T1 -> S0, x = 9
    d.theoList[2].dsList.Append(CONNECT3{1, OBS_IDEAL, 0, 0});          // T2 -> P1
    d.theoList[1].hdList.Append(CONNECT6{2, OBS_IDEAL, 0, 0});          // T1 -> P2
    for (int i = 0; i < 3; ++i)
        d.theoList[i].SyncCounts();
    d.AddPtDistance(CONNECT4{0, 1, OBS_INUSE | OBS_IDEAL, 0, 0}); // P0 -> P1, y = 9
    d.AddPtHeight(CONNECT5{1, 2, OBS_INUSE | OBS_IDEAL, 0, 0});   // P1 -> P2
    d.bCollimate = d.bDirect = d.bDistance = d.bHeight = true;
    d.UpdateViews(true);

    struct Case {
        QPoint at;
        int kind;
        const char* caption;
    };
    const Case cases[] = {
        {At(SEL_THEO, 0), SEL_THEO, "Theodolite Info"},
        {At(SEL_POINT, 0), SEL_POINT, "Point Info"},
        {At(SEL_SBAR, 0), SEL_SBAR, "Scale Bar Info"},
        {Mid(SEL_COLLIMATE, 0, 1), SEL_COLLIMATE, "Theodolite Collimations"},
        {Mid(SEL_PTDIRECT, 0, 0), SEL_PTDIRECT, "Object Point Sightings"},
        {Mid(SEL_SBDIRECT, 1, 0), SEL_SBDIRECT, "Scale Bar Sightings"},
        {Mid(SEL_DISTANCE, 2, 1), SEL_DISTANCE, "Distances"},
        {Mid(SEL_PTDISTANCE, 0, 1), SEL_PTDISTANCE, "Point to Point Distances"},
        {Mid(SEL_HEIGHT, 1, 2), SEL_HEIGHT, "Height Differences"},
        {Mid(SEL_PTHEIGHT, 1, 2), SEL_PTHEIGHT, "Point to Point Height Differences"},
    };
    for (const Case& c : cases) {
        QString caption;
        test::WhenModal([&caption](QWidget* w) {
            if (!w) return;
            caption = w->windowTitle();
            static_cast<QDialog*>(w)->reject();
        });
        d.bFileDirty = false;
        DoubleClick(c.at);
        EXPECT_EQ(d.selectType, c.kind) << c.caption;
        EXPECT_EQ(caption, QString::fromLatin1(c.caption));
        EXPECT_EQ(frame->statusText(), "");
        EXPECT_FALSE(d.bFileDirty) << c.caption; // Cancel changes nothing, no move either
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    }

    // OK on the point form left as it was changes nothing; with an edit it marks the project
    // changed. A double click on empty canvas opens nothing.
    test::WhenModal([](QWidget* w) {
        if (w) static_cast<QDialog*>(w)->accept();
    });
    DoubleClick(At(SEL_POINT, 2));
    EXPECT_FALSE(d.bFileDirty);
    test::WhenModal([](QWidget* w) {
        if (!w) return;
        w->findChild<QLineEdit*>(forms::CtlName(forms::ctl::Coord3))->setText(QStringLiteral("2"));
        static_cast<QDialog*>(w)->accept();
    });
    DoubleClick(At(SEL_POINT, 2));
    EXPECT_TRUE(d.bFileDirty);
    EXPECT_EQ(Val(d.pointList[2].zReal), 2.0);
    bool opened = false;
    test::WhenModal([&opened](QWidget* w) {
        if (!w) return;
        opened = true;
        static_cast<QDialog*>(w)->reject();
    });
    DoubleClick(QPoint(Port()->width() - 3, Port()->height() - 3));
    QApplication::processEvents();
    EXPECT_FALSE(opened);
}

TEST_F(Tools, SettingsCommandsOpenTheirFormsAndHelp) {
    const std::pair<int, const char*> commands[] = {{cmd::Project, "Project Info"},
                                                    {cmd::Parameters, "Parameter Info"},
                                                    {cmd::Display, "Display Info"},
                                                    {cmd::Setup, "Theodolite Setup"},
                                                    {cmd::StdDev, "Standard Deviations & Weights"},
                                                    {cmd::Adjust, "Adjustment Info"}};
    for (auto [id, caption] : commands) {
        QString title;
        test::WhenModal([&title](QWidget* w) {
            if (!w) return;
            title = w->windowTitle();
            static_cast<QDialog*>(w)->reject();
        });
        frame->Action(id)->trigger();
        EXPECT_EQ(title, QString::fromLatin1(caption)) << id;
    }

    // The Help button of a form opens its page beside the form.
    QString page;
    test::WhenModal([&page](QWidget* w) {
        if (!w) return;
        auto* help = w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help);
        help->click();
        if (auto* viewer = w->findChild<HelpViewer*>()) page = viewer->CurrentPage();
        static_cast<QDialog*>(w)->reject();
    });
    frame->Action(cmd::Display)->trigger();
    EXPECT_EQ(page, QStringLiteral(":/forms_help/ctx_143.html"));
}

TEST_F(Tools, FileNewRunsTheProjectAndParameterForms) {
    doc().bFileDirty = false;
    frame->Command(cmd::FileClose);
    ASSERT_FALSE(doc().bFileOpen);
    QStringList captions;
    test::WhenModal([&captions](QWidget* project) {
        if (!project) return;
        captions << project->windowTitle();
        if (auto* e = project->findChild<QLineEdit*>(forms::CtlName(forms::ctl::ProjectName)))
            e->setText(QStringLiteral("Hall 4"));
        test::WhenModal([&captions](QWidget* parms) {
            if (!parms) return;
            captions << parms->windowTitle();
            static_cast<QDialog*>(parms)->accept();
        });
        static_cast<QDialog*>(project)->accept();
    });
    frame->Action(cmd::FileNew)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(captions, QStringList({"Project Info", "Parameter Info"}));
    EXPECT_TRUE(doc().bFileOpen);
    EXPECT_STREQ(doc().Project, "Hall 4");
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 4);
    EXPECT_EQ(frame->Action(cmd::TheoTool)->isEnabled(), true);
}
