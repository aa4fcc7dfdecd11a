// What the forms take from the user in the program: OK on a form left as it was is no change,
// values that the adjustment cannot use are refused with a message, and a double click or the
// Setup form reaches its own element in tables past 65,535 slots.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/undo_history.h"
#include "forms/form_base.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "model/form_values.h"
#include "program_fixture.h"
#include "support/packed_value.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
using kivo::test::Val;
namespace cmd = kivo::cmd;
namespace ctl = kivo::forms::ctl;

namespace {

class FormInput : public test::ProgramFixture {
protected:
    // Limits 0 .. 100 at 10 units per centimetre; `fill` adds the elements.
    void Open(const std::function<void(kivoMDIClient&)>& fill) {
        const std::string path = dir.file("NET.SIM");
        {
            kivoMDIClient d;
            StartProject(d, path);
            fill(d);
            for (int i = 0; i < 4; ++i)
                d.mdiFlags[i] = 2;
            ASSERT_TRUE(d.WriteSimFile());
        }
        OpenInProgram(path);
    }
    void DoubleClick(const QPoint& at) {
        QTest::mouseClick(Port(), Qt::LeftButton, {}, at);
        QTest::mousePress(Port(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Port(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(Port(), Qt::LeftButton, {}, at);
    }
    static QString Text(QWidget* form, int id) {
        auto* e = form->findChild<QLineEdit*>(forms::CtlName(id));
        EXPECT_NE(e, nullptr) << id;
        return e ? e->text() : QString();
    }
    static void Type(QWidget* form, int id, const QString& text) {
        auto* e = form->findChild<QLineEdit*>(forms::CtlName(id));
        ASSERT_NE(e, nullptr) << id;
        e->setText(text);
    }
    // Presses OK on `form` and answers the message box that opens with `button`; returns its
    // text (empty when none opened).
    static QString OkAndAnswer(QWidget* form, QMessageBox::StandardButton button = QMessageBox::Ok) {
        QString told;
        test::WhenModal([&told, button](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                told = box->text();
                box->button(button)->click();
            }
        });
        form->findChild<QPushButton*>(forms::CtlName(ctl::Ok))->click();
        return told;
    }
    QUndoStack& Stack() { return frame->history().stack(); }
};

} // namespace

TEST_F(FormInput, OkOnAnUntouchedElementFormIsNoChange) {
    Open([](kivoMDIClient& d) {
        d.NewTheo("T1", "", 1, 0, 10, 10, 10, 0, 0, 0, 0);
        d.NewPoint("P1", "", 15.31402, 50.123456, 5, 0); // as a mouse places it: more than 3 decimals
    });
    const int steps = Stack().count();
    const double x = doc().pointList[0].xReal, y = doc().pointList[0].yReal;
    QString shownX;
    test::WhenModal([&shownX](QWidget* w) {
        ASSERT_NE(w, nullptr);
        shownX = Text(w, ctl::Coord1);
        static_cast<QDialog*>(w)->accept();
    });
    DoubleClick(At(SEL_POINT, 0));
    EXPECT_EQ(shownX.trimmed(), "15.31402");
    EXPECT_EQ(doc().pointList[0].xReal, x);
    EXPECT_EQ(doc().pointList[0].yReal, y);
    EXPECT_EQ(Stack().count(), steps) << "no undo step";
    EXPECT_FALSE(doc().bFileDirty);

    // An edit of z alone: one step, x and y exactly as they were.
    test::WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        Type(w, ctl::Coord3, QStringLiteral("6"));
        static_cast<QDialog*>(w)->accept();
    });
    DoubleClick(At(SEL_POINT, 0));
    EXPECT_EQ(Stack().count(), steps + 1);
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), "Undo Edit Point P1");
    EXPECT_EQ(doc().pointList[0].xReal, x);
    EXPECT_EQ(doc().pointList[0].yReal, y);
    EXPECT_EQ(Val(doc().pointList[0].zReal), 6.0);
    EXPECT_TRUE(doc().bFileDirty);

    // The settings forms alike.
    doc().bFileDirty = false;
    for (int id : {cmd::Project, cmd::Parameters, cmd::Display, cmd::Setup, cmd::StdDev, cmd::Adjust}) {
        test::WhenModal([](QWidget* w) {
            ASSERT_NE(w, nullptr);
            static_cast<QDialog*>(w)->accept();
        });
        frame->Action(id)->trigger();
        EXPECT_EQ(Stack().count(), steps + 1) << id;
        EXPECT_FALSE(doc().bFileDirty) << id;
    }
}

TEST_F(FormInput, BadValuesAreRefusedWithAMessage) {
    Open([](kivoMDIClient& d) { d.NewPoint("P1", "", 50, 50, 5, 0); });
    QStringList told;
    int accepted = -1;
    test::WhenModal([&](QWidget* w) {
        ASSERT_NE(w, nullptr);
        Type(w, ctl::SDHorzAngle, QStringLiteral("-0.0005"));
        Type(w, ctl::SDVertAngle, QStringLiteral("1e300"));
        Type(w, ctl::SDDistance, QStringLiteral("abc"));
        told << OkAndAnswer(w);
        Type(w, ctl::SDHorzAngle, QStringLiteral("0.0004"));
        told << OkAndAnswer(w);
        Type(w, ctl::SDVertAngle, QStringLiteral("0.0006"));
        told << OkAndAnswer(w);
        Type(w, ctl::SDDistance, QStringLiteral("0.0015"));
        told << OkAndAnswer(w);
        accepted = static_cast<QDialog*>(w)->result();
    });
    frame->Action(cmd::StdDev)->trigger();
    ASSERT_EQ(told.size(), 4);
    EXPECT_EQ(told[0], "The Horz angle standard deviation must be greater than zero.");
    EXPECT_EQ(told[1],
              "The Vert angle standard deviation must lie between 1e-30 and 400 gon (a whole circle).");
    EXPECT_EQ(told[2], "The Distance standard deviation \"abc\" is not a number.");
    EXPECT_EQ(told[3], "") << "the last OK was taken without a word";
    EXPECT_EQ(accepted, QDialog::Accepted);
    EXPECT_EQ(doc().hSDAngle, 0.0004);
    EXPECT_EQ(doc().vSDAngle, 0.0006);
    EXPECT_EQ(doc().SDDistance, 0.0015);

    // The element form: "abc" is refused, 1e308 is brought to the limit and the user told so.
    QStringList elementTold;
    test::WhenModal([&](QWidget* w) {
        ASSERT_NE(w, nullptr);
        Type(w, ctl::Coord2, QStringLiteral("abc"));
        elementTold << OkAndAnswer(w);
        Type(w, ctl::Coord2, QStringLiteral("1e308"));
        elementTold << OkAndAnswer(w, QMessageBox::Ok);
    });
    DoubleClick(At(SEL_POINT, 0));
    // Named as the form captions the row: order zxy calls y "X".
    ASSERT_EQ(doc().axisType, 1);
    ASSERT_EQ(elementTold.size(), 2);
    EXPECT_EQ(elementTold[0], "The X value \"abc\" is not a number.");
    EXPECT_EQ(elementTold[1], "The X value 1e+308 lies outside the limits 0 to 100: it becomes 100.\n");
    EXPECT_EQ(Val(doc().pointList[0].yReal), 100.0);
    EXPECT_EQ(Val(doc().pointList[0].xReal), 50.0);
}

TEST_F(FormInput, SlotsPast65535ReachTheirOwnElement) {
    // 70,001 points: the filler in one corner, the last three apart. Point slots 70,000 and
    // 4,464 share their low 16 bits.
    static constexpr int kPoints = 70001;
    Open([](kivoMDIClient& d) {
        d.bObject = false; // dots draw fast
        d.orient = 1;      // the Setup form offers the fixed points as controls
        d.NewTheo("T1", "", 1, 0, 10, 10, 10, 0, 0, 0, 0);
        char name[16];
        for (int i = 0; i < kPoints; ++i) {
            std::snprintf(name, sizeof name, "P%d", i);
            const bool last = i >= kPoints - 3;
            d.NewPoint(name, "", last ? 40 + 15 * (i - (kPoints - 3)) : 90, last ? 60 : 95, 5, 0x2A);
        }
        ASSERT_EQ(d.nNumPoints, kPoints);
        d.theoList[0].initTarget = kPoints - 1;
    });
    QString seen;
    test::WhenModal([&seen](QWidget* w) {
        ASSERT_NE(w, nullptr);
        seen = Text(w, ctl::ElemName);
        static_cast<QDialog*>(w)->reject();
    });
    DoubleClick(At(SEL_POINT, kPoints - 2));
    EXPECT_EQ(doc().index, kPoints - 2);
    EXPECT_EQ(seen, QStringLiteral("P%1").arg(kPoints - 2));

    // The Setup form: the theodolite's control line is the last point, and choosing another line
    // past 32,767 stores that point.
    QString line;
    test::WhenModal([&line](QWidget* w) {
        ASSERT_NE(w, nullptr);
        auto* theos = w->findChild<QListWidget*>(forms::CtlName(ctl::SetupTheos));
        auto* controls = w->findChild<QListWidget*>(forms::CtlName(ctl::SetupControls));
        ASSERT_NE(theos, nullptr);
        ASSERT_EQ(controls->count(), kPoints + 1); // "none" and every point
        line = theos->item(0)->text();
        EXPECT_EQ(controls->currentRow(), kPoints);
        controls->setCurrentRow(40001);
        static_cast<QDialog*>(w)->accept();
    });
    frame->Action(cmd::Setup)->trigger();
    EXPECT_TRUE(line.endsWith(QStringLiteral("  P%1").arg(kPoints - 1).leftJustified(10)))
        << line.toStdString();
    EXPECT_EQ(doc().theoList[0].initTarget, 40000);
}
