// The project file: exact layout, round trips in both formats, and damaged files.

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "adjustment/kivoMDIClient.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using Bytes = std::vector<unsigned char>;

namespace {

std::int32_t I32(const Bytes& b, std::size_t off) {
    std::int32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}
void PutI32(Bytes& b, std::size_t off, std::int32_t v) {
    std::memcpy(b.data() + off, &v, 4);
}
void PutF64(Bytes& b, std::size_t off, double v) {
    std::memcpy(b.data() + off, &v, 8);
}
// Where the point and scale-bar slots start, counted back from the end of a current-format file.
std::size_t SBarStart(const Bytes& b) {
    return b.size() - 24 * std::size_t(I32(b, 643) + I32(b, 635)) - 151 * std::size_t(I32(b, 627));
}
std::size_t PointStart(const Bytes& b) {
    return SBarStart(b) - 139 * std::size_t(I32(b, 619));
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ProjectFile : ::testing::Test {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};

    void SetUp() override {
        host.dialogPaths.clear();
        doc.CmFileNew();
        ASSERT_TRUE(doc.bFileOpen);
    }
    std::string Save(const std::string& name) {
        std::string path = dir.file(name);
        doc.OpenName = path;
        EXPECT_TRUE(doc.WriteSimFile());
        return path;
    }
    // A small network with every kind of observation, a deleted slot and marks set.
    void BuildNetwork() {
        doc.NewTheo("T1", "T10", 1, 0, 10, 20, 30, 1, 2, 3, 0x02A);
        doc.NewTheo("T2", "T11", 1, 1, 40, 20, 30, 0, 0, 0, 0);
        doc.NewTheo("T3", "", 1, 2, 40, 50, 30, 0, 0, 0, 0);
        for (int i = 0; i < 4; ++i)
            doc.NewPoint(("P" + std::to_string(i)).c_str(), "", 10 + i, 30, 5, 0x015);
        doc.NewSBar("S1", "", 25, 25, 5, 2.0, 50, 100);
        doc.theoList.Mark(0, true);
        doc.NewCollimate(nullptr, 0, 1);
        doc.NewPtDirect(nullptr, 0, 2);
        doc.NewSBDirect(nullptr, 0, 0);
        doc.NewDistance(nullptr, 0, 3);
        doc.NewHeight(nullptr, 0, 3);
        doc.ClearTheos();
        doc.pointList.Mark(0, true);
        doc.NewDistance(nullptr, 0, 1);
        doc.NewHeight(nullptr, 0, 1);
        doc.DelTheo(2);
        doc.DelPoint(2);
        doc.pointList.Mark(1, true);
        CopyField(doc.Project, sizeof doc.Project, "Hall 4");
    }
    bool Open(const std::string& path) {
        kivoMDIClient other(&host);
        other.OpenSIMFile(path);
        return other.bFileOpen;
    }
};

TEST_F(ProjectFile, HeaderAndTheodoliteSlotsHaveTheStoredSizes) {
    doc.NewTheo("A", "", 1, 0, 0, 0, 0, 0, 0, 0, 0);
    doc.NewTheo("B", "", 1, 1, 0, 0, 0, 0, 0, 0, 0);
    doc.theoList.Mark(1, true);
    for (int i = 0; i < 3; ++i) {
        doc.NewPoint(("P" + std::to_string(i)).c_str(), "", 0, 0, 0, 0);
    }
    // Three collimations of theodolite 0, as an imported list would hold them.
    THEODOLITE& t = doc.theoList[0];
    for (int i = 0; i < 3; ++i)
        t.thList.Append(CONNECT1{1, OBS_DIRECT, 0, 1.5, 2.5});
    t.SyncCounts();
    doc.theoList.Mark(1, false);
    Bytes b = test::readBytes(Save("LAYOUT.SIM"));

    const std::size_t points = 655 + 2 * 251 + 3 * 28;
    ASSERT_EQ(b.size(), points + 3 * 139 + 1 * 151 + 24 + 24);
    EXPECT_EQ(I32(b, 0), std::int32_t(SIM_MAGIC_CURRENT));
    EXPECT_EQ(I32(b, 607), 2);       // nNumTheos
    EXPECT_EQ(I32(b, 619), 3);       // nMaxPoints
    EXPECT_EQ(I32(b, 655 + 231), 3); // thCount of slot 0
    EXPECT_EQ(I32(b, 655 + 251), 1); // first collimation's target
    EXPECT_EQ(std::memcmp(b.data() + points + 48, "P0", 3), 0) << "the first point slot starts here";
}

TEST_F(ProjectFile, RoundTripKeepsSlotsAndNeverStoresMarks) {
    BuildNetwork();
    std::string path = Save("NET.SIM");
    EXPECT_FALSE(doc.pointList[1].flags & ELEM_SELECTED) << "writing clears the marks in memory too";

    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    ASSERT_TRUE(back.bFileOpen);
    EXPECT_EQ(back.nMaxTheos, 3);
    EXPECT_EQ(back.nNumTheos, 2);
    EXPECT_FALSE(back.theoList[2].flags & ELEM_INUSE);
    EXPECT_FALSE(back.pointList[2].flags & ELEM_INUSE);
    EXPECT_EQ(back.PointCheck("p3"), 3);
    EXPECT_STREQ(back.Project, "Hall 4");
    for (int i = 0; i < back.nMaxPoints; ++i)
        EXPECT_FALSE(back.pointList[i].flags & ELEM_SELECTED);
    const THEODOLITE& t = back.theoList[0];
    EXPECT_EQ(t.thCount, 1);
    EXPECT_EQ(t.sbList[0].target, 0);
    EXPECT_EQ(t.hdList[0].target, 3);
    EXPECT_EQ(back.nNumDists, 1);
    EXPECT_EQ(back.distList[0].source, 0);
}

TEST_F(ProjectFile, SavingWhatWasReadGivesTheSameBytes) {
    BuildNetwork();
    std::string path = Save("A.SIM");
    Bytes first = test::readBytes(path);
    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    ASSERT_TRUE(back.bFileOpen);
    back.OpenName = dir.file("B.SIM");
    ASSERT_TRUE(back.WriteSimFile());
    EXPECT_EQ(test::readBytes(dir.file("B.SIM")), first);
}

// An older-format file: no bHeight, bAutosave, SDHeight, no theodolite height lists.
TEST_F(ProjectFile, OldFormatReadsWithDefaultsAndIsWrittenBackInTheOldFormat) {
    BuildNetwork();
    doc.magic = SIM_MAGIC_OLD;
    doc.bHeight = false;
    doc.bAutosave = true;
    std::string path = Save("OLD.SIM");
    Bytes old = test::readBytes(path);
    EXPECT_EQ(I32(old, 0), std::int32_t(SIM_MAGIC_OLD));
    EXPECT_EQ(I32(old, 597), 2) << "nNumTheos sits 10 bytes earlier in the old header";

    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    ASSERT_TRUE(back.bFileOpen);
    EXPECT_EQ(back.magic, SIM_MAGIC_OLD);
    EXPECT_TRUE(back.bHeight);
    EXPECT_FALSE(back.bAutosave);
    EXPECT_DOUBLE_EQ(back.SDHeight, 0.001);
    EXPECT_EQ(back.theoList[0].hdCount, 0);
    EXPECT_FALSE(back.theoList[0].hdList.allocated());
    back.OpenName = dir.file("OLD2.SIM");
    ASSERT_TRUE(back.WriteSimFile());
    EXPECT_EQ(test::readBytes(back.OpenName), old);
}

TEST_F(ProjectFile, UnknownMagicAndMissingFileShowTheirCodes) {
    test::writeBytes(dir.file("X.SIM"), Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(Open(dir.file("X.SIM")));
    EXPECT_FALSE(Open(dir.file("NONE.SIM")));
    EXPECT_EQ(host.ErrorCodes(), (std::vector<int>{20, 10}));
    EXPECT_EQ(host.messages[0].text, "Error # 20");
}

TEST_F(ProjectFile, DamagedFilesAreRejectedWholeAndChangeNothing) {
    BuildNetwork();
    const Bytes good = test::readBytes(Save("GOOD.SIM"));
    struct Damage {
        const char* what;
        void (*apply)(Bytes&);
    };
    const Damage damages[] = {
        {"empty", [](Bytes& b) { b.clear(); }},
        {"cut in the header", [](Bytes& b) { b.resize(300); }},
        {"cut in the last list", [](Bytes& b) { b.resize(b.size() - 1); }},
        {"a byte too many", [](Bytes& b) { b.push_back(0); }},
        {"negative slot count", [](Bytes& b) { PutI32(b, 619, -1); }},
        {"more live points than slots", [](Bytes& b) { PutI32(b, 615, I32(b, 619) + 1); }},
        {"slot count beyond the file", [](Bytes& b) { PutI32(b, 611, 0x7fffffff); }},
        {"list count beyond the file", [](Bytes& b) { PutI32(b, 655 + 231, 1 << 28); }},
        {"negative list count", [](Bytes& b) { PutI32(b, 655 + 235, -5); }},
        {"target outside the table", [](Bytes& b) { PutI32(b, 655 + 251, 99); }},
        {"live count disagrees with the slots", [](Bytes& b) { PutI32(b, 607, 1); }},
        {"length unit 4", [](Bytes& b) { PutI32(b, 591, 4); }},
        {"length unit -1", [](Bytes& b) { PutI32(b, 591, -1); }},
        {"a limit that is no number", [](Bytes& b) { PutF64(b, 487, kNaN); }},
        {"a station's x that is no number", [](Bytes& b) { PutF64(b, 655 + 24, kNaN); }},
        {"an infinite station rotation", [](Bytes& b) { PutF64(b, 655 + 163, -kInf); }},
        {"an infinite point height", [](Bytes& b) { PutF64(b, PointStart(b) + 40, kInf); }},
        {"a bar length that is no number", [](Bytes& b) { PutF64(b, SBarStart(b) + 135, kNaN); }},
    };
    for (const Damage& d : damages) {
        Bytes b = good;
        d.apply(b);
        test::writeBytes(dir.file("BAD.SIM"), b);
        host.messages.clear();
        kivoMDIClient other(&host);
        const double before = other.xMax;
        other.OpenSIMFile(dir.file("BAD.SIM"));
        EXPECT_FALSE(other.bFileOpen) << d.what;
        ASSERT_EQ(host.ErrorCodes().size(), 1u) << d.what;
        EXPECT_EQ(host.ErrorCodes()[0], ERR_FILE_DAMAGED) << d.what;
        EXPECT_EQ(other.xMax, before) << d.what << ": the header stays as it was";
        EXPECT_EQ(other.nNumTheos, 0) << d.what;
    }
    // What a deleted slot holds is never used: it may hold anything.
    Bytes b = good;
    PutF64(b, PointStart(b) + 2 * 139 + 24, kNaN);
    test::writeBytes(dir.file("FREE.SIM"), b);
    EXPECT_TRUE(Open(dir.file("FREE.SIM")));
}

TEST_F(ProjectFile, UnterminatedNamesAreCutInsideTheirField) {
    doc.NewPoint("P", "", 0, 0, 0, 0);
    Bytes b = test::readBytes(Save("N.SIM"));
    const std::size_t point = b.size() - 24 - 24 - 151 - 139;
    std::memset(b.data() + point + 48, 'A', 9 + 5);
    test::writeBytes(dir.file("N.SIM"), b);
    kivoMDIClient back(&host);
    back.OpenSIMFile(dir.file("N.SIM"));
    ASSERT_TRUE(back.bFileOpen);
    EXPECT_STREQ(back.pointList[0].name, "AAAAAAAA");
    EXPECT_STREQ(back.pointList[0].abbrev, "AAAA");
}

} // namespace
