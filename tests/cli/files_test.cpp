// kivo-cli against what a user's machine does to files: write limits, write-protected outputs,
// FIFOs and devices where files are expected, several runs on one project, a comma-decimal locale.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::readBytes;
using kivo::test::readText;
using kivo::test::TempDir;
using kivo::test::writeText;
namespace fs = std::filesystem;

namespace {

using Result = kivo::test::CliResult;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Two fixed stations and a third free one sighting eight points: it adjusts.
std::string Targets() {
    std::string trg = "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 UNK\n"
                      "THEO T2 2 0 90 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 25 UNK\n"
                      "THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0 UNK 0 UNK 310 UNK\n";
    for (int i = 0; i < 8; ++i)
        trg += "POINT P" + std::to_string(i) + " " + std::to_string(25 + 6 * i) + " UNK " +
               std::to_string(30 + 3 * (i % 4)) + " UNK " + std::to_string(0.5 + 0.2 * i) + " UNK\n";
    for (int i = 0; i < 8; ++i)
        trg += "PDIR T1 P" + std::to_string(i) + "\nPDIR T2 P" + std::to_string(i) + "\nPDIR T3 P" +
               std::to_string(i) + "\n";
    return trg + "COLL T1 T2\nCOLL T2 T1\nDIST T3 P5\n";
}

class CliFiles : public ::testing::Test {
protected:
    CliFiles() { ::setenv("KIVO_INI", dir.file("none.ini").c_str(), 1); }
    Result Cli(const std::string& args, const std::string& shell = "") {
        return kivo::test::runCli(dir, args, shell);
    }
    // NET.SIM made from the target file, simulated; its path.
    std::string Project() {
        writeText(dir.file("NET.TRG"), Targets());
        const std::string sim = dir.file("NET.SIM");
        EXPECT_EQ(Cli("import " + sim + " " + dir.file("NET.TRG")).status, 0);
        EXPECT_EQ(Cli("simulate " + sim).status, 0);
        return sim;
    }
    // Files in the folder whose names hold `part`.
    int FilesNamed(const std::string& part) const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir.path()))
            n += Contains(e.path().filename().string(), part);
        return n;
    }
    TempDir dir;
};

bool NoGui(const Result& r) {
    return r.status == 1 && Contains(r.err, "without the GUI");
}

} // namespace

// A write limit (ulimit -f) and a write-protected output end the run with status 4, the file named
// and the system's reason, and the previous file whole: the listing and the image like the project.
TEST_F(CliFiles, FailedWritesExitFourWithTheReasonAndKeepThePreviousFile) {
    const std::string sim = Project();
    ASSERT_EQ(Cli("calculate " + sim).status, 0);
    const std::string listing = readText(dir.file("NET.OUT"));
    ASSERT_GT(listing.size(), 4000u);
    const std::string limit = "ulimit -f 2; "; // the signal is not ignored here: the program must

    Result r = Cli("calculate " + sim, limit);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_TRUE(
        Contains(r.err, "The listing could not be written to " + dir.file("NET.OUT") + ": File too large"))
        << r.err;
    EXPECT_FALSE(Contains(r.err, "adjustment failed")) << "only the listing failed: " << r.err;
    EXPECT_TRUE(readText(dir.file("NET.OUT")) == listing) << "the previous listing was damaged";
    r = Cli("export " + sim, limit);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_FALSE(fs::exists(dir.file("NET.INP")));
    r = Cli("heatmap " + sim + " --grid 4 -o " + dir.file("MAP.png"), limit);
    EXPECT_TRUE(r.status == 4 || NoGui(r)) << r.err;

    fs::permissions(dir.file("NET.OUT"), fs::perms::owner_read | fs::perms::group_read);
    r = Cli("calculate " + sim);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_TRUE(Contains(r.err, dir.file("NET.OUT") + ": Permission denied")) << r.err;
    EXPECT_TRUE(readText(dir.file("NET.OUT")) == listing);

    const std::string png = dir.file("PLAN.png");
    r = Cli("render " + sim + " --view plan -o " + png);
    if (NoGui(r)) GTEST_SKIP() << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    const auto image = readBytes(png);
    r = Cli("render " + sim + " --view side -o " + png, limit);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_TRUE(Contains(r.err, "cannot write " + png + ": File too large")) << r.err;
    fs::permissions(png, fs::perms::owner_read);
    r = Cli("render " + sim + " --view side -o " + png);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_TRUE(Contains(r.err, "cannot write " + png + ": the file is write-protected")) << r.err;
    EXPECT_TRUE(readBytes(png) == image);
    EXPECT_EQ(FilesNamed(".kivo-save-"), 0) << "a temporary file was left";
}

// A FIFO, a device or a folder where a project, a target file or the settings file is expected is
// refused at once ("Cannot open", status 2; a settings file gives the built-in defaults) and the
// project stays as it was. `timeout` turns a hang into a failure.
TEST_F(CliFiles, FilesThatAreNoRegularFilesAreRefusedAtOnce) {
    const std::string sim = Project();
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto before = readBytes(sim);
    const std::string within = "timeout 20 ";
    for (const std::string& target : {fifo, dir.path().string(), std::string("/dev/zero")}) {
        const Result r = Cli("import " + sim + " " + target, within);
        EXPECT_EQ(r.status, 2) << target << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "Cannot open " + target)) << r.err;
        EXPECT_TRUE(readBytes(sim) == before) << target;
    }
    for (const std::string& project : {fifo, std::string("/dev/zero")}) {
        const Result r = Cli("info " + project, within);
        EXPECT_EQ(r.status, 2) << project << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "Error # 10")) << r.err;
    }
    for (const std::string& ini : {fifo, std::string("/dev/zero"), dir.path().string()}) {
        const Result r = Cli("new " + dir.file("NEW.SIM"), "KIVO_INI=" + ini + " " + within);
        EXPECT_EQ(r.status, 0) << ini << ": " << r.err;
    }
    // A FIFO in the listing's place is no listing to show when the project opens.
    ASSERT_EQ(::mkfifo(dir.file("NET.OUT").c_str(), 0600), 0);
    const Result r = Cli("info " + sim, within);
    EXPECT_EQ(r.status, 0) << r.err;
}

// Several runs on one project at once: each waits for the one before, so no update is lost, and
// none removes the temporary file of a write that is still going on.
TEST_F(CliFiles, ConcurrentRunsOnOneProjectLoseNothing) {
    const std::string sim = dir.file("NET.SIM");
    ASSERT_EQ(Cli("new " + sim).status, 0);
    constexpr int kRuns = 6, kPoints = 400;
    std::string script;
    // Every other run brings its points as a coordinate list: both importers hold the project.
    for (int r = 0; r < kRuns; ++r) {
        std::string trg, list;
        for (int i = 0; i < kPoints; ++i) {
            const std::string name = "R" + std::to_string(r) + "_" + std::to_string(i);
            const std::string x = std::to_string(1 + i % 400), y = std::to_string(1 + r);
            trg += "POINT " + name + " " + x + " UNK " + y + " UNK 1 UNK\n";
            list += name + " " + x + " " + y + " 1\n";
        }
        const bool asList = r % 2 == 1;
        const std::string file = dir.file("R" + std::to_string(r) + (asList ? ".txt" : ".TRG"));
        writeText(file, asList ? list : trg);
        script += std::string(KIVO_CLI) + (asList ? " import-points " : " import ") + sim + " " + file +
                  " >/dev/null 2>" + dir.file("err" + std::to_string(r)) + " || echo failed >>" +
                  dir.file("failed") + " &\n";
    }
    // Saves in progress elsewhere: one by this (live) process, one holding its file locked.
    const std::string live = sim + ".kivo-save-" + std::to_string(::getpid()) + "-Ab12Cd";
    const std::string locked = sim + ".kivo-save-Ef34Gh";
    writeText(live, "half a project");
    writeText(locked, "half a project");
    const int held = ::open(locked.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ASSERT_EQ(std::system((script + "wait\n").c_str()), 0);
    EXPECT_TRUE(fs::exists(locked)) << "the temporary file of a locked write was removed";
    ::close(held);
    for (int r = 0; r < kRuns; ++r)
        EXPECT_EQ(readText(dir.file("err" + std::to_string(r))), "") << "run " << r;
    EXPECT_FALSE(fs::exists(dir.file("failed")));
    const Result info = Cli("info " + sim);
    EXPECT_TRUE(Contains(info.out, "\"nNumPoints\": " + std::to_string(kRuns * kPoints))) << info.out;
    EXPECT_TRUE(fs::exists(live)) << "the temporary file of a live write was removed";
    EXPECT_FALSE(fs::exists(sim + ".kivo-lock"));
}

// Under a locale that writes numbers with a decimal comma, every number kivo-cli prints and every
// file it writes is the same as in the C locale: the listing, the ellipses, the heat map's best
// cell, the images.
TEST_F(CliFiles, OutputsAreTheSameInACommaDecimalLocale) {
    const kivo::test::CommaLocale& comma = kivo::test::commaLocale();
    if (comma.dir.empty()) GTEST_SKIP() << comma.why;
    const std::string sim = Project();
    const std::string german = "LOCPATH=" + comma.dir + " LC_ALL=" + comma.name + " ";
    struct Output {
        std::string out, listing;
        std::vector<unsigned char> map, plan;
        bool gui = true;
    };
    auto run = [&](const std::string& env) {
        Output o;
        Result r = Cli("calculate " + sim, env);
        EXPECT_EQ(r.status, 0) << r.err;
        o.out = r.out;
        r = Cli("heatmap " + sim + " --grid 5 --range 150 -o " + dir.file("MAP.png"), env);
        if (NoGui(r)) {
            o.gui = false;
        } else {
            EXPECT_EQ(r.status, 0) << r.err;
            o.out += r.out;
            o.map = readBytes(dir.file("MAP.png"));
            EXPECT_EQ(Cli("render " + sim + " --view plan -o " + dir.file("PLAN.png"), env).status, 0);
            o.plan = readBytes(dir.file("PLAN.png"));
        }
        o.listing = readText(dir.file("NET.OUT"));
        return o;
    };
    const Output c = run(""), de = run(german);
    EXPECT_EQ(de.out, c.out);
    EXPECT_TRUE(de.listing == c.listing) << "the listing differs in the comma locale";
    EXPECT_FALSE(Contains(c.out, ",")) << c.out;
    if (!c.gui) return;
    EXPECT_TRUE(Contains(c.out, "best\t")) << c.out;
    EXPECT_TRUE(de.map == c.map) << "the heat map differs";
    EXPECT_TRUE(de.plan == c.plan) << "the plan view differs";
}
