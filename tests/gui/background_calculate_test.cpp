// Calculate of a large network in the background: the status bar shows the phase with Cancel, the
// program is locked while it runs, a cancelled run leaves everything as the run before left it and
// a finished one gives what the Calculate on the window's thread gives.
// With KIVO_SHOTS set to a folder, the frame is saved there while the run goes on and after the
// cancel (calculate-running.png, calculate-cancelled.png), and in the first iteration of a run that
// goes to the end (calculate-iterations.png); KIVO_CALC_STATIONS and KIVO_CALC_TARGETS
// set the size of the plant network (20 x 5,000 by default).

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../bench/plant_network.h"
#include "app/background_calculate.h"
#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "model/command_ids.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::app;
using kivo::test::Val;

namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

void Shot(QWidget* w, const char* name) {
    if (const char* dir = std::getenv("KIVO_SHOTS"))
        w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name)));
}

// Everything a Calculate leaves in the document that the user sees: the ellipses of every element,
// the left-out marks, the listing in the text window and the engine's answer.
struct Results {
    std::vector<double> ellipses;
    std::vector<std::pair<int, int>> leftOut;
    ListingLines listing;
    int result = 0;
    bool valid = false;
    bool operator==(const Results&) const = default;
};

Results Take(const kivoMDIClient& doc) {
    Results r;
    auto add = [&](const COMMON& c) {
        for (int k = 0; k < 3; ++k)
            r.ellipses.insert(r.ellipses.end(), {Val(c.A[k]), Val(c.B[k]), Val(c.phi[k])});
    };
    for (int i = 0; i < doc.nMaxTheos; ++i)
        add(doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        add(doc.pointList[i]);
    for (const auto& m : doc.leftOutMarks)
        r.leftOut.emplace_back(m.kind, m.slot);
    r.listing = doc.fileBuffer;
    r.result = doc.lastCalculateResult;
    r.valid = doc.bValEllip;
    return r;
}

struct BackgroundCalculateTest : ::testing::Test {
    test::TempDir dir;
    std::string path;
    std::unique_ptr<kivoApp> app;
    kivoDecoratedMDIFrame* frame = nullptr;

    void SetUp() override {
        {
            test::ScriptedHost host;
            kivoMDIClient plant(&host);
            bench::BuildPlant(plant, EnvInt("KIVO_CALC_STATIONS", 20), EnvInt("KIVO_CALC_TARGETS", 5000));
            plant.OpenName = path = dir.file("PLANT.SIM");
            ASSERT_TRUE(plant.WriteSimFile());
        }
        app = std::make_unique<kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->resize(1280, 900);
        frame->show();
        // Esc cancels through the frame's shortcut, which needs the frame active (on a display
        // without a window manager nothing activates it otherwise).
        frame->activateWindow();
        (void)QTest::qWaitForWindowActive(frame, 2000);
        app->OpenProject(QString::fromStdString(path));
        doc().bAutosave = false;
        frame->child(0)->showMaximized();
        QApplication::processEvents();
    }
    void TearDown() override { BackgroundCalculate::SetThreshold(20000); }

    kivoMDIClient& doc() { return app->doc(); }
    BackgroundCalculate& calc() { return frame->backgroundCalculate(); }
    void CalculateHere() {
        BackgroundCalculate::SetThreshold(INT_MAX);
        frame->Command(cmd::Calculate);
        ASSERT_FALSE(calc().Running());
    }
    void StartInBackground() {
        BackgroundCalculate::SetThreshold(0);
        frame->Command(cmd::Calculate);
        ASSERT_TRUE(calc().Running());
    }
};

TEST_F(BackgroundCalculateTest, CancelLeavesTheEllipsesAndTheListingOfTheRunBefore) {
    CalculateHere();
    ASSERT_EQ(doc().lastCalculateResult, 0);
    const Results before = Take(doc());
    const std::vector<unsigned char> listingFile = test::readBytes(dir.file("PLANT.OUT"));
    ASSERT_FALSE(listingFile.empty());
    // Another run would give other ellipses and another listing: the directions twice as precise.
    doc().hSDAngle /= 2;
    doc().vSDAngle /= 2;

    StartInBackground();
    QProgressBar* bar = calc().progressBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->format().startsWith(QStringLiteral("Calculating: "))) << bar->format().toStdString();
    EXPECT_TRUE(calc().cancelButton()->isVisible());
    // Locked: no command, no input to the views; the views are still shown (and repaint).
    EXPECT_FALSE(frame->Action(cmd::Calculate)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::FileSave)->isEnabled());
    EXPECT_FALSE(frame->mdiArea()->isEnabled());
    EXPECT_TRUE(frame->child(0)->isVisible());
    Shot(frame, "calculate-running.png");
    frame->Command(cmd::Simulate); // refused while the run goes on
    EXPECT_TRUE(calc().Running());

    QTest::keyClick(frame, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!calc().Running(), 60000);
    EXPECT_EQ(Take(doc()), before);
    EXPECT_EQ(test::readBytes(dir.file("PLANT.OUT")), listingFile) << "the listing on disk is the old one";
    EXPECT_EQ(frame->statusText(), QStringLiteral("Calculate cancelled"));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(frame->Action(cmd::Calculate)->isEnabled());
    EXPECT_TRUE(frame->Action(cmd::Ellipse)->isEnabled()) << "the old ellipses are still shown";
    EXPECT_TRUE(frame->mdiArea()->isEnabled());
    Shot(frame, "calculate-cancelled.png");

    // The Cancel button does the same as Esc.
    StartInBackground();
    QTest::mouseClick(calc().cancelButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!calc().Running(), 60000);
    EXPECT_EQ(Take(doc()), before);
}

TEST_F(BackgroundCalculateTest, AFinishedRunGivesWhatTheCalculateOnTheWindowsThreadGives) {
    // Only part of the network determined: left-out marks come with it.
    doc().NewPoint("LONE", "", 0, 0, 5, 0);
    StartInBackground();
    QStringList phases;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString now = calc().progressBar()->format();
        if (phases.contains(now)) return;
        phases << now;
        if (now.startsWith(QStringLiteral("Calculating: iterations")) &&
            phases.filter(QStringLiteral("iter")).size() == 1)
            Shot(frame, "calculate-iterations.png");
    });
    watch.start(5);
    QTRY_VERIFY_WITH_TIMEOUT(!calc().Running(), 60000);
    watch.stop();
    ASSERT_FALSE(phases.isEmpty());
    EXPECT_TRUE(phases.front().startsWith(QStringLiteral("Calculating: ")))
        << phases.join(", ").toStdString();
    ASSERT_EQ(doc().lastCalculateResult, 0);
    const Results background = Take(doc());
    const QString status = frame->statusText();
    EXPECT_FALSE(background.leftOut.empty());
    EXPECT_TRUE(frame->Action(cmd::Calculate)->isEnabled());

    CalculateHere();
    EXPECT_EQ(Take(doc()), background);
    EXPECT_EQ(frame->statusText(), status);
}

} // namespace
