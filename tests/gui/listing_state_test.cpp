// The listing in the text view and the marks in the graphic views belong to a state of the
// network: a change that alters what the adjustment reads puts a bar over the listing, undo and
// redo back to the state it was written for take the bar away, and the left-out marks come back
// with the state that undo restores.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QScrollBar>
#include <QTest>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/text_window.h"
#include "forms/form_base.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "program_fixture.h"
#include "support/packed_value.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
using kivo::test::Val;
namespace cmd = kivo::cmd;

namespace {

constexpr int kFixXYZ = 0x2A, kFixTilts = 0x0A0;

class ListingState : public test::ProgramFixture {
protected:
    // Two fixed stations sighting each other and two points seen from both (an adjustment that
    // succeeds); P3 seen from T1 alone, which the adjustment leaves out. Limits 0 .. 100 at 10
    // units per centimetre.
    void SetUp() override {
        const std::string path = dir.file("NET.SIM");
        {
            kivoMDIClient d;
            StartProject(d, path);
            d.NewTheo("T1", "", 1, 0, 10, 10, 10, 0, 0, 0, kFixXYZ | kFixTilts);
            d.NewTheo("T2", "", 2, 0, 90, 10, 10, 0, 0, 0, kFixXYZ | kFixTilts);
            d.NewPoint("P1", "", 30, 50, 5, 0);
            d.NewPoint("P2", "", 70, 45, 12, 0);
            d.NewPoint("P3", "", 50, 80, 8, 0);
            for (int t = 0; t < 2; ++t) {
                d.ClearTheos();
                d.theoList.Mark(t, true);
                d.NewCollimate(nullptr, 0, 1 - t);
                d.NewPtDirect(nullptr, 0, 0);
                d.NewPtDirect(nullptr, 0, 1);
                if (t == 0) d.NewPtDirect(nullptr, 0, 2);
            }
            d.ClearTheos();
            for (int i = 0; i < 4; ++i)
                d.mdiFlags[i] = 2;
            ASSERT_TRUE(d.WriteSimFile());
        }
        OpenInProgram(path);
        frame->child(3)->showNormal();
        frame->child(3)->resize(500, 300);
        frame->mdiArea()->setActiveSubWindow(frame->child(0));
        QApplication::processEvents();
    }
    void Drag(int kind, int slot, QPoint by) { ProgramFixture::Drag(kind, slot, by, 2); }
    void Calculate() {
        frame->Command(cmd::Calculate);
        ASSERT_EQ(doc().lastCalculateResult, 0) << frame->statusText().toStdString();
    }
    void Undo() { frame->Action(cmd::EditUndo)->trigger(); }
    void Redo() { frame->Action(cmd::EditRedo)->trigger(); }
    // The bar over the listing as the user sees it: shown, with its text, above the lines.
    bool MarkShown() {
        TTextWindow* text = frame->textWindow();
        QLabel* mark = text->listingMark();
        const bool shown = mark->isVisibleTo(text);
        if (shown) {
            EXPECT_EQ(mark->text(), QString::fromLatin1(TTextWindow::kOutOfDateText));
            EXPECT_GT(mark->height(), 8);
            EXPECT_EQ(mark->width(), text->width());
            EXPECT_GE(text->viewport()->geometry().top(), mark->height()) << "the lines start below it";
        } else {
            EXPECT_EQ(text->viewport()->geometry().top(), 0);
        }
        return shown;
    }
};

} // namespace

TEST_F(ListingState, UndoPastTheCalculateThatWroteTheListingMarksItOutOfDate) {
    EXPECT_FALSE(doc().bValFile);
    EXPECT_FALSE(MarkShown()) << "no listing, nothing to mark";
    Calculate();
    EXPECT_TRUE(doc().ListingCurrent());
    EXPECT_FALSE(MarkShown());

    // Auto recalculation: the drag ends with a Calculate, whose listing describes the moved point.
    doc().bRecalc = true;
    const double x = Val(doc().pointList[0].xReal);
    Drag(SEL_POINT, 0, QPoint(40, 20));
    ASSERT_NE(Val(doc().pointList[0].xReal), x);
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), "Undo Move Point P1");
    EXPECT_TRUE(doc().ListingCurrent());
    EXPECT_FALSE(MarkShown());

    // Undo puts the point back; the listing still describes it moved, and says so.
    Undo();
    EXPECT_EQ(Val(doc().pointList[0].xReal), x);
    EXPECT_TRUE(doc().bValFile);
    EXPECT_FALSE(doc().ListingCurrent());
    EXPECT_TRUE(MarkShown());
    // Scrolled anywhere, the bar stays in view.
    frame->textWindow()->verticalScrollBar()->setValue(frame->textWindow()->verticalScrollBar()->maximum());
    EXPECT_TRUE(MarkShown());
    // Redo brings back the geometry the listing was written for.
    Redo();
    EXPECT_TRUE(doc().ListingCurrent());
    EXPECT_FALSE(MarkShown());
    // A new Calculate for the state undo returned to makes its listing current.
    Undo();
    EXPECT_TRUE(MarkShown());
    Calculate();
    EXPECT_FALSE(MarkShown());

    // Without auto recalculation a move leaves the listing behind; undo returns to its geometry.
    doc().bRecalc = false;
    Drag(SEL_POINT, 1, QPoint(-30, 25));
    EXPECT_FALSE(doc().ListingCurrent());
    EXPECT_TRUE(MarkShown());
    Undo();
    EXPECT_TRUE(doc().ListingCurrent());
    EXPECT_FALSE(MarkShown());

    // Drawing scales and simulated values are not what the listing describes; a standard
    // deviation is.
    test::WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        w->findChild<QLineEdit*>(forms::CtlName(forms::ctl::Scale1))->setText(QStringLiteral("12"));
        static_cast<QDialog*>(w)->accept();
    });
    frame->Action(cmd::Display)->trigger();
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), "Undo Edit Display");
    frame->Action(cmd::Simulate)->trigger();
    EXPECT_TRUE(doc().ListingCurrent());
    test::WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        w->findChild<QLineEdit*>(forms::CtlName(forms::ctl::SDDistance))->setText(QStringLiteral("0.002"));
        static_cast<QDialog*>(w)->accept();
    });
    frame->Action(cmd::StdDev)->trigger();
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), "Undo Edit Standard Deviations");
    EXPECT_TRUE(MarkShown());
    Undo();
    EXPECT_FALSE(MarkShown());
}

TEST_F(ListingState, UndoOfACutBringsBackTheLeftOutMark) {
    Calculate();
    ASSERT_EQ(doc().leftOutMarks.size(), 1u);
    EXPECT_EQ(doc().leftOutMarks[0], (LeftOutMark{SEL_POINT, 2}));
    ASSERT_TRUE(doc().bValEllip);

    QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_POINT, 2));
    ASSERT_EQ(doc().selectType, SEL_POINT);
    frame->Action(cmd::EditCut)->trigger();
    EXPECT_EQ(doc().PointCheck("P3"), -1);
    EXPECT_TRUE(doc().leftOutMarks.empty()) << "the mark went with its point";
    EXPECT_TRUE(MarkShown());

    // The point comes back with its ring, and with the listing that names it.
    Undo();
    EXPECT_EQ(doc().PointCheck("P3"), 2);
    ASSERT_EQ(doc().leftOutMarks.size(), 1u);
    EXPECT_EQ(doc().leftOutMarks[0], (LeftOutMark{SEL_POINT, 2}));
    EXPECT_TRUE(doc().bValEllip);
    EXPECT_FALSE(MarkShown());
    Redo();
    EXPECT_TRUE(doc().leftOutMarks.empty());
    Undo();
    EXPECT_EQ(doc().leftOutMarks.size(), 1u);

    // A point placed into the freed slot after the Cut carries no mark of the one cut before.
    Redo();
    frame->Action(cmd::PointTool)->trigger();
    QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_POINT, 1) + QPoint(0, 60));
    ASSERT_EQ(doc().nNumPoints, 3);
    EXPECT_TRUE(doc().leftOutMarks.empty());
}
