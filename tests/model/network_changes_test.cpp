// Named changes and the network images behind undo and redo: every kind of change reported once
// under its name, and the images putting the project back byte for byte in both directions.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using kivo::test::Val;

namespace {

// A host that keeps a history: it records every change the document reports.
class HistoryHost : public test::ScriptedHost {
public:
    struct Change {
        std::string name;
        std::shared_ptr<const NetworkImage> before, after;
    };
    bool KeepsHistory() const override { return true; }
    void NetworkChanged(const std::string& name, std::shared_ptr<const NetworkImage> before,
                        std::shared_ptr<const NetworkImage> after, bool) override {
        changes.push_back({name, std::move(before), std::move(after)});
    }
    void ScreenMetrics(int& hr, int& vr, int& hs, int& vs) override {
        hr = vr = 1024;
        hs = vs = 320;
    }
    std::vector<Change> changes;
};

class Changes : public ::testing::Test {
protected:
    Changes() {
        test::UseBuiltInSettings();
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 10;
        doc.globalPos = 1, doc.globalTheo = 0, doc.globalPoint = 4, doc.globalSBar = 2;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
        doc.NewTheo("Theo1_0", "T1", 1, 0, 1, 1, 1, 0, 0, 0, 0);
        doc.NewTheo("Theo2_0", "T2", 2, 0, 9, 1, 1, 0, 0, 0, 0);
        doc.NewPoint("Point1", "P1", 1, 9, 1, 0);
        doc.NewPoint("Point2", "P2", 5, 9, 1, 0);
        doc.NewPoint("Point3", "P3", 7, 6, 1, 0);
        doc.NewSBar("SBar1", "S1", 9, 9, 1, 1, 0, 100);
        // Results of an earlier adjustment, which the images carry with the network.
        doc.pointList[1].A[0] = 0.002;
        doc.bValEllip = true;
        doc.OpenName = dir.file("NET.SIM");
        doc.bFileOpen = doc.bFileNamed = true;
    }
    // The project file the document would write now.
    std::vector<unsigned char> FileBytes() {
        EXPECT_TRUE(doc.WriteSimFile());
        return test::readBytes(doc.OpenName);
    }
    long Hit(int kind, int slot) {
        const COMMON& c = doc.Common(kind, slot);
        return doc.HitTest(KPoint{c.hcoord[0], c.vcoord[0]}, 0);
    }

    test::TempDir dir;
    HistoryHost host;
    kivoMDIClient doc{&host};
};

} // namespace

TEST_F(Changes, EveryKindOfChangeIsNamedAndComesBackByteForByte) {
    const std::string targets = dir.file("MORE.TRG");
    test::writeText(targets, "POINT Far 4 UNK 4 UNK 4 UNK\nPDIR Theo2_0 Far\n");
    struct Step {
        std::string name;
        std::function<void()> change;
    };
    const std::vector<Step> steps = {
        {"Place Point Point4",
         [&] {
             doc.CmPointTool();
             doc.PlaceClick(0, true, 3, 3, false);
         }},
        {"Add Direction",
         [&] {
             doc.CmDirTool();
             doc.MeasureClick(0, Hit(SEL_THEO, 0), false, false);
             doc.MeasureClick(0, Hit(SEL_POINT, 1), false, false);
             doc.MeasureClick(0, 0, false, false); // a click outside ends the tool
         }},
        {"Move Point Point2",
         [&] {
             Hit(SEL_POINT, 1);
             doc.BeginChange(doc.SelectionChangeName("Move"));
             doc.DragTo(0, 6, 8);
             doc.EndDrag(0, doc.pointList[1].hcoord[0], doc.pointList[1].vcoord[0]);
             doc.EndChange();
         }},
        {"Cut Point Point1",
         [&] {
             Hit(SEL_POINT, 0);
             doc.CmCut();
         }},
        {"Import MORE.TRG",
         [&] {
             host.dialogPaths.push_back(targets);
             doc.CmImportFile();
         }},
        {"Update Measurements", [&] { doc.CmSimulate(); }},
    };

    std::vector<std::vector<unsigned char>> states = {FileBytes()};
    for (const Step& s : steps) {
        s.change();
        ASSERT_EQ(host.changes.size(), states.size()) << s.name;
        EXPECT_EQ(host.changes.back().name, s.name);
        states.push_back(FileBytes());
        EXPECT_NE(states.back(), states[states.size() - 2]) << s.name;
    }
    // The move touched one block of the points (and the header): the rest is shared.
    EXPECT_LE(host.changes[2].after->UniqueBytes(*host.changes[2].before), 2 * NetworkImage::kBlockSize);

    // A change that ends with the same network is not reported: a cancelled import, a click that
    // only marks a source.
    host.dialogPaths.push_back("");
    doc.CmImportFile();
    doc.CmDirTool();
    doc.MeasureClick(0, Hit(SEL_THEO, 1), false, false);
    doc.EndTool();
    doc.ClearTheos();
    EXPECT_EQ(host.changes.size(), steps.size());

    // Back to the start, then forward again, byte for byte at every step.
    for (std::size_t i = host.changes.size(); i-- > 0;) {
        const auto& c = host.changes[i];
        ASSERT_TRUE(doc.RestoreNetwork(c.before, *c.after)) << c.name;
        EXPECT_EQ(FileBytes(), states[i]) << "undo " << c.name;
        EXPECT_EQ(doc.selectType, SEL_NONE);
    }
    EXPECT_TRUE(doc.bValEllip);
    EXPECT_EQ(Val(doc.pointList[1].A[0]), 0.002);
    EXPECT_EQ(doc.PointCheck("Point4"), -1);
    for (std::size_t i = 0; i < host.changes.size(); ++i) {
        const auto& c = host.changes[i];
        ASSERT_TRUE(doc.RestoreNetwork(c.after, *c.before)) << c.name;
        EXPECT_EQ(FileBytes(), states[i + 1]) << "redo " << c.name;
    }
    EXPECT_GE(doc.PointCheck("Far"), 0);
    EXPECT_EQ(doc.PointCheck("Point1"), -1);

    // Settings the change did not touch keep their present value: a display toggle and a scale set
    // since then stay; the toggle the direction tool switched on goes with the direction.
    doc.bName = !doc.bName;
    doc.objScale1 = 2;
    const bool names = doc.bName;
    doc.bDirect = true;
    for (std::size_t i = host.changes.size(); i-- > 1;)
        doc.RestoreNetwork(host.changes[i].before, *host.changes[i].after);
    EXPECT_EQ(doc.bName, names);
    EXPECT_EQ(doc.objScale1, 2);
    EXPECT_FALSE(doc.bDirect);
    EXPECT_EQ(Val(doc.theoList[0].ptCount), 0);
}
