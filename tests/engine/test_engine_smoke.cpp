#include <gtest/gtest.h>

#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::test;

TEST(EngineSmoke, PlantNetworkIdeal) {
    TempDir dir;
    Design d = plantNetwork();
    auto p = d.build(dir.file("NET.SIM"));
    mavo m(p.get());
    EXPECT_EQ(runEngine(m), 0) << m.summary().failure;
    const auto& s = m.summary();
    EXPECT_EQ(s.defect, 6) << s.datum;
    EXPECT_EQ(s.iterations, 1);
    std::printf("%s\n", readText(dir.file("NET.OUT")).substr(0, 3000).c_str());
    for (auto& t : m.timings()) std::printf("%s %.4f\n", t.first.c_str(), t.second);
}
