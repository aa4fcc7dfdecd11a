// kivo-cli relative and check: precision questions answered from the command line.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::TempDir;
using kivo::test::writeText;

namespace {

using Result = kivo::test::CliResult;

struct CliPrecision : ::testing::Test {
    TempDir dir;

    Result Cli(const std::string& args) { return kivo::test::runCli(dir, args); }
    // A project made from a target file, its observations simulated.
    std::string Project(const std::string& name, const std::string& targets) {
        writeText(dir.file(name + ".TRG"), targets);
        const std::string sim = dir.file(name + ".SIM");
        EXPECT_EQ(Cli("import " + sim + " " + dir.file(name + ".TRG")).status, 0);
        EXPECT_EQ(Cli("simulate " + sim).status, 0);
        return sim;
    }
};

// Three points on the x axis joined by two measured distances (1 mm each, the default): only the x
// of B and C is free, so B - A and C - B are each known to 1 mm and C - A to sqrt(2) mm. D is seen
// by nothing.
const char* const kLine = "POINT A 10 FIX 10 FIX 1 FIX\n"
                          "POINT B 20 UNK 10 FIX 1 FIX\n"
                          "POINT C 35 UNK 10 FIX 1 FIX\n"
                          "POINT D 20 UNK 30 UNK 1 UNK\n"
                          "PTDIST A B\nPTDIST B C\n";

TEST_F(CliPrecision, RelativeOnALineOfDistancesAndNamesAsTheUserWritesThem) {
    const std::string line = Project("LINE", kLine);
    Result r = Cli("relative " + line + " a B");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "10\t0.001\n");
    r = Cli("relative " + line + " A c");
    ASSERT_EQ(r.status, 0) << r.err;
    double distance = 0, sd = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "%lf\t%lf", &distance, &sd), 2) << r.out;
    EXPECT_DOUBLE_EQ(distance, 25.0);
    EXPECT_NEAR(sd, 0.001 * std::sqrt(2.0), 1e-12);

    r = Cli("relative " + line + " A NOSUCH");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("NOSUCH"), std::string::npos) << r.err;
    r = Cli("relative " + line + " A D");
    EXPECT_EQ(r.status, 3) << "D is left out: no precision to give";
    EXPECT_NE(r.err.find("left out"), std::string::npos) << r.err;
    EXPECT_EQ(Cli("relative " + line + " A").status, 1);

    // Stations by their form name or their listing name; a scale bar's ends as the bar's name
    // with R and L.
    const std::string net =
        Project("NET", "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 APX 0 APX 0 UNK\n"
                       "THEO T2 2 0 90 APX 10 APX 1.5 FIX 0 UNK 0 UNK 25 UNK\n"
                       "THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0.5 UNK -0.3 UNK 310 UNK\n"
                       "SCALE BAR1 50 40 1.2 2.0 50 80\n"
                       "POINT P1 30 UNK 40 UNK 1 UNK\nPOINT P2 60 UNK 45 UNK 2 UNK\n"
                       "COLL T1 T2\nCOLL T2 T3\nSDIR T1 BAR1\nSDIR T2 BAR1\nSDIR T3 BAR1\n"
                       "PDIR T1 P1\nPDIR T2 P1\nPDIR T3 P1\n"
                       "PDIR T1 P2\nPDIR T2 P2\nPDIR T3 P2\n");
    r = Cli("relative " + net + " t1 p1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Cli("relative " + net + " 1_0 P1").out, r.out);
    r = Cli("relative " + net + " bar1r BAR1L");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 2), "2\t") << r.out;
    EXPECT_EQ(Cli("relative " + net + " BAR1 P1").status, 1) << "a bar is named by its ends";
}

TEST_F(CliPrecision, CheckJudgesEveryElementAtTheConfidence) {
    const std::string line = Project("LINE", kLine);
    // B's ellipsoid is the 1 mm of its distance; C's is sqrt(2) mm; A is fixed; D is left out.
    Result r = Cli("check " + line + " --tolerance 0.00142");
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out, "A\t0\tin\nB\t0.001\tin\nC\t0.001414213562\tin\nD\t0\tleft-out\n");
    r = Cli("check " + line + " --tolerance 0.0014");
    EXPECT_NE(r.out.find("C\t0.001414213562\tout\n"), std::string::npos) << r.out;
    r = Cli("check " + line + " --tolerance 0.0028 --confidence 95");
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.out.find("B\t0.0027955\tin\nC\t0.003953434014\tout"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\tout\nD\t0\tleft-out\n"), std::string::npos) << r.out;

    // Every element in: exit 0.
    const std::string pair =
        Project("PAIR", "POINT A 10 FIX 10 FIX 1 FIX\nPOINT B 20 UNK 10 FIX 1 FIX\nPTDIST A B\n");
    r = Cli("check " + pair + " --tolerance 0.001");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Cli("check " + pair + " --tolerance 0.000999").status, 5);

    // Usage errors, and an engine that fails (a point named as a station's engine name).
    EXPECT_EQ(Cli("check " + pair).status, 1);
    EXPECT_EQ(Cli("check " + pair + " --tolerance -1").status, 1);
    EXPECT_EQ(Cli("check " + pair + " --tolerance 1 --confidence 90").status, 1);
    EXPECT_EQ(Cli("check " + dir.file("MISSING.SIM") + " --tolerance 1").status, 2);
    const std::string clash = Project("CLASH", "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 FIX\n"
                                               "POINT 1_0 30 FIX 40 FIX 1 FIX\n");
    EXPECT_EQ(Cli("check " + clash + " --tolerance 1").status, 3);
    EXPECT_EQ(Cli("relative " + clash + " T1 1_0").status, 3);
}

} // namespace

// On the example, whose views label its elements (Theo4_0 is drawn as T40, Point47 as P47, SBar1 as
// S1): a station, a point and a scale bar's end by each name the user meets, case ignored, give
// one answer; the tab-separated figures keep their full precision in the length unit.
TEST_F(CliPrecision, RelativeTakesFormNamesViewLabelsAndListingNames) {
    const std::string sim = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", sim);
    const Result first = Cli("relative " + sim + " Theo4_0 Point47");
    ASSERT_EQ(first.status, 0) << first.err;
    double distance = 0, sd = 0;
    ASSERT_EQ(std::sscanf(first.out.c_str(), "%lf\t%lf", &distance, &sd), 2) << first.out;
    EXPECT_GT(distance, 1.0);
    EXPECT_GT(sd, 0.0);
    for (const char* pair : {"T40 P47", "4_0 p47", "t40 POINT47", "theo4_0 P47"})
        EXPECT_EQ(Cli("relative " + sim + " " + pair).out, first.out) << pair;
    const Result end = Cli("relative " + sim + " SBar1R Point47");
    ASSERT_EQ(end.status, 0) << end.err;
    for (const char* pair : {"S1R Point47", "s1r p47", "sbar1r P47"})
        EXPECT_EQ(Cli("relative " + sim + " " + pair).out, end.out) << pair;
    EXPECT_NE(Cli("relative " + sim + " S1L P47").out, end.out) << "the other end";
    EXPECT_EQ(Cli("relative " + sim + " T4 P47").status, 1);
}
