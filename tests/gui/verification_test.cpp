// Measure > Verify by Simulation in the program, on the example project: the form, the run behind
// its progress window, the result window, the clouds in the views and their going stale.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "adjustment/simulation_check.h"
#include "app/background_calculate.h"
#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "program_fixture.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;

namespace {

// Answers the form with these values and OK.
void AnswerForm(int samples, const char* seed) {
    test::WhenModal([=](QWidget* w) {
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(w->objectName(), QStringLiteral("verifySimulationDialog"));
        w->findChild<QSpinBox*>(QStringLiteral("verifySamples"))->setValue(samples);
        w->findChild<QLineEdit*>(QStringLiteral("verifySeed"))->setText(QString::fromLatin1(seed));
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
}

// Pixels of the plan view in the cloud colour.
int CloudPixels(views::TKIVOWindow* v) {
    const QImage image = v->viewport()->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == QColor(0, 110, 210) ? 1 : 0;
    return n;
}

class VerificationGui : public test::ProgramFixture {};

} // namespace

TEST_F(VerificationGui, RunShowResultsCloudsAndStale) {
    OpenExample(1400, 1000);
    kivoMDIClient& doc = app->doc();
    QAction* action = frame->Action(cmd::VerifySimulation);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("&Verify by Simulation..."));

    // A seed that is not a whole number keeps the form open; Cancel then runs nothing.
    test::WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        w->findChild<QLineEdit*>(QStringLiteral("verifySeed"))->setText(QStringLiteral("-1"));
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(w->isVisible());
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    action->trigger();
    EXPECT_EQ(doc.lastCheck, nullptr);
    const int cloudless = CloudPixels(frame->view(0));

    AnswerForm(300, "5");
    action->trigger();
    ASSERT_NE(doc.lastCheck, nullptr);
    EXPECT_EQ(doc.lastCheck->samples, 300);
    EXPECT_EQ(doc.lastCheck->seed, 5u);
    EXPECT_EQ(doc.lastCheck->converged, 300);
    ASSERT_EQ(CurrentSimulationCheck(doc), doc.lastCheck.get());
    app::SimulationCheckWindow* results = frame->simulationCheckWindow();
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    QTableWidget* table = results->table();
    ASSERT_EQ(table->rowCount(), 5 + 6 + 93);
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), QStringLiteral("Predicted (mm)"));
    EXPECT_EQ(table->item(0, 4)->text(), QStringLiteral("fixed"));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("Theo2_0"));
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("0.1608")); // as the listing gives it
    // The listing now ends with the section; the text view shows it.
    EXPECT_NE(
        test::readText(dir.file("PLANT.OUT")).find("VERIFICATION BY SIMULATION (300 realisations, seed 5"),
        std::string::npos);

    // A double click on a point's row selects it.
    int row = -1;
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == QStringLiteral("Point10")) row = r;
    ASSERT_GE(row, 0);
    emit table->cellDoubleClicked(row, 0);
    EXPECT_EQ(doc.selectType, SEL_POINT);
    EXPECT_STREQ(doc.pointList[doc.index].name, "Point10");

    // The clouds are drawn around the ellipses in the views.
    QApplication::processEvents();
    const int clouds = CloudPixels(frame->view(0));
    EXPECT_GT(clouds, cloudless + 200);
    if (const char* shots = std::getenv("KIVO_SHOTS")) {
        frame->child(0)->showMaximized();
        QApplication::processEvents();
        frame->grab().save(QString::fromLocal8Bit(shots) + "/verify-clouds.png");
        results->grab().save(QString::fromLocal8Bit(shots) + "/verify-table.png");
        frame->child(0)->showNormal();
        QApplication::processEvents();
    }

    // A change to the network makes the clouds stale: they go.
    ASSERT_TRUE(frame->FindElement(QStringLiteral("Point10")));
    frame->Command(cmd::EditCut);
    QApplication::processEvents();
    EXPECT_EQ(CurrentSimulationCheck(doc), nullptr);
    EXPECT_EQ(CloudPixels(frame->view(0)), cloudless);
    // Undo puts back the network the check was made on, and with it the clouds.
    frame->Action(cmd::EditUndo)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(CurrentSimulationCheck(doc), doc.lastCheck.get());

    // Cancel in the progress window stops a long run; the last check stays as it was.
    const SimulationCheck* kept = doc.lastCheck.get();
    bool cancelled = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!progress || progress->objectName() != QStringLiteral("verifyProgress") || progress->value() < 1)
            return;
        progress->findChild<QPushButton*>()->click();
        cancelled = true;
        cancel.stop();
    });
    cancel.start(20);
    AnswerForm(1000000, "6");
    action->trigger();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(doc.lastCheck.get(), kept);
    // The Calculate it began with replaced the run the last check was made on: no clouds.
    EXPECT_EQ(CurrentSimulationCheck(doc), nullptr);
    // The listing of that Calculate holds no section.
    EXPECT_EQ(test::readText(dir.file("PLANT.OUT")).find("VERIFICATION BY SIMULATION"), std::string::npos);
    doc.bFileDirty = false;
}

// On a network large enough for the background Calculate the window stays alive while it runs; the
// check follows once it has finished, and a cancelled Calculate runs no check.
TEST_F(VerificationGui, ALargeNetworkCalculatesInTheBackgroundFirst) {
    OpenExample(1400, 1000);
    kivoMDIClient& doc = app->doc();
    doc.bAutosave = false;
    app::BackgroundCalculate::SetThreshold(0); // the example counts as large
    app::BackgroundCalculate& calc = frame->backgroundCalculate();

    AnswerForm(200, "7");
    frame->Action(cmd::VerifySimulation)->trigger();
    EXPECT_TRUE(calc.Running()) << "the Calculate runs in the background";
    EXPECT_EQ(doc.lastCheck, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(doc.lastCheck != nullptr, 60000);
    EXPECT_EQ(doc.lastCheck->samples, 200);
    EXPECT_EQ(CurrentSimulationCheck(doc), doc.lastCheck.get());
    ASSERT_NE(frame->simulationCheckWindow(), nullptr);
    EXPECT_TRUE(frame->simulationCheckWindow()->isVisible());

    // Cancelled at once; should the run have ended before it saw the cancel, it finished and the
    // check followed.
    const SimulationCheck* kept = doc.lastCheck.get();
    bool cancelled = false;
    QObject::connect(&calc, &app::BackgroundCalculate::Finished, [&](bool c) { cancelled = c; });
    AnswerForm(200, "8");
    frame->Action(cmd::VerifySimulation)->trigger();
    ASSERT_TRUE(calc.Running());
    calc.Cancel();
    QTRY_VERIFY_WITH_TIMEOUT(!calc.Running(), 60000);
    QApplication::processEvents();
    if (cancelled)
        EXPECT_EQ(doc.lastCheck.get(), kept) << "no check after a cancelled Calculate";
    else
        ASSERT_EQ(doc.lastCheck->seed, 8u);
    kept = doc.lastCheck.get();
    // A later Calculate on its own runs no check either.
    frame->Command(cmd::Calculate);
    QTRY_VERIFY_WITH_TIMEOUT(!calc.Running(), 60000);
    QApplication::processEvents();
    EXPECT_EQ(doc.lastCheck.get(), kept);
    app::BackgroundCalculate::SetThreshold(20000);
    doc.bFileDirty = false;
}
