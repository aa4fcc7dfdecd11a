// kivo-cli advise and heatmap, run as a user would: the advised line imported from a target file.

#include <cstdlib>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::readBytes;
using kivo::test::splitLines;
using kivo::test::TempDir;
using kivo::test::writeText;

namespace {

using Outcome = kivo::test::CliResult;

Outcome Cli(const TempDir& dir, const std::string& args) {
    return kivo::test::runCli(dir, args);
}

} // namespace

TEST(CliAdvise, AdvisedLineImportsAndHeatmapDraws) {
    TempDir dir;
    std::string trg = "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 UNK\n"
                      "THEO T2 2 0 90 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 25 UNK\n"
                      "THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0 UNK 0 UNK 310 UNK\n";
    for (int i = 0; i < 8; ++i)
        trg += "POINT P" + std::to_string(i) + " " + std::to_string(25 + 6 * i) + " UNK " +
               std::to_string(30 + 3 * (i % 4)) + " UNK " + std::to_string(0.5 + 0.2 * i) + " UNK\n";
    for (int i = 0; i < 8; ++i)
        trg += "PDIR T1 P" + std::to_string(i) + "\n" +
               (i < 5 ? "PDIR T2 P" + std::to_string(i) + "\n" : "") +
               (i > 2 ? "PDIR T3 P" + std::to_string(i) + "\n" : "");
    trg += "COLL T1 T2\nCOLL T2 T1\nDIST T3 P5\n";
    writeText(dir.file("NET.TRG"), trg);
    const std::string sim = dir.file("NET.SIM");
    ASSERT_EQ(Cli(dir, "import " + sim + " " + dir.file("NET.TRG")).status, 0);

    const Outcome a = Cli(dir, "advise " + sim + " --top 4");
    ASSERT_EQ(a.status, 0);
    const auto lines = splitLines(a.out);
    ASSERT_EQ(lines.size(), 4u) << a.out;
    std::string from, to, kind;
    double gain = 0, previous = 1e300;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        ASSERT_TRUE(std::getline(in, from, '\t') && std::getline(in, to, '\t') &&
                    std::getline(in, kind, '\t') && in >> gain)
            << line;
        EXPECT_TRUE(kind == "direction" || kind == "distance") << line;
        EXPECT_TRUE(kind == "direction" || from == "T3") << "only T3 measures distances: " << line;
        EXPECT_GT(gain, 0.0);
        EXPECT_LE(gain, previous);
        previous = gain;
    }
    // The best one, imported as a target-file line, is no longer missing.
    std::istringstream first(lines[0]);
    std::getline(first, from, '\t'), std::getline(first, to, '\t'), std::getline(first, kind, '\t');
    writeText(dir.file("ADD.TRG"), (kind == "direction" ? "PDIR " : "DIST ") + from + " " + to + "\n");
    ASSERT_EQ(Cli(dir, "import " + sim + " " + dir.file("ADD.TRG")).status, 0);
    const Outcome again = Cli(dir, "advise " + sim + " --top 1000");
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(again.out.find(from + "\t" + to + "\t" + kind + "\t"), std::string::npos);
    EXPECT_NE(again.out.find('\t'), std::string::npos);

    EXPECT_EQ(Cli(dir, "advise").status, 1);
    EXPECT_EQ(Cli(dir, "advise " + sim + " --top 0").status, 1);
    EXPECT_EQ(Cli(dir, "heatmap " + sim).status, 1);
    EXPECT_EQ(Cli(dir, "advise " + dir.file("MISSING.SIM")).status, 2);

    const Outcome h = Cli(dir, "heatmap " + sim + " --grid 6 --range 200 -o " + dir.file("map.png"));
    if (h.status == 1 && h.err.find("without the GUI") != std::string::npos) GTEST_SKIP() << h.err;
    ASSERT_EQ(h.status, 0);
    EXPECT_EQ(h.out.rfind("best\t", 0), 0u) << h.out;
    const auto png = readBytes(dir.file("map.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
}

// Every station fixed: the advice works on the targets alone (under `make asan` no empty block may
// reach a triangular solve) and still ranks sightings that help.
TEST(CliAdvise, EveryStationFixed) {
    TempDir dir;
    std::string trg = "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 FIX\n"
                      "THEO T2 2 0 90 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 25 FIX\n"
                      "THEO T3 3 0 50 FIX 80 FIX 1.6 FIX 0 FIX 0 FIX 310 FIX\n";
    for (int i = 0; i < 6; ++i)
        trg += "POINT P" + std::to_string(i) + " " + std::to_string(25 + 6 * i) + " UNK " +
               std::to_string(30 + 3 * (i % 4)) + " UNK " + std::to_string(0.5 + 0.2 * i) + " UNK\n" +
               "PDIR T1 P" + std::to_string(i) + "\nPDIR T2 P" + std::to_string(i) + "\n";
    writeText(dir.file("NET.TRG"), trg);
    const std::string sim = dir.file("NET.SIM");
    ASSERT_EQ(Cli(dir, "import " + sim + " " + dir.file("NET.TRG")).status, 0);
    const Outcome a = Cli(dir, "advise " + sim + " --top 3");
    ASSERT_EQ(a.status, 0) << a.err;
    const auto lines = splitLines(a.out);
    ASSERT_EQ(lines.size(), 3u) << a.out;
    EXPECT_EQ(lines[0].rfind("T3\tP", 0), 0u) << "the unused station is the one that helps: " << a.out;
}
