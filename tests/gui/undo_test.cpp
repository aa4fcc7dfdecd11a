// Edit > Undo and Redo in the program: the menu names the change, the keys are bound, mouse edits,
// forms, Cut and Update Measurements come back byte for byte, the changed mark follows the saved
// state, and the history keeps the last hundred changes.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QUndoStack>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/undo_history.h"
#include "forms/control_ids.h"
#include "forms/form_base.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "program_fixture.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
namespace cmd = kivo::cmd;

namespace {

class Undo : public test::ProgramFixture {
protected:
    void SetUp() override {
        const std::string path = dir.file("NET.SIM");
        {
            kivoMDIClient d;
            d.CreateMemory();
            d.objScale1 = d.objScale2 = d.objScale3 = 1;
            d.xMin = d.yMin = d.zMin = 0;
            d.xMax = d.yMax = d.zMax = 10;
            d.globalPos = 1, d.globalTheo = 0, d.globalPoint = 1, d.globalSBar = 1;
            d.bName = false;
            d.SetScaleFactors();
            d.SetWindowParms();
            d.NewTheo("Theo1_0", "T10", 1, 0, 1, 1, 1, 0, 0, 0, 0);
            d.NewTheo("Theo2_0", "T20", 2, 0, 9, 1, 1, 0, 0, 0, 0);
            d.NewPoint("Point1", "P1", 1, 9, 1, 0);
            d.NewPoint("Point2", "P2", 5, 9, 1, 0);
            d.NewPoint("Point3", "P3", 7, 6, 1, 0);
            for (int i = 0; i < 4; ++i)
                d.mdiFlags[i] = 2;
            d.mdiFlags[0] |= 0x10;
            d.OpenName = path;
            ASSERT_TRUE(d.WriteSimFile());
        }
        OpenInProgram(path);
    }
    // The project file as it would be written now, under another name.
    std::vector<unsigned char> FileBytes() {
        const std::string name = doc().OpenName;
        doc().OpenName = dir.file("COPY.SIM");
        EXPECT_TRUE(doc().WriteSimFile());
        doc().OpenName = name;
        return test::readBytes(dir.file("COPY.SIM"));
    }
    // Answers the next form: `edit` fills it, then OK.
    void AnswerForm(std::function<void(QWidget*)> edit) {
        test::WhenModal([edit](QWidget* w) {
            ASSERT_NE(w, nullptr);
            edit(w);
            static_cast<QDialog*>(w)->accept();
        });
    }
    static void Type(QWidget* form, int id, const QString& text) {
        auto* e = form->findChild<QLineEdit*>(forms::CtlName(id));
        ASSERT_NE(e, nullptr) << id;
        e->setText(text);
    }
    QAction* UndoAction() { return frame->Action(cmd::EditUndo); }
    QAction* RedoAction() { return frame->Action(cmd::EditRedo); }
    QUndoStack& Stack() { return frame->history().stack(); }
};

} // namespace

TEST_F(Undo, EditMenuNamesEachChangeAndEveryKindComesBackByteForByte) {
    // Nothing to undo: plain disabled items, above Cut in the Edit menu, with their keys.
    ASSERT_NE(UndoAction(), nullptr);
    EXPECT_EQ(UndoAction()->text(), "Undo");
    EXPECT_FALSE(UndoAction()->isEnabled());
    EXPECT_EQ(RedoAction()->text(), "Redo");
    EXPECT_FALSE(RedoAction()->isEnabled());
    EXPECT_EQ(UndoAction()->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z")),
                                   QKeySequence(QStringLiteral("Alt+Backspace"))}));
    EXPECT_EQ(RedoAction()->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                                              QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
    auto* edit = frame->menuBar()->findChild<QMenu*>(QStringLiteral("menuEdit"));
    ASSERT_NE(edit, nullptr);
    const QList<QAction*> items = edit->actions();
    ASSERT_GE(items.size(), 4);
    EXPECT_EQ(items[0], UndoAction());
    EXPECT_EQ(items[1], RedoAction());
    EXPECT_EQ(items[3], frame->Action(cmd::EditCut));

    struct Step {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Step> steps = {
        {"Move Point Point3", [&] { Drag(SEL_POINT, 2, QPoint(30, -20)); }},
        {"Place Theodolite Theo1_1",
         [&] {
             frame->Action(cmd::TheoTool)->trigger();
             QTest::mouseClick(Port(), Qt::LeftButton, {}, QPoint(120, 250));
         }},
        {"Add Direction",
         [&] {
             frame->Action(cmd::DirTool)->trigger();
             QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_THEO, 0));
             QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_POINT, 1));
             QTest::mouseClick(Port(), Qt::LeftButton, {}, QPoint(Port()->width() - 3, Port()->height() - 3));
         }},
        {"Edit Point Point1",
         [&] {
             AnswerForm([](QWidget* w) { Type(w, forms::ctl::Coord1, QStringLiteral("2.5")); });
             const QPoint at = At(SEL_POINT, 0);
             QTest::mouseClick(Port(), Qt::LeftButton, {}, at);
             QTest::mousePress(Port(), Qt::LeftButton, {}, at);
             QTest::mouseDClick(Port(), Qt::LeftButton, {}, at);
             QTest::mouseRelease(Port(), Qt::LeftButton, {}, at);
         }},
        {"Edit Display",
         [&] {
             AnswerForm([](QWidget* w) { Type(w, forms::ctl::Scale1, QStringLiteral("2")); });
             frame->Action(cmd::Display)->trigger();
         }},
        {"Update Measurements", [&] { frame->Action(cmd::Simulate)->trigger(); }},
        {"Cut Point Point2",
         [&] {
             QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_POINT, 1));
             frame->Action(cmd::EditCut)->trigger();
         }},
    };
    std::vector<std::vector<unsigned char>> states = {FileBytes()};
    for (const Step& s : steps) {
        s.change();
        QApplication::processEvents();
        EXPECT_EQ(UndoAction()->text(), QStringLiteral("Undo ") + s.name);
        EXPECT_TRUE(UndoAction()->isEnabled()) << s.name;
        states.push_back(FileBytes());
        EXPECT_NE(states.back(), states[states.size() - 2]) << s.name;
    }
    ASSERT_EQ(Stack().count(), static_cast<int>(steps.size()));
    EXPECT_EQ(doc().PointCheck("Point2"), -1);

    for (std::size_t i = steps.size(); i-- > 0;) {
        UndoAction()->trigger();
        EXPECT_EQ(FileBytes(), states[i]) << "undo " << steps[i].name;
        EXPECT_EQ(RedoAction()->text(), QStringLiteral("Redo ") + steps[i].name);
    }
    EXPECT_EQ(UndoAction()->text(), "Undo");
    EXPECT_FALSE(UndoAction()->isEnabled());
    EXPECT_GE(doc().PointCheck("Point2"), 0);
    // The views follow: the point is drawn where it was.
    EXPECT_EQ(doc().objScale1, 1);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        RedoAction()->trigger();
        EXPECT_EQ(FileBytes(), states[i + 1]) << "redo " << steps[i].name;
    }
    EXPECT_EQ(doc().selectType, SEL_NONE);
    EXPECT_FALSE(frame->Action(cmd::EditCut)->isEnabled());
}

TEST_F(Undo, ChangedMarkFollowsTheSavedStateAndTheHistoryKeepsAHundred) {
    EXPECT_FALSE(doc().bFileDirty);
    Drag(SEL_POINT, 2, QPoint(20, 10));
    EXPECT_TRUE(doc().bFileDirty);
    UndoAction()->trigger();
    EXPECT_FALSE(doc().bFileDirty); // back to the file as saved
    RedoAction()->trigger();
    EXPECT_TRUE(doc().bFileDirty);
    frame->Command(cmd::FileSave);
    EXPECT_FALSE(doc().bFileDirty);
    UndoAction()->trigger();
    EXPECT_TRUE(doc().bFileDirty);
    RedoAction()->trigger();
    EXPECT_FALSE(doc().bFileDirty);

    // A display toggle is not undone: no state in the history is the saved project any more.
    frame->Action(cmd::Name)->trigger();
    UndoAction()->trigger();
    EXPECT_TRUE(doc().bFileDirty);
    RedoAction()->trigger();
    EXPECT_TRUE(doc().bFileDirty);

    // A press that moves nothing is no change.
    const int count = Stack().count();
    QTest::mouseClick(Port(), Qt::LeftButton, {}, At(SEL_POINT, 0));
    EXPECT_EQ(Stack().count(), count);

    // 105 more changes: the first five fall out of the history.
    std::vector<double> xs;
    for (int i = 0; i < 105; ++i) {
        NamedChange change(doc(), "Step");
        doc().pointList[0].xReal += 0.01;
        xs.push_back(doc().pointList[0].xReal);
    }
    EXPECT_EQ(Stack().count(), UndoHistory::kDepth);
    while (UndoAction()->isEnabled())
        UndoAction()->trigger();
    EXPECT_DOUBLE_EQ(doc().pointList[0].xReal, xs[4]);
    EXPECT_TRUE(doc().bFileDirty);

    // A project closed leaves an empty history.
    doc().bFileDirty = false;
    frame->Command(cmd::FileClose);
    EXPECT_EQ(Stack().count(), 0);
    EXPECT_FALSE(UndoAction()->isEnabled());
}
