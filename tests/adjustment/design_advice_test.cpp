// Design advice through the document: the suggestion added as the tools add it, then Calculate.

#include <gtest/gtest.h>

#include "adjustment/design_advice.h"
#include "adjustment/kivoMDIClient.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;

namespace {

constexpr int kFixXYZ = 0x2A, kFixTilts = 0x0A0;

} // namespace

TEST(DesignAdvice, TopSuggestionAddedAndCalculatedGivesItsGain) {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    doc.CmFileNew();
    doc.OpenName = dir.file("NET.SIM");
    doc.bFileNamed = true;
    EXPECT_FALSE(SuggestSightings(doc, 5).ok) << "no Calculate yet";

    doc.NewTheo("T1", "", 1, 0, 0, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
    doc.NewTheo("T2", "", 2, 0, 100, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
    doc.NewTheo("T3", "", 3, 0, 50, 90, 12, 0, 0, 0, 0);
    const double pts[6][3] = {{30, 40, 5}, {70, 35, 12}, {45, 20, 3}, {60, 60, 8}, {20, 70, 4}, {85, 75, 9}};
    for (int i = 0; i < 6; ++i)
        doc.NewPoint(("P" + std::to_string(i)).c_str(), "", pts[i][0], pts[i][1], pts[i][2], 0);
    auto sight = [&](int t, std::initializer_list<int> points, bool distance = false) {
        doc.ClearTheos();
        doc.theoList.Mark(t, true);
        for (int p : points)
            distance ? doc.NewDistance(nullptr, 0, p) : doc.NewPtDirect(nullptr, 0, p);
        doc.ClearTheos();
    };
    sight(0, {0, 1, 2, 3, 4, 5});
    sight(1, {0, 1, 2, 3});
    sight(2, {2, 3, 4});
    sight(0, {1}, true);
    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);

    const SightingAdviceResult before = SuggestSightings(doc, 0);
    ASSERT_TRUE(before.ok) << before.why;
    ASSERT_FALSE(before.ranked.empty());
    for (const SightingSuggestion& s : before.ranked) {
        EXPECT_FALSE(s.distance && s.theo != 0) << "only T1 measures distances";
        EXPECT_FALSE(!s.distance && s.theo == 0) << "T1 sights every point already";
    }
    const SightingSuggestion top = before.ranked.front();
    EXPECT_GT(top.gain, 0.0);

    // The user's marks survive the addition; adding it twice adds nothing.
    doc.theoList.Mark(1, true);
    doc.pointList.Mark(4, true);
    ASSERT_TRUE(AddSuggestedSighting(doc, top));
    EXPECT_FALSE(AddSuggestedSighting(doc, top));
    EXPECT_TRUE(doc.theoList.IsMarked(1) && doc.pointList.IsMarked(4));
    EXPECT_FALSE(doc.theoList.IsMarked(top.theo) && top.theo != 1);
    doc.ClearTheos();
    doc.ClearPoints();

    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);
    const SightingAdviceResult after = SuggestSightings(doc, 0);
    ASSERT_TRUE(after.ok);
    // The element that was worst shrinks by the predicted gain; another may now be the worst.
    // (Directions reach the engine rounded to 5 decimals of a gon, which moves the adjusted positions
    // and so the covariance a little.)
    const double predicted = before.worstAxis - top.gain;
    EXPECT_GE(after.worstAxis, predicted * (1 - 1e-6));
    if (after.worst == before.worst) {
        EXPECT_NEAR(after.worstAxis, predicted, 1e-6 * predicted);
    }
    for (const SightingSuggestion& s : after.ranked)
        EXPECT_FALSE(s.theo == top.theo && s.point == top.point && s.distance == top.distance);
}
