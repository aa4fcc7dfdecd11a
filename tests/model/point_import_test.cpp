// File > Import Points: separators, headers, units, bad lines, updates of existing points, limits.

#include <string>

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "model/point_import.h"
#include "support/packed_value.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using kivo::test::ScriptedHost;
using kivo::test::Val;

namespace {

// The parse of `text` in project units, printed on failure.
PointList Parse(const std::string& text, double scale = 1.0) {
    SCOPED_TRACE("list:\n" + text);
    return ParsePointList(text, scale);
}

class PointImport : public ::testing::Test {
protected:
    PointImport() : doc(&host) {
        kivo::test::UseBuiltInSettings();
        doc.CreateMemory();
    }
    bool Run(const std::string& text) {
        const std::string path = dir.file("points.csv");
        kivo::test::writeText(path, text);
        host.dialogPaths.push_back(path);
        return CmImportPoints(doc);
    }
    const OBJECTPOINT& Point(const char* name) const { return doc.pointList[doc.PointCheck(name)]; }

    kivo::test::TempDir dir;
    ScriptedHost host;
    kivoMDIClient doc;
};

} // namespace

TEST(PointListFormat, SeparatorsHeadersAndNumbersAsSpreadsheetsWriteThem) {
    // Comma separated, header naming the columns in another order, quotes, CR LF, a UTF-8 mark.
    PointList l = Parse("\xEF\xBB\xBF\"Z\",\"Name\",\"X\",\"Y\"\r\n3.5,P1,10,20\r\n-1e1,\"P 2x\",1,2\r\n");
    EXPECT_EQ(l.separator, ',');
    EXPECT_TRUE(l.header);
    ASSERT_EQ(l.points.size(), 1u);
    EXPECT_EQ(l.points[0].name, "P1");
    EXPECT_DOUBLE_EQ(l.points[0].x, 10);
    EXPECT_DOUBLE_EQ(l.points[0].y, 20);
    EXPECT_DOUBLE_EQ(l.points[0].z, 3.5);
    ASSERT_EQ(l.problems.size(), 1u);
    EXPECT_EQ(l.problems[0].line, 3);
    EXPECT_NE(l.problems[0].reason.find("blanks"), std::string::npos);

    // Semicolons with decimal commas, a status column; tabs; plain white space without a header.
    l = Parse("P1;1,5;2,25;3;fixed\nP2;4;5;6;Unknown\nP3;7;8;9\n");
    EXPECT_EQ(l.separator, ';');
    EXPECT_FALSE(l.header);
    ASSERT_EQ(l.points.size(), 3u);
    EXPECT_DOUBLE_EQ(l.points[0].x, 1.5);
    EXPECT_DOUBLE_EQ(l.points[0].y, 2.25);
    EXPECT_TRUE(l.points[0].hasStatus);
    EXPECT_EQ(l.points[0].coordStat, 0x2A);
    EXPECT_TRUE(l.points[1].hasStatus);
    EXPECT_EQ(l.points[1].coordStat, 0);
    EXPECT_FALSE(l.points[2].hasStatus);
    l = Parse("A\t1\t2\t3\nB\t4\t5\t6\n");
    EXPECT_EQ(l.separator, '\t');
    EXPECT_EQ(l.points.size(), 2u);
    l = Parse("# from the survey of May\n  A   1.0  2.0   3.0 \n\nB 4 5 6 apx\n", 1000.0);
    EXPECT_EQ(l.separator, ' ');
    ASSERT_EQ(l.points.size(), 2u);
    EXPECT_EQ(l.points[0].line, 2);
    EXPECT_EQ(l.points[1].line, 4);
    EXPECT_DOUBLE_EQ(l.points[1].z, 6000.0); // the file's unit converted
    EXPECT_EQ(l.points[1].coordStat, 0x15);
    // A first line with numbers among its coordinates is data, and reported when it is broken.
    l = Parse("P1 1 two 3\nP2 1 2 3\n");
    EXPECT_FALSE(l.header);
    ASSERT_EQ(l.problems.size(), 1u);
    EXPECT_EQ(l.problems[0].line, 1);
    // A decimal comma is not taken where the comma separates the fields.
    l = Parse("A,1,2,3\n");
    ASSERT_EQ(l.points.size(), 1u);
    EXPECT_DOUBLE_EQ(l.points[0].z, 3);
}

TEST(PointListFormat, EveryKindOfBadLineIsNamedWithItsNumberAndReason) {
    const std::string text = "name x y z status\n"
                             "P1 1 2 3\n"
                             "P2 1 2\n"          // 3: too few fields
                             "P3 1 two 3\n"      // 4: not a number
                             "P4 1 2 nan\n"      // 5: not finite
                             "LONGNAME9 1 2 3\n" // 6: longer than 8 characters
                             "p1 4 5 6\n"        // 7: listed already (case ignored)
                             "P5 1 2 3 maybe\n"  // 8: unknown status
                             "P6 1 2 3 fixed\n"
                             "P7 +-1 2 3\n"  // 10: two signs
                             "P8 1,5 2 3\n"; // 11: decimal comma without a separator
    const PointList l = Parse(text);
    ASSERT_EQ(l.points.size(), 2u);
    EXPECT_EQ(l.points[1].name, "P6");
    std::vector<int> lines;
    for (const ListProblem& p : l.problems)
        lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 5, 6, 7, 8, 10, 11}));
    EXPECT_NE(l.problems[0].reason.find("found 3 fields"), std::string::npos) << l.problems[0].reason;
    EXPECT_NE(l.problems[1].reason.find("y is not a number"), std::string::npos) << l.problems[1].reason;
    EXPECT_NE(l.problems[3].reason.find("longer than 8"), std::string::npos) << l.problems[3].reason;
    EXPECT_NE(l.problems[4].reason.find("line 2"), std::string::npos) << l.problems[4].reason;
    EXPECT_NE(l.problems[5].reason.find("maybe"), std::string::npos) << l.problems[5].reason;
    const std::string shown = DescribeProblems(l.problems, 3);
    EXPECT_EQ(kivo::test::splitLines(shown).size(), 4u) << shown;
    EXPECT_NE(shown.find("... and 5 more"), std::string::npos) << shown;
}

TEST_F(PointImport, BadLinesImportNothingUnlessTheUserGoesOn) {
    doc.NewPoint("P1", "", 1, 1, 1, 0x2A);
    const std::string list = "P1 5 6 7\nP2 1 2\nP3 8 9 10\n";
    host.answers.push_back(IDNO);
    EXPECT_FALSE(Run(list));
    ASSERT_FALSE(host.messages.empty());
    EXPECT_NE(host.messages.back().text.find("line 2:"), std::string::npos) << host.messages.back().text;
    EXPECT_EQ(doc.nNumPoints, 1);
    EXPECT_DOUBLE_EQ(Val(Point("P1").xReal), 1);
    EXPECT_FALSE(doc.bFileDirty);

    // Going on takes the lines that could be read: P1 updated (its status kept), P3 added.
    host.answers.push_back(IDYES);
    EXPECT_TRUE(Run(list));
    EXPECT_EQ(doc.nNumPoints, 2);
    EXPECT_DOUBLE_EQ(Val(Point("P1").xReal), 5);
    EXPECT_DOUBLE_EQ(Val(Point("P1").zReal), 7);
    EXPECT_EQ(Val(Point("P1").coordStat), 0x2A);
    EXPECT_DOUBLE_EQ(Val(Point("P3").yReal), 9);
    EXPECT_EQ(Val(Point("P3").coordStat), 0);
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(host.LastStatus(), "1 points added, 1 updated");
}

TEST_F(PointImport, NamesOfStationsAndScaleBarsAreNotTakenByPoints) {
    doc.NewTheo("Theo1_0", "", 1, 0, 5, 5, 1, 0, 0, 0, 0);
    doc.NewSBar("Bar1", "", 10, 10, 1, 2, 0, 100);
    PointList l =
        ParsePointList("P1 1 2 3\n1_0 1 2 3\ntheo1_0 1 2 3\nBAR1r 1 2 3\nbar1 1 2 3\nP2 4 5 6\n", 1.0);
    CheckPointNames(doc, l);
    ASSERT_EQ(l.points.size(), 2u);
    EXPECT_EQ(l.points[1].name, "P2");
    ASSERT_EQ(l.problems.size(), 4u);
    EXPECT_EQ(l.problems[0].line, 2);
    EXPECT_NE(l.problems[0].reason.find("theodolite Theo1_0"), std::string::npos) << l.problems[0].reason;
    EXPECT_EQ(l.problems[2].line, 4);
    EXPECT_NE(l.problems[2].reason.find("scale bar Bar1"), std::string::npos) << l.problems[2].reason;
}

TEST_F(PointImport, PointsOutsideTheLimitsAskOnceAndWidenThemOrStayOut) {
    // Default limits 0 .. 500 on every axis.
    const std::string list = "A 10 10 10\nB 600 10 10\nC 10 -20 700\n";
    host.answers.push_back(IDNO);
    EXPECT_TRUE(Run(list));
    EXPECT_EQ(doc.nNumPoints, 1);
    EXPECT_EQ(host.LastStatus(), "1 points added, 0 updated, 2 outside limits left out");
    int questions = 0;
    for (const auto& m : host.messages)
        questions += m.buttons == MsgButtons::YesNo;
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(host.messages.back().text, "2 points are outside limits, expand limits ?");

    host.answers.push_back(IDYES);
    EXPECT_TRUE(Run(list));
    EXPECT_EQ(doc.nNumPoints, 3);
    EXPECT_DOUBLE_EQ(doc.xMax, 600);
    EXPECT_DOUBLE_EQ(doc.yMin, -20);
    EXPECT_DOUBLE_EQ(doc.zMax, 700);
    EXPECT_DOUBLE_EQ(doc.xMin, 0);
}

TEST_F(PointImport, AnImportStalesTheEllipsesAndPlacesThePoints) {
    doc.bValEllip = true;
    EXPECT_TRUE(Run("A 1 2 3\nB 4 5 6\n"));
    EXPECT_FALSE(doc.bValEllip);
    // The pixel positions follow the coordinates.
    OBJECTPOINT copy = Point("B");
    doc.CalcPixelPos(copy);
    EXPECT_EQ(Val(copy.hcoord[0]), Val(Point("B").hcoord[0]));
    EXPECT_EQ(Val(copy.vcoord[2]), Val(Point("B").vcoord[2]));
}
