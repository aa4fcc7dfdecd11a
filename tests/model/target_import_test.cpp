// Target file import: keywords, status words, limits question, rejected lines and the report.

#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using kivo::test::ScriptedHost;
using kivo::test::Val;

namespace {

class Import : public ::testing::Test {
protected:
    Import() : doc(&host) {
        kivo::test::UseBuiltInSettings();
        doc.CreateMemory();
    }
    // Imports `text` through File > Import.
    void Run(const std::string& text) {
        const std::string path = dir.file("T.TRG");
        kivo::test::writeText(path, text);
        host.dialogPaths.push_back(path);
        doc.CmImportFile();
    }
    std::vector<int> SkippedLineNumbers() const {
        std::vector<int> out;
        for (const auto& [n, why] : doc.lastImport.skippedLines)
            out.push_back(n);
        return out;
    }

    kivo::test::TempDir dir;
    ScriptedHost host;
    kivoMDIClient doc;
};

const char* kNetwork = "# two stations, two points, a bar\n"
                       "THEO T1 1 0 10 FIX 11 FIX 5 FIX 1.5 APX 2.5 APX 3.5 UNK\n"
                       "theo T2 2 0 60 apx 10 Apx 5 fix 0 unk 0 unk 50 unk\n"
                       "POINT P1 30 FIX 40 APX 2 UNK\n"
                       "Point P2 35 UNK 45 UNK 3 UNK\n"
                       "SCALE S1 30 31 3 2 50 80\n";

} // namespace

TEST(CalcStat, WordsInAnyCase) {
    EXPECT_EQ(kivoMDIClient::CalcStat("fix", "Apx", "", "unk", "FIX", "APX"), 0x606);
    EXPECT_EQ(kivoMDIClient::CalcStat("FIX", "FIX", "FIX", "APX", "APX", "UNK"), 0x16A);
    EXPECT_EQ(kivoMDIClient::CalcStat("FIXED", "AP", "x", "UNK", "UNK", "UNK"), 0);
}

TEST_F(Import, EveryKeywordInAnyCase) {
    Run(std::string(kNetwork) + "coll t1 t2\n"
                                "PDIR T1 P1\n"
                                "sdir t2 s1\n"
                                "DIST T1 P1\n"
                                "PTDST P1 P2\n"
                                "ptdist P2 P1\n"
                                "HDIF T2 P2\n"
                                "PTHDIF p1 p2\n");
    EXPECT_EQ(doc.nNumTheos, 2);
    EXPECT_EQ(doc.nNumPoints, 2);
    EXPECT_EQ(doc.nNumSBars, 1);
    const THEODOLITE& t1 = doc.theoList[0];
    EXPECT_STREQ(t1.name, "T1");
    EXPECT_EQ(Val(t1.pos), 1);
    EXPECT_EQ(Val(t1.coordStat), 0x16A);
    // Every field from its own column: coordinates, rotations, the bar's centre.
    const double read[] = {t1.xReal,
                           t1.yReal,
                           t1.zReal,
                           t1.xRotation,
                           t1.yRotation,
                           t1.zRotation,
                           doc.sbarList[0].xReal,
                           doc.sbarList[0].yReal,
                           doc.sbarList[0].zReal};
    EXPECT_EQ(std::vector<double>(std::begin(read), std::end(read)),
              (std::vector<double>{10, 11, 5, 1.5, 2.5, 3.5, 30, 31, 3}));
    EXPECT_STREQ(t1.abbrev, "");
    EXPECT_EQ(Val(doc.theoList[1].zRotation), 50.0);
    EXPECT_EQ(Val(doc.pointList[0].coordStat), 0x06) << "x fixed, y approximate, z unknown";
    EXPECT_EQ(Val(doc.sbarList[0].azimuth), 50);
    EXPECT_EQ(Val(doc.sbarList[0].vertAngle), 80);
    EXPECT_EQ(Val(doc.sbarList[0].length), 2.0);

    ASSERT_EQ(Val(t1.thCount), 1);
    EXPECT_EQ(Val(t1.thList[0].target), 1);
    EXPECT_EQ(Val(t1.thList[0].flags), OBS_IDEAL);
    EXPECT_EQ(Val(t1.ptCount), 1);
    EXPECT_EQ(Val(t1.dsCount), 1);
    EXPECT_EQ(Val(doc.theoList[1].sbCount), 1);
    EXPECT_EQ(Val(doc.theoList[1].hdCount), 1);
    EXPECT_EQ(doc.nNumDists, 1); // P2-P1 joins the same points as P1-P2: not added again
    EXPECT_EQ(doc.nNumHeights, 1);
    EXPECT_TRUE(doc.bCollimate && doc.bDirect && doc.bDistance && doc.bHeight);
    // Nothing stays marked, and the indexes agree with the flags.
    EXPECT_TRUE(doc.theoList.Marked().empty());
    EXPECT_TRUE(doc.pointList.Marked().empty());
    EXPECT_TRUE(doc.theoList.IndexesConsistent(doc.nMaxTheos));
    EXPECT_EQ(doc.lastImport.imported, 13);
    EXPECT_EQ(doc.lastImport.skipped, 0);
    EXPECT_EQ(host.LastStatus(), "Imported 13 lines, skipped 0");
    EXPECT_EQ(host.dialogFilters.at(0), "Target Files (*.TRG)|*.TRG|");
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_GE(host.updateViews, 1);
}

TEST_F(Import, DuplicatesAreNotAddedAndMarkedElementsTakePart) {
    Run(std::string(kNetwork) + "PDIR T1 P1\nPDIR T1 P1\n");
    EXPECT_EQ(Val(doc.theoList[0].ptCount), 1);
    // A theodolite the user had marked adds along with the line's station.
    doc.theoList.Mark(1, true);
    Run("PDIR T1 P2\n");
    EXPECT_EQ(Val(doc.theoList[0].ptCount), 2);
    EXPECT_EQ(Val(doc.theoList[1].ptCount), 1);
    EXPECT_TRUE(doc.theoList.IsMarked(1));
}

TEST_F(Import, UnknownNamesAndKeywordsAddNothing) {
    Run(std::string(kNetwork) + "COLL T9 T1\n"    // line 7
                                "COLL T1 T9\n"    // 8
                                "SDIR T1 P1\n"    // 9: P1 is no scale bar
                                "PTDST T1 P1\n"   // 10: T1 is no point
                                "STATION X 1 2\n" // 11
                                "#COLL T1 T2\n");
    EXPECT_EQ(Val(doc.theoList[0].thCount), 0);
    EXPECT_EQ(Val(doc.theoList[0].sbCount), 0);
    EXPECT_EQ(doc.nNumDists, 0);
    EXPECT_FALSE(doc.bCollimate);
    EXPECT_TRUE(doc.theoList.Marked().empty());
    EXPECT_EQ(SkippedLineNumbers(), (std::vector<int>{7, 8, 9, 10, 11}));
    EXPECT_EQ(doc.lastImport.skippedLines[0].second, "unknown theodolite \"T9\"");
    EXPECT_EQ(doc.lastImport.skippedLines[2].second, "unknown scale bar \"P1\"");
    EXPECT_EQ(doc.lastImport.skippedLines[4].second, "unknown keyword \"STATIO\"");
    EXPECT_EQ(host.LastStatus(), "Imported 5 lines, skipped 5");
}

TEST_F(Import, LimitsQuestionYesAndNo) {
    host.answers = {IDYES, IDNO, IDYES};
    Run("POINT HIGH 510 UNK -3 UNK 600 UNK\n"
        "POINT LOW 10 UNK -5 UNK 10 UNK\n"
        "POINT DEEP -2 UNK 520 UNK -4 UNK\n"
        "POINT EDGE1 510 UNK -3 UNK -4 UNK\n" // on the widened limits: inside, no question
        "POINT EDGE2 -2 UNK 520 UNK 600 UNK\n");
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].text, "HIGH is outside limits, expand limits ?");
    EXPECT_EQ(host.messages[0].caption, "Import Error");
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::YesNo);
    // Yes moves each limit the point lies beyond to the point; No leaves them (LOW's y of -5).
    const double limits[] = {doc.xMin, doc.xMax, doc.yMin, doc.yMax, doc.zMin, doc.zMax};
    EXPECT_EQ(std::vector<double>(std::begin(limits), std::end(limits)),
              (std::vector<double>{-2, 510, -3, 520, -4, 600}));
    EXPECT_EQ(doc.nNumPoints, 4) << "LOW is not added";
    EXPECT_EQ(SkippedLineNumbers(), (std::vector<int>{2}));
    // The canvas grew with the limits, and the point's pixel position follows the new origin.
    COMMON copy = doc.pointList[0];
    doc.CalcPixelPos(copy);
    EXPECT_EQ(Val(copy.vcoord[1]), Val(doc.pointList[0].vcoord[1]));
}

TEST_F(Import, MalformedLinesAreSkippedWholeAndReported) {
    Run("POINT NINECHARS 1 UNK 1 UNK 1 UNK\n"         // 1 name too long
        "POINT P1 1 UNK 1x UNK 1 UNK\n"               // 2 bad real
        "POINT P2 1 UNK 1 UNK 1\n"                    // 3 a field missing
        "SCALE S1 1 1 1 2 100.5 100\n"                // 4 azimuth not whole
        "THEO T1 1 0 1 FIX 1 FIX 1 FIX 0 UNK 0 UNK\n" // 5 too few fields
        "\n"                                          // 6 blank: neither taken nor skipped
        "   \r\n"                                     // 7 blank
        "COLL\n"                                      // 8 too short to reach its fields
        "POINT\n"                                     // 9
        "POINT P3 1 UNK 1 UNK 1 UNK\r\n"              // 10 taken (carriage return is white space)
        "POINT P4 2 UNK 2 UNK 2 UNK");                // 11 no line feed: not taken, reported
    EXPECT_EQ(doc.nNumPoints, 1);
    EXPECT_STREQ(doc.pointList[0].name, "P3");
    EXPECT_EQ(doc.nNumSBars, 0);
    EXPECT_EQ(doc.nNumTheos, 0);
    EXPECT_EQ(SkippedLineNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 8, 9, 11}));
    EXPECT_EQ(doc.lastImport.skippedLines[0].second, "name longer than 8 characters: \"NINECHARS\"");
    EXPECT_EQ(doc.lastImport.skippedLines[1].second, "field 4 is not a number: \"1x\"");
    EXPECT_EQ(doc.lastImport.skippedLines.back().second, "no line feed at the end of the file");
    EXPECT_EQ(host.LastStatus(), "Imported 1 lines, skipped 8");
}

// A line is read 255 characters at a time: the rest of a longer line is read as a line of its own.
TEST_F(Import, LongLineIsCutAfter255Characters) {
    std::string filler(255 - 26, ' ');
    Run("POINT P1 1 UNK 1 UNK 1 UNK" + filler + "POINT P2 2 UNK 2 UNK 2 UNK\n");
    EXPECT_EQ(doc.nNumPoints, 2);
}

TEST_F(Import, FileThatCannotBeOpenedIsReported) {
    host.dialogPaths.push_back(dir.file("missing.TRG"));
    doc.CmImportFile();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Import Error");
    EXPECT_NE(host.messages[0].text.find("missing.TRG"), std::string::npos);
    // Cancelled dialog: nothing happens.
    doc.bFileDirty = false;
    doc.CmImportFile();
    EXPECT_FALSE(doc.bFileDirty);
}

// The keyword starts in column 1 and is followed by one separator; its fields are read from
// column 6 (four letters) or 7 (five and six letters). Lines that do not fit are skipped.
TEST_F(Import, KeywordInColumnOneAndFieldsFromItsColumn) {
    Run("POINT P1 1 UNK 1 UNK 1 UNK\n"
        "POINT P2 2 UNK 2 UNK 2 UNK\n"
        "THEO\tT1 1 0 0 FIX 0 FIX 0 FIX 0 UNK 0 UNK 0 UNK\n" // 3 a tab separates too
        "PTDIST P1 P2\n"                                     // 4
        "PTHDIF  P1 P2\n"                                    // 5 more blanks before the fields
        " PTDIST P2 P1\n"                                    // 6 not in column 1
        "\tPDIR T1 P1\n"                                     // 7
        "PTHDIFXP2 P1\n"                                     // 8 no separator
        "PTDISTP2 P1\n");                                    // 9
    EXPECT_EQ(doc.nNumTheos, 1);
    EXPECT_EQ(doc.nNumDists, 1);
    EXPECT_EQ(doc.nNumHeights, 1);
    EXPECT_EQ(Val(doc.theoList[0].ptCount), 0);
    EXPECT_EQ(SkippedLineNumbers(), (std::vector<int>{6, 7, 8, 9}));
    EXPECT_EQ(doc.lastImport.skippedLines[0].second, "the keyword does not start in column 1");
    EXPECT_EQ(doc.lastImport.skippedLines[2].second, "no separator after the keyword \"PTHDIF\"");
}

// Numbers are read as "%lf" and "%d" read them, and only whole: one sign at most.
TEST_F(Import, NumbersTakeOneSignAtMost) {
    doc.xMin = doc.yMin = doc.zMin = -1000;
    Run("POINT A +1 UNK -1.5e+2 UNK .5 UNK\n"
        "POINT B 0x1p3 UNK 1e-400 UNK -0 UNK\n"
        "POINT C +-1 UNK 0 UNK 0 UNK\n" // 3
        "POINT D 0 UNK -+1 UNK 0 UNK\n" // 4
        "POINT E 0 UNK 0 UNK --1 UNK\n" // 5
        "POINT F ++1 UNK 0 UNK 0 UNK\n" // 6
        "POINT G 1e UNK 0 UNK 0 UNK\n"  // 7
        "SCALE S1 1 1 1 2 +-50 100\n"   // 8
        "SCALE S2 1 1 1 2 -50 +100\n");
    ASSERT_EQ(doc.nNumPoints, 2);
    EXPECT_EQ(doc.pointList[0].xReal, 1.0);
    EXPECT_EQ(doc.pointList[0].yReal, -150.0);
    EXPECT_EQ(doc.pointList[0].zReal, 0.5);
    EXPECT_EQ(doc.pointList[1].xReal, 8.0);
    EXPECT_EQ(doc.pointList[1].yReal, 0.0);
    ASSERT_EQ(doc.nNumSBars, 1);
    EXPECT_EQ(Val(doc.sbarList[0].azimuth), -50);
    EXPECT_EQ(SkippedLineNumbers(), (std::vector<int>{3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(doc.lastImport.skippedLines[0].second, "field 2 is not a number: \"+-1\"");
}
