// Mutated and truncated copies of a real project file must never crash the reader, never leave a
// half-read project, and whatever is accepted must be safe to work on; the target-file reader
// takes exactly the numbers the C library's "%lf" and "%d" take. Run under the sanitizers with
// `make asan`.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <random>

#include "adjustment/kivoMDIClient.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;

namespace {

std::vector<unsigned char> RealProject(const std::string& path, test::ScriptedHost& host) {
    kivoMDIClient doc(&host);
    doc.CmFileNew();
    for (int i = 0; i < 4; ++i)
        doc.NewTheo(("T" + std::to_string(i)).c_str(), "", 1, i, 10.0 * i, 5, 2, 0, 0, 0, 0x2A);
    for (int i = 0; i < 12; ++i)
        doc.NewPoint(("P" + std::to_string(i)).c_str(), "", i, 20, 3, 0);
    doc.NewSBar("S", "", 5, 5, 5, 1, 0, 100);
    for (int t = 0; t < 4; ++t) {
        doc.ClearTheos();
        doc.theoList.Mark(t, true);
        for (int p = 0; p < 12; p += 2) {
            doc.NewPtDirect(nullptr, 0, p);
            doc.NewDistance(nullptr, 0, p);
            doc.NewHeight(nullptr, 0, p);
        }
        doc.NewCollimate(nullptr, 0, (t + 1) % 4);
        doc.NewSBDirect(nullptr, 0, 0);
    }
    doc.ClearTheos();
    doc.pointList.Mark(1, true);
    doc.NewDistance(nullptr, 0, 3);
    doc.NewHeight(nullptr, 0, 5);
    doc.DelPoint(7);
    doc.OpenName = path;
    EXPECT_TRUE(doc.WriteSimFile());
    return test::readBytes(path);
}

// Works on an accepted project the way the program would: every loop, every deletion, a save.
void Exercise(kivoMDIClient& doc, const std::string& out) {
    doc.ProcessSimData();
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) doc.DelPoint(i);
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if (doc.theoList[i].flags & ELEM_INUSE) doc.DelTheo(i);
    doc.NewPoint("N", "", 0, 0, 0, 0);
    doc.OpenName = out;
    doc.WriteSimFile();
}

TEST(ProjectFileFuzz, MutatedAndTruncatedFilesNeverCrashTheReader) {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    const auto original = RealProject(dir.file("REAL.SIM"), host);
    ASSERT_GT(original.size(), 2000u);

    // A fixed number of cases from a fixed seed: every run, fast or slow machine, sanitizers or
    // not, reads the same files.
    constexpr int kCases = 1500;
    std::mt19937 rng(20261208);
    int cases = 0, accepted = 0;
    for (; cases < kCases; ++cases) {
        auto bytes = original;
        switch (cases % 5) {
        case 0: // truncation
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng));
            break;
        case 1: // random bytes
            for (int k = std::uniform_int_distribution<int>(1, 8)(rng); k > 0; --k)
                bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(rng)] =
                    static_cast<unsigned char>(rng());
            break;
        case 2: { // an int32 field set to an extreme
            std::size_t at = std::uniform_int_distribution<std::size_t>(0, bytes.size() - 4)(rng);
            const std::int32_t extremes[] = {-1, 0, 1, 0x7fffffff, (std::int32_t)0x80000000, 1000000, 3};
            std::int32_t v = extremes[rng() % 7];
            std::memcpy(bytes.data() + at, &v, 4);
            break;
        }
        case 3: // bit flips in the header
            for (int k = 0; k < 3; ++k)
                bytes[rng() % 655] ^= static_cast<unsigned char>(1u << (rng() % 8));
            break;
        case 4: // bytes inserted or removed in the body
            if (rng() % 2)
                bytes.insert(bytes.begin() + 655 + rng() % (bytes.size() - 655),
                             static_cast<unsigned char>(rng()));
            else
                bytes.erase(bytes.begin() + 655 + rng() % (bytes.size() - 655));
            break;
        }
        test::writeBytes(dir.file("M.SIM"), bytes);
        kivoMDIClient doc(&host);
        host.messages.clear();
        doc.OpenSIMFile(dir.file("M.SIM"));
        if (doc.bFileOpen) {
            ++accepted;
            EXPECT_TRUE(host.messages.empty());
            Exercise(doc, dir.file("OUT.SIM"));
        } else {
            ASSERT_EQ(host.ErrorCodes().size(), 1u) << "case " << cases;
        }
    }
    EXPECT_GT(accepted, 0) << "no mutated file was accepted: the files worked on prove nothing";
    RecordProperty("cases", cases);
    RecordProperty("accepted", accepted);
}

// Random number fields built from the pieces "%lf" knows (signs, "0x", digits, a point, an
// exponent with its own signs, inf and nan), some pieces doubled or left out: a field is taken
// exactly when "%lf" (or "%d") reads all of it as a finite number, and then with its value.
TEST(TargetFileNumbers, TakenExactlyAsTheCLibraryReadsThem) {
    std::mt19937 rng(20261209);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto signs = [&] {
        std::string s;
        for (int k = pick(4) == 0 ? 2 : pick(2); k > 0; --k)
            s += "+-"[pick(2)];
        return s;
    };
    auto realField = [&] {
        if (pick(20) == 0) return signs() + std::string(pick(2) ? "inf" : "nan");
        std::string t = signs();
        const bool hex = pick(4) == 0;
        if (hex) t += pick(2) ? "0x" : "0X";
        const std::string digits = hex ? "0123456789abcdefABCDEF" : "0123456789";
        // "%lf" reads a hexadecimal prefix without digits, or an exponent letter without digits, as
        // more than a number; both are no number here, so the forms always carry their digits.
        for (int n = hex ? 1 + pick(3) : pick(4); n > 0; --n)
            t += digits[pick(static_cast<int>(digits.size()))];
        if (pick(2)) {
            t += '.';
            for (int n = pick(4); n > 0; --n)
                t += digits[pick(static_cast<int>(digits.size()))];
        }
        if (pick(3) == 0)
            t += std::string(1, hex ? "pP"[pick(2)] : "eE"[pick(2)]) + signs() +
                 std::to_string(pick(hex ? 1100 : 330));
        return t;
    };
    auto intField = [&] { return signs() + std::to_string(pick(100000)); };

    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc(&host);
    doc.CreateMemory();
    doc.xMin = doc.yMin = doc.zMin = -std::numeric_limits<double>::max();
    doc.xMax = doc.yMax = doc.zMax = std::numeric_limits<double>::max();

    std::string file;
    std::map<std::string, double> realTaken; // name -> value of the fields "%lf" takes
    std::map<std::string, int> intTaken;
    int reals = 0, ints = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "N" + std::to_string(i);
        if (i % 4 == 3) {
            const std::string tok = intField();
            int v = 0, n = -1;
            if (std::sscanf(tok.c_str(), "%d%n", &v, &n) == 1 && n == static_cast<int>(tok.size()))
                intTaken[name] = v;
            file += "SCALE " + name + " 0 0 0 1 " + tok + " 100\n";
            ++ints;
        } else {
            const std::string tok = realField();
            double v = 0;
            int n = -1;
            if (std::sscanf(tok.c_str(), "%lf%n", &v, &n) == 1 && n == static_cast<int>(tok.size()) &&
                std::isfinite(v))
                realTaken[name] = v;
            file += "POINT " + name + " " + tok + " UNK 0 UNK 0 UNK\n";
            ++reals;
        }
    }
    test::writeText(dir.file("N.TRG"), file);
    doc.ImportName = dir.file("N.TRG");
    ASSERT_TRUE(doc.ReadTargetFile());

    std::map<std::string, double> realGot;
    std::map<std::string, int> intGot;
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) realGot[doc.pointList[i].name] = doc.pointList[i].xReal;
    for (int i = 0; i < doc.nMaxSBars; ++i)
        if (doc.sbarList[i].flags & ELEM_INUSE) intGot[doc.sbarList[i].name] = doc.sbarList[i].azimuth;
    EXPECT_EQ(realGot, realTaken);
    EXPECT_EQ(intGot, intTaken);
    // Both kinds of outcome occur often enough to mean something.
    EXPECT_GT(realTaken.size(), reals / 4u);
    EXPECT_LT(realTaken.size(), reals * 9u / 10u);
    EXPECT_GT(intTaken.size(), ints / 4u);
    EXPECT_LT(intTaken.size(), ints * 9u / 10u);
}

} // namespace
