// kivo-cli import-points, calculate --json/--csv and render -o FILE.dxf, run as a user would.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::readBytes;
using kivo::test::readText;
using kivo::test::TempDir;
using kivo::test::writeText;

namespace {

struct Exchange : ::testing::Test {
    TempDir dir;
    kivo::test::CliResult Cli(const std::string& args) { return kivo::test::runCli(dir, args); }
    nlohmann::json Info(const std::string& sim) { return nlohmann::json::parse(Cli("info " + sim).out); }
};

TEST_F(Exchange, ImportPointsWithBadLinesChangesNothingAndSaysWhy) {
    const std::string sim = dir.file("NET.SIM");
    writeText(dir.file("first.csv"), "Name;X;Y;Z;Status\nA;10,5;20;1;fixed\nB;30;40;2;unknown\n");
    auto r = Cli("import-points " + sim + " " + dir.file("first.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 points added, 0 updated\n");
    EXPECT_EQ(Info(sim)["nNumPoints"], 2);
    const auto before = readBytes(sim);

    const std::string bad = "A 11 21 1\n"         // fine: would update A
                            "C 1 2\n"             // 2: too few fields
                            "D 1 2 3 4 5\n"       // 3: too many
                            "E x 2 3\n"           // 4: not a number
                            "NINECHARS 1 2 3\n"   // 5: name too long
                            "a 1 2 3\n"           // 6: A again
                            "F 1 2 3 sometimes\n" // 7: unknown status
                            "G 1 2 inf\n";        // 8: not finite
    writeText(dir.file("bad.txt"), bad);
    r = Cli("import-points " + sim + " " + dir.file("bad.txt"));
    EXPECT_EQ(r.status, 2);
    for (int line : {2, 3, 4, 5, 6, 7, 8})
        EXPECT_NE(r.err.find("line " + std::to_string(line) + ": "), std::string::npos) << line << "\n"
                                                                                        << r.err;
    EXPECT_EQ(r.err.find("line 1:"), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(sim), before) << "nothing imported";

    // Units: a list in millimetres into a project in metres; a point outside the limits stays out
    // unless the limits may grow.
    writeText(dir.file("mm.txt"), "A 12000 22000 1500\nFAR 900000 1000 1000\n");
    r = Cli("import-points " + sim + " " + dir.file("mm.txt") + " --units mm");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 points added, 1 updated, 1 outside limits left out\n");
    r = Cli("import-points " + sim + " " + dir.file("mm.txt") + " --units mm --expand-limits");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 points added, 1 updated\n");
    EXPECT_EQ(Info(sim)["nNumPoints"], 3);

    EXPECT_EQ(Cli("import-points " + sim + " " + dir.file("mm.txt") + " --units yards").status, 1);
    EXPECT_EQ(Cli("import-points " + sim).status, 1);
    EXPECT_EQ(Cli("import-points " + sim + " " + dir.file("nosuch.csv")).status, 2);
}

TEST_F(Exchange, CalculateWritesResultsAndRenderWritesADrawingOfTheExample) {
    std::filesystem::copy_file(std::string(KIVO_EXAMPLES) + "/PLANT.SIM", dir.file("PLANT.SIM"));
    const std::string sim = dir.file("PLANT.SIM");
    auto r = Cli("calculate " + sim + " --json " + dir.file("r.json") + " --csv " + dir.file("r.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(readText(dir.file("r.json")));
    EXPECT_EQ(j["version"], 1);
    const auto rows = kivo::test::splitLines(readText(dir.file("r.csv")));
    EXPECT_EQ(rows.size(), j["elements"].size() + 1);

    // An output that cannot be written: exit 4, and an existing file is left as it was.
    writeText(dir.file("keep.json"), "old");
    r = Cli("calculate " + sim + " --json " + dir.file("no/such/dir.json"));
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(Cli("calculate " + sim + " --json").status, 1);

    r = Cli("render " + sim + " --view side -o " + dir.file("side.DXF"));
    if (r.status == 1 && r.err.find("without the GUI") != std::string::npos) GTEST_SKIP() << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string dxf = readText(dir.file("side.DXF"));
    EXPECT_NE(dxf.find("STATIONS"), std::string::npos);
    EXPECT_EQ(dxf.substr(dxf.size() - 4, 3), "EOF");
    EXPECT_EQ(Cli("render " + sim + " --view side -o " + dir.file("no/such/dir.dxf")).status, 4);
}

} // namespace
