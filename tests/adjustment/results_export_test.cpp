// The results of a Calculate as JSON and CSV, read back against the listing, and a view as a DXF
// drawing read back with the same library.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <nlohmann/json.hpp>

#include "adjustment/dxf_export.h"
#include "adjustment/kivoMDIClient.h"
#include "adjustment/results_export.h"
#include "simulation/scale_bar.h"
#include "support/packed_value.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using Json = nlohmann::json;
using test::Val;

namespace {

// Three stations, a scale bar and two points all sighted from every station, and a point D that
// nothing observes (left out of the adjustment).
const char* const kNetwork = "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 APX 0 APX 0 UNK\n"
                             "THEO T2 2 0 90 APX 10 APX 1.5 FIX 0 UNK 0 UNK 25 UNK\n"
                             "THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0.5 UNK -0.3 UNK 310 UNK\n"
                             "SCALE BAR1 50 40 1.2 2.0 50 80\n"
                             "POINT P1 30 UNK 40 UNK 1 UNK\nPOINT P2 60 UNK 45 UNK 2 UNK\n"
                             "POINT D 20 UNK 30 UNK 1 UNK\n"
                             "COLL T1 T2\nCOLL T2 T3\nSDIR T1 BAR1\nSDIR T2 BAR1\nSDIR T3 BAR1\n"
                             "PDIR T1 P1\nPDIR T2 P1\nPDIR T3 P1\n"
                             "PDIR T1 P2\nPDIR T2 P2\nPDIR T3 P2\nDIST T1 P1\nHDIF T2 P2\nPTDIST P1 P2\n";

struct Results : ::testing::Test {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};

    void SetUp() override {
        doc.CmFileNew();
        doc.OpenName = dir.file("NET.SIM");
        doc.bFileNamed = true;
        test::writeText(dir.file("NET.TRG"), kNetwork);
        host.dialogPaths.push_back(dir.file("NET.TRG"));
        doc.CmImportFile();
        doc.bDistance = doc.bHeight = doc.bCollimate = doc.bDirect = true;
    }
    void Calculate() {
        doc.CmCalculate();
        ASSERT_EQ(doc.lastCalculateResult, 0);
    }
};

// The ADJUSTED COORDINATES of the listing: per element name, the adjusted x, y, z and their std
// devs as printed (the std devs in 1/1000 of the length unit; -1 for "fixed"); left-out elements
// carry no std devs.
struct ListedCoordinates {
    double value[3] = {}, sdSmall[3] = {-1, -1, -1};
};
std::map<std::string, ListedCoordinates> ReadListing(const std::vector<std::string>& lines) {
    // Columns: two blanks, the name in 27 (a station as "T1 (1_0)"), the component in 3, then
    // approximate, correction, adjusted and std dev (or "fixed" / the left-out mark).
    std::map<std::string, ListedCoordinates> out;
    bool in = false;
    std::string name;
    for (std::string line : lines) {
        line.erase(line.find_last_not_of(" \r") + 1);
        if (line.rfind("ADJUSTED COORDINATES", 0) == 0) {
            in = true;
            continue;
        }
        if (!in) continue;
        if (line.empty()) break;
        if (line.size() < 33 || line.rfind("  ", 0) != 0 || line.find("Approximate") != std::string::npos)
            continue;
        std::string shown = line.substr(2, 27), comp = line.substr(29, 3);
        shown.erase(shown.find_last_not_of(' ') + 1);
        comp.erase(comp.find_last_not_of(' ') + 1);
        if (comp.size() != 1 || comp[0] < 'x' || comp[0] > 'z') continue; // rotations, or a heading line
        if (!shown.empty()) {
            const std::size_t open = shown.find(" (");
            name = open == std::string::npos ? shown : shown.substr(open + 2, shown.size() - open - 3);
        }
        std::istringstream rest(line.substr(32));
        std::vector<std::string> words;
        for (std::string w; rest >> w;)
            words.push_back(w);
        if (words.size() < 4) continue;
        const int k = comp[0] - 'x';
        out[name].value[k] = std::stod(words[2]);
        if (words[3] != "fixed" && words[3] != "not") out[name].sdSmall[k] = std::stod(words[3]);
    }
    return out;
}

TEST_F(Results, JsonHoldsTheListingsNumbersAndAConsistentEllipsoid) {
    doc.precision.toleranceMeters = 0.0005;
    Calculate();
    const std::string text = ResultsJson(doc);
    ASSERT_FALSE(text.empty());
    const Json j = Json::parse(text);
    EXPECT_EQ(j["schema"], "kivo-results");
    EXPECT_EQ(j["version"], RESULTS_SCHEMA_VERSION);
    EXPECT_EQ(j["units"]["length"], "m");
    EXPECT_EQ(j["summary"]["stations"], 3);
    EXPECT_EQ(j["summary"]["targets"], 5); // two bar ends, three points
    EXPECT_GT(j["summary"]["unknowns"].get<int>(), 0);
    EXPECT_GT(j["summary"]["redundancy"].get<int>(), 0);
    EXPECT_FALSE(j["summary"]["datum"].get<std::string>().empty());
    EXPECT_DOUBLE_EQ(j["tolerance"]["value"].get<double>(), 0.0005);

    const auto listed = ReadListing(test::splitLines(test::readText(ChangeFileExt(doc.OpenName, ".OUT"))));
    ASSERT_EQ(j["elements"].size(), 8u);
    int compared = 0;
    for (const Json& e : j["elements"]) {
        const std::string name = e["engineName"];
        SCOPED_TRACE(name);
        const auto it = listed.find(name);
        ASSERT_NE(it, listed.end()) << "not in the listing";
        for (int k = 0; k < 3; ++k) {
            // The listing prints values with 5 decimals and std devs in mm with 4.
            EXPECT_NEAR(e["coordinates"][k].get<double>(), it->second.value[k], 0.51e-5);
            if (it->second.sdSmall[k] >= 0) {
                EXPECT_NEAR(e["sd"][k].get<double>() * 1000, it->second.sdSmall[k], 0.51e-4);
                ++compared;
            }
        }
        if (e["leftOut"]) continue;
        // Covariance: its diagonal gives the std devs; each direction is a unit eigenvector whose
        // eigenvalue is the square of its semi-axis; the axes come largest first.
        const Json& c = e["covariance"];
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(std::sqrt(c[k][k].get<double>()), e["sd"][k].get<double>(), 1e-12);
            for (int m = 0; m < 3; ++m)
                EXPECT_DOUBLE_EQ(c[k][m].get<double>(), c[m][k].get<double>());
        }
        const Json& axes = e["ellipsoid"]["semiAxes"];
        if (axes[0].get<double>() == 0) { // a fixed position: no ellipsoid, no directions
            EXPECT_EQ(e["ellipsoid"]["directions"],
                      Json::parse("[[0.0,0.0,0.0],[0.0,0.0,0.0],[0.0,0.0,0.0]]"));
            continue;
        }
        EXPECT_GE(axes[0].get<double>(), axes[1].get<double>());
        EXPECT_GE(axes[1].get<double>(), axes[2].get<double>());
        for (int a = 0; a < 3; ++a) {
            const Json& d = e["ellipsoid"]["directions"][a];
            double norm = 0;
            for (int k = 0; k < 3; ++k) {
                double cd = 0;
                for (int m = 0; m < 3; ++m)
                    cd += c[k][m].get<double>() * d[m].get<double>();
                const double lambda = std::pow(axes[a].get<double>(), 2);
                EXPECT_NEAR(cd, lambda * d[k].get<double>(), 1e-9 * (lambda + 1e-12) + 1e-15);
                norm += std::pow(d[k].get<double>(), 2);
            }
            EXPECT_NEAR(norm, 1.0, 1e-12);
        }
    }
    EXPECT_GT(compared, 10);

    // The plane ellipses are the ones the views draw; the verdicts follow the tolerance.
    const int p1 = doc.PointCheck("P1");
    for (const Json& e : j["elements"]) {
        if (e["name"] != "P1") continue;
        const char* planes[] = {"xy", "xz", "yz"};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(e["ellipses"][planes[k]]["a"].get<double>(), Val(doc.pointList[p1].A[k]), 1e-12);
            EXPECT_NEAR(e["ellipses"][planes[k]]["phi"].get<double>(), Val(doc.pointList[p1].phi[k]), 1e-6);
        }
        const double largest = e["ellipsoid"]["semiAxes"][0];
        EXPECT_EQ(e["verdict"], largest <= 0.0005 ? "within" : "outside");
    }
    ASSERT_EQ(j["leftOut"].size(), 1u);
    EXPECT_EQ(j["leftOut"][0]["name"], "D");
    EXPECT_FALSE(j["leftOut"][0]["reason"].get<std::string>().empty());
    for (const Json& e : j["elements"])
        if (e["name"] == "D") {
            EXPECT_EQ(e["verdict"], "left-out");
        }
}

TEST_F(Results, CsvIsOneRectangularTableOfTheSameNumbers) {
    Calculate();
    const Json j = Json::parse(ResultsJson(doc));
    const std::vector<std::string> rows = test::splitLines(ResultsCsv(doc));
    ASSERT_EQ(rows.size(), 1 + j["elements"].size());
    auto fields = [](std::string row) {
        if (!row.empty() && row.back() == '\r') row.pop_back();
        std::vector<std::string> out;
        std::string f;
        bool quoted = false;
        for (char ch : row) {
            if (ch == '"')
                quoted = !quoted;
            else if (ch == ',' && !quoted)
                out.push_back(f), f.clear();
            else
                f += ch;
        }
        out.push_back(f);
        return out;
    };
    const auto header = fields(rows[0]);
    EXPECT_EQ(header[0], "kind");
    EXPECT_EQ(header[3], "x");
    for (std::size_t r = 1; r < rows.size(); ++r) {
        SCOPED_TRACE(rows[r]);
        const auto f = fields(rows[r]);
        ASSERT_EQ(f.size(), header.size());
        const Json& e = j["elements"][r - 1];
        EXPECT_EQ(f[1], e["name"]);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(std::stod(f[3 + k]), e["coordinates"][k].get<double>()); // shortest round-trip text
            EXPECT_EQ(std::stod(f[6 + k]), e["sd"][k].get<double>());
        }
        EXPECT_EQ(std::stod(f[15]), e["ellipsoid"]["semiAxes"][0].get<double>());
        if (e["leftOut"]) {
            EXPECT_FALSE(f.back().empty());
        }
    }
    // No verdict column values without a tolerance.
    EXPECT_EQ(j["tolerance"], nullptr);
}

TEST_F(Results, NothingWithoutValidResultsAndAFailedWriteKeepsTheOldFile) {
    EXPECT_EQ(WriteResults(doc, dir.file("none.json"), ResultsFormat::Json), ExportStatus::NoResults);
    Calculate();
    // An edit stales the results: nothing is exported from them.
    doc.bValEllip = false;
    EXPECT_TRUE(ResultsJson(doc).empty());
    doc.bValEllip = true;

    const std::string path = dir.file("r.json");
    test::writeText(path, "old");
    {
        test::FileSizeLimit limit(64);
        EXPECT_EQ(WriteResults(doc, path, ResultsFormat::Json), ExportStatus::CannotWrite);
    }
    EXPECT_EQ(test::readText(path), "old");
    EXPECT_EQ(WriteResults(doc, dir.file("missing/r.csv"), ResultsFormat::Csv), ExportStatus::CannotWrite);
    EXPECT_EQ(WriteResults(doc, path, ResultsFormat::Json), ExportStatus::Written);
    EXPECT_EQ(test::readText(path), ResultsJson(doc));

    // File > Export Results asks for the file and picks the format by its extension.
    host.dialogPaths.push_back(dir.file("R.CSV"));
    EXPECT_TRUE(CmExportResults(doc));
    EXPECT_EQ(test::readText(dir.file("R.CSV")).substr(0, 5), "kind,");
}

TEST_F(Results, AProjectOpenedAfterAnotherCalculatesBeforeItsResultsAreExported) {
    // This network with its ellipses in its file, then the example calculated and closed.
    Calculate();
    ASSERT_TRUE(doc.WriteSimFile());
    doc.bFileDirty = false;
    doc.CmFileClose();
    const std::string plant = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", plant);
    doc.OpenSIMFile(plant);
    Calculate();
    EXPECT_TRUE(doc.ResultsCurrent());
    doc.bFileDirty = false;
    doc.CmFileClose();

    // Reopened, the network shows its stored ellipses, but the example's findings are not its own.
    doc.OpenSIMFile(dir.file("NET.SIM"));
    ASSERT_TRUE(doc.bValEllip);
    EXPECT_FALSE(doc.ResultsCurrent());
    host.dialogPaths.push_back(dir.file("NET.CSV"));
    ASSERT_TRUE(CmExportResults(doc));
    EXPECT_TRUE(doc.ResultsCurrent());
    const std::string csv = test::readText(dir.file("NET.CSV"));
    EXPECT_NE(csv.find("\nscalebar-end,BAR1R,"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 3 + 2 + 3)
        << csv; // the heading, three stations, two bar ends, three points
}

// What a DXF holds, by layer, as the library reads it back.
struct DxfContents : DL_CreationAdapter {
    struct Xy {
        double x, y;
    };
    std::map<std::string, std::vector<Xy>> points;
    std::map<std::string, int> lines;
    std::vector<DL_EllipseData> ellipses;
    std::vector<std::string> texts;
    std::map<std::string, bool> layerOff;
    std::string Layer() { return getAttributes().getLayer(); }
    // A layer switched off has a negative colour.
    void addLayer(const DL_LayerData& d) override {
        layerOff[d.name] = d.off || getAttributes().getColor() < 0;
    }
    void addPoint(const DL_PointData& d) override { points[Layer()].push_back({d.x, d.y}); }
    void addLine(const DL_LineData&) override { ++lines[Layer()]; }
    void addEllipse(const DL_EllipseData& d) override { ellipses.push_back(d); }
    void addText(const DL_TextData& d) override { texts.push_back(d.text); }
};

TEST_F(Results, DxfHoldsEveryElementAtItsModelCoordinatesInEachView) {
    Calculate();
    doc.bHeight = false; // a hidden kind is written on a layer switched off
    for (int view = 0; view < 3; ++view) {
        SCOPED_TRACE(view);
        const std::string path = dir.file("V" + std::to_string(view) + ".dxf");
        ASSERT_TRUE(WriteViewDxf(doc, view, path));
        DxfContents got;
        DL_Dxf dxf;
        ASSERT_TRUE(dxf.in(path, &got));
        auto h = [view](const COMMON& c) { return view == 2 ? Val(c.yReal) : Val(c.xReal); };
        auto v = [view](const COMMON& c) { return view == 0 ? Val(c.yReal) : Val(c.zReal); };
        auto holds = [&](const std::string& layer, const COMMON& c) {
            for (const auto& p : got.points[layer])
                if (std::abs(p.x - h(c)) < 1e-9 && std::abs(p.y - v(c)) < 1e-9) return true;
            return false;
        };
        ASSERT_EQ(got.points[dxf_layer::Stations].size(), 3u);
        ASSERT_EQ(got.points[dxf_layer::Points].size(), 3u);
        ASSERT_EQ(got.points[dxf_layer::ScaleBars].size(), 1u);
        for (int i = 0; i < doc.nMaxTheos; ++i)
            EXPECT_TRUE(holds(dxf_layer::Stations, doc.theoList[i])) << doc.theoList[i].name;
        for (int i = 0; i < doc.nMaxPoints; ++i)
            EXPECT_TRUE(holds(dxf_layer::Points, doc.pointList[i])) << doc.pointList[i].name;
        EXPECT_TRUE(holds(dxf_layer::ScaleBars, doc.sbarList[0]));
        EXPECT_EQ(got.lines[dxf_layer::Collimations], 2);
        EXPECT_EQ(got.lines[dxf_layer::Directions], 9);
        EXPECT_EQ(got.lines[dxf_layer::Distances], 2);
        EXPECT_EQ(got.lines[dxf_layer::Heights], 1);
        EXPECT_EQ(got.lines[dxf_layer::ScaleBars], 1);
        EXPECT_EQ(got.lines[dxf_layer::Limits], 4);
        EXPECT_TRUE(got.layerOff[dxf_layer::Heights]);
        EXPECT_FALSE(got.layerOff[dxf_layer::Distances]);
        EXPECT_EQ(got.texts.size(), 7u);

        // Each ellipse at its element, its major semi-axis A magnified as the view draws it.
        const double mag = DxfEllipseMagnification(doc, view);
        int withEllipse = 0;
        for (int i = 0; i < doc.nMaxPoints; ++i) {
            const OBJECTPOINT& p = doc.pointList[i];
            if (Val(p.A[view]) == 0) continue;
            ++withEllipse;
            bool found = false;
            for (const DL_EllipseData& e : got.ellipses)
                if (std::abs(e.cx - h(p)) < 1e-9 && std::abs(e.cy - v(p)) < 1e-9) {
                    found = true;
                    EXPECT_NEAR(std::hypot(e.mx, e.my), Val(p.A[view]) * mag, 1e-9 * mag);
                    EXPECT_NEAR(e.ratio, Val(p.B[view]) / Val(p.A[view]), 1e-9);
                }
            EXPECT_TRUE(found) << p.name;
        }
        EXPECT_GE(withEllipse, 2);
    }
    // The file is written whole or not at all.
    EXPECT_FALSE(WriteViewDxf(doc, 0, dir.file("missing/V.dxf")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

} // namespace
