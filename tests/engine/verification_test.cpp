// Verification by simulation: the empirical covariance of many noisy adjustments against the
// predicted one, reproducible from its seed, and its section of the listing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/verification.h"
#include "engine_design.h"
#include "support/test_support.h"

using namespace kivo;
using namespace kivo::eng;
using namespace kivo::test;

namespace {

using Status = VerifiedElement::Status;

Verification verify(const Design& d, int samples, std::uint64_t seed, int threads = 0) {
    auto p = d.build("");
    VerificationOptions o;
    o.samples = samples;
    o.seed = seed;
    o.threads = threads;
    return verifyBySimulation(*p, o);
}

// Two stations a few centimetres apart, one above the other, and a point high up along a steep
// line: its distance hangs on the tiny difference of two zenith angles, and with angles of 10 mgon
// the adjusted positions scatter along the line far from the Gaussian the linearisation predicts.
Design steepIntersection() {
    Design d;
    d.station("1_1", 0, 0, 0, 0, 0, 0, kStatusFixed);
    d.station("2_1", 0, 0, 0.03, 0, 0, 0, kStatusFixed);
    d.target("P", 3.0, 1.0, 9.0);
    // A well-determined neighbour, seen with a wide angle of intersection by two more stations.
    d.station("3_1", 20, 0, 0, 0, 0, 0, kStatusFixed);
    d.target("Q", 10, 10, 1);
    for (const char* s : {"1_1", "2_1"})
        d.sight(s, "P", 0.01);
    for (const char* s : {"1_1", "3_1"})
        d.sight(s, "Q", 0.01);
    return d;
}

const VerifiedElement& named(const Verification& v, const std::string& name) {
    for (const VerifiedElement& e : v.elements)
        if (e.name == name) return e;
    ADD_FAILURE() << "no element " << name;
    return v.elements.front();
}

} // namespace

TEST(EngineVerification, LinearNetworkAgreesWithThePrediction) {
    // Sightings of 10-20 m with angles of 0.5 mgon: the model is linear to far below the noise.
    const Design d = plantNetwork(true, 0.0005, 0.0001);
    const Verification v = verify(d, 400, 7);
    ASSERT_TRUE(v.ok) << v.why;
    EXPECT_EQ(v.converged, 400);
    EXPECT_TRUE(v.failed.empty());
    EXPECT_EQ(v.tested, 14); // the free datum: every station and target has its position estimated
    EXPECT_EQ(v.flagged, 0);
    EXPECT_FALSE(v.anyFlag());
    // tr(C^-1 S) / p over all elements: 1 within four times its sampling error.
    EXPECT_NEAR(v.pooledRatio, 1.0, 4.0 * v.pooledSd);
    EXPECT_NEAR(v.pooledSd, std::sqrt(2.0 / (3.0 * 399.0)), 1e-12);

    // The prediction is the covariance of a Calculate (minimum-trace datum at the design
    // coordinates): its largest axis equals the listing's ellipsoid axis.
    auto p = d.build("");
    mavo m(p.get());
    ASSERT_EQ(runEngine(m), 0);
    for (const VerifiedElement& e : v.elements) {
        const ElementResult& r = m.summary().elements[e.element];
        EXPECT_NEAR(e.predictedAxis, r.axes[0], 1e-9 * r.axes[0]) << e.name;
        EXPECT_EQ(e.status, Status::Ok) << e.name;
        // Each axis ratio near 1 (a variance ratio of 400 samples has a sampling sd of 7 %).
        EXPECT_NEAR(e.ratio, 1.0, 0.25) << e.name;
        // No bias: the mean adjusted position within 5 standard errors of the design.
        for (int c = 0; c < 3; ++c)
            EXPECT_LT(std::fabs(e.mean[c]), 5.0 * std::sqrt(e.predicted[c] / 400.0)) << e.name << " " << c;
    }
}

TEST(EngineVerification, NonLinearIntersectionIsFlagged) {
    const Verification v = verify(steepIntersection(), 1000, 3);
    ASSERT_TRUE(v.ok) << v.why;
    const VerifiedElement& p = named(v, "P");
    EXPECT_EQ(p.status, Status::Flagged)
        << "statistic " << p.statistic << " critical " << p.critical << " ratio " << p.ratio;
    EXPECT_GT(p.statistic, p.critical);
    EXPECT_TRUE(v.anyFlag());
    // The well-conditioned point beside it holds, and the fixed stations are not judged.
    EXPECT_EQ(named(v, "Q").status, Status::Ok);
    EXPECT_EQ(named(v, "1_1").status, Status::Fixed);
    EXPECT_EQ(v.tested, 2);
}

TEST(EngineVerification, SameSeedSameNumbersWithAnyThreadCount) {
    const Design d = plantNetwork(true, 0.002, 0.0005);
    const Verification one = verify(d, 100, 42, 1);
    const Verification two = verify(d, 100, 42, 2);
    const Verification other = verify(d, 100, 43, 2);
    ASSERT_TRUE(one.ok && two.ok && other.ok);
    EXPECT_EQ(verificationSection(one), verificationSection(two));
    ASSERT_EQ(one.elements.size(), two.elements.size());
    for (std::size_t i = 0; i < one.elements.size(); ++i) {
        EXPECT_EQ(std::memcmp(one.elements[i].empirical, two.elements[i].empirical, sizeof(double) * 6), 0);
        EXPECT_EQ(std::memcmp(&one.elements[i].statistic, &two.elements[i].statistic, sizeof(double)), 0);
    }
    ASSERT_EQ(one.cloud.size(), two.cloud.size());
    EXPECT_EQ(std::memcmp(one.cloud.data(), two.cloud.data(), one.cloud.size() * sizeof(float)), 0);
    EXPECT_NE(std::memcmp(one.cloud.data(), other.cloud.data(), one.cloud.size() * sizeof(float)), 0);
    // The cloud holds every realisation here, as offsets from the design position.
    EXPECT_EQ(one.cloudSamples, 100);
}

TEST(EngineVerification, RealisationsThatDoNotConvergeAreCountedAndNamed) {
    // One iteration is never enough to meet the convergence bound: every realisation fails.
    auto p = plantNetwork().build("");
    VerificationOptions o;
    o.samples = 20;
    o.itermax = 1;
    const Verification v = verifyBySimulation(*p, o);
    ASSERT_TRUE(v.ok) << v.why;
    EXPECT_EQ(v.converged, 0);
    ASSERT_EQ(v.failed.size(), 20u);
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(v.failed[k].index, k); // in order, whatever thread ran them
        EXPECT_EQ(v.failed[k].reason, "no convergence after 1 iterations");
    }
    EXPECT_EQ(v.tested, 0);
    EXPECT_TRUE(v.anyFlag());
    EXPECT_TRUE(std::isnan(v.cloud[0]));
    const std::string text = verificationSection(v);
    EXPECT_NE(
        text.find(
            "    no convergence after 1 iterations:\r\n      1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 "
            "19 20\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("Realisations converged        0 of 20"), std::string::npos) << text;

    // Too few realisations, a network that cannot be adjusted, a cancelled run: no statistics.
    o.samples = 1;
    EXPECT_FALSE(verifyBySimulation(*p, o).ok);
    project empty(nullptr, "");
    o.samples = 10;
    EXPECT_FALSE(verifyBySimulation(empty, o).ok);
    std::atomic<bool> cancel{true};
    const Verification c = verifyBySimulation(*p, o, &cancel);
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(c.cancelled);
}

TEST(EngineVerification, ListingSectionIsAddedOnceAndKeepsTheListing) {
    TempDir dir;
    const std::string path = dir.file("NET.OUT");
    const std::string listing = "LEAST-SQUARES ADJUSTMENT\r\nVARIANCE FACTOR\r\n  Redundancy  3\r\n";
    {
        std::ofstream f(path, std::ios::binary);
        f << listing;
    }
    const Verification v = verify(plantNetwork(), 30, 5);
    ASSERT_TRUE(v.ok);
    ASSERT_TRUE(appendVerificationToListing(path, v));
    ASSERT_TRUE(appendVerificationToListing(path, v)); // a second check replaces the first section
    std::ifstream f(path, std::ios::binary);
    std::stringstream text;
    text << f.rdbuf();
    EXPECT_EQ(text.str(), listing + "\r\n" + verificationSection(v));
    const std::string section = verificationSection(v);
    EXPECT_EQ(section.rfind("VERIFICATION BY SIMULATION (30 realisations, seed 5", 0), 0u);
    for (const VerifiedElement& e : v.elements) // every element has its line
        EXPECT_NE(section.find("\r\n  " + e.shown + " "), std::string::npos) << e.shown;
    EXPECT_NE(section.find("Elements flagged              0 of 14 tested\r\n"), std::string::npos) << section;
    // A listing that is not there is not made up.
    EXPECT_FALSE(appendVerificationToListing(dir.file("NONE.OUT"), v));
}
