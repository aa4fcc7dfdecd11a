// The rules the forms apply to what is typed, the unit change and the working copies of the
// observation lists, without any window.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "adjustment/kivoMDIClient.h"
#include "model/form_values.h"
#include "model/unit_change.h"
#include "model/working_lists.h"

namespace kivo {
namespace {

TEST(FormValues, ScanRealReadsLikePercentLf) {
    double v = 7;
    EXPECT_TRUE(ScanReal("  12.5  ", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(ScanReal("3abc", v)); // the number prefix counts
    EXPECT_DOUBLE_EQ(v, 3);
    EXPECT_TRUE(ScanReal("-1e3", v));
    EXPECT_DOUBLE_EQ(v, -1000);
    // Not a number: false, and the value stays.
    EXPECT_FALSE(ScanReal("abc", v));
    EXPECT_FALSE(ScanReal("", v));
    EXPECT_FALSE(ScanReal("   ", v));
    EXPECT_DOUBLE_EQ(v, -1000);
}

TEST(FormValues, FormValuesReadBackToTheLastDecimalTheProgramPrints) {
    // Three decimals at least, as the forms always showed them; more where the value has them.
    EXPECT_EQ(FormatFormValue(10, 7), "10.000    ");
    EXPECT_EQ(FormatFormValue(15.31402, 7), "15.31402  ");
    EXPECT_EQ(FormatFormValue(-0.5, 4), "-0.500    ");
    EXPECT_EQ(FormatFormValue(1234567.123456789, 7), "1234567.1234568");
    // Read back, every value is within half a unit of the unit's last decimal: 0.00005 mm, below
    // the 0.0001 mm the listing prints.
    for (int units = UNITS_METERS; units <= UNITS_INCHES; ++units) {
        const int decimals = LengthDecimals(units);
        const double step = std::pow(10.0, -decimals);
        for (double v : {0.0, 15.31402, 99.99999999, -3.141592653589793, 123.4567890123, 1e-9}) {
            double back = 0;
            ASSERT_TRUE(ScanReal(FormatFormValue(v, decimals), back));
            EXPECT_LE(std::fabs(back - v), 0.5 * step * (1 + 1e-9)) << units << " " << v;
        }
    }
    // The last decimal is at or below what the listing shows of its small quantities: 0.0001 mm
    // for meters and mm, 0.001 thou for feet and inches.
    EXPECT_LE(std::pow(10.0, -LengthDecimals(UNITS_METERS)), 1e-7);
    EXPECT_LE(std::pow(10.0, -LengthDecimals(UNITS_MM)), 1e-4);
    EXPECT_LE(std::pow(10.0, -LengthDecimals(UNITS_FEET)), 1e-6 / 12.0);
    EXPECT_LE(std::pow(10.0, -LengthDecimals(UNITS_INCHES)), 1e-6);
}

TEST(FormValues, StandardDeviationsMustBeUsable) {
    double v = 9;
    std::string why;
    EXPECT_TRUE(
        ReadStdDev("The Distance standard deviation", " 0.001", SDKind::Length, UNITS_METERS, v, why));
    EXPECT_EQ(v, 0.001);
    EXPECT_TRUE(ReadStdDev("The Unk weight", "1.00e-20", SDKind::Weight, UNITS_METERS, v, why));
    EXPECT_EQ(v, 1e-20);
    EXPECT_TRUE(ReadStdDev("The Horz angle standard deviation", "400", SDKind::Angle, UNITS_METERS, v, why));
    v = 9;
    struct Case {
        const char* text;
        SDKind kind;
        int units;
        const char* why;
    };
    const Case bad[] = {
        {"-0.0005", SDKind::Angle, UNITS_METERS, "X must be greater than zero."},
        {"0", SDKind::Weight, UNITS_METERS, "X must be greater than zero."},
        {"400.001", SDKind::Angle, UNITS_METERS, "X must lie between 1e-30 and 400 gon (a whole circle)."},
        {"1e300", SDKind::Length, UNITS_FEET, "X must lie between 1e-30 and 1000000 feet."},
        {"1e31", SDKind::Weight, UNITS_METERS, "X must lie between 1e-30 and 1e+30."},
        {"1e-31", SDKind::Length, UNITS_INCHES, "X must lie between 1e-30 and 1000000 in."},
        {"abc", SDKind::Length, UNITS_METERS, "X \"abc\" is not a number."},
        {"  nan", SDKind::Angle, UNITS_METERS, "X \"nan\" is not a number."},
        {"", SDKind::Weight, UNITS_METERS, "X is empty: it must be a number."},
    };
    for (const Case& c : bad) {
        EXPECT_FALSE(ReadStdDev("X", c.text, c.kind, c.units, v, why)) << c.text;
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(v, 9) << "nothing taken";
    }
}

TEST(FormValues, ScanIntStopsAtTheFirstNonDigit) {
    int v = 4;
    EXPECT_TRUE(ScanInt(" 7", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ScanInt("2.9", v));
    EXPECT_EQ(v, 2);
    EXPECT_FALSE(ScanInt("x1", v));
    EXPECT_EQ(v, 2);
}

TEST(FormValues, FormatsKeepPrintfWidths) {
    EXPECT_EQ(Format("%-10.3lf", 500.0), "500.000   ");
    EXPECT_EQ(Format("%-5s  %10.4lf  %10.4lf", "Dir", 1.0, 99.5), "Dir        1.0000     99.5000");
    EXPECT_EQ(Format("%3s  %10.4lf", "Rev", 2.0), "Rev      2.0000");
    EXPECT_EQ(Format("%-8.2le", 12700.0), "1.27e+04");
}

TEST(FormValues, ClampRaisesToMinimumThenLowersToMaximum) {
    EXPECT_DOUBLE_EQ(ClampToLimits(1000, 0, 500), 500);
    EXPECT_DOUBLE_EQ(ClampToLimits(-3, 0, 500), 0);
    EXPECT_DOUBLE_EQ(ClampToLimits(250, 0, 500), 250);
    // Crossed limits: the maximum wins, since it is applied last.
    EXPECT_DOUBLE_EQ(ClampToLimits(-3, 10, 5), 5);
}

TEST(FormValues, AxisLettersFollowTheCoordinateOrder) {
    const char label[6] = {'X', 'Y', 'Z', 'Z', 'X', 'Y'};
    EXPECT_EQ(AxisLetter(label, 0, 0), 'X');
    EXPECT_EQ(AxisLetter(label, 0, 2), 'Z');
    EXPECT_EQ(AxisLetter(label, 1, 0), 'Z');
    EXPECT_EQ(AxisLetter(label, 1, 1), 'X');
    EXPECT_EQ(AxisLetter(label, 1, 2), 'Y');
}

TEST(FormValues, CoordStatFromChoices) {
    const int xFixYApx[6] = {COORD_FIX, COORD_APX, COORD_UNK, COORD_UNK, COORD_UNK, COORD_UNK};
    EXPECT_EQ(CoordStatFrom(xFixYApx, 6), 0x006);
    const int allFix[3] = {COORD_FIX, COORD_FIX, COORD_FIX};
    EXPECT_EQ(CoordStatFrom(allFix, 3), 0x02A);
    const int rotations[6] = {COORD_UNK, COORD_UNK, COORD_UNK, COORD_APX, COORD_FIX, COORD_APX};
    EXPECT_EQ(CoordStatFrom(rotations, 6), 0x040 | 0x200 | 0x400);
}

TEST(FormValues, DimensionOutsideOneToThreeBecomesThree) {
    EXPECT_EQ(ClampDimension(0), 3);
    EXPECT_EQ(ClampDimension(7), 3);
    EXPECT_EQ(ClampDimension(-1), 3);
    EXPECT_EQ(ClampDimension(1), 1);
    EXPECT_EQ(ClampDimension(2), 2);
}

TEST(FormValues, EllipseScaleInMillimetresPerCmOrMilsPerInch) {
    // By hand: 0.0002 m per cm is 0.2 mm per cm; 1 ft per cm is 12 in per cm, 30.48 in per inch
    // of screen, 30480 mils; 1 in per cm is 2540 mils per inch.
    EXPECT_NEAR(EllScaleToForm(0.0002, UNITS_METERS), 0.2, 1e-12);
    EXPECT_NEAR(EllScaleToForm(0.2, UNITS_MM), 0.2, 1e-12);
    EXPECT_NEAR(EllScaleToForm(1, UNITS_FEET), 30480, 1e-9);
    EXPECT_NEAR(EllScaleToForm(1, UNITS_INCHES), 2540, 1e-9);
    for (int units = UNITS_METERS; units <= UNITS_INCHES; ++units)
        EXPECT_NEAR(EllScaleFromForm(EllScaleToForm(0.0123, units), units), 0.0123, 1e-15) << units;
}

TEST(FormValues, SetupLinesPutStatusAndTargetInTheirColumns) {
    std::string active = SetupTheoLine(1, 0, "Theo1_0", true, "Theo1_1");
    EXPECT_EQ(active, "  1   0   Theo1_0   active    Theo1_1 ");
    EXPECT_EQ(active.substr(SETUP_STATUS_COLUMN, 8), "active  ");
    std::string inactive = SetupTheoLine(2, 3, "T", false, nullptr);
    EXPECT_EQ(inactive, "  2   3   T         inactive  none");
    EXPECT_EQ(inactive.substr(SETUP_TARGET_COLUMN), "  none");
    // Slots and lines past 16 bits keep their own values (a table of 100,000 targets).
    for (auto [slot, line] : {std::pair{5, 2}, {70000, 0}, {0, 70000}, {99999, 99998}})
        for (bool on : {false, true}) {
            const std::uint64_t data = SetupTheoData(slot, line, on);
            EXPECT_EQ(SetupTheoSlot(data), slot);
            EXPECT_EQ(SetupControlLine(data), line);
            EXPECT_EQ((data & SETUP_ACTIVE_BIT) != 0, on);
        }
    EXPECT_EQ(SetupControlSlot(SETUP_NONE_DATA), -1);
    EXPECT_EQ(SetupControlSlot(SetupControlData(4)), 4);
    EXPECT_EQ(SetupControlSlot(SetupControlData(70000)), 70000);
    EXPECT_EQ(SetupControlSlot(SetupControlData(0)), 0);
}

// ---- Unit change ----------------------------------------------------------------------------

class UnitChange : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KIVO_INI", "/nonexistent/kivo.ini", 1);
        doc = std::make_unique<kivoMDIClient>();
        doc->CreateMemory();
        doc->units = UNITS_METERS;
        doc->NewTheo("T1", "T1", 1, 0, 1, 2, 3, 10, 20, 30, 0);
        doc->NewTheo("T2", "T2", 1, 1, 4, 5, 6, 0, 0, 0, 0);
        doc->NewPoint("P1", "P1", 7, 8, 9, 0);
        doc->NewPoint("P2", "P2", 1, 1, 1, 0);
        doc->NewSBar("S1", "S1", 2, 2, 2, 1.5, 100, 50);
        THEODOLITE& t = doc->theoList[0];
        t.initDistance = 12;
        t.thList.Append(CONNECT1{1, OBS_DIRECT, 0, 123.4, 99.0});
        t.dsList.Append(CONNECT3{0, OBS_DIRECT, 0, 10.0});
        t.hdList.Append(CONNECT6{0, OBS_DIRECT, 0, 0.5});
        t.SyncCounts();
        doc->AddPtDistance(CONNECT4{0, 1, OBS_INUSE | OBS_DIRECT, 0, 3.0});
        doc->AddPtHeight(CONNECT5{0, 1, OBS_INUSE | OBS_DIRECT, 0, -0.25});
        doc->SDTheoLocFix = 12700, doc->SDTheoLocApx = 0.1, doc->SDTheoLocUnk = 1e-20;
        doc->SDPointLocFix = 12700, doc->SDPointLocApx = 0.2, doc->SDPointLocUnk = 1e-20;
        doc->SDTheoRotFix = 12700, doc->SDTheoRotApx = 0.3, doc->SDTheoRotUnk = 1e-20;
        doc->SDSBarLength = 0.0001, doc->SDDistance = 0.001, doc->SDHeight = 0.002;
        doc->hSDAngle = doc->vSDAngle = 0.0005;
        doc->defLength = 1, doc->objScale1 = 10, doc->objScale2 = 20, doc->objScale3 = 30;
        doc->ellScale = 0.001, doc->hInterval = 5, doc->vInterval = 6;
    }
    std::unique_ptr<kivoMDIClient> doc;
};

TEST_F(UnitChange, MetersToMillimetresConvertsEveryLength) {
    ConvertDocumentUnits(*doc, UNITS_MM);
    const THEODOLITE& t = doc->theoList[0];
    // Coordinates, bar length, initial sighting distance, observed distances and heights.
    EXPECT_DOUBLE_EQ(t.xReal, 1000);
    EXPECT_DOUBLE_EQ(t.zReal, 3000);
    EXPECT_DOUBLE_EQ(doc->theoList[1].yReal, 5000);
    EXPECT_DOUBLE_EQ(doc->pointList[0].zReal, 9000);
    EXPECT_DOUBLE_EQ(doc->sbarList[0].xReal, 2000);
    EXPECT_DOUBLE_EQ(doc->sbarList[0].length, 1500);
    EXPECT_DOUBLE_EQ(t.initDistance, 12000);
    EXPECT_DOUBLE_EQ(t.dsList[0].distance, 10000);
    EXPECT_DOUBLE_EQ(t.hdList[0].height, 500);
    EXPECT_DOUBLE_EQ(doc->distList[0].distance, 3000);
    EXPECT_DOUBLE_EQ(doc->heightList[0].height, -250);
    // Standard deviations with a length, the default bar length, scales and grid intervals.
    EXPECT_DOUBLE_EQ(doc->SDDistance, 1);
    EXPECT_DOUBLE_EQ(doc->SDHeight, 2);
    EXPECT_DOUBLE_EQ(doc->SDTheoLocApx, 100);
    EXPECT_DOUBLE_EQ(doc->SDPointLocApx, 200);
    EXPECT_DOUBLE_EQ(doc->SDSBarLength, 0.1);
    EXPECT_DOUBLE_EQ(doc->defLength, 1000);
    EXPECT_DOUBLE_EQ(doc->objScale2, 20000);
    EXPECT_DOUBLE_EQ(doc->ellScale, 1);
    EXPECT_DOUBLE_EQ(doc->vInterval, 6000);
    // Angles, rotations and the Fix/Unk weights have no length unit.
    EXPECT_DOUBLE_EQ(t.thList[0].hAngle, 123.4);
    EXPECT_DOUBLE_EQ(t.xRotation, 10);
    EXPECT_DOUBLE_EQ(doc->SDTheoRotApx, 0.3);
    EXPECT_DOUBLE_EQ(doc->hSDAngle, 0.0005);
    EXPECT_DOUBLE_EQ(doc->SDTheoLocFix, 12700);
    EXPECT_DOUBLE_EQ(doc->SDPointLocUnk, 1e-20);
    // The unit itself is the caller's to set.
    EXPECT_EQ(doc->units, UNITS_METERS);
}

TEST_F(UnitChange, FreeSlotsAndEqualUnitsAreLeftAlone) {
    doc->DelPoint(1); // frees point 1 and the point-to-point entries that name it
    const double freeX = doc->pointList[1].xReal;
    const double freeDist = doc->distList[0].distance;
    ConvertDocumentUnits(*doc, UNITS_METERS);
    EXPECT_DOUBLE_EQ(doc->theoList[0].xReal, 1);
    ConvertDocumentUnits(*doc, UNITS_FEET);
    EXPECT_DOUBLE_EQ(doc->pointList[1].xReal, freeX);
    EXPECT_DOUBLE_EQ(doc->distList[0].distance, freeDist);
    EXPECT_NEAR(doc->theoList[0].xReal, 3.280839895013, 1e-12);
}

// ---- Working copies -------------------------------------------------------------------------

TEST(WorkingLists, TypeTextByModeAndFlags) {
    EXPECT_STREQ(work::TypeText(OBS_DIRECT, false), "Dir");
    EXPECT_STREQ(work::TypeText(OBS_REVERSE, false), "Rev");
    EXPECT_STREQ(work::TypeText(OBS_DIRECT | OBS_REVERSE, false), "Dir");
    EXPECT_EQ(work::TypeText(OBS_IDEAL | OBS_VALID, false), nullptr);
    EXPECT_STREQ(work::TypeText(OBS_IDEAL | OBS_VALID, true), "Ideal");
    EXPECT_EQ(work::TypeText(OBS_DIRECT, true), nullptr);
    EXPECT_EQ(work::TypeText(OBS_REVERSE, false, false), nullptr);
}

TEST(WorkingLists, ListedRecordsMapLinesToRecordsOfOneTarget) {
    std::vector<CONNECT1> items = {{2, OBS_DIRECT, 0, 1, 1},
                                   {3, OBS_DIRECT, 0, 2, 2},
                                   {2, OBS_IDEAL, 0, 3, 3},
                                   {2, OBS_REVERSE, 0, 4, 4},
                                   {2, OBS_DIRECT, 0, 5, 5}};
    EXPECT_EQ(work::ListedRecords(items, 2, false), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(work::ListedRecords(items, 2, true), (std::vector<int>{2}));
    EXPECT_EQ(work::RemoveRecord(items, 3), 4);
    EXPECT_EQ(work::ListedRecords(items, 2, false), (std::vector<int>{0, 3}));
    EXPECT_DOUBLE_EQ(items[3].hAngle, 5);
}

TEST(WorkingLists, PairCopyReusesFreeSlotsAndKeepsPairOrder) {
    GlobalList<CONNECT4> list;
    list.Grow(3);
    list.Put(0, CONNECT4{1, 2, OBS_INUSE | OBS_DIRECT, 7, 10});
    list.Put(2, CONNECT4{2, 1, OBS_INUSE | OBS_DIRECT, 0, 20});
    work::PairCopy<CONNECT4> copy;
    copy.Load(list, 2, 3);
    // Only the entry from 1 to 2 belongs to the pair (1, 2).
    EXPECT_EQ(copy.Listed(1, 2, false), (std::vector<int>{0}));
    EXPECT_EQ(copy.Listed(2, 1, false), (std::vector<int>{2}));

    EXPECT_EQ(copy.Add(CONNECT4{1, 2, OBS_INUSE | OBS_DIRECT, 0, 30}), 1); // the free slot
    EXPECT_EQ(copy.Add(CONNECT4{1, 2, OBS_INUSE | OBS_DIRECT, 0, 40}), 3); // a new slot
    EXPECT_EQ(copy.newSlot, 3);
    EXPECT_EQ(copy.nNum, 4);
    EXPECT_EQ(copy.nMax, 4);
    copy.Remove(1, 2, 0);
    EXPECT_EQ(copy.Listed(1, 2, false), (std::vector<int>{1, 3}));
    copy.Remove(1, 2, -1);
    EXPECT_TRUE(copy.Listed(1, 2, false).empty());
    EXPECT_EQ(copy.nNum, 1);

    // The document's list is untouched until the copy is committed.
    EXPECT_TRUE(list.ContainsPair(1, 2) && list[0].flags & OBS_INUSE);
    int num = 2, max = 3;
    copy.CommitTo(list, num, max);
    EXPECT_EQ(num, 1);
    EXPECT_EQ(max, 4);
    EXPECT_EQ(list.storage(), 4);
    EXPECT_FALSE(list[0].flags & OBS_INUSE);
    EXPECT_EQ(list[0].stddev, 7); // freed slots keep their bytes
    EXPECT_TRUE(list.ContainsPair(2, 1));
    EXPECT_DOUBLE_EQ(list[2].distance, 20);
}

} // namespace
} // namespace kivo
