// Live precision in the program: dragging a station of the example redraws the ellipses for each
// position as it goes, judged against a tolerance; the release runs the normal Calculate, or without
// recalculation keeps the ellipses of the new geometry and marks the listing out of date.
// With KIVO_SHOTS set to a folder, the frame is saved there at the two positions (live-1.png,
// live-2.png) and after a release without recalculation (live-release.png).

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <filesystem>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/text_window.h"
#include "model/command_ids.h"
#include "program_fixture.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"
#include "support/test_support.h"
#include "views/live_worker.h"
#include "views/view_render.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
using kivo::test::Val;

namespace {

std::vector<double> PointAxes(const kivoMDIClient& doc) {
    std::vector<double> v;
    for (int i = 0; i < doc.nMaxPoints; ++i)
        for (int k = 0; k < 3; ++k)
            v.push_back(Val(doc.pointList[i].A[k]));
    return v;
}

// A, B and phi of every theodolite and point in use, three planes each.
std::vector<double> AllEllipses(const kivoMDIClient& doc) {
    std::vector<double> v;
    auto add = [&](const COMMON& c) {
        for (int k = 0; k < 3; ++k)
            v.insert(v.end(), {Val(c.A[k]), Val(c.B[k]), Val(c.phi[k])});
    };
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if (doc.theoList[i].flags & ELEM_INUSE) add(doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) add(doc.pointList[i]);
    return v;
}

void Shot(QWidget* w, const char* name) {
    if (const char* dir = std::getenv("KIVO_SHOTS"))
        w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name)));
}

// The tests that drive the program open the example in it; the others use the folder alone.
class LiveDrag : public test::ProgramFixture {};

} // namespace

TEST_F(LiveDrag, EllipsesFollowTheStationAndReleaseCalculates) {
    OpenExample(1280, 900);
    kivoMDIClient& doc = app->doc();
    doc.bRecalc = true;
    doc.bIdeals = true;
    doc.bAutosave = false;
    doc.bName = false;
    frame->child(0)->showMaximized();
    QApplication::processEvents();
    frame->Command(cmd::Calculate);
    ASSERT_EQ(doc.lastCalculateResult, 0);
    EXPECT_TRUE(frame->Action(cmd::LivePrecision)->isChecked());
    // A tolerance between the smallest and the largest point ellipsoid at 95 %.
    doc.precision.toleranceMeters = 0.00025;
    doc.precision.confidence95 = true;
    doc.UpdateViews(true);

    views::TKIVOWindow* view = frame->view(0);
    QWidget* port = view->viewport();
    auto at = [&](int slot) {
        const COMMON& c = doc.theoList[slot];
        return QPoint(c.hcoord[0] + view->horzOrigin, c.vcoord[0] + view->vertOrigin);
    };
    const std::vector<double> before = PointAxes(doc);
    const QPoint from = at(1);
    QTest::mousePress(port, Qt::LeftButton, {}, from);
    ASSERT_EQ(doc.selectType, SEL_THEO);
    std::vector<double> shown[2];
    const QPoint steps[2] = {from + QPoint(-60, 40), from + QPoint(-140, 90)};
    for (int n = 0; n < 2; ++n) {
        QTest::mouseMove(port, steps[n]);
        views::TheLiveWorker().WaitIdle();
        QApplication::processEvents();
        // The station is drawn where the pointer holds it, the ellipses are those of that position.
        EXPECT_LE((at(1) - steps[n]).manhattanLength(), 2);
        shown[n] = PointAxes(doc);
        EXPECT_NE(shown[n], n == 0 ? before : shown[0]);
        EXPECT_TRUE(doc.bValEllip);
        Shot(frame, n == 0 ? "live-1.png" : "live-2.png");
    }
    EXPECT_GE(views::TheLiveWorker().stats().applied, 2);
    QTest::mouseRelease(port, Qt::LeftButton, {}, steps[1]);
    EXPECT_FALSE(views::TheLiveWorker().Active());
    // The release ran Calculate: its ellipses are those the drag showed last, and the listing is there.
    EXPECT_TRUE(frame->statusText().startsWith("Mavo returns 0")) << frame->statusText().toStdString();
    EXPECT_TRUE(doc.bValFile);
    const std::vector<double> full = PointAxes(doc);
    ASSERT_EQ(full.size(), shown[1].size());
    for (std::size_t i = 0; i < full.size(); ++i)
        EXPECT_NEAR(full[i], shown[1][i], 1e-6 * full[i]) << i;

    // Switched off, a drag changes nothing until the release (which then calculates).
    frame->Command(cmd::LivePrecision);
    EXPECT_FALSE(doc.bLivePrecision);
    EXPECT_FALSE(frame->Action(cmd::LivePrecision)->isChecked());
    QTest::mousePress(port, Qt::LeftButton, {}, at(1));
    QTest::mouseMove(port, steps[0]);
    QApplication::processEvents();
    EXPECT_EQ(PointAxes(doc), full);
    EXPECT_FALSE(views::TheLiveWorker().Active());
    QTest::mouseRelease(port, Qt::LeftButton, {}, steps[0]);
    EXPECT_NE(PointAxes(doc), full);
    doc.bFileDirty = false;
}

TEST_F(LiveDrag, APointMovedOntoTheBaselineIsLeftOutAndBackDeterminedAgain) {
    // Q is fixed by the sightings of two fixed stations only; on their baseline the two lines of
    // sight coincide and Q is no longer determined: the network is analysed afresh there.
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    doc.CmFileNew();
    doc.OpenName = dir.file("NET.SIM");
    doc.bIdeals = true;
    constexpr int kFixXYZ = 0x2A, kFixTilts = 0x0A0;
    doc.NewTheo("T1", "", 1, 0, 0, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
    doc.NewTheo("T2", "", 2, 0, 100, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
    doc.NewPoint("Q", "", 30, 40, 5, 0);
    for (int t = 0; t < 2; ++t) {
        doc.ClearTheos();
        doc.theoList.Mark(t, true);
        doc.NewCollimate(nullptr, 0, 1 - t);
        doc.NewPtDirect(nullptr, 0, 0);
    }
    doc.ClearTheos();
    views::LiveWorker& w = views::TheLiveWorker();
    auto settle = [&] {
        for (int i = 0; i < 4; ++i) {
            w.WaitIdle();
            QApplication::processEvents();
        }
    };
    auto moveQ = [&](double x, double y, double z) {
        OBJECTPOINT& q = doc.pointList[0];
        q.xReal = x, q.yReal = y, q.zReal = z;
        w.Moved();
        settle();
    };
    w.Begin(doc, SEL_POINT, 0);
    settle();
    ASSERT_TRUE(doc.bValEllip);
    EXPECT_GT(Val(doc.pointList[0].A[0]), 0.0);
    moveQ(50, 0, 10); // on the baseline
    EXPECT_GE(w.stats().restarts, 1);
    ASSERT_EQ(doc.leftOutMarks.size(), 1u);
    EXPECT_EQ(doc.leftOutMarks[0].kind, SEL_POINT);
    EXPECT_EQ(Val(doc.pointList[0].A[0]), 0.0);
    moveQ(40, 30, 6); // off it again
    EXPECT_GE(w.stats().restarts, 2);
    EXPECT_TRUE(doc.leftOutMarks.empty());
    EXPECT_GT(Val(doc.pointList[0].A[0]), 0.0);
    const double live = doc.pointList[0].A[0];
    w.End();
    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);
    EXPECT_NEAR(Val(doc.pointList[0].A[0]), live, 1e-6 * live);
}

TEST_F(LiveDrag, ReleaseWithoutRecalculationKeepsTheEllipsesAndMarksTheListing) {
    OpenExample(1280, 900);
    kivoMDIClient& doc = app->doc();
    doc.bRecalc = false; // the example as shipped
    doc.bIdeals = true;
    doc.bAutosave = false;
    doc.bName = false;
    doc.bEllipse = true;
    // The plan view on the left, the listing and the side view on the right.
    const QSize area = frame->mdiArea()->viewport()->size();
    const int left = area.width() * 3 / 5, half = area.height() / 2;
    frame->child(0)->setGeometry(0, 0, left, area.height());
    frame->child(3)->setGeometry(left, 0, area.width() - left, half);
    frame->child(2)->setGeometry(left, half, area.width() - left, area.height() - half);
    frame->child(1)->setGeometry(left, half, area.width() - left, area.height() - half);
    frame->child(1)->raise();
    QApplication::processEvents();
    frame->Command(cmd::Calculate);
    ASSERT_EQ(doc.lastCalculateResult, 0);
    ASSERT_TRUE(doc.bLivePrecision);
    const COMMON& t1 = doc.theoList[1];
    frame->view(0)->CentreOnPoint(t1.xReal - 1.0, t1.yReal - 1.0, t1.zReal);
    frame->view(1)->CentreOnPoint(t1.xReal - 1.0, t1.yReal - 1.0, t1.zReal);
    doc.precision.toleranceMeters = 0.00025;
    doc.precision.confidence95 = true;
    doc.UpdateViews(true);
    const std::vector<double> calculated = AllEllipses(doc);
    QLabel* bar = frame->textWindow()->listingMark();
    auto barShown = [&] { return bar->isVisibleTo(frame->textWindow()); };
    EXPECT_FALSE(barShown());

    views::TKIVOWindow* view = frame->view(0);
    QWidget* port = view->viewport();
    const QPoint from(t1.hcoord[0] + view->horzOrigin, t1.vcoord[0] + view->vertOrigin);
    QTest::mousePress(port, Qt::LeftButton, {}, from);
    ASSERT_EQ(doc.selectType, SEL_THEO);
    for (const QPoint by : {QPoint(-30, 20), QPoint(-60, 45)}) {
        QTest::mouseMove(port, from + by);
        views::TheLiveWorker().WaitIdle();
        QApplication::processEvents();
    }
    QTest::mouseRelease(port, Qt::LeftButton, {}, from + QPoint(-60, 45));
    QApplication::processEvents();

    // The ellipses stay, coloured and with their legend, the Ellipses command on; the listing is
    // that of the first geometry and says so.
    EXPECT_FALSE(views::TheLiveWorker().Active());
    EXPECT_TRUE(doc.bValEllip);
    EXPECT_TRUE(frame->Action(cmd::Ellipse)->isEnabled());
    QImage scratch(600, 400, QImage::Format_RGB32);
    QPainter painter(&scratch);
    EXPECT_FALSE(views::DrawPrecisionLegend(painter, doc, scratch.rect()).isEmpty());
    painter.end();
    EXPECT_TRUE(doc.bValFile);
    EXPECT_FALSE(doc.ListingCurrent());
    EXPECT_TRUE(barShown());
    const std::vector<double> kept = AllEllipses(doc);
    EXPECT_NE(kept, calculated);
    Shot(frame, "live-release.png");

    // Undo: the first geometry with its own ellipses and its listing current; redo: the kept ones.
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), QStringLiteral("Undo Move Theodolite ") + t1.name);
    frame->Action(cmd::EditUndo)->trigger();
    EXPECT_EQ(AllEllipses(doc), calculated);
    EXPECT_FALSE(barShown());
    frame->Action(cmd::EditRedo)->trigger();
    EXPECT_EQ(AllEllipses(doc), kept);
    EXPECT_TRUE(barShown());

    // A Calculate on the same geometry gives the ellipses kept, and a listing that is current.
    frame->Command(cmd::Calculate);
    ASSERT_EQ(doc.lastCalculateResult, 0);
    EXPECT_FALSE(barShown());
    const std::vector<double> full = AllEllipses(doc);
    ASSERT_EQ(full.size(), kept.size());
    for (std::size_t i = 0; i < full.size(); ++i)
        EXPECT_NEAR(kept[i], full[i], 1e-9 * std::abs(full[i])) << i;
    doc.bFileDirty = false;
}
