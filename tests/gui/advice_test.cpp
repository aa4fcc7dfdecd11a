// Measure > Suggest Sightings and Station Heat Map in the program, on the example project.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "adjustment/design_advice.h"
#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "forms/advice_forms.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "model/element_names.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;

TEST(AdviceGui, SuggestAddHeatMapAndPlaceAStation) {
    test::TempDir dir;
    const std::string path = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", path);
    auto app = std::make_unique<app::kivoApp>();
    app->InitMainWindow(false);
    app::kivoDecoratedMDIFrame* frame = app->frame();
    frame->show();
    app->OpenProject(QString::fromStdString(path));
    QApplication::processEvents();
    kivoMDIClient& doc = app->doc();

    // The list: 20 rows, best first; a double click adds that direction to the theodolite.
    int theo = -1, before = 0;
    test::WhenModal([&](QWidget* w) {
        auto* form = qobject_cast<forms::SuggestSightingsForm*>(w);
        ASSERT_NE(form, nullptr);
        QTableWidget* t = form->table();
        ASSERT_EQ(t->rowCount(), 20);
        for (int r = 1; r < t->rowCount(); ++r)
            EXPECT_GE(t->item(r - 1, 3)->text().toDouble(), t->item(r, 3)->text().toDouble());
        for (int i = 0; i < doc.nMaxTheos; ++i)
            if (t->item(0, 0)->text() == QString::fromStdString(ShownName(doc.theoList[i]))) theo = i;
        ASSERT_GE(theo, 0);
        before = doc.theoList[theo].ptList.size();
        EXPECT_TRUE(form->AddRow(0));
        EXPECT_FALSE(form->AddRow(0));
        form->reject();
    });
    frame->Command(cmd::SuggestSightings);
    ASSERT_GE(theo, 0);
    EXPECT_EQ(doc.theoList[theo].ptList.size(), before + 1);

    // The heat map: computed off the GUI thread, then shown in the plan view.
    test::WhenModal([&](QWidget* w) {
        auto* form = qobject_cast<forms::StationHeatMapForm*>(w);
        ASSERT_NE(form, nullptr);
        form->gridEdit()->setText(std::getenv("KIVO_SHOTS") ? QStringLiteral("40") : QStringLiteral("12"));
        EXPECT_TRUE(form->Start());
    });
    frame->Command(cmd::StationHeatMap);
    views::TKIVOWindow* plan = frame->view(0);
    ASSERT_NE(plan->stationField(), nullptr);
    const StationField f = *plan->stationField();
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.nx * f.ny, static_cast<int>(f.value.size()));
    EXPECT_LT(f.best, f.current);
    if (const char* shots = std::getenv("KIVO_SHOTS")) {
        frame->resize(1400, 1000);
        frame->child(0)->showMaximized();
        QApplication::processEvents();
        frame->grab().save(QString::fromLocal8Bit(shots) + "/advice-heatmap.png");
        frame->child(0)->showNormal();
        QApplication::processEvents();
    }

    // A click on the best cell places a theodolite there that sights every point.
    const int theos = doc.nNumTheos;
    const double x = f.cellX(f.bestCell % f.nx), y = f.cellY(f.bestCell / f.nx);
    const QPoint at(static_cast<int>((x - doc.hBase[0]) * doc.hObjScale[0]) + plan->horzOrigin,
                    static_cast<int>((doc.vBase[0] - y) * doc.vObjScale[0]) + plan->vertOrigin);
    QTest::mouseClick(plan->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(plan->stationField(), nullptr);
    ASSERT_EQ(doc.nNumTheos, theos + 1);
    int placed = -1;
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if ((doc.theoList[i].flags & ELEM_INUSE) && std::fabs(doc.theoList[i].xReal - x) < 1e-9 &&
            std::fabs(doc.theoList[i].yReal - y) < 1e-9)
            placed = i;
    ASSERT_GE(placed, 0);
    EXPECT_EQ(doc.theoList[placed].ptList.size(), doc.nNumPoints);

    // Cancel stops a running computation and leaves no field.
    forms::StationHeatMapForm form(frame, doc);
    form.gridEdit()->setText(QStringLiteral("200"));
    ASSERT_TRUE(form.Start());
    form.reject();
    EXPECT_FALSE(form.running());
    EXPECT_FALSE(form.field().ok);
    doc.bFileDirty = false;
}
