// Live precision through the document: the ellipses a drag shows are those a Calculate gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "adjustment/ellipsoid.h"
#include "adjustment/kivoMDIClient.h"
#include "adjustment/live_session.h"
#include "adjustment/precision.h"
#include "adjustment/results_export.h"
#include "engine/summary.h"
#include "model/file_names.h"
#include "model/network_image.h"
#include "support/packed_value.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using test::Val;

namespace {

// A copy of the example project in dir, read into doc.
bool OpenExample(kivoMDIClient& doc, const test::TempDir& dir) {
    doc.OpenName = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", doc.OpenName);
    return doc.ReadSimFile();
}

// Every ellipse of the theodolites and points in use, three planes each.
std::vector<double> Ellipses(const kivoMDIClient& doc) {
    std::vector<double> v;
    auto add = [&](const COMMON& c) {
        for (int k = 0; k < 3; ++k) {
            v.push_back(Val(c.A[k]));
            v.push_back(Val(c.B[k]));
            // The angle only counts where the ellipse is clearly no circle.
            v.push_back(Val(c.A[k]) - Val(c.B[k]) > 1e-2 * Val(c.A[k]) ? Val(c.phi[k]) : 0.0);
        }
    };
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if (doc.theoList[i].flags & ELEM_INUSE) add(doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) add(doc.pointList[i]);
    return v;
}

} // namespace

TEST(LivePrecisionSession, DraggedStationAndBarGiveTheEllipsesOfACalculate) {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    ASSERT_TRUE(OpenExample(doc, dir));
    doc.bIdeals = true;
    doc.bAutosave = false;

    // A station moved in the plan (x, y), then in the side view (x, z); a scale bar moved twice.
    struct Step {
        int kind, slot, view;
        double h, v;
    };
    const COMMON& t1 = doc.theoList[1];
    const COMMON& b0 = doc.sbarList[0];
    const Step steps[] = {{SEL_THEO, 1, 0, t1.xReal + 1.5, t1.yReal - 2.0},
                          {SEL_THEO, 1, 1, t1.xReal - 0.7, t1.zReal + 0.9},
                          {SEL_SBAR, 0, 0, b0.xReal + 3.0, b0.yReal + 1.0},
                          {SEL_SBAR, 0, 2, b0.yReal - 2.0, b0.zReal + 0.5}};
    std::unique_ptr<LivePrecisionSession> s;
    int kind = SEL_NONE;
    for (const Step& st : steps) {
        if (st.kind != kind) {
            s = LivePrecisionSession::Start(doc, st.kind, st.slot);
            ASSERT_TRUE(s->Setup()) << s->Why();
            kind = st.kind;
        }
        doc.MoveCommon(st.view, &doc.Common(st.kind, st.slot), st.h, st.v);
        ASSERT_EQ(s->Update(s->Moves(doc)), LivePrecisionSession::Status::Ok) << s->Why();
        s->Apply(doc, s->Results());
        EXPECT_TRUE(doc.bValEllip);
        const std::vector<double> live = Ellipses(doc);
        const std::vector<std::pair<int, int>> liveOut = [&] {
            std::vector<std::pair<int, int>> v;
            for (const auto& m : doc.leftOutMarks)
                v.emplace_back(m.kind, m.slot);
            return v;
        }();

        doc.CmCalculate();
        ASSERT_EQ(doc.lastCalculateResult, 0);
        const std::vector<double> full = Ellipses(doc);
        ASSERT_EQ(live.size(), full.size());
        // Axes to 1e-6 of their size, angles to 1e-4 gon: the full run adjusts directions handed
        // over with five decimals, the live one works at the design positions exactly.
        int differing = 0;
        for (std::size_t i = 0; i < full.size(); ++i)
            if (std::abs(live[i] - full[i]) > (i % 3 == 2 ? 1e-4 : 1e-6 * std::abs(full[i]))) ++differing;
        EXPECT_EQ(differing, 0) << "view " << st.view << " kind " << st.kind;
        std::vector<std::pair<int, int>> fullOut;
        for (const auto& m : doc.leftOutMarks)
            fullOut.emplace_back(m.kind, m.slot);
        EXPECT_EQ(liveOut, fullOut);
    }

    // Relative precision of two points at the last positions: their distance, a positive sd.
    double distance = 0.0, sd = 0.0;
    const OBJECTPOINT &p0 = doc.pointList[0], &p1 = doc.pointList[1];
    ASSERT_TRUE(s->Relative(SEL_POINT, 0, SEL_POINT, 1, distance, sd));
    EXPECT_NEAR(distance, std::hypot(p1.xReal - p0.xReal, p1.yReal - p0.yReal, p1.zReal - p0.zReal), 1e-9);
    EXPECT_GT(sd, 0.0);
    EXPECT_FALSE(s->Relative(SEL_POINT, 0, SEL_POINT, 0, distance, sd));
    EXPECT_FALSE(s->Relative(SEL_POINT, 0, SEL_POINT, 9999, distance, sd));
}

TEST(LivePrecisionSession, ToleranceJudgesTheLargestEllipsoidAxisEqualIsWithin) {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    ASSERT_TRUE(OpenExample(doc, dir));
    ASSERT_EQ(doc.units, UNITS_METERS);
    ASSERT_EQ(doc.nNumPoints, doc.nMaxPoints);

    // The axis read back from the stored plane ellipses is the engine's ellipsoid axis.
    auto s = LivePrecisionSession::Start(doc, SEL_NONE, -1);
    ASSERT_TRUE(s->Setup()) << s->Why();
    const std::vector<LiveEllipse> r = s->Results();
    s->Apply(doc, r);
    const int firstPoint = doc.nNumTheos + 2 * doc.nNumSBars;
    for (int i = 0; i < doc.nMaxPoints; ++i)
        EXPECT_NEAR(LargestEllipsoidAxis(doc.pointList[i]), r[firstPoint + i].largestAxis,
                    1e-9 * r[firstPoint + i].largestAxis)
            << doc.pointList[i].name;
    for (int i = 0; i < doc.nMaxTheos; ++i)
        EXPECT_NEAR(LargestEllipsoidAxis(doc.theoList[i]), r[i].largestAxis,
                    1e-9 * (r[i].largestAxis + 1e-12));

    // A point with a round ellipsoid of 0.2 mm, judged at the boundary and either side of it.
    OBJECTPOINT& p = doc.pointList[0];
    for (int k = 0; k < 3; ++k)
        p.A[k] = p.B[k] = 0.0002, p.phi[k] = 0.0;
    EXPECT_EQ(LargestEllipsoidAxis(p), 0.0002);
    EXPECT_EQ(Judge(doc, p), Judgement::None) << "no tolerance set";
    doc.precision.toleranceMeters = 0.0002;
    EXPECT_EQ(Judge(doc, p), Judgement::Within) << "equal is within";
    doc.precision.confidence95 = true; // 0.2 mm x 2.7955 for the ellipsoid
    EXPECT_EQ(Judge(doc, p), Judgement::Outside);
    doc.precision.toleranceMeters = 0.0002 * PrecisionTolerance::k95Ellipsoid;
    EXPECT_EQ(Judge(doc, p), Judgement::Within);
    doc.precision.toleranceMeters = std::nextafter(doc.precision.toleranceMeters, 0.0);
    EXPECT_EQ(Judge(doc, p), Judgement::Outside);
    // A fixed or left-out element has no ellipse and no verdict; stale ellipses none either.
    for (int k = 0; k < 3; ++k)
        p.A[k] = p.B[k] = 0.0;
    EXPECT_EQ(Judge(doc, p), Judgement::None);
    doc.bValEllip = false;
    EXPECT_EQ(Judge(doc, doc.pointList[1]), Judgement::None);
}

TEST(LivePrecisionSession, StatusLineOfTwoMarkedPointsOnALineOfDistances) {
    // A fixed; B and C free along x only; distances A-B and B-C of std dev s. Then x_C - x_B is
    // observed once and controlled by nothing else: sd s; A-C sums two: s sqrt 2.
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    doc.CmFileNew();
    doc.OpenName = dir.file("LINE.SIM");
    doc.bFileNamed = true;
    doc.units = UNITS_METERS;
    doc.NewPoint("A", "", 0, 0, 0, 0x2A);
    doc.NewPoint("B", "", 10, 0, 0, 0x28);
    doc.NewPoint("C", "", 25, 0, 0, 0x28);
    doc.AddPtDistance(CONNECT4{0, 1, OBS_INUSE | OBS_IDEAL, 0, 0});
    doc.AddPtDistance(CONNECT4{1, 2, OBS_INUSE | OBS_IDEAL, 0, 0});
    doc.SDDistance = 0.001;
    doc.pointList.Mark(1, true);
    doc.pointList.Mark(2, true);
    EXPECT_EQ(RelativePrecisionText(doc), "") << "no valid ellipses yet";
    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);
    EXPECT_EQ(RelativePrecisionText(doc), "B - C: distance 15.0000 m, sd 1.000 mm");
    doc.pointList.Mark(1, false);
    doc.pointList.Mark(0, true);
    doc.precision.confidence95 = true;
    EXPECT_EQ(RelativePrecisionText(doc), "A - C: distance 25.0000 m, 95 % 2.772 mm"); // 1.96 sqrt 2
    doc.pointList.Mark(1, true);
    EXPECT_EQ(RelativePrecisionText(doc), "") << "three marked";
}

namespace {

// The left-out marks as (kind, slot) pairs.
std::vector<std::pair<int, int>> LeftOut(const kivoMDIClient& doc) {
    std::vector<std::pair<int, int>> v;
    for (const auto& m : doc.leftOutMarks)
        v.emplace_back(m.kind, m.slot);
    return v;
}

// A drag of an element in the plan view as the select tool runs it: pressed, moved by (dx, dy),
// released where the pointer is, all one change.
void Drag(kivoMDIClient& doc, int kind, int slot, double dx, double dy) {
    doc.selectType = kind;
    doc.index = slot;
    doc.BeginChange(doc.SelectionChangeName("Move"));
    const COMMON& c = doc.Common(kind, slot);
    doc.DragTo(0, c.xReal + dx, c.yReal + dy);
    doc.CalcPixelPos(doc.Common(kind, slot));
    doc.EndDrag(0, c.hcoord[0], c.vcoord[0], true);
    doc.EndChange();
}

} // namespace

TEST(LiveDragRelease, KeepsTheEllipsesOfACalculateAndLeavesTheListingOutOfDate) {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    ASSERT_TRUE(OpenExample(doc, dir));
    doc.bFileOpen = doc.bFileNamed = true;
    doc.bIdeals = true;
    doc.bAutosave = true; // a release is no Calculate: it saves nothing
    doc.bRecalc = false;
    ASSERT_TRUE(doc.bLivePrecision);
    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);
    ASSERT_TRUE(doc.ListingCurrent());
    const std::vector<double> calculated = Ellipses(doc);
    const ListingLines listing = doc.fileBuffer;
    const std::string listingFile = ChangeFileExt(doc.OpenName, ".OUT");
    const std::vector<unsigned char> listingBytes = test::readBytes(listingFile);
    const std::vector<unsigned char> projectBytes = test::readBytes(doc.OpenName);

    const auto before = std::make_shared<const NetworkImage>(doc.CaptureImage());
    Drag(doc, SEL_THEO, 1, 1.5, -2.0);
    EXPECT_TRUE(doc.bValEllip);
    EXPECT_EQ(host.menuItems.back(), std::make_pair(static_cast<int>(cmd::Ellipse), true));
    const std::vector<double> kept = Ellipses(doc);
    const std::vector<std::pair<int, int>> keptOut = LeftOut(doc);
    EXPECT_NE(kept, calculated);
    // The listing shown and its file stay those of the first geometry, marked out of date; the
    // project is changed but not saved.
    EXPECT_TRUE(doc.bValFile);
    EXPECT_FALSE(doc.ListingCurrent());
    EXPECT_EQ(doc.fileBuffer, listing);
    EXPECT_EQ(test::readBytes(listingFile), listingBytes);
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(test::readBytes(doc.OpenName), projectBytes);
    EXPECT_TRUE(doc.ResultsCurrent());
    const auto after = std::make_shared<const NetworkImage>(doc.CaptureImage());

    // Undo gives back the first geometry with its own ellipses and its listing current; redo the
    // kept ones, with the listing out of date again.
    ASSERT_TRUE(doc.RestoreNetwork(before, *after));
    EXPECT_EQ(Ellipses(doc), calculated);
    EXPECT_TRUE(doc.bValEllip);
    EXPECT_TRUE(doc.ListingCurrent());
    // What the release's run found belongs to the undone geometry: an export of the results
    // calculates afresh instead of writing the station where it no longer is.
    EXPECT_FALSE(doc.ResultsCurrent());
    const std::string exported = dir.file("PLANT.json");
    host.dialogPaths.push_back(exported);
    ASSERT_TRUE(CmExportResults(doc));
    EXPECT_TRUE(doc.ResultsCurrent());
    EXPECT_TRUE(doc.ListingCurrent());
    const std::vector<int>& stations = doc.RunStationSlots();
    const auto moved =
        static_cast<std::size_t>(std::find(stations.begin(), stations.end(), 1) - stations.begin());
    ASSERT_LT(moved, stations.size());
    EXPECT_NEAR(doc.lastSummary->elements[moved].value[0], doc.theoList[1].xReal, 1e-4);
    EXPECT_EQ(Ellipses(doc), calculated);
    ASSERT_TRUE(doc.RestoreNetwork(after, *before));
    EXPECT_EQ(Ellipses(doc), kept);
    EXPECT_FALSE(doc.ListingCurrent());
    EXPECT_FALSE(doc.ResultsCurrent()) << "the export calculated the undone geometry";

    // A Calculate on the same geometry gives the same ellipses and left-out marks.
    doc.bAutosave = false;
    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);
    EXPECT_TRUE(doc.ListingCurrent());
    const std::vector<double> full = Ellipses(doc);
    ASSERT_EQ(full.size(), kept.size());
    int differing = 0;
    for (std::size_t i = 0; i < full.size(); ++i)
        if (std::abs(kept[i] - full[i]) > 1e-9 * std::abs(full[i])) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(LeftOut(doc), keptOut);

    // A scale bar dragged with live precision off: the ellipses are invalid until a Calculate.
    doc.bLivePrecision = false;
    Drag(doc, SEL_SBAR, 0, 3.0, 1.0);
    EXPECT_FALSE(doc.bValEllip);
    EXPECT_TRUE(doc.leftOutMarks.empty());
    EXPECT_EQ(host.menuItems.back(), std::make_pair(static_cast<int>(cmd::Ellipse), false));
    EXPECT_FALSE(doc.ListingCurrent());
}
