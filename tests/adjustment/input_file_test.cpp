// The adjustment input file written by File > Export, compared line by line.

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using kivo::test::ScriptedHost;

namespace {

class Export : public ::testing::Test {
protected:
    Export() : doc(&host) {
        kivo::test::UseBuiltInSettings();
        doc.CreateMemory();
        doc.OpenName = dir.file("NET1.SIM");
        doc.SDTheoLocApx = doc.SDTheoRotApx = doc.SDPointLocApx = 0.1;
        doc.SDSBarLength = 0.0001;
        doc.hSDAngle = doc.vSDAngle = 0.0005;
        doc.SDDistance = doc.SDHeight = 0.001;
    }
    // Exports and returns the file's lines.
    std::vector<std::string> Lines() {
        doc.CmExportFile();
        return kivo::test::splitLines(kivo::test::readText(doc.ExportName));
    }
    void Add(int from, int kind, int to) {
        doc.theoList.Mark(from, true);
        if (kind == 0) doc.NewCollimate(nullptr, 0, to);
        if (kind == 1) doc.NewPtDirect(nullptr, 0, to);
        if (kind == 2) doc.NewSBDirect(nullptr, 0, to);
        if (kind == 3) doc.NewDistance(nullptr, 0, to);
        if (kind == 4) doc.NewHeight(nullptr, 0, to);
        doc.theoList.Mark(from, false);
    }
    // Two stations, two points, a bar, and one observation of each kind from T1.
    void BuildNetwork() {
        CopyField(doc.Project, sizeof doc.Project, "Plant");
        CopyField(doc.Task, sizeof doc.Task, "Design A");
        CopyField(doc.Date, sizeof doc.Date, "2024-05-01");
        doc.NewTheo("T1", "", 1, 0, 0, 0, 1, 0, 0, 0, 0x2A);
        doc.NewTheo("T2", "", 2, 0, -10, 0, 1, 0, 0, 100, 0x400);
        doc.NewPoint("P1", "", 10, 0, 1, 0x2A);
        doc.NewPoint("P2", "", 10, 10, 4, 0);
        doc.NewSBar("S1", "", 0, -10, 1, 2, 0, 100);
        Add(0, 0, 1);
        Add(0, 1, 0);
        Add(0, 2, 0);
        Add(0, 3, 0);
        Add(0, 4, 1);
        doc.pointList.Mark(0, true);
        doc.NewDistance(nullptr, 0, 1);
        doc.NewHeight(nullptr, 0, 1);
        doc.pointList.Mark(0, false);
    }

    kivo::test::TempDir dir;
    ScriptedHost host;
    kivoMDIClient doc;
};

// Compares with a message that shows the whole file on failure.
void ExpectLines(const std::vector<std::string>& got, const std::string& want) {
    std::string all;
    for (const std::string& l : got)
        all += l + "\n";
    EXPECT_EQ(all, want) << "file written:\n" << all;
}

} // namespace

TEST_F(Export, EmptyNetwork) {
    ExpectLines(Lines(), "DRAL    Z E N K   -   ORIENTATION DATA CAPTURE (SIMULATION)\n"
                         "\n"
                         "  PROJECT = \n"
                         "     TASK = \n"
                         "     DATE = \n"
                         "Dimension    3\n"
                         "LISTING   = STATS\n"
                         "\n"
                         "Theodolite Stations\n"
                         "END\n"
                         "Object Points\n"
                         "END\n"
                         "Distances\n"
                         "END\n"
                         "Observations\n"
                         "END\n"
                         "Control Information\n"
                         "Fixed Coordinates\n"
                         "END\n"
                         "Relative error point pairs\n"
                         "END\n");
    EXPECT_EQ(doc.ExportName, dir.file("NET1.INP"));
    EXPECT_EQ(host.cursors, (std::vector<CursorKind>{CursorKind::HourGlass, CursorKind::Arrow}));
    EXPECT_TRUE(host.messages.empty());
}

// Values by hand: T1 at (0, 0, 1) sees T2 along -x (200), the bar ends along -y (100) and P1
// along +x (0); T2's z rotation of 100 gon is 1.57080 rad in the station section and stays in gon
// in the datum section; the bar (azimuth 0) lies along y.
TEST_F(Export, NetworkWithEverySection) {
    BuildNetwork();
    ExpectLines(Lines(), "DRAL    Z E N K   -   ORIENTATION DATA CAPTURE (SIMULATION)\n"
                         "\n"
                         "  PROJECT = Plant\n"
                         "     TASK = Design A\n"
                         "     DATE = 2024-05-01\n"
                         "Dimension    3\n"
                         "LISTING   = STATS\n"
                         "\n"
                         "Theodolite Stations\n"
                         "1 0            0.00000       0.00000       1.00000     0.00000  0.00000  0.00000\n"
                         "               1.00E+04      1.00E+04      1.00E+04    1.0E-01  1.0E-01  1.0E-01\n"
                         "2 0          -10.00000       0.00000       1.00000     0.00000  0.00000  1.57080\n"
                         "               1.00E+04      1.00E+04      1.00E+04    1.0E-01  1.0E-01  1.0E-01\n"
                         "END\n"
                         "Object Points\n"
                         "S1L             0.00000       -9.00000        1.00000\n"
                         "                1.00E+03       1.00E+03       1.00E+03\n"
                         "S1R             0.00000      -11.00000        1.00000\n"
                         "                1.00E+03       1.00E+03       1.00E+03\n"
                         "P1             10.00000        0.00000        1.00000\n"
                         "                1.00E+03       1.00E+03       1.00E+03\n"
                         "P2             10.00000       10.00000        4.00000\n"
                         "                1.00E+03       1.00E+03       1.00E+03\n"
                         "END\n"
                         "Distances\n"
                         "S1L       S1R             2.00000   0.00010\n"
                         "P1        P2             10.44031   0.00100\n"
                         "1 0       P1             10.00000   0.00100\n"
                         "END\n"
                         "Height Differences\n"
                         "P1        P2             -3.00000   0.00100\n"
                         "1 0       P2             -3.00000   0.00100\n"
                         "END\n"
                         "Observations\n"
                         "1 0       2 0       200.00000  100.00000 0.0005 0.0005\n"
                         "1 0       S1L       100.00000  100.00000 0.0005 0.0005\n"
                         "1 0       S1R       100.00000  100.00000 0.0005 0.0005\n"
                         "1 0       P1          0.00000  100.00000 0.0005 0.0005\n"
                         "END\n"
                         "Control Information\n"
                         "Fixed Coordinates\n"
                         "1 0          0.00000     0.00000     1.00000 0.00000 0.00000 0.00000\n"
                         "1 0          0.00000     0.00000     0.00000 9.99999 9.99999 9.99999\n"
                         "2 0        -10.00000     0.00000     1.00000 9.99999 9.99999 9.99999\n"
                         "2 0          0.00000     0.00000   100.00000 9.99999 9.99999 0.10000\n"
                         "P1          10.00000     0.00000     1.00000 0.00000 0.00000 0.00000\n"
                         "END\n"
                         "Relative error point pairs\n"
                         "END\n");
    EXPECT_FALSE(doc.bFileDirty);
}

TEST_F(Export, TheodoliteHeightsWithoutPointHeightsWriteNoHeightSection) {
    doc.NewTheo("T1", "", 1, 0, 0, 0, 1, 0, 0, 0, 0);
    doc.NewPoint("P1", "", 10, 0, 1, 0);
    Add(0, 4, 0);
    const std::vector<std::string> lines = Lines();
    // The file was written, with its stations and points: what is left out is left out of a whole file.
    ASSERT_FALSE(lines.empty()) << "nothing was exported";
    EXPECT_EQ(lines.front(), "DRAL    Z E N K   -   ORIENTATION DATA CAPTURE (SIMULATION)");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Theodolite Stations"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Object Points"), lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("P1 ", 0) == 0; }),
              1)
        << "P1 is exported as an object point";
    for (const std::string& l : lines) {
        EXPECT_NE(l, "Height Differences");
        EXPECT_NE(l.rfind("1 0       P1", 0), 0u) << l;
    }
}

// An element with every component unknown is left out of the datum in dimension 3; the
// dimension overrides give it zeros (1: x, y and every rotation; 2: z and the x, y rotations).
TEST_F(Export, DimensionOverridesOfTheDatum) {
    doc.NewTheo("T1", "", 1, 0, 0, 0, 1, 0, 0, 0, 0);
    doc.NewPoint("P1", "", 10, 0, 1, 0);
    auto datum = [&](int dim) {
        doc.dimension = dim;
        std::vector<std::string> lines = Lines(), out;
        bool in = false;
        for (const std::string& l : lines) {
            if (l == "END") in = false;
            if (in) out.push_back(l);
            if (l == "Fixed Coordinates") in = true;
        }
        return out;
    };
    EXPECT_TRUE(datum(3).empty());
    EXPECT_EQ(datum(1), (std::vector<std::string>{
                            "1 0          0.00000     0.00000     1.00000 0.00000 0.00000 9.99999",
                            "1 0          0.00000     0.00000     0.00000 0.00000 0.00000 0.00000",
                            "P1          10.00000     0.00000     1.00000 0.00000 0.00000 9.99999"}));
    EXPECT_EQ(datum(2), (std::vector<std::string>{
                            "1 0          0.00000     0.00000     1.00000 9.99999 9.99999 0.00000",
                            "1 0          0.00000     0.00000     0.00000 0.00000 0.00000 9.99999",
                            "P1          10.00000     0.00000     1.00000 9.99999 9.99999 0.00000"}));
}

// With measurements selected, a declared observation without readings loses OBS_VALID and is
// left out; one with readings is written with their mean.
TEST_F(Export, MeansAndObservationsWithoutReadings) {
    doc.NewTheo("T1", "", 1, 0, 0, 0, 1, 0, 0, 0, 0);
    doc.NewPoint("P1", "", 10, 0, 1, 0);
    doc.NewPoint("P2", "", 0, 10, 1, 0);
    Add(0, 1, 0);
    Add(0, 1, 1);
    THEODOLITE& t = doc.theoList[0];
    t.ptList.Append(CONNECT1{1, OBS_DIRECT, 0, 300.0, 100.0});
    t.ptList.Append(CONNECT1{1, OBS_REVERSE, 0, 100.0002, 300.0002});
    t.SyncCounts();
    doc.bIdeals = false;
    std::vector<std::string> obs;
    for (const std::string& l : Lines())
        if (l.rfind("1 0       P", 0) == 0) obs.push_back(l);
    EXPECT_EQ(obs, (std::vector<std::string>{"1 0       P2        300.00010   99.99990 0.0005 0.0005"}));
}

// The ".INP" name replaces the extension of the file name only, also in a folder with a dot.
TEST_F(Export, InputFileLandsBesideTheProjectInADottedFolder) {
    std::filesystem::create_directory(dir.path() / "plant.v2");
    doc.OpenName = dir.file("plant.v2/NET1.SIM");
    doc.CmExportFile();
    EXPECT_EQ(doc.ExportName, dir.file("plant.v2/NET1.INP"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "plant.v2" / "NET1.INP"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "plant.INP"));
    EXPECT_EQ(ChangeFileExt("NET1.SIM", ".INP"), "NET1.INP");
    EXPECT_EQ(ChangeFileExt("/data/NET1", ".INP"), "/data/NET1.INP");
    EXPECT_EQ(ChangeFileExt("/data/plant.v2/NET1.OLD.SIM", ".OUT"), "/data/plant.v2/NET1.OUT");
}

// A disk that fills up during the export: the user is told, and the earlier input file stays whole
// beside the project with no half file next to it.
TEST_F(Export, AFullDiskIsReportedAndKeepsTheEarlierFile) {
    BuildNetwork();
    const std::vector<std::string> before = Lines();
    ASSERT_GT(before.size(), 20u);
    doc.NewPoint("P3", "", 5, 5, 5, 0);
    host.messages.clear();
    bool written;
    {
        kivo::test::FileSizeLimit full(200);
        written = doc.CmExportFile();
    }
    EXPECT_FALSE(written);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.messages[0].text.rfind("The adjustment input could not be written to " + doc.ExportName, 0), 0u)
        << host.messages[0].text;
    EXPECT_EQ(kivo::test::splitLines(kivo::test::readText(doc.ExportName)), before);
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
        1);
}
