// kivo-cli import, simulate and export, run as a user would.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::readText;
using kivo::test::splitLines;
using kivo::test::TempDir;
using kivo::test::writeText;

namespace {

using Result = kivo::test::CliResult;

Result Cli(const TempDir& dir, const std::string& args, const std::string& shell = "") {
    return kivo::test::runCli(dir, args, shell);
}

// A realistic target file: three stations, a grid of points, a bar, every observation kind,
// one broken line and one point above the default limits (0 .. 500).
std::string TargetFile() {
    std::string t = "# plant hall, design 3\n"
                    "THEO T1 1 0 10.0 FIX 10.0 FIX 1.5 FIX 0 APX 0 APX 0 UNK\n"
                    "THEO T2 2 0 90.0 APX 10.0 APX 1.5 FIX 0 UNK 0 UNK 25 UNK\n"
                    "THEO T3 3 0 50.0 UNK 80.0 UNK 1.6 UNK 0.5 UNK -0.3 UNK 310 UNK\n"
                    "SCALE BAR1 50 40 1.2 2.0 50 80\n";
    for (int i = 0; i < 12; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "POINT P%d %.3f %s %.3f UNK %.3f UNK\n", i, 20.0 + 5 * i,
                      i < 3 ? "FIX" : "APX", 30.0 + 2 * i, 0.5 + 0.1 * i);
        t += line;
    }
    t += "POINT HIGH 50 UNK 50 UNK 650 UNK\n";
    t += "POINT BROKEN 1 UNK one UNK 1 UNK\n"; // line 19
    t += "COLL T1 T2\nCOLL T2 T3\ncoll t3 t1\nSDIR T1 BAR1\nSDIR T2 BAR1\n";
    for (int i = 0; i < 12; ++i)
        for (const char* st : {"T1", "T2", "T3"})
            t += std::string("PDIR ") + st + " P" + std::to_string(i) + "\n";
    t += "DIST T1 P4\nDIST T2 P5\nHDIF T3 P6\nPTDIST P1 P2\nPTHDIF P2 P3\nPTHDIF P3 NOSUCH\n";
    return t;
}

// Every line of an input file against the formats of its section.
void ExpectInputFileFormats(const std::string& text) {
    const std::map<std::string, std::vector<std::regex>> formats = {
        {"Theodolite Stations",
         {std::regex(R"(\d \d     [-0-9. ]{14}[-0-9. ]{14}[-0-9. ]{14}   [-0-9. ]{9}[-0-9. ]{9}[-0-9. ]{9})"),
          std::regex(
              R"(               1\.00E\+04      1\.00E\+04      1\.00E\+04    1\.0E-01  1\.0E-01  1\.0E-01)")}},
        {"Object Points",
         {std::regex(R"(\S.{7}[-0-9. ]{15}[-0-9. ]{15}[-0-9. ]{15})"),
          std::regex(R"(                1\.00E\+03       1\.00E\+03       1\.00E\+03)")}},
        {"Distances", {std::regex(R"(.{8}  .{8} *-?\d+\.\d{5} +\d+\.\d{5})")}},
        {"Height Differences", {std::regex(R"(.{8}  .{8} *-?\d+\.\d{5} +\d+\.\d{5})")}},
        {"Observations", {std::regex(R"(\d \d       .{8} *\d+\.\d{5} *\d+\.\d{5} *\d+\.\d{4} *\d+\.\d{4})")}},
        {"Fixed Coordinates",
         {std::regex(
             R"((\d \d     |\S.{7}) *-?\d+\.\d{5} +-?\d+\.\d{5} +-?\d+\.\d{5} \d\.\d{5} \d\.\d{5} \d\.\d{5})")}},
    };
    std::vector<std::string> lines = splitLines(text);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "DRAL    Z E N K   -   ORIENTATION DATA CAPTURE (SIMULATION)");
    EXPECT_EQ(lines[5], "Dimension    3");
    EXPECT_EQ(lines[6], "LISTING   = STATS");
    std::string section;
    for (std::size_t i = 8; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l == "END") {
            section.clear();
            continue;
        }
        if (section.empty() || l == "Fixed Coordinates") {
            section = l;
            continue;
        }
        ASSERT_TRUE(formats.count(section)) << "line " << i + 1 << " in section " << section << ": " << l;
        bool ok = false;
        for (const std::regex& r : formats.at(section))
            ok = ok || std::regex_match(l, r);
        EXPECT_TRUE(ok) << "line " << i + 1 << " (" << section << "): '" << l << "'";
    }
    EXPECT_TRUE(text.size() > 0 && text.back() == '\n');
}

class CliImportExport : public ::testing::Test {
protected:
    CliImportExport() { ::setenv("KIVO_INI", dir.file("none.ini").c_str(), 1); }
    TempDir dir;
};

} // namespace

TEST_F(CliImportExport, ImportSimulateExport) {
    writeText(dir.file("HALL.TRG"), TargetFile());
    Result r = Cli(dir, "import " + dir.file("HALL.SIM") + " " + dir.file("HALL.TRG"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Imported 62 lines, skipped 3\n");
    EXPECT_NE(r.err.find("Import Error: HIGH is outside limits, expand limits ?\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 18: outside limits\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 19: field 4 is not a number: \"one\"\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 66: unknown point \"NOSUCH\"\n"), std::string::npos) << r.err;

    r = Cli(dir, "simulate " + dir.file("HALL.SIM"));
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli(dir, "export " + dir.file("HALL.SIM"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.file("HALL.INP") + "\n");
    const std::string inp = readText(dir.file("HALL.INP"));
    ExpectInputFileFormats(inp);
    // 3 collimations + 2 x 2 bar ends + 36 point directions.
    std::size_t obs = 0;
    bool inObs = false;
    for (const std::string& l : splitLines(inp)) {
        if (l == "END") inObs = false;
        if (inObs) ++obs;
        if (l == "Observations") inObs = true;
    }
    EXPECT_EQ(obs, 43u);
    EXPECT_NE(inp.find("Height Differences\n"), std::string::npos);
}

TEST_F(CliImportExport, ExpandLimitsOption) {
    writeText(dir.file("HALL.TRG"), TargetFile());
    Result r = Cli(dir, "import " + dir.file("HALL.SIM") + " " + dir.file("HALL.TRG") + " --expand-limits");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Imported 63 lines, skipped 2\n");
    EXPECT_EQ(r.err.find("outside limits"), std::string::npos) << r.err;
    // A second import into the existing project adds to it.
    writeText(dir.file("MORE.TRG"), "POINT EXTRA 1 UNK 2 UNK 3 UNK\n");
    r = Cli(dir, "import " + dir.file("HALL.SIM") + " " + dir.file("MORE.TRG"));
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli(dir, "info " + dir.file("HALL.SIM"));
    EXPECT_NE(r.out.find("\"nNumPoints\": 14"), std::string::npos) << r.out;
}

TEST_F(CliImportExport, Failures) {
    Result r = Cli(dir, "import " + dir.file("A.SIM") + " " + dir.file("missing.TRG"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("missing.TRG"), std::string::npos);
    EXPECT_EQ(Cli(dir, "import " + dir.file("A.SIM")).status, 1);
    EXPECT_EQ(Cli(dir, "simulate").status, 1);
    EXPECT_EQ(Cli(dir, "export " + dir.file("nothing.SIM")).status, 2);
}

// Every output file that cannot be written ends the run with exit status 4 and says why on stderr;
// no half file is left where a whole one is expected.
TEST_F(CliImportExport, OutputFilesThatCannotBeWrittenExitWithStatusFour) {
    namespace fs = std::filesystem;
    writeText(dir.file("HALL.TRG"), TargetFile());
    ASSERT_EQ(Cli(dir, "import " + dir.file("HALL.SIM") + " " + dir.file("HALL.TRG")).status, 0);
    // A disk that is full after 1 KB: files of this run fail past it (SIGXFSZ ignored, so the
    // write reports the error as a full disk would).
    const std::string fullDisk = "trap '' XFSZ; ulimit -f 2; ";
    Result r = Cli(dir, "export " + dir.file("HALL.SIM"), fullDisk);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("could not be written to " + dir.file("HALL.INP")), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.file("HALL.INP")));
    r = Cli(dir, "calculate " + dir.file("HALL.SIM"), fullDisk);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("The listing could not be written to " + dir.file("HALL.OUT") + ": File too large"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir.file("HALL.OUT")));

    // A write-protected project is not replaced.
    const std::string before = readText(dir.file("HALL.SIM"));
    fs::permissions(dir.file("HALL.SIM"), fs::perms::owner_read);
    r = Cli(dir, "simulate " + dir.file("HALL.SIM"));
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("write-protected"), std::string::npos) << r.err;
    EXPECT_TRUE(readText(dir.file("HALL.SIM")) == before) << "the project file was replaced";
}

// A canvas too large to draw is refused with what is wrong, not as an unreadable project.
TEST_F(CliImportExport, RenderOfACanvasTooLargeToDrawSaysSo) {
    writeText(dir.file("FAR.TRG"), "POINT NEAR 1 UNK 1 UNK 1 UNK\nPOINT FAR 1e9 UNK 1 UNK 1 UNK\n");
    ASSERT_EQ(
        Cli(dir, "import " + dir.file("FAR.SIM") + " " + dir.file("FAR.TRG") + " --expand-limits").status, 0);
    Result r = Cli(dir, "render " + dir.file("FAR.SIM") + " --view plan -o " + dir.file("FAR.png"));
    if (r.status == 1 && r.err.find("without the GUI") != std::string::npos) GTEST_SKIP() << r.err;
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("canvas of"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("too large to draw"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("FAR.png")));
    r = Cli(dir, "render " + dir.file("FAR.SIM") + " --view side -o " + dir.file("SIDE.png"));
    EXPECT_EQ(r.status, 4) << "the side view spans x too";
}
