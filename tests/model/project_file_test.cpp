// The project file: exact layout, round trips in both formats, and damaged files.

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "support/packed_value.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
using Bytes = std::vector<unsigned char>;
using test::Val;

namespace {

std::int32_t I32(const Bytes& b, std::size_t off) {
    std::int32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}
void PutI32(Bytes& b, std::size_t off, std::int32_t v) {
    std::memcpy(b.data() + off, &v, 4);
}
void PutF64(Bytes& b, std::size_t off, double v) {
    std::memcpy(b.data() + off, &v, 8);
}
// Where the point and scale-bar slots start, counted back from the end of a current-format file.
std::size_t SBarStart(const Bytes& b) {
    return b.size() - 24 * std::size_t(I32(b, 643) + I32(b, 635)) - 151 * std::size_t(I32(b, 627));
}
std::size_t PointStart(const Bytes& b) {
    return SBarStart(b) - 139 * std::size_t(I32(b, 619));
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ProjectFile : ::testing::Test {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};

    void SetUp() override {
        host.dialogPaths.clear();
        doc.CmFileNew();
        ASSERT_TRUE(doc.bFileOpen);
    }
    std::string Save(const std::string& name) {
        std::string path = dir.file(name);
        doc.OpenName = path;
        EXPECT_TRUE(doc.WriteSimFile());
        return path;
    }
    // A small network with every kind of observation, a deleted slot and marks set.
    void BuildNetwork() {
        doc.NewTheo("T1", "T10", 1, 0, 10, 20, 30, 1, 2, 3, 0x02A);
        doc.NewTheo("T2", "T11", 1, 1, 40, 20, 30, 0, 0, 0, 0);
        doc.NewTheo("T3", "", 1, 2, 40, 50, 30, 0, 0, 0, 0);
        for (int i = 0; i < 4; ++i)
            doc.NewPoint(("P" + std::to_string(i)).c_str(), "", 10 + i, 30, 5, 0x015);
        doc.NewSBar("S1", "", 25, 25, 5, 2.0, 50, 100);
        doc.theoList.Mark(0, true);
        doc.NewCollimate(nullptr, 0, 1);
        doc.NewPtDirect(nullptr, 0, 2);
        doc.NewSBDirect(nullptr, 0, 0);
        doc.NewDistance(nullptr, 0, 3);
        doc.NewHeight(nullptr, 0, 3);
        doc.ClearTheos();
        doc.pointList.Mark(0, true);
        doc.NewDistance(nullptr, 0, 1);
        doc.NewHeight(nullptr, 0, 1);
        doc.DelTheo(2);
        doc.DelPoint(2);
        doc.pointList.Mark(1, true);
        CopyField(doc.Project, sizeof doc.Project, "Hall 4");
    }
    bool Open(const std::string& path) {
        kivoMDIClient other(&host);
        other.OpenSIMFile(path);
        return other.bFileOpen;
    }
};

// Every header field with its stored offset in the current and in the older format (-1: absent).
struct HeaderField {
    const char* name;
    int at, atOld;
    void* (*field)(kivoMDIClient&);
    std::size_t size;
};
// clang-format off
#define KIVO_FIELD(f, at, old) \
    HeaderField{#f, at, old, [](kivoMDIClient& d) -> void* { return &d.f; }, sizeof(kivoMDIClient::f)}
// clang-format on
const HeaderField kHeader[] = {
    KIVO_FIELD(mdiX, 4, 4),
    KIVO_FIELD(mdiY, 20, 20),
    KIVO_FIELD(mdiWidth, 36, 36),
    KIVO_FIELD(mdiHeight, 52, 52),
    KIVO_FIELD(mdiFlags, 68, 68),
    KIVO_FIELD(Project, 84, 84),
    KIVO_FIELD(Task, 164, 164),
    KIVO_FIELD(Date, 244, 244),
    KIVO_FIELD(bObject, 324, 324),
    KIVO_FIELD(bName, 325, 325),
    KIVO_FIELD(bAbbreviate, 326, 326),
    KIVO_FIELD(bCollimate, 327, 327),
    KIVO_FIELD(bDirect, 328, 328),
    KIVO_FIELD(bDistance, 329, 329),
    KIVO_FIELD(bHeight, 330, -1),
    KIVO_FIELD(bEllipse, 331, 330),
    KIVO_FIELD(bValEllip, 332, 331),
    KIVO_FIELD(bIdeals, 333, 332),
    KIVO_FIELD(bRecalc, 334, 333),
    KIVO_FIELD(bAutosave, 335, -1),
    KIVO_FIELD(bBound, 336, 334),
    KIVO_FIELD(bHGrid, 337, 335),
    KIVO_FIELD(bVGrid, 338, 336),
    KIVO_FIELD(hBordSize, 339, 337),
    KIVO_FIELD(vBordSize, 343, 341),
    KIVO_FIELD(hInterval, 347, 345),
    KIVO_FIELD(vInterval, 355, 353),
    KIVO_FIELD(SDTabEntry, 363, 361),
    KIVO_FIELD(SDTheoLocFix, 367, 365),
    KIVO_FIELD(SDTheoLocApx, 375, 373),
    KIVO_FIELD(SDTheoLocUnk, 383, 381),
    KIVO_FIELD(SDTheoRotFix, 391, 389),
    KIVO_FIELD(SDTheoRotApx, 399, 397),
    KIVO_FIELD(SDTheoRotUnk, 407, 405),
    KIVO_FIELD(SDPointLocFix, 415, 413),
    KIVO_FIELD(SDPointLocApx, 423, 421),
    KIVO_FIELD(SDPointLocUnk, 431, 429),
    KIVO_FIELD(SDSBarLength, 439, 437),
    KIVO_FIELD(hSDAngle, 447, 445),
    KIVO_FIELD(vSDAngle, 455, 453),
    KIVO_FIELD(SDDistance, 463, 461),
    KIVO_FIELD(SDHeight, 471, -1),
    KIVO_FIELD(xMin, 479, 469),
    KIVO_FIELD(xMax, 487, 477),
    KIVO_FIELD(xDef, 495, 485),
    KIVO_FIELD(yMin, 503, 493),
    KIVO_FIELD(yMax, 511, 501),
    KIVO_FIELD(yDef, 519, 509),
    KIVO_FIELD(zMin, 527, 517),
    KIVO_FIELD(zMax, 535, 525),
    KIVO_FIELD(zDef, 543, 533),
    KIVO_FIELD(objScale1, 551, 541),
    KIVO_FIELD(objScale2, 559, 549),
    KIVO_FIELD(objScale3, 567, 557),
    KIVO_FIELD(ellScale, 575, 565),
    KIVO_FIELD(orient, 583, 573),
    KIVO_FIELD(axisType, 587, 577),
    KIVO_FIELD(units, 591, 581),
    KIVO_FIELD(globalPos, 595, 585),
    KIVO_FIELD(globalTheo, 599, 589),
    KIVO_FIELD(globalPoint, 603, 593),
    KIVO_FIELD(nNumTheos, 607, 597),
    KIVO_FIELD(nMaxTheos, 611, 601),
    KIVO_FIELD(nNumPoints, 615, 605),
    KIVO_FIELD(nMaxPoints, 619, 609),
    KIVO_FIELD(nNumSBars, 623, 613),
    KIVO_FIELD(nMaxSBars, 627, 617),
    KIVO_FIELD(nNumDists, 631, 621),
    KIVO_FIELD(nMaxDists, 635, 625),
    KIVO_FIELD(nNumHeights, 639, 629),
    KIVO_FIELD(nMaxHeights, 643, 633),
    KIVO_FIELD(defLength, 647, 637),
};
#undef KIVO_FIELD

// Every header field holds a value no other field of its size holds (the booleans, which can only
// be 0 or 1, get a distinct code spread over several files), so a field written or read in the
// wrong place, in the wrong size or in the wrong order fails at its offset.
TEST_F(ProjectFile, EveryHeaderFieldLiesAtItsStoredOffset) {
    // The table counts must describe real slots, all ten different: theodolites 1 of 2, points 4
    // of 5, scale bars 6 of 7, point-to-point distances 8 of 9 and heights 10 of 11.
    doc.NewTheo("T1", "", 1, 0, 10, 10, 10, 0, 0, 0, 0);
    doc.NewTheo("T2", "", 1, 1, 20, 10, 10, 0, 0, 0, 0);
    doc.DelTheo(1);
    for (int i = 0; i < 5; ++i)
        doc.NewPoint(("P" + std::to_string(i)).c_str(), "", 10 + i, 30, 5, 0);
    doc.DelPoint(4);
    for (int i = 0; i < 7; ++i)
        doc.NewSBar(("S" + std::to_string(i)).c_str(), "", 25, 25, 5, 1.0 + i, 50, 100);
    doc.DelSBar(6);
    doc.distList.Grow(9);
    for (int i = 0; i < 9; ++i)
        doc.distList.Put(i, CONNECT4{i % 4, (i + 1) % 4, OBS_INUSE | OBS_IDEAL, 0, 1.0 + i});
    doc.distList.Free(8);
    doc.heightList.Grow(11);
    for (int i = 0; i < 11; ++i)
        doc.heightList.Put(i, CONNECT5{i % 4, (i + 2) % 4, OBS_INUSE | OBS_IDEAL, 0, 0.5 + i});
    doc.heightList.Free(10);
    doc.nNumDists = 8, doc.nMaxDists = 9, doc.nNumHeights = 10, doc.nMaxHeights = 11;
    const std::set<std::string> fromTables = {"nNumTheos",   "nMaxTheos",  "nNumPoints", "nMaxPoints",
                                              "nNumSBars",   "nMaxSBars",  "nNumDists",  "nMaxDists",
                                              "nNumHeights", "nMaxHeights"};
    // Everything else gets a value of its own: reals 1000.5, 1001.5, ..., integers 100, 101, ...,
    // texts and arrays their own numbers; the length unit must be one of the four (inches).
    int number = 0, boolIndex = 0;
    std::vector<int> boolCode(std::size(kHeader), 0);
    for (std::size_t i = 0; i < std::size(kHeader); ++i, ++number) {
        const HeaderField& f = kHeader[i];
        void* p = f.field(doc);
        if (fromTables.count(f.name)) continue;
        if (f.size == 1) {
            boolCode[i] = ++boolIndex; // 1 .. 15: four bits tell every boolean apart
        } else if (f.size == 8) {
            *static_cast<double*>(p) = 1000.5 + number;
        } else if (f.size == 4) {
            *static_cast<std::int32_t*>(p) = std::strcmp(f.name, "units") == 0 ? UNITS_INCHES : 100 + number;
        } else if (f.size == 16) {
            for (int k = 0; k < 4; ++k)
                static_cast<std::int32_t*>(p)[k] = 100 * number + k;
        } else {
            ASSERT_EQ(f.size, 80u) << f.name;
            CopyField(static_cast<char*>(p), 80, std::string(f.name) + " text");
        }
    }
    ASSERT_EQ(doc.units, UNITS_INCHES);
    ASSERT_EQ(doc.nMaxHeights, 11);

    for (std::uint32_t magic : {SIM_MAGIC_CURRENT, SIM_MAGIC_OLD}) {
        const bool current = magic == SIM_MAGIC_CURRENT;
        for (int bit = 0; bit < 4; ++bit) {
            for (std::size_t i = 0; i < std::size(kHeader); ++i)
                if (kHeader[i].size == 1)
                    *static_cast<bool*>(kHeader[i].field(doc)) = (boolCode[i] >> bit) & 1;
            doc.magic = magic;
            const Bytes b = test::readBytes(Save("HEADER.SIM"));
            const std::size_t header = current ? 655 : 645;
            ASSERT_EQ(b.size(), header + 2 * 251 + 5 * 139 + 7 * 151 + 9 * 24 + 11 * 24);
            EXPECT_EQ(std::uint32_t(I32(b, 0)), magic);

            kivoMDIClient back(&host);
            back.CreateMemory();
            back.OpenName = dir.file("HEADER.SIM");
            ASSERT_TRUE(back.ReadSimFile());
            std::size_t stored = 4;
            for (const HeaderField& f : kHeader) {
                const int at = current ? f.at : f.atOld;
                const void* wrote = f.field(doc);
                const void* read = f.field(back);
                if (at < 0) continue; // absent from the older format: read as the defaults below
                EXPECT_EQ(std::size_t(at), stored) << f.name << ": the table's offsets run without gaps";
                stored = std::size_t(at) + f.size;
                EXPECT_EQ(std::memcmp(b.data() + at, wrote, f.size), 0)
                    << f.name << " is not written at offset " << at << (current ? "" : " (older format)");
                EXPECT_EQ(std::memcmp(read, wrote, f.size), 0)
                    << f.name << " is not read from offset " << at << (current ? "" : " (older format)");
            }
            EXPECT_EQ(stored, header);
            if (!current) {
                EXPECT_TRUE(back.bHeight);
                EXPECT_FALSE(back.bAutosave);
                EXPECT_EQ(back.SDHeight, 0.001);
            }
        }
    }
    // The values really are distinct within each size (or the test would prove little).
    for (std::size_t i = 0; i < std::size(kHeader); ++i)
        for (std::size_t j = i + 1; j < std::size(kHeader); ++j)
            if (kHeader[i].size == kHeader[j].size && kHeader[i].size > 1) {
                EXPECT_NE(std::memcmp(kHeader[i].field(doc), kHeader[j].field(doc), kHeader[i].size), 0)
                    << kHeader[i].name << " and " << kHeader[j].name;
            }
}

template <class T> void ExpectAt(const Bytes& b, std::size_t at, T value, const char* what) {
    T stored;
    ASSERT_LE(at + sizeof stored, b.size()) << what;
    std::memcpy(&stored, b.data() + at, sizeof stored);
    EXPECT_EQ(stored, value) << what << " at offset " << at;
}

// One record of every table, each field holding a value of its own, found at its stored offset;
// the lists follow their theodolite in the order collimations, point directions, scale-bar
// directions, distances, heights.
TEST_F(ProjectFile, EveryRecordFieldLiesAtItsStoredOffset) {
    doc.NewTheo("Theo6_7", "T67", 6, 7, 11.5, 12.5, 13.5, 21.5, 22.5, 23.5, 0x16A);
    doc.NewPoint("P", "PA", 41.5, 42.5, 43.5, 0x015);
    doc.NewPoint("Q", "", 1, 2, 3, 0);
    doc.NewSBar("SB", "SBA", 51.5, 52.5, 53.5, 2.75, 50, 120);
    THEODOLITE& t = doc.theoList[0];
    t.flags |= ELEM_ACTIVE;
    t.longAxisHAngle = 31.5, t.longAxisVAngle = 32.5, t.travAxisHAngle = 33.5, t.travAxisVAngle = 34.5;
    t.initTarget = -1, t.initHAngle = 35.5, t.initVAngle = 36.5, t.initDistance = 37.5;
    for (int k = 0; k < 3; ++k)
        t.A[k] = 1.25 + k, t.B[k] = 4.25 + k, t.phi[k] = 7.25 + k;
    // Lists of 1 .. 5 entries, so that the five counts differ too; the first entry of each is checked.
    t.thList.Append(CONNECT1{0, 0x0D, 61, 123.25, 98.5});
    for (int i = 0; i < 2; ++i)
        t.ptList.Append(CONNECT1{1 - i, 0x05, 62, 124.25, 97.5});
    for (int i = 0; i < 3; ++i)
        t.sbList.Append(CONNECT2{0, 0x06, 63, 1.125, 2.125, 3.125, 4.125});
    for (int i = 0; i < 4; ++i)
        t.dsList.Append(CONNECT3{1, 0x0C, 64, 8.875});
    for (int i = 0; i < 5; ++i)
        t.hdList.Append(CONNECT6{1, 0x04, 65, -1.625});
    t.SyncCounts();
    doc.sbarList[0].junk = 0x77777777;
    doc.distList.Put(0, CONNECT4{1, 0, OBS_INUSE | OBS_IDEAL, 66, 5.5});
    doc.heightList.Put(0, CONNECT5{0, 1, OBS_INUSE | OBS_VALID, 67, -2.5});
    doc.nNumDists = doc.nNumHeights = 1;
    const Bytes b = test::readBytes(Save("RECORDS.SIM"));

    const std::size_t th = 655, pt = th + 251 + 28, sb = pt + 2 * 28, ds = sb + 3 * 44, hd = ds + 4 * 20;
    const std::size_t point = hd + 5 * 20, sbar = point + 2 * 139, dist = sbar + 151, height = dist + 24;
    ASSERT_EQ(b.size(), height + 24);
    // The theodolite: the shared head, then its own fields up to the five counts.
    EXPECT_EQ(std::memcmp(b.data() + th, static_cast<const COMMON*>(&t), 24), 0)
        << "pixel positions at 0, 12";
    ExpectAt(b, th + 24, 11.5, "xReal");
    ExpectAt(b, th + 32, 12.5, "yReal");
    ExpectAt(b, th + 40, 13.5, "zReal");
    EXPECT_EQ(std::memcmp(b.data() + th + 48, "Theo6_7\0", 8), 0) << "name at 48";
    EXPECT_EQ(std::memcmp(b.data() + th + 57, "T67\0", 4), 0) << "abbrev at 57";
    ExpectAt(b, th + 62, std::uint8_t(ELEM_INUSE | ELEM_ACTIVE | ELEM_CONTROL), "flags");
    for (int k = 0; k < 3; ++k) {
        ExpectAt(b, th + 63 + 8 * k, 1.25 + k, "A");
        ExpectAt(b, th + 87 + 8 * k, 4.25 + k, "B");
        ExpectAt(b, th + 111 + 8 * k, 7.25 + k, "phi");
    }
    ExpectAt(b, th + 135, std::int32_t(0x16A), "coordStat");
    ExpectAt(b, th + 139, std::int32_t(6), "pos");
    ExpectAt(b, th + 143, std::int32_t(7), "theo");
    const double reals[] = {21.5, 22.5, 23.5, 31.5, 32.5, 33.5, 34.5}; // rotations, axis angles
    for (int k = 0; k < 7; ++k)
        ExpectAt(b, th + 147 + 8 * k, reals[k], "rotations and axis angles");
    ExpectAt(b, th + 203, std::int32_t(-1), "initTarget");
    ExpectAt(b, th + 207, 35.5, "initHAngle");
    ExpectAt(b, th + 215, 36.5, "initVAngle");
    ExpectAt(b, th + 223, 37.5, "initDistance");
    for (int k = 0; k < 5; ++k)
        ExpectAt(b, th + 231 + 4 * k, std::int32_t(k + 1), "thCount .. hdCount");
    // The first entry of each list.
    ExpectAt(b, th + 251, std::int32_t(0), "collimation target");
    ExpectAt(b, th + 255, std::int32_t(0x0D), "collimation flags");
    ExpectAt(b, th + 259, std::int32_t(61), "collimation stddev");
    ExpectAt(b, th + 263, 123.25, "collimation hAngle");
    ExpectAt(b, th + 271, 98.5, "collimation vAngle");
    ExpectAt(b, pt, std::int32_t(1), "point direction target");
    ExpectAt(b, pt + 4, std::int32_t(0x05), "point direction flags");
    ExpectAt(b, pt + 8, std::int32_t(62), "point direction stddev");
    ExpectAt(b, pt + 12, 124.25, "point direction hAngle");
    ExpectAt(b, pt + 20, 97.5, "point direction vAngle");
    ExpectAt(b, sb + 4, std::int32_t(0x06), "bar direction flags");
    ExpectAt(b, sb + 8, std::int32_t(63), "bar direction stddev");
    for (int k = 0; k < 4; ++k)
        ExpectAt(b, sb + 12 + 8 * k, 1.125 + k, "hLAngle, vLAngle, hRAngle, vRAngle");
    ExpectAt(b, ds, std::int32_t(1), "distance target");
    ExpectAt(b, ds + 4, std::int32_t(0x0C), "distance flags");
    ExpectAt(b, ds + 8, std::int32_t(64), "distance stddev");
    ExpectAt(b, ds + 12, 8.875, "distance");
    ExpectAt(b, hd + 4, std::int32_t(0x04), "height flags");
    ExpectAt(b, hd + 8, std::int32_t(65), "height stddev");
    ExpectAt(b, hd + 12, -1.625, "height");
    // The point, whole; the scale bar without its last int; the two global lists.
    ExpectAt(b, point + 24, 41.5, "point xReal");
    ExpectAt(b, point + 40, 43.5, "point zReal");
    EXPECT_EQ(std::memcmp(b.data() + point + 48, "P\0", 2), 0);
    EXPECT_EQ(std::memcmp(b.data() + point + 57, "PA\0", 3), 0);
    ExpectAt(b, point + 62, std::uint8_t(ELEM_INUSE), "point flags");
    ExpectAt(b, point + 135, std::int32_t(0x015), "point coordStat");
    EXPECT_EQ(std::memcmp(b.data() + point + 139 + 48, "Q\0", 2), 0) << "the second point slot";
    ExpectAt(b, sbar + 32, 52.5, "bar yReal");
    EXPECT_EQ(std::memcmp(b.data() + sbar + 48, "SB\0", 3), 0);
    ExpectAt(b, sbar + 135, 2.75, "bar length");
    ExpectAt(b, sbar + 143, std::int32_t(50), "bar azimuth");
    ExpectAt(b, sbar + 147, std::int32_t(120), "bar vertAngle");
    ExpectAt(b, dist, std::int32_t(1), "distance source");
    ExpectAt(b, dist + 4, std::int32_t(0), "distance target");
    ExpectAt(b, dist + 8, std::int32_t(OBS_INUSE | OBS_IDEAL), "distance flags");
    ExpectAt(b, dist + 12, std::int32_t(66), "distance stddev");
    ExpectAt(b, dist + 16, 5.5, "point distance");
    ExpectAt(b, height, std::int32_t(0), "height source");
    ExpectAt(b, height + 4, std::int32_t(1), "height target");
    ExpectAt(b, height + 8, std::int32_t(OBS_INUSE | OBS_VALID), "height flags");
    ExpectAt(b, height + 12, std::int32_t(67), "height stddev");
    ExpectAt(b, height + 16, -2.5, "point height");

    // Read back, the lists hold what was written, each in its own place.
    kivoMDIClient back(&host);
    back.OpenSIMFile(dir.file("RECORDS.SIM"));
    ASSERT_TRUE(back.bFileOpen);
    const THEODOLITE& r = back.theoList[0];
    EXPECT_EQ((std::vector<int>{r.thList.size(), r.ptList.size(), r.sbList.size(), r.dsList.size(),
                                r.hdList.size()}),
              (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Val(r.sbList[0].vRAngle), 4.125);
    EXPECT_EQ(Val(r.hdList[0].height), -1.625);
    EXPECT_EQ(Val(back.sbarList[0].vertAngle), 120);
    EXPECT_EQ(Val(back.heightList[0].height), -2.5);
}

TEST_F(ProjectFile, RoundTripKeepsSlotsAndNeverStoresMarks) {
    BuildNetwork();
    std::string path = Save("NET.SIM");
    EXPECT_FALSE(doc.pointList[1].flags & ELEM_SELECTED) << "writing clears the marks in memory too";

    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    ASSERT_TRUE(back.bFileOpen);
    EXPECT_EQ(back.nMaxTheos, 3);
    EXPECT_EQ(back.nNumTheos, 2);
    EXPECT_FALSE(back.theoList[2].flags & ELEM_INUSE);
    EXPECT_FALSE(back.pointList[2].flags & ELEM_INUSE);
    EXPECT_EQ(back.PointCheck("p3"), 3);
    EXPECT_STREQ(back.Project, "Hall 4");
    for (int i = 0; i < back.nMaxPoints; ++i)
        EXPECT_FALSE(back.pointList[i].flags & ELEM_SELECTED);
    const THEODOLITE& t = back.theoList[0];
    EXPECT_EQ(t.thCount, 1);
    EXPECT_EQ(t.sbList[0].target, 0);
    EXPECT_EQ(t.hdList[0].target, 3);
    EXPECT_EQ(back.nNumDists, 1);
    EXPECT_EQ(back.distList[0].source, 0);
}

TEST_F(ProjectFile, SavingWhatWasReadGivesTheSameBytes) {
    BuildNetwork();
    std::string path = Save("A.SIM");
    Bytes first = test::readBytes(path);
    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    ASSERT_TRUE(back.bFileOpen);
    back.OpenName = dir.file("B.SIM");
    ASSERT_TRUE(back.WriteSimFile());
    EXPECT_EQ(test::readBytes(dir.file("B.SIM")), first);
}

// An older-format file: no bHeight, bAutosave, SDHeight, no theodolite height lists.
TEST_F(ProjectFile, OldFormatReadsWithDefaultsAndIsWrittenBackInTheOldFormat) {
    BuildNetwork();
    doc.magic = SIM_MAGIC_OLD;
    doc.bHeight = false;
    doc.bAutosave = true;
    std::string path = Save("OLD.SIM");
    Bytes old = test::readBytes(path);
    EXPECT_EQ(I32(old, 0), std::int32_t(SIM_MAGIC_OLD));
    EXPECT_EQ(I32(old, 597), 2) << "nNumTheos sits 10 bytes earlier in the old header";

    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    ASSERT_TRUE(back.bFileOpen);
    EXPECT_EQ(back.magic, SIM_MAGIC_OLD);
    EXPECT_TRUE(back.bHeight);
    EXPECT_FALSE(back.bAutosave);
    EXPECT_DOUBLE_EQ(back.SDHeight, 0.001);
    EXPECT_EQ(back.theoList[0].hdCount, 0);
    EXPECT_FALSE(back.theoList[0].hdList.allocated());
    back.OpenName = dir.file("OLD2.SIM");
    ASSERT_TRUE(back.WriteSimFile());
    EXPECT_EQ(test::readBytes(back.OpenName), old);

    // Whatever an older file holds in a height count, no height list is read after it.
    Bytes odd = old;
    PutI32(odd, 645 + 247, 3);
    test::writeBytes(dir.file("ODD.SIM"), odd);
    kivoMDIClient third(&host);
    third.OpenSIMFile(dir.file("ODD.SIM"));
    ASSERT_TRUE(third.bFileOpen);
    EXPECT_EQ(third.theoList[0].hdCount, 0);
    EXPECT_EQ(third.theoList[0].thCount, 1);
}

TEST_F(ProjectFile, UnknownMagicAndMissingFileShowTheirCodes) {
    test::writeBytes(dir.file("X.SIM"), Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(Open(dir.file("X.SIM")));
    EXPECT_FALSE(Open(dir.file("NONE.SIM")));
    EXPECT_EQ(host.ErrorCodes(), (std::vector<int>{20, 10}));
    EXPECT_EQ(host.messages[0].text, "Error # 20");
}

TEST_F(ProjectFile, DamagedFilesAreRejectedWholeAndChangeNothing) {
    BuildNetwork();
    const Bytes good = test::readBytes(Save("GOOD.SIM"));
    struct Damage {
        const char* what;
        void (*apply)(Bytes&);
    };
    const Damage damages[] = {
        {"empty", [](Bytes& b) { b.clear(); }},
        {"cut in the header", [](Bytes& b) { b.resize(300); }},
        {"cut in the last list", [](Bytes& b) { b.resize(b.size() - 1); }},
        {"a byte too many", [](Bytes& b) { b.push_back(0); }},
        {"negative slot count", [](Bytes& b) { PutI32(b, 619, -1); }},
        {"more live points than slots", [](Bytes& b) { PutI32(b, 615, I32(b, 619) + 1); }},
        {"slot count beyond the file", [](Bytes& b) { PutI32(b, 611, 0x7fffffff); }},
        {"list count beyond the file", [](Bytes& b) { PutI32(b, 655 + 231, 1 << 28); }},
        {"negative list count", [](Bytes& b) { PutI32(b, 655 + 235, -5); }},
        {"target outside the table", [](Bytes& b) { PutI32(b, 655 + 251, 99); }},
        {"live count disagrees with the slots", [](Bytes& b) { PutI32(b, 607, 1); }},
        {"length unit 4", [](Bytes& b) { PutI32(b, 591, 4); }},
        {"length unit -1", [](Bytes& b) { PutI32(b, 591, -1); }},
        {"a limit that is no number", [](Bytes& b) { PutF64(b, 487, kNaN); }},
        {"a station's x that is no number", [](Bytes& b) { PutF64(b, 655 + 24, kNaN); }},
        {"an infinite station rotation", [](Bytes& b) { PutF64(b, 655 + 163, -kInf); }},
        {"an infinite point height", [](Bytes& b) { PutF64(b, PointStart(b) + 40, kInf); }},
        {"a bar length that is no number", [](Bytes& b) { PutF64(b, SBarStart(b) + 135, kNaN); }},
    };
    for (const Damage& d : damages) {
        Bytes b = good;
        d.apply(b);
        test::writeBytes(dir.file("BAD.SIM"), b);
        host.messages.clear();
        kivoMDIClient other(&host);
        const double before = other.xMax;
        other.OpenSIMFile(dir.file("BAD.SIM"));
        EXPECT_FALSE(other.bFileOpen) << d.what;
        ASSERT_EQ(host.ErrorCodes().size(), 1u) << d.what;
        EXPECT_EQ(host.ErrorCodes()[0], ERR_FILE_DAMAGED) << d.what;
        EXPECT_EQ(other.xMax, before) << d.what << ": the header stays as it was";
        EXPECT_EQ(other.nNumTheos, 0) << d.what;
    }
    // What a deleted slot holds is never used: it may hold anything.
    Bytes b = good;
    PutF64(b, PointStart(b) + 2 * 139 + 24, kNaN);
    test::writeBytes(dir.file("FREE.SIM"), b);
    EXPECT_TRUE(Open(dir.file("FREE.SIM")));
}

TEST_F(ProjectFile, UnterminatedNamesAreCutInsideTheirField) {
    doc.NewPoint("P", "", 0, 0, 0, 0);
    Bytes b = test::readBytes(Save("N.SIM"));
    const std::size_t point = b.size() - 24 - 24 - 151 - 139;
    std::memset(b.data() + point + 48, 'A', 9 + 5);
    test::writeBytes(dir.file("N.SIM"), b);
    kivoMDIClient back(&host);
    back.OpenSIMFile(dir.file("N.SIM"));
    ASSERT_TRUE(back.bFileOpen);
    EXPECT_STREQ(back.pointList[0].name, "AAAAAAAA");
    EXPECT_STREQ(back.pointList[0].abbrev, "AAAA");
}

} // namespace
