// The engine run as the program drives it: the tables handed over, the ellipses read back, and
// the Calculate command around them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "adjustment/ellipsoid.h"
#include "adjustment/kivoMDIClient.h"
#include "engine/feedback.h"
#include "engine/live.h"
#include "engine/project.h"
#include "model/precision_text.h"
#include "model/unit_change.h"
#include "support/packed_value.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using test::Val;

namespace {

constexpr int kFixXYZ = 0x2A, kFixTilts = 0x0A0;

struct Calculate : ::testing::Test {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};

    void SetUp() override {
        doc.CmFileNew();
        doc.OpenName = dir.file("NET.SIM");
        doc.bFileNamed = true;
    }
    // Two fixed, levelled stations on the x axis sighting each other (the direction from the second
    // to the first runs along -x, 200 gon) and two points seen from both.
    void TwoStations() {
        doc.NewTheo("T1", "", 1, 0, 0, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
        doc.NewTheo("T2", "", 2, 0, 100, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
        doc.NewPoint("P1", "", 30, 40, 5, 0);
        doc.NewPoint("P2", "", 70, 35, 12, 0);
        for (int t = 0; t < 2; ++t) {
            doc.ClearTheos();
            doc.theoList.Mark(t, true);
            doc.NewCollimate(nullptr, 0, 1 - t);
            doc.NewPtDirect(nullptr, 0, 0);
            doc.NewPtDirect(nullptr, 0, 1);
        }
        doc.ClearTheos();
    }
    // Runs the engine on the document and keeps the filled tables for inspection.
    int RunTables(Feedback& fb) {
        doc.RunSimulation();
        doc.pproject = new project(&fb, doc.OpenName.c_str());
        return doc.wsimmavo();
    }
    void TearDown() override {
        delete doc.pproject;
        doc.pproject = nullptr;
    }
};

TEST_F(Calculate, IdealDesignAdjustsAndGivesEllipsesAndAListing) {
    TwoStations();
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_EQ(doc.lastCalculateResult, 0);
    EXPECT_TRUE(doc.bValEllip);
    EXPECT_TRUE(doc.bValFile);
    EXPECT_GT(doc.maxLines, 10);
    for (int p = 0; p < 2; ++p) {
        const OBJECTPOINT& pt = doc.pointList[p];
        EXPECT_GT(Val(pt.A[0]), 0.0);
        EXPECT_GE(Val(pt.A[0]), Val(pt.B[0]));
        EXPECT_GT(Val(pt.B[1]), 0.0);
    }
    EXPECT_EQ(Val(doc.theoList[0].A[0]), 0.0) << "a fixed station has no ellipse";
    EXPECT_EQ(doc.pproject, nullptr);
    ASSERT_FALSE(host.menuItems.empty());
    EXPECT_EQ(host.menuItems.back(), std::make_pair(int(cmd::Ellipse), true));

    // The ellipsoid rebuilt from the three stored plane ellipses is the engine's own, and the
    // status bar names the largest axis.
    Feedback fb;
    ASSERT_EQ(RunTables(fb), 0);
    eng::LivePrecision engine;
    ASSERT_TRUE(engine.setup(*doc.pproject));
    double largest = 0.0;
    for (const char* name : {"P1", "P2"}) {
        const double axis = engine.elements()[engine.find(name)].axes[0];
        EXPECT_NEAR(LargestEllipsoidAxis(doc.pointList[doc.PointCheck(name)]), axis, 1e-6 * axis) << name;
        EXPECT_GT(axis, Val(doc.pointList[doc.PointCheck(name)].A[0]) * 1.0001) << "not a plane's axis";
        largest = std::max(largest, axis);
    }
    // In mm with 4 significant digits, as the listing gives the axes.
    EXPECT_EQ(host.statusTexts.back(), "Mavo returns 0, largest ellipsoid axis " +
                                           FormatPrecision(largest, UNITS_METERS) + " (" +
                                           SummarisePrecision(doc).largestName + "), none left out");
    EXPECT_THAT(host.statusTexts.back(), testing::HasSubstr(" mm (P"));
}

// The ratio of a figure of a listing in feet or inches to the same figure in meters, by where it
// stands: `length` for coordinates, distances and heights, `small` for the standard deviations,
// corrections, residuals, axes and MDBs of lengths, 1 for angles, their mgon and everything else.
struct ListingRatios {
    double length, small;
    std::string section;
    bool rowWithLengths = false; // the last line given to of() was a row of the tables above
    std::vector<double> of(const std::string& line, std::size_t figures) {
        if (!line.empty() && line[0] != ' ') section = line.substr(0, line.find(' '));
        const double L = length, S = small;
        std::vector<double> r(figures, 1.0);
        rowWithLengths = true;
        if (section == "ADJUSTED" && (figures == 4 || figures == 3) && line.size() > 32) {
            const char comp = line[29];
            if ((comp == 'x' || comp == 'y' || comp == 'z') && line[30] == ' ')
                r = {L, S, L, S}, r.resize(figures); // approximate, correction, adjusted, sd unless fixed
            else
                rowWithLengths = false;
        } else if (section == "ERROR" && figures == 13) {
            r = {S, S, 1, S, S, 1, S, S, 1, S, S, S, S};
        } else if (section == "RELATIVE" && figures == 5) {
            r = {L, S, S, S, S};
        } else if (section == "OBSERVATIONS" && line.find(" mgon ") == std::string::npos &&
                   (figures == 8 || figures == 6)) {
            r = {L, L, S, S, S, 1, S, 1}; // observed, adjusted, sd obs, sd adj, residual, r, MDB, w
            r.resize(figures);            // an uncontrolled one ends after r
        } else {
            rowWithLengths = false;
        }
        return r;
    }
};

// One network calculated in meters, then converted to mm, feet and inches as the Project form does
// and calculated again: the listing says the same in each unit. Lengths scale by 1000, 1 / 0.3048
// or 1 / 0.0254; the small quantities are listed in mm for meters and mm, and in thou (0.0254 mm)
// for feet and inches, so they scale by 1 or by 1 / 0.0254; angles, mgon and pure numbers stay.
TEST_F(Calculate, OneNetworkListsTheSameFiguresInEveryLengthUnit) {
    TwoStations();
    doc.theoList.Mark(0, true);
    doc.NewDistance(nullptr, 0, 0);
    doc.NewHeight(nullptr, 0, 1);
    doc.ClearTheos();
    doc.pointList.Mark(0, true);
    doc.NewDistance(nullptr, 0, 1);
    doc.ClearPoints();
    ASSERT_TRUE(doc.WriteSimFile()); // the listing is shown for a project on disk
    const int units[4] = {UNITS_METERS, UNITS_MM, UNITS_FEET, UNITS_INCHES};
    const double perMeter[4] = {1.0, 1000.0, 1 / 0.3048, 1 / 0.0254};
    const double smallPerMm[4] = {1.0, 1.0, 1 / 0.0254, 1 / 0.0254};
    std::vector<std::string> listing[4];
    double axis[4];
    for (int u = 0; u < 4; ++u) {
        ConvertDocumentUnits(doc, units[u]);
        doc.units = units[u];
        doc.CmCalculate();
        ASSERT_EQ(doc.lastCalculateResult, 0) << units[u];
        listing[u].assign(doc.fileBuffer.begin(), doc.fileBuffer.end());
        ASSERT_GT(listing[u].size(), 20u) << units[u] << ": " << host.statusTexts.back();
        axis[u] = Val(doc.pointList[1].A[0]);
    }
    EXPECT_NE(listing[0][2].find("coordinates in meters"), std::string::npos) << listing[0][2];
    EXPECT_NE(listing[2][2].find("coordinates in feet"), std::string::npos) << listing[2][2];
    EXPECT_NE(listing[3][3].find("MDBs in thou"), std::string::npos) << listing[3][3];
    for (int u = 1; u < 4; ++u) {
        EXPECT_NEAR(axis[u], axis[0] * perMeter[u], 1e-9 * axis[u]) << "the ellipses the views draw";
        ASSERT_EQ(listing[u].size(), listing[0].size());
        ListingRatios ratios{perMeter[u], smallPerMm[u], {}};
        int scaled = 0;
        for (std::size_t i = 0; i < listing[0].size(); ++i) {
            const std::vector<std::string> m = test::numberWords(listing[0][i]);
            const std::vector<std::string> o = test::numberWords(listing[u][i]);
            ASSERT_EQ(o.size(), m.size()) << listing[0][i] << "\n" << listing[u][i];
            const std::vector<double> r = ratios.of(listing[0][i], m.size());
            for (std::size_t k = 0; k < m.size(); ++k) {
                // Both figures are rounded to their printed decimals.
                auto half = [](const std::string& w) {
                    const std::size_t dot = w.find('.');
                    return dot == std::string::npos ? 0.5 : 0.5 * std::pow(10.0, -double(w.size() - dot - 1));
                };
                const double vm = std::atof(m[k].c_str()), vo = std::atof(o[k].c_str());
                EXPECT_NEAR(vo, vm * r[k], half(o[k]) + r[k] * half(m[k]) + 1e-9 * std::fabs(vo))
                    << "figure " << k + 1 << " of\n"
                    << listing[0][i] << "\n"
                    << listing[u][i];
                scaled += ratios.rowWithLengths && vm != 0.0;
            }
        }
        EXPECT_GT(scaled, 40) << "figures with a length unit compared";
    }
}

TEST_F(Calculate, ElementsLeftOutAreCountedMarkedAndNamedAsInTheForms) {
    TwoStations();
    doc.NewPoint("P3", "", 50, 60, 8, 0);
    doc.theoList.Mark(0, true);
    doc.NewPtDirect(nullptr, 0, 2); // P3 seen from T1 only: its distance along the sighting is free
    doc.ClearTheos();
    doc.NewSBar("SB", "", 50, 20, 5, 1.0, 0, 100); // sighted by nobody: both ends, one bar
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_EQ(doc.lastCalculateResult, 0);
    EXPECT_THAT(host.statusTexts.back(),
                testing::MatchesRegex(
                    "Mavo returns 0, largest ellipsoid axis [0-9]+\\.[0-9]+ mm \\(P[12]\\), 2 elements "
                    "left out: not determined by their observations - see the listing"));
    ASSERT_EQ(doc.leftOutMarks.size(), 2u);
    EXPECT_EQ(doc.leftOutMarks[0].kind, SEL_POINT);
    EXPECT_EQ(doc.leftOutMarks[0].slot, 2);
    EXPECT_EQ(doc.leftOutMarks[1].kind, SEL_SBAR);
    EXPECT_EQ(doc.leftOutMarks[1].slot, 0);
    EXPECT_EQ(Val(doc.pointList[2].A[0]), 0.0);
    // The point is listed under "Not determined:" with its reason and what went with it.
    bool station = false, point = false, underNotDetermined = false;
    std::string section;
    for (const std::string_view line : doc.fileBuffer) {
        station = station || line.find("direction T1 (1_0) -> P1") != std::string::npos;
        if (line.find("  Not determined:") == 0) underNotDetermined = true;
        if (line.find("  Not connected") == 0) underNotDetermined = false;
        if (line.find("    P3 ") == 0) {
            section += std::string(line) + "\n";
            point = underNotDetermined && line.find("(2 observations left out)") != std::string::npos;
        }
    }
    EXPECT_TRUE(station) << "stations are named as the forms name them, the engine name beside";
    EXPECT_TRUE(point) << "the listing names the left-out point and why:\n" << section;

    // The marks live in memory: the project read back from its file has none.
    ASSERT_TRUE(doc.WriteSimFile());
    kivoMDIClient reopened{&host};
    reopened.OpenName = doc.OpenName;
    ASSERT_TRUE(reopened.ReadSimFile());
    EXPECT_TRUE(reopened.leftOutMarks.empty());

    // A second sighting determines P3: the next Calculate leaves nothing out.
    doc.theoList.Mark(1, true);
    doc.NewPtDirect(nullptr, 0, 2);
    doc.ClearTheos();
    doc.DelSBar(0);
    doc.CmCalculate();
    EXPECT_THAT(host.statusTexts.back(), testing::EndsWith(", none left out"));
    EXPECT_TRUE(doc.leftOutMarks.empty());
    EXPECT_GT(Val(doc.pointList[2].A[0]), 0.0);
}

TEST_F(Calculate, TablesUseEngineNamesAndTheirOrder) {
    doc.NewTheo("Theo", "", 3, 1, 0, 0, 10, 0, 0, 0, kFixXYZ | kFixTilts);
    doc.NewTheo("Other", "", 4, 0, 50, 0, 10, 0, 0, 0, kFixXYZ);
    doc.NewPoint("P", "", 30, 40, 5, 0x015);
    doc.NewSBar("SB1", "", 20, 20, 5, 2.0, 0, 100);
    doc.theoList.Mark(0, true);
    doc.NewCollimate(nullptr, 0, 1);
    doc.NewSBDirect(nullptr, 0, 0);
    doc.NewPtDirect(nullptr, 0, 0);
    doc.NewDistance(nullptr, 0, 0);
    doc.NewHeight(nullptr, 0, 0);
    doc.ClearTheos();
    doc.dimension = 2;
    Feedback fb;
    RunTables(fb);
    const project& p = *doc.pproject;
    ASSERT_EQ(p.maxsta, 2);
    EXPECT_STREQ(p.sta[0].nam, "3_1");
    EXPECT_DOUBLE_EQ(p.sta[1].x[0], 50.0);
    // Dimension 2 fixes z and the tilts; the approximate point keeps its pseudo-observations.
    EXPECT_EQ(p.sta[1].d[2], 4);
    EXPECT_EQ(p.sta[1].d[3], 4);
    EXPECT_EQ(p.sta[1].d[5], 1);
    EXPECT_EQ(p.sta[1].d[6], -1);
    ASSERT_EQ(p.maxtar, 3);
    EXPECT_STREQ(p.tar[0].nam, "SB1R");
    EXPECT_STREQ(p.tar[1].nam, "SB1L");
    EXPECT_NEAR(p.tar[1].x[1] - p.tar[0].x[1], 2.0, 1e-12) << "a level bar at azimuth 0 lies along y";
    EXPECT_STREQ(p.tar[2].nam, "P");
    EXPECT_EQ(p.tar[2].d[2], 3);
    EXPECT_DOUBLE_EQ(p.tar[2].sx[2], doc.SDPointLocApx);

    EXPECT_STREQ(p.alldist[0].nam1, "SB1L");
    EXPECT_STREQ(p.alldist[0].nam2, "SB1R");
    EXPECT_DOUBLE_EQ(p.alldist[0].val, 2.0);
    EXPECT_STREQ(p.alldist[1].nam1, "3_1");
    EXPECT_STREQ(p.alldifh[0].nam1, "3_1");
    EXPECT_NEAR(p.alldifh[0].val, 5.0, 1e-12) << "station minus target";

    // Directions: the collimation, the bar's R then L end, the point; the same entries in both tables.
    ASSERT_EQ(p.maxdir1, 4);
    const char* targets[] = {"4_0", "SB1R", "SB1L", "P"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(p.alldir1[i].nam2, targets[i]);
        EXPECT_STREQ(p.alldir2[i].nam2, targets[i]);
        EXPECT_EQ(p.alldir1[i].sel, 4);
        EXPECT_EQ(p.alldir2[i].sel, 5);
    }
}

TEST_F(Calculate, PointDirectionsArePassedWithFiveDecimals) {
    TwoStations();
    doc.bIdeals = false; // keep the values set below
    THEODOLITE& t = doc.theoList[0];
    t.thList[0].hAngle = 123.456789;
    t.thList[0].flags |= OBS_VALID;
    t.ptList[0].hAngle = 123.456789;
    t.ptList[0].flags |= OBS_VALID;
    t.ptList[1].flags &= ~OBS_VALID;
    Feedback fb;
    doc.pproject = new project(&fb, doc.OpenName.c_str());
    doc.wsimmavo();
    const project& p = *doc.pproject;
    ASSERT_EQ(p.maxdir1, 2) << "only the two entries that hold a value";
    EXPECT_DOUBLE_EQ(p.alldir1[0].val, 123.456789) << "collimations are passed unrounded";
    EXPECT_DOUBLE_EQ(p.alldir1[1].val, 123.45679);
}

TEST_F(Calculate, DeclaredObservationWithoutMeasurementIsLeftOut) {
    TwoStations();
    doc.bIdeals = false; // mean values: no readings exist, so no observation holds a value
    Feedback fb;
    RunTables(fb);
    EXPECT_EQ(doc.pproject->maxdir1, 0);
}

TEST_F(Calculate, NamesThatAreNotUniqueFailTheRunAndKeepOldEllipses) {
    TwoStations();
    doc.NewPoint("1_0", "", 50, 50, 5, 0); // named like the first station's engine name
    doc.pointList[2].A[0] = 7.0;
    doc.ClearTheos();
    doc.theoList.Mark(1, true);
    doc.NewPtDirect(nullptr, 0, 2);
    doc.ClearTheos();
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_NE(doc.lastCalculateResult, 0);
    EXPECT_EQ(host.statusTexts.back(), "Mavo returns " + std::to_string(doc.lastCalculateResult) +
                                           ": two elements share a name (ignoring case): station T1 (1_0), "
                                           "target 1_0 - rename one in its form");
    EXPECT_FALSE(doc.bValEllip);
    EXPECT_EQ(Val(doc.pointList[2].A[0]), 7.0);
    ASSERT_TRUE(doc.bValFile) << "the listing says why";
    bool named = false;
    for (const std::string_view line : doc.fileBuffer)
        named = named || line.find("1_0") != std::string::npos;
    EXPECT_TRUE(named);
}

TEST_F(Calculate, AutosaveWritesAChangedProjectFirst) {
    TwoStations();
    doc.bAutosave = true;
    doc.bFileDirty = true;
    doc.CmCalculate();
    EXPECT_TRUE(std::filesystem::exists(doc.OpenName));
    EXPECT_FALSE(doc.bFileDirty);

    doc.bAutosave = false;
    doc.NewPoint("P9", "", 1, 1, 1, 0);
    doc.bFileDirty = true;
    doc.CmCalculate();
    EXPECT_TRUE(doc.bFileDirty) << "without autosave the engine reads the network from memory";
}

// A listing that a full disk cuts short is not written at all: the user is told why, the listing of
// the run before stays on disk whole, and the text view shows neither.
TEST_F(Calculate, AListingCutByAFullDiskIsReportedAndNotShown) {
    TwoStations();
    const std::string listing = ChangeFileExt(doc.OpenName, ".OUT");
    doc.CmCalculate();
    ASSERT_EQ(doc.lastCalculateResult, 0);
    ASSERT_GT(std::filesystem::file_size(listing), 1024u);
    const std::string before = test::readText(listing);
    host.messages.clear();
    {
        test::FileSizeLimit full(1024);
        doc.CmCalculate();
    }
    EXPECT_NE(doc.lastCalculateResult, 0);
    EXPECT_TRUE(doc.listingWriteFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "The listing could not be written to " + listing + ": File too large.");
    EXPECT_TRUE(test::readText(listing) == before) << "the listing of the run before was damaged";
    EXPECT_FALSE(doc.bValFile);
    EXPECT_EQ(doc.maxLines, 0);
}

TEST_F(Calculate, UpEllipMatchesPointsFirstThenStationsIgnoringCase) {
    TwoStations();
    doc.UpEllip("p1", 1.0, 0.5, 10.0, 2);
    EXPECT_EQ(Val(doc.pointList[0].A[2]), 1.0);
    EXPECT_EQ(Val(doc.pointList[0].phi[2]), 10.0);
    doc.UpEllip("2_0", 3.0, 2.0, 0.0, 0);
    EXPECT_EQ(Val(doc.theoList[1].A[0]), 3.0);
    doc.UpEllip("nobody", 9.0, 9.0, 9.0, 0);
    EXPECT_EQ(Val(doc.pointList[1].A[0]), 0.0);
}

} // namespace

namespace {

// Hears the phases of a run; asks it to stop when `stopAt` begins.
struct PhaseLog : Feedback {
    std::vector<std::pair<CalcPhase, int>> seen;
    int stopAt = -1;
    bool progress(CalcPhase phase, int step) override {
        seen.emplace_back(phase, step);
        return static_cast<int>(phase) != stopAt;
    }
};

TEST_F(Calculate, ARunReportsItsPhasesAndACancelledOneChangesNothing) {
    TwoStations();
    ASSERT_TRUE(doc.WriteSimFile());
    PhaseLog all;
    doc.CmCalculate(&all);
    ASSERT_EQ(doc.lastCalculateResult, 0);
    ASSERT_GE(all.seen.size(), 6u);
    EXPECT_EQ(all.seen.front(), std::make_pair(CalcPhase::Tables, 0));
    int iteration = 0;
    for (std::size_t i = 1; i < all.seen.size(); ++i) {
        EXPECT_LE(all.seen[i - 1].first, all.seen[i].first) << "phases in order";
        if (all.seen[i].first == CalcPhase::Iterations) {
            EXPECT_EQ(all.seen[i].second, ++iteration);
        }
    }
    EXPECT_GE(iteration, 1);
    EXPECT_EQ(all.seen.back(), std::make_pair(CalcPhase::Listing, 0));

    const std::vector<double> ellipses = {Val(doc.pointList[0].A[0]), Val(doc.pointList[1].B[2])};
    const ListingLines listing = doc.fileBuffer;
    const std::vector<unsigned char> listingFile = test::readBytes(dir.file("NET.OUT"));
    const std::shared_ptr<const project> tables = doc.lastRunTables;
    doc.hSDAngle *= 3; // a run to the end would change every ellipse and the listing
    for (CalcPhase stop : {CalcPhase::Tables, CalcPhase::Analysis, CalcPhase::Iterations,
                           CalcPhase::Covariances, CalcPhase::Listing}) {
        PhaseLog log;
        log.stopAt = static_cast<int>(stop);
        host.statusTexts.clear();
        doc.CmCalculate(&log);
        EXPECT_EQ(log.seen.back().first, stop);
        EXPECT_EQ(doc.lastCalculateResult, 0) << CalcPhaseName(stop);
        EXPECT_TRUE(doc.bValEllip);
        EXPECT_EQ(Val(doc.pointList[0].A[0]), ellipses[0]);
        EXPECT_EQ(Val(doc.pointList[1].B[2]), ellipses[1]);
        EXPECT_EQ(doc.fileBuffer, listing);
        EXPECT_EQ(test::readBytes(dir.file("NET.OUT")), listingFile) << CalcPhaseName(stop);
        EXPECT_EQ(doc.lastRunTables, tables) << "the advice keeps working on the tables of the last run";
        ASSERT_FALSE(host.statusTexts.empty());
        EXPECT_EQ(host.statusTexts.back(), "Calculate cancelled");
    }
    doc.CmCalculate();
    EXPECT_NE(Val(doc.pointList[0].A[0]), ellipses[0]) << "the run to the end takes the new precision";
}

} // namespace

// After each kind of failure the status line keeps the engine's "Mavo returns N" and says in plain
// words what happened and what to do next; the listing's headline names the same first cause.
TEST_F(Calculate, StatusAfterAFailureNamesItsCauseAndTheNextStep) {
    auto headline = [&] {
        for (const std::string_view line : doc.fileBuffer)
            if (line.rfind("ADJUSTMENT FAILED", 0) == 0) return std::string(line);
        return std::string("no headline");
    };
    // Nothing placed yet.
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_NE(doc.lastCalculateResult, 0);
    EXPECT_EQ(host.statusTexts.back(),
              "Mavo returns " + std::to_string(doc.lastCalculateResult) +
                  ": nothing to adjust - place theodolites and points and sight them");

    // Directions with a standard deviation of zero: they are left out, so the points are not
    // determined; the cause named is the standard deviation, not the coordinates.
    TwoStations();
    doc.hSDAngle = 0.0;
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_NE(doc.lastCalculateResult, 0);
    EXPECT_EQ(
        host.statusTexts.back(),
        "Mavo returns " + std::to_string(doc.lastCalculateResult) +
            ": standard deviation of horizontal directions is not positive - Measure > Std Dev & Weights");
    EXPECT_EQ(doc.lastCalculateStatus, host.statusTexts.back());
    EXPECT_THAT(headline(), testing::StartsWith("ADJUSTMENT FAILED: standard deviation not positive for 6 "
                                                "horizontal directions (left out"));
    EXPECT_THAT(headline(), testing::HasSubstr("as a result: nothing was adjusted"));

    // The standard deviation mended, a point seen by a single direction only: it is left out, the
    // rest adjusts, and the status says why it is left out and where to look.
    doc.hSDAngle = 0.0003;
    for (int p = 0; p < 2; ++p)
        doc.pointList[p].coordStat = 0x2A; // fixed
    doc.NewPoint("P3", "P3x", 50, 60, 8, 0);
    doc.theoList.Mark(0, true);
    doc.NewPtDirect(nullptr, 0, 2);
    doc.ClearTheos();
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_EQ(doc.lastCalculateResult, 0);
    EXPECT_EQ(host.statusTexts.back(),
              "Mavo returns 0, 1 element left out: not determined by its observations - see the listing");

    // A sound network with a zenith-angle standard deviation of zero still adjusts on its horizontal
    // directions in 2D, and the status line says what was ignored.
    doc.vSDAngle = -1.0;
    doc.dimension = 2;
    doc.pointList[0].coordStat = 0;
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    if (doc.lastCalculateResult == 0)
        EXPECT_THAT(host.statusTexts.back(),
                    testing::EndsWith("; standard deviation of zenith angles is not positive - Measure > "
                                      "Std Dev & Weights"));
    else
        EXPECT_THAT(host.statusTexts.back(),
                    testing::HasSubstr(": standard deviation of zenith angles is not positive"));
}

TEST_F(Calculate, StatusWhenEveryElementWithUnknownsIsLeftOut) {
    doc.NewPoint("Lone", "L", 1, 2, 3, 0); // sighted by nobody
    ASSERT_TRUE(doc.WriteSimFile());
    doc.CmCalculate();
    EXPECT_NE(doc.lastCalculateResult, 0);
    EXPECT_EQ(host.statusTexts.back(),
              "Mavo returns " + std::to_string(doc.lastCalculateResult) +
                  ": nothing could be adjusted, 1 element left out: not determined by "
                  "its observations - add sightings, see the listing");
}
