// kivo-cli render --view 3d: the example drawn without a display, at the asked size, and the
// options it refuses.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::readText;
using kivo::test::runCli;
using kivo::test::TempDir;

namespace {

// Width and height from a PNG's header chunk (big-endian at bytes 16 and 20).
bool PngSize(const std::string& bytes, unsigned& w, unsigned& h) {
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return false;
    auto be = [&](std::size_t at) {
        unsigned v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    w = be(16), h = be(20);
    return true;
}

} // namespace

TEST(CliRender3D, TheExampleIsDrawnAtTheAskedSizeAndBadOptionsWriteNothing) {
    TempDir dir;
    const std::string project = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", project);
    const std::string png = dir.file("PLANT3D.png");
    auto r =
        runCli(dir, "render " + project + " --view 3d --azimuth 60 --elevation 30 --size 800x600 -o " + png);
    if (r.status == 1 && r.err.find("without the GUI") != std::string::npos) GTEST_SKIP() << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    unsigned w = 0, h = 0;
    const std::string bytes = readText(png);
    ASSERT_TRUE(PngSize(bytes, w, h));
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);
    // A white picture of that size compresses to a few kilobytes; the drawing is far more.
    EXPECT_GT(bytes.size(), 20000u);

    for (const char* bad : {"--size 800", "--size 0x600", "--size 800x600x2", "--elevation 91",
                            "--azimuth east", "--view 4d"}) {
        const std::string out = dir.file("BAD.png");
        r = runCli(dir, "render " + project + " --view 3d " + bad + " -o " + out);
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_NE(r.err.find("usage"), std::string::npos) << bad;
        EXPECT_FALSE(std::filesystem::exists(out)) << bad;
    }
    // An unreadable project is said so, as for the 2D views.
    r = runCli(dir, "render " + dir.file("NONE.SIM") + " --view 3d -o " + png + ".2");
    EXPECT_EQ(r.status, 2) << r.err;
}
