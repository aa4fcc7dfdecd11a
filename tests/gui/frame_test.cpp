// The main window's wiring: menus and speed bar with and without a project, the view windows, the
// display toggles, context help, selecting with the mouse, and the text view.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <filesystem>

#include "app/help_viewer.h"
#include "app/kivo_app.h"
#include "app/lock_keys.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/recent_files.h"
#include "app/text_window.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
namespace cmd = kivo::cmd;

namespace {

// Writes a small project: two theodolites sighting each other and a point.
std::string WriteProject(const std::string& path, int sideFlags = 2, int listingLines = -1) {
    kivoMDIClient doc;
    doc.CreateMemory();
    doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
    doc.xMin = doc.yMin = doc.zMin = 0;
    doc.xMax = doc.yMax = doc.zMax = 10;
    doc.bCollimate = true;
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.NewTheo("Theo1_0", "T10", 1, 0, 2, 5, 1, 0, 0, 0, 0);
    doc.NewTheo("Theo2_0", "T20", 2, 0, 8, 6.5, 1, 0, 0, 0, 0);
    doc.NewPoint("Point1", "P1", 5, 8, 1, 0);
    doc.theoList[0].thList.Append(CONNECT1{1, OBS_IDEAL, 0, 0, 0});
    doc.theoList[0].SyncCounts();
    for (int i = 0; i < 4; ++i)
        doc.mdiFlags[i] = 2;
    doc.mdiFlags[1] = sideFlags;
    doc.OpenName = path;
    EXPECT_TRUE(doc.WriteSimFile());
    if (listingLines >= 0) {
        std::string text;
        for (int i = 0; i < listingLines; ++i)
            text += "listing line " + std::to_string(i) + "\r\n";
        test::writeText(ChangeFileExt(path, ".OUT"), text);
    }
    return path;
}

// Answers the next modal box with its default button and records its caption and text.
struct ModalWatcher {
    QString caption, text;
    void Arm() {
        QTimer::singleShot(0, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                caption = box->windowTitle();
                text = box->text();
                box->accept();
            }
        });
    }
};

class Frame : public ::testing::Test {
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
    // The menu of the bar as it stands (older bars' menus may not be deleted yet).
    QMenu* BarMenu(const QString& objectName) const {
        for (QAction* a : frame->menuBar()->actions())
            if (a->menu() && a->menu()->objectName() == objectName) return a->menu();
        return nullptr;
    }
    QStringList MenuTitles() const {
        QStringList out;
        for (QAction* a : frame->menuBar()->actions())
            out << a->text();
        return out;
    }
    void Open(const std::string& path) {
        app->OpenProject(QString::fromStdString(path));
        QApplication::processEvents();
    }
    test::TempDir dir;
    std::unique_ptr<kivoApp> app;
    kivoDecoratedMDIFrame* frame = nullptr;
};

} // namespace

TEST_F(Frame, MenusAndSpeedBarFollowTheProject) {
    EXPECT_EQ(MenuTitles(), QStringList({"&File", "&Help"}));
    EXPECT_EQ(frame->Action(cmd::FileNew)->text(), "&New...");
    EXPECT_EQ(frame->Action(cmd::Exit)->text(), "E&xit");
    EXPECT_EQ(frame->Action(cmd::HelpDisclaim)->text(), "&Disclaimer...");
    EXPECT_EQ(frame->SpeedBarLayout(), (std::vector<int>{cmd::FileNew, cmd::FileOpen, cmd::Separator6,
                                                         cmd::HelpContents, cmd::Separator18}));

    const std::string path = WriteProject(dir.file("NET.SIM"));
    Open(path);
    EXPECT_EQ(MenuTitles(),
              QStringList({"&File", "&Edit", "&Layout", "&Objects", "&Measure", "&Window", "&Help"}));
    EXPECT_EQ(frame->Action(cmd::FileNew)->text(), "New...");
    EXPECT_EQ(frame->Action(cmd::EditCut)->text(), "Cu&t\tShift+Del");
    EXPECT_EQ(frame->Action(cmd::StdDev)->text(), "Std Dev && &Weights...");
    EXPECT_EQ(frame->Action(cmd::HelpDisclaim)->text(), "D&isclaimer...");
    EXPECT_EQ(frame->Action(cmd::EditCut)->shortcut(), QKeySequence("Shift+Del"));
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString("KIVO - " + path + "[*]"));
    const std::vector<int> full = {105,
                                   106,
                                   108,
                                   24337,
                                   cmd::Separator6,
                                   121,
                                   cmd::Separator6,
                                   2001,
                                   cmd::Separator18,
                                   144,
                                   152 - 7,
                                   152,
                                   146,
                                   147,
                                   148,
                                   149,
                                   150,
                                   cmd::Separator18,
                                   161,
                                   162,
                                   163,
                                   cmd::Separator18,
                                   183,
                                   184,
                                   185,
                                   cmd::Separator18,
                                   189,
                                   cmd::Separator18,
                                   cmd::New3DView};
    EXPECT_EQ(frame->SpeedBarLayout(), full);
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 4);
    EXPECT_TRUE(frame->Action(cmd::Collimate)->isChecked());
    EXPECT_FALSE(frame->Action(cmd::Direction)->isChecked());

    // Opening again never leaves more than four children.
    Open(path);
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 4);

    frame->Command(cmd::FileClose);
    EXPECT_EQ(frame->windowTitle(), "KIVO");
    EXPECT_EQ(MenuTitles(), QStringList({"&File", "&Help"}));
    EXPECT_EQ(frame->SpeedBarLayout().size(), 5u);
    EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
}

TEST_F(Frame, ViewsCannotBeClosedAndTakeTheirStoredState) {
    Open(WriteProject(dir.file("NET.SIM"), 4 | 0x10)); // side view maximised and active
    ASSERT_EQ(app->doc().mdiFlags[1], 4 | 0x10);
    EXPECT_TRUE(frame->child(1)->isMaximized());
    EXPECT_EQ(frame->ActiveViewIndex(), 1);
    EXPECT_EQ(frame->child(2)->windowTitle(), "End View");

    // A view's close button (reachable while no other view covers it maximised) minimises it.
    frame->child(1)->showNormal();
    frame->child(2)->close();
    QApplication::processEvents();
    EXPECT_TRUE(frame->child(2)->isMinimized());
    EXPECT_TRUE(app->doc().bFileOpen);
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 4);
}

TEST_F(Frame, DisplayTogglesFlipTheirMarkAndMarkTheProjectChanged) {
    Open(WriteProject(dir.file("NET.SIM")));
    ASSERT_FALSE(app->doc().bFileDirty);
    const bool before = app->doc().bName;
    frame->Action(cmd::Name)->trigger();
    EXPECT_EQ(app->doc().bName, !before);
    EXPECT_EQ(frame->Action(cmd::Name)->isChecked(), !before);
    EXPECT_TRUE(app->doc().bFileDirty);
    frame->Action(cmd::Name)->trigger();
    EXPECT_EQ(app->doc().bName, before);
    EXPECT_TRUE(app->doc().bFileDirty);

    frame->Action(cmd::Tools)->trigger(); // the bars do not change the project
    EXPECT_FALSE(frame->speedBar()->isVisible());
    EXPECT_FALSE(frame->Action(cmd::Tools)->isChecked());
}

TEST_F(Frame, ContextHelpAnswersInsteadOfTheCommand) {
    const std::string path = WriteProject(dir.file("NET.SIM"));
    Open(path);
    app->doc().bFileDirty = true;
    const auto bytes = test::readBytes(path);

    // Shift+F1, then File, Save: help at context 108; nothing is saved.
    QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(app->ContextHelp, 1);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    frame->Action(cmd::FileSave)->trigger();
    EXPECT_EQ(app->ContextHelp, 0);
    ASSERT_NE(app->helpViewer(), nullptr);
    EXPECT_EQ(app->helpViewer()->CurrentPage(), ":/help/108.html");
    EXPECT_TRUE(app->doc().bFileDirty);
    EXPECT_EQ(test::readBytes(path), bytes);

    // Esc leaves the mode with the arrow back.
    QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(frame, Qt::Key_Escape);
    EXPECT_EQ(app->ContextHelp, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // F1 on Abbreviated Names: no help context, and the flag does not change.
    const bool abbrev = app->doc().bAbbreviate;
    frame->bHelpRequested = true;
    ModalWatcher w;
    w.Arm();
    frame->Action(cmd::Abbreviate)->trigger();
    EXPECT_EQ(w.caption, "KIVO Information");
    EXPECT_EQ(w.text, "Help not available for this Menu Item");
    EXPECT_EQ(app->doc().bAbbreviate, abbrev);
    EXPECT_EQ(frame->Action(cmd::Abbreviate)->isChecked(), abbrev);
    EXPECT_FALSE(frame->bHelpRequested);
}

TEST_F(Frame, EveryHelpContextHasAPage) {
    for (int id : cmd::kHelpContexts)
        EXPECT_TRUE(HelpViewer::HasPage(id)) << id;
    EXPECT_FALSE(HelpViewer::HasPage(cmd::Abbreviate));
}

TEST_F(Frame, ClickingSelectsInEveryView) {
    Open(WriteProject(dir.file("NET.SIM")));
    kivoMDIClient& doc = app->doc();
    doc.bName = false; // names cover the symbols they stand beside
    for (int view = 0; view < 3; ++view) {
        views::TKIVOWindow* v = frame->view(view);
        frame->child(view)->showNormal();
        frame->child(view)->resize(700, 600);
        QApplication::processEvents();
        const COMMON& t = doc.theoList[1];
        const QPoint at(t.hcoord[view] + v->horzOrigin, t.vcoord[view] + v->vertOrigin);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(doc.selectType, SEL_THEO) << view;
        EXPECT_EQ(doc.index, 1);
        EXPECT_TRUE(doc.theoList.IsMarked(1));
        EXPECT_TRUE(frame->Action(cmd::EditCut)->isEnabled());
        EXPECT_TRUE(frame->statusText().contains("Theo2_0"));
        EXPECT_EQ(frame->statusImage(), 0);
        // The selected symbol shows in the views.
        const QImage shot = v->viewport()->grab().toImage();
        EXPECT_EQ(shot.pixelColor(at + QPoint(-7 + 5, -6 + 1) * shot.devicePixelRatio()), QColor(0, 0, 255));

        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(3, 3)); // empty canvas
        EXPECT_EQ(doc.selectType, SEL_NONE);
        EXPECT_FALSE(doc.theoList.IsMarked(1));
        EXPECT_FALSE(frame->Action(cmd::EditCut)->isEnabled());
        EXPECT_EQ(frame->statusImage(), 7);
    }
    // A collimation highlights magenta in the plan view.
    views::TKIVOWindow* plan = frame->view(0);
    const COMMON& a = doc.theoList[0];
    const COMMON& b = doc.theoList[1];
    const QPoint mid((a.hcoord[0] + b.hcoord[0]) / 2 + plan->horzOrigin,
                     (a.vcoord[0] + b.vcoord[0]) / 2 + plan->vertOrigin);
    QTest::mouseClick(plan->viewport(), Qt::LeftButton, {}, mid);
    EXPECT_EQ(doc.selectType, SEL_COLLIMATE);
    const QImage shot = plan->viewport()->grab().toImage();
    bool magenta = false;
    for (int dy = -1; dy <= 1; ++dy)
        magenta |= shot.pixelColor(mid + QPoint(0, dy)) == QColor(255, 0, 255);
    EXPECT_TRUE(magenta);
    EXPECT_TRUE(frame->statusText().contains("Theo1_0 (T10)  --  Theo2_0 (T20)"))
        << frame->statusText().toStdString();
}

TEST_F(Frame, TextViewShowsTheListingAndScrollsByLines) {
    // Without a listing: the message and no scroll bars.
    Open(WriteProject(dir.file("NET.SIM")));
    TTextWindow* text = frame->textWindow();
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(app->doc().bValFile);
    EXPECT_EQ(text->verticalScrollBar()->maximum(), 0);
    frame->Command(cmd::FileClose);

    Open(WriteProject(dir.file("LIST.SIM"), 2, 200));
    text = frame->textWindow();
    frame->child(3)->showNormal();
    frame->child(3)->resize(500, 300);
    QApplication::processEvents();
    EXPECT_TRUE(app->doc().bValFile);
    EXPECT_EQ(app->doc().maxLines, 200);
    const int winLines = app->doc().winLines;
    ASSERT_GT(winLines, 1);
    QScrollBar* vb = text->verticalScrollBar();
    // The last line can be reached, and not much more: 200 - winLines, less the lines the unneeded
    // horizontal bar gives.
    EXPECT_LE(vb->maximum(), 200 - winLines);
    EXPECT_GE(vb->maximum() + winLines + 2, 200);
    EXPECT_EQ(vb->pageStep(), winLines - 1);
    EXPECT_EQ(vb->singleStep(), 1);
    EXPECT_EQ(text->horizontalScrollBar()->singleStep(), 20);
    vb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(text->thumbPos, winLines - 1);

    // Resizing a view marks the project changed once it has settled.
    QTest::qWait(10);
    app->doc().bFileDirty = false;
    frame->child(0)->resize(frame->child(0)->size() + QSize(30, 20));
    QApplication::processEvents();
    EXPECT_TRUE(app->doc().bFileDirty);
}

TEST_F(Frame, AListingScrollsAsSoonAsItIsLoaded) {
    // A listing of `lines` lines, one of them 300 characters wide.
    auto listing = [](int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += (i == 7 ? std::string(300, '-') : "line " + std::to_string(i)) + "\r\n";
        return text;
    };
    const std::string path = WriteProject(dir.file("LIST.SIM"));
    test::writeText(ChangeFileExt(path, ".OUT"), listing(200));
    Open(path); // no resize after opening: the ranges come from the load
    TTextWindow* text = frame->textWindow();
    QScrollBar* vb = text->verticalScrollBar();
    QScrollBar* hb = text->horizontalScrollBar();
    const int wide = QFontMetrics(TTextWindow::ListingFont()).horizontalAdvance(QString(300, '-'));
    auto rangesFollow = [&](int lines) {
        SCOPED_TRACE(lines);
        EXPECT_EQ(app->doc().maxLines, lines);
        EXPECT_GE(vb->maximum() + app->doc().winLines + 2, lines);
        // The right end of the wide line can be reached, and no more.
        EXPECT_GE(text->lineLength, wide);
        EXPECT_EQ(hb->maximum() + text->viewport()->width(), text->lineLength);
        EXPECT_EQ(vb->value(), 0);
    };
    rangesFollow(200);
    QTest::keyClick(text, Qt::Key_PageDown);
    EXPECT_EQ(text->thumbPos, app->doc().winLines - 1);

    // Calculate discards the listing (no ranges), then loads the new one.
    app->doc().DiscardOutput();
    EXPECT_EQ(vb->maximum(), 0);
    EXPECT_EQ(hb->maximum(), 0);
    test::writeText(ChangeFileExt(path, ".OUT"), listing(300));
    app->doc().bValFile = app->doc().LoadOutput();
    rangesFollow(300);
    QApplication::processEvents(); // the bars as laid out agree
    rangesFollow(300);
}

TEST_F(Frame, ImportThatWidensTheLimitsLetsTheViewsScrollToTheNewElements) {
    Open(WriteProject(dir.file("NET.SIM"))); // limits 0 to 10 at 1 unit per cm
    for (int i = 0; i < 3; ++i) {
        frame->child(i)->showNormal();
        frame->child(i)->resize(400, 300);
    }
    QApplication::processEvents();
    kivoMDIClient& doc = app->doc();
    doc.ImportName = dir.file("FAR.TRG");
    test::writeText(doc.ImportName, "POINT FAR 60 UNK 45 UNK 30 UNK\n");
    QTimer::singleShot(0, [] { // "FAR is outside limits, expand limits ?": Yes
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    ASSERT_TRUE(doc.ReadTargetFile());
    ASSERT_EQ(doc.xMax, 60);
    const COMMON& far = doc.pointList[1];
    ASSERT_STREQ(far.name, "FAR");
    // Without a resize, every view reaches the new point's symbol.
    for (int view = 0; view < 3; ++view) {
        views::TKIVOWindow* v = frame->view(view);
        EXPECT_GE(v->horizontalScrollBar()->maximum() + v->viewport()->width(), far.hcoord[view]) << view;
        // Exactly the canvas: no blank strip beyond its edges.
        EXPECT_EQ(v->horizontalScrollBar()->maximum() + v->viewport()->width(), doc.hExtent[view]) << view;
        EXPECT_EQ(v->verticalScrollBar()->maximum() + v->viewport()->height(), doc.vExtent[view]) << view;
    }
}

TEST_F(Frame, ArrangeIconsLinesUpTheMinimisedViewsAlongTheBottom) {
    Open(WriteProject(dir.file("NET.SIM")));
    QMdiArea* area = frame->mdiArea();
    frame->child(1)->setGeometry(20, 30, 400, 300);
    const QRect side = frame->child(1)->geometry();
    // Plan and end view minimised, then dragged to odd places.
    frame->child(0)->showMinimized();
    frame->child(2)->showMinimized();
    QApplication::processEvents();
    frame->child(0)->move(150, 40);
    frame->child(2)->move(300, 90);
    frame->Action(cmd::ArrangeIcons)->trigger();
    QApplication::processEvents();
    const QRect plan = frame->child(0)->geometry(), end = frame->child(2)->geometry();
    EXPECT_TRUE(frame->child(0)->isMinimized());
    EXPECT_EQ(plan.topLeft(), QPoint(0, area->viewport()->height() - plan.height()));
    EXPECT_EQ(end.topLeft(), QPoint(plan.width(), plan.top()));
    EXPECT_EQ(frame->child(1)->geometry(), side);
}

TEST_F(Frame, LockIndicatorsStartFromTheKeyboardState) {
    auto lit = [this](const char* name) {
        return frame->statusBar()->findChild<QLabel*>(QString::fromLatin1(name))->isEnabled();
    };
    // Offscreen there is no keyboard to ask: the indicators stay off.
    EXPECT_FALSE(ReadLockKeys().has_value());
    EXPECT_FALSE(lit("indicatorCAP"));

    app.reset();
    app = std::make_unique<kivoApp>();
    LockKeys keys{true, false, true};
    app->lockKeyReader = [&keys] { return std::optional<LockKeys>(keys); };
    app->InitMainWindow(false);
    frame = app->frame();
    EXPECT_TRUE(lit("indicatorCAP"));
    EXPECT_FALSE(lit("indicatorNUM"));
    EXPECT_TRUE(lit("indicatorSCRL"));
    EXPECT_FALSE(lit("indicatorOVR"));
    // Changed while another program had the keyboard.
    keys = LockKeys{false, true, false};
    app->RefreshLockKeys();
    EXPECT_FALSE(lit("indicatorCAP"));
    EXPECT_TRUE(lit("indicatorNUM"));
}

TEST_F(Frame, ShortcutsRecentFilesAndTheWindowList) {
    const std::pair<int, const char*> keys[] = {
        {cmd::FileNew, "Ctrl+N"},    {cmd::FileOpen, "Ctrl+O"},
        {cmd::FileSave, "Ctrl+S"},   {cmd::FileSaveAs, "Ctrl+Shift+S"},
        {cmd::FilePrint, "Ctrl+P"},  {cmd::FileClose, "Ctrl+W"},
        {cmd::Exit, "Ctrl+Q"},       {cmd::Calculate, "F5"},
        {cmd::FindElement, "Ctrl+F"}};
    for (auto [id, key] : keys)
        EXPECT_EQ(frame->Action(id)->shortcut(), QKeySequence(QString::fromLatin1(key))) << key;

    for (const QString& p : RecentFiles::List())
        RecentFiles::Remove(p);
    const std::string a = WriteProject(dir.file("A.SIM")), b = WriteProject(dir.file("B.SIM"));
    Open(a);
    Open(b);
    EXPECT_EQ(RecentFiles::List(), QStringList({QString::fromStdString(b), QString::fromStdString(a)}));
    // The File menu lists them above Exit, newest first; choosing one opens it.
    QMenu* file = BarMenu(QStringLiteral("menuFile"));
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    QStringList texts;
    for (QAction* act : file->actions())
        texts << act->text();
    const qsizetype exit = texts.indexOf(frame->Action(cmd::Exit)->text());
    ASSERT_GE(exit, 3);
    EXPECT_EQ(texts.mid(exit - 3, 2),
              QStringList({"&1 " + QString::fromStdString(b), "&2 " + QString::fromStdString(a)}));
    file->actions()[exit - 2]->trigger();
    EXPECT_EQ(app->doc().OpenName, a);
    EXPECT_EQ(RecentFiles::List().first(), QString::fromStdString(a));
    // The newest eight are kept; a file gone from disk is taken off when chosen.
    for (int i = 0; i < 10; ++i)
        RecentFiles::Add(QString::fromStdString(dir.file("N" + std::to_string(i) + ".SIM")));
    ASSERT_EQ(RecentFiles::List().size(), RecentFiles::kMax);
    EXPECT_EQ(RecentFiles::List().first(), QString::fromStdString(dir.file("N9.SIM")));
    ModalWatcher box;
    box.Arm();
    frame->OpenRecent(QString::fromStdString(dir.file("N9.SIM")));
    EXPECT_TRUE(box.text.contains("no longer exists")) << box.text.toStdString();
    EXPECT_FALSE(RecentFiles::List().contains(QString::fromStdString(dir.file("N9.SIM"))));
    EXPECT_EQ(app->doc().OpenName, a) << "the open project stays";

    // The Window menu lists the four views, the active one checked; choosing one activates it.
    QMenu* window = BarMenu(QStringLiteral("menuWindow"));
    ASSERT_NE(window, nullptr);
    frame->mdiArea()->setActiveSubWindow(frame->child(0));
    emit window->aboutToShow();
    QList<QAction*> views = window->actions().mid(window->actions().size() - 4);
    EXPECT_EQ(views[1]->text(), "&2 " + frame->child(1)->windowTitle());
    EXPECT_TRUE(views[0]->isChecked());
    frame->child(2)->showMinimized();
    views[2]->trigger();
    EXPECT_EQ(frame->ActiveViewIndex(), 2);
    EXPECT_FALSE(frame->child(2)->isMinimized());
    const qsizetype entries = window->actions().size();
    emit window->aboutToShow(); // rebuilt, not appended to
    EXPECT_EQ(window->actions().size(), entries);
    EXPECT_TRUE(window->actions()[entries - 2]->isChecked());

    // The keys reach the frame from a view with the focus: Ctrl+W closes the project, no view.
    QApplication::setActiveWindow(frame);
    frame->view(0)->viewport()->setFocus();
    app->doc().bFileDirty = false;
    QTest::keyClick(frame->view(0)->viewport(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(app->doc().bFileOpen);
    for (const QString& p : RecentFiles::List())
        RecentFiles::Remove(p);
}

TEST_F(Frame, TitleMarksUnsavedChangesAndTheStatusBarReportsWhatWasDone) {
    WriteProject(dir.file("NET.SIM"), 2, 60); // with a listing for the text view
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
    Open("NET.SIM"); // as from the command line: named the same as File > Open would
    QDir::setCurrent(cwd);
    kivoMDIClient& doc = app->doc();
    EXPECT_EQ(doc.OpenName, dir.file("NET.SIM"));
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString("KIVO - " + dir.file("NET.SIM") + "[*]"));
    // The windows settle: that is no change to the project (the title's mark follows within two
    // of its polls, so a mark that stays away this long never comes).
    EXPECT_FALSE(QTest::qWaitFor([&] { return frame->isWindowModified(); }, 600));
    frame->child(3)->resize(frame->child(3)->size() + QSize(30, 20)); // the user's is
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->isWindowModified(); }, 5000));
    frame->Command(cmd::Name);
    EXPECT_TRUE(frame->isWindowModified());
    frame->Command(cmd::FileSave);
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_EQ(frame->statusText(), "Saved NET.SIM");
    // A change made outside any command (a drag, a form) shows within a moment.
    doc.bFileDirty = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->isWindowModified(); }, 5000));

    frame->Command(cmd::Simulate);
    EXPECT_EQ(frame->statusText(), "Measurements updated: 1 observation computed");
    frame->Command(cmd::Calculate);
    EXPECT_TRUE(frame->statusText().startsWith("Mavo returns ")) << frame->statusText().toStdString();
}

TEST_F(Frame, FindElementSelectsAndCentresItInEveryView) {
    Open(WriteProject(dir.file("NET.SIM")));
    kivoMDIClient& doc = app->doc();
    for (int i = 0; i < 3; ++i) {
        frame->child(i)->showNormal();
        frame->child(i)->resize(180, 140);
    }
    QApplication::processEvents();
    test::WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        w->findChild<QLineEdit*>(QStringLiteral("findName"))->setText(QStringLiteral(" point1 "));
        static_cast<QDialog*>(w)->accept();
    });
    frame->Command(cmd::FindElement);
    EXPECT_EQ(doc.selectType, SEL_POINT);
    EXPECT_EQ(doc.index, 0);
    EXPECT_TRUE(doc.pointList.IsMarked(0));
    EXPECT_TRUE(frame->Action(cmd::EditCut)->isEnabled());
    EXPECT_TRUE(frame->statusText().contains("Point1"));
    const COMMON& p = doc.pointList[0];
    for (int view = 0; view < 3; ++view) {
        views::TKIVOWindow* v = frame->view(view);
        const QScrollBar* h = v->horizontalScrollBar();
        const QScrollBar* vb = v->verticalScrollBar();
        ASSERT_GT(h->maximum() + vb->maximum(), 0) << "the canvas is larger than the view " << view;
        const int wantH = std::clamp(p.hcoord[view] - v->viewport()->width() / 2, 0, h->maximum());
        const int wantV = std::clamp(p.vcoord[view] - v->viewport()->height() / 2, 0, vb->maximum());
        EXPECT_EQ(h->value(), wantH) << view;
        EXPECT_EQ(vb->value(), wantV) << view;
        QApplication::processEvents();
        EXPECT_EQ(v->horzOrigin, -wantH);
    }
    // Stations by their form name, case ignored; an unknown name says so and selects nothing.
    EXPECT_TRUE(frame->FindElement("THEO2_0"));
    EXPECT_EQ(doc.selectType, SEL_THEO);
    EXPECT_EQ(doc.index, 1);
    EXPECT_FALSE(doc.pointList.IsMarked(0));
    test::WhenModal([](QWidget* w) {
        w->findChild<QLineEdit*>(QStringLiteral("findName"))->setText(QStringLiteral("nosuch"));
        static_cast<QDialog*>(w)->accept();
        QTimer::singleShot(0, [] {
            if (auto* m = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) m->accept();
        });
    });
    frame->Command(cmd::FindElement);
    EXPECT_EQ(frame->statusText(), "No element named nosuch");
    EXPECT_EQ(doc.index, 1);
}

// The example labels its elements in the views (Theo4_0 as T40, Point47 as P47, SBar1 as S1): Find
// takes the label the user sees as readily as the form name or the listing's station name, and a
// scale bar's end finds the bar.
TEST_F(Frame, FindElementTakesEveryNameTheUserMeets) {
    const std::string sim = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", sim);
    Open(sim);
    kivoMDIClient& doc = app->doc();
    const int station = doc.TheoCheck("Theo4_0"), point = doc.PointCheck("Point47"),
              bar = doc.SBarCheck("SBar1");
    ASSERT_GE(station, 0);
    ASSERT_GE(point, 0);
    ASSERT_GE(bar, 0);
    struct Case {
        const char* typed;
        int kind, slot;
    } cases[] = {{"Theo4_0", SEL_THEO, station}, {"t40", SEL_THEO, station}, {"4_0", SEL_THEO, station},
                 {"POINT47", SEL_POINT, point},  {"P47", SEL_POINT, point},  {"SBar1R", SEL_SBAR, bar},
                 {"s1l", SEL_SBAR, bar},         {"sbar1", SEL_SBAR, bar}};
    for (const Case& c : cases) {
        doc.ClearSelect();
        doc.selectType = SEL_NONE;
        EXPECT_TRUE(frame->FindElement(QString::fromLatin1(c.typed))) << c.typed;
        EXPECT_EQ(doc.selectType, c.kind) << c.typed;
        EXPECT_EQ(doc.index, c.slot) << c.typed;
    }
    // The status bar shows the selection with its form name and its label.
    EXPECT_TRUE(frame->FindElement(QStringLiteral("T40")));
    EXPECT_TRUE(frame->statusText().contains(QStringLiteral("Theo4_0 (T40)")))
        << frame->statusText().toStdString();
}
