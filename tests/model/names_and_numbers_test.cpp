// The names and the precision figures every part of the program shows the user: one look-up that
// takes any name an element goes by, and one rule for precision values.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "model/element_names.h"
#include "model/precision_text.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;

namespace {

// Digits of a fixed-notation number from its first non-zero digit on ("0.07123" -> 4).
int SignificantDigits(const std::string& number) {
    int n = 0;
    bool started = false;
    for (char c : number) {
        if (c < '0' || c > '9') continue;
        started = started || c != '0';
        n += started ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(PrecisionText, ListingUnitsAndFourSignificantDigits) {
    // Worked by hand: 0.00007 m is 0.07 mm; in a feet project 0.07 mm is 0.07 / 304.8 ft, which is
    // 0.0002296588 ft = 2.756 thou (12000 thou to the foot); in inches 0.0027559 in = 2.756 thou.
    struct Case {
        double value;
        int units;
        const char* text;
    } cases[] = {
        {0.00007, UNITS_METERS, "0.0700 mm"},      // the listing's figure for 0.07 mm
        {0.07, UNITS_MM, "0.0700 mm"},             // a millimeters project: the same
        {0.07 / 304.8, UNITS_FEET, "2.756 thou"},  // feet: thousandths of an inch
        {0.07 / 25.4, UNITS_INCHES, "2.756 thou"}, // inches
        {7.899e-05, UNITS_METERS, "0.07899 mm"},   // a fifth decimal where it is significant
        {0.0001419, UNITS_METERS, "0.1419 mm"},
        {0.00025, UNITS_METERS, "0.2500 mm"}, // a tolerance reads as the axes it is compared with
        {1.234567e-7, UNITS_METERS, "0.0001235 mm"},
        {0.0123456, UNITS_METERS, "12.35 mm"},
        {0.00999996, UNITS_METERS, "10.00 mm"}, // rounding carries into the next decade
        {10.0, UNITS_METERS, "10000 mm"},
        {12.3456, UNITS_METERS, "12350 mm"},
        {0.0, UNITS_METERS, "0.0000 mm"},
        {0.0, UNITS_FEET, "0.000 thou"},
        {-0.00007, UNITS_METERS, "-0.0700 mm"},
        {-1e-12, UNITS_METERS, "-0.000000001 mm"}, // tiny stays tiny, never zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatPrecision(c.value, c.units), c.text) << c.value << " in units " << c.units;
    EXPECT_EQ(FormatPrecisionNumber(std::nan(""), UNITS_METERS), "-");
    EXPECT_EQ(FormatPrecisionNumber(HUGE_VAL, UNITS_FEET), "-");
    EXPECT_EQ(FormatPrecisionNumber(0.00007, UNITS_METERS), "0.0700");

    // Every magnitude from 1e-7 to 10 project units keeps 4 significant digits (only zeros that end
    // the number beyond the listing's decimals are dropped) and reads back within half a unit of the
    // fourth digit.
    for (int units : {UNITS_METERS, UNITS_MM, UNITS_FEET, UNITS_INCHES})
        for (int e = -7; e <= 1; ++e)
            for (double mantissa : {1.0, 1.234567, 4.56789, 9.87654, 9.99996}) {
                const double v = mantissa * std::pow(10.0, e);
                const std::string number = FormatPrecisionNumber(v, units);
                const double back = std::strtod(number.c_str(), nullptr) / PrecisionUnitsPerLength(units);
                EXPECT_NEAR(back, v, 5e-4 * v) << number;
                if (mantissa != 1.0 && mantissa < 9.9999) {
                    EXPECT_GE(SignificantDigits(number), 4) << number << " for " << v;
                }
                EXPECT_EQ(number.find('e'), std::string::npos) << number;
            }
}

TEST(PrecisionText, SameInACommaLocale) {
    const test::CommaLocale& comma = test::commaLocale();
    if (comma.dir.empty()) GTEST_SKIP() << comma.why;
    ::setenv("LOCPATH", comma.dir.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, comma.name.c_str()), nullptr);
    const std::string text = FormatPrecision(0.0001419, UNITS_METERS);
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(text, "0.1419 mm");
}

namespace {

struct Names : ::testing::Test {
    test::ScopedIni ini;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};
    void SetUp() override {
        doc.CreateMemory();
        doc.NewTheo("Theo4_0", "T40", 4, 0, 1, 2, 3, 0, 0, 0, 0);
        doc.NewTheo("Theo1_2", "", 1, 2, 5, 2, 3, 0, 0, 0, 0);
        doc.NewPoint("Point47", "P47", 10, 20, 30, 0);
        doc.NewPoint("1_2", "", 11, 20, 30, 0); // a point named like the second station's listing name
        doc.NewSBar("SBar1", "S1", 5, 8, 0, 1, 0, 100);
    }
    std::string Found(const char* typed, bool barEnds = false) {
        const NamedElement n = FindNamedElement(doc, typed, barEnds);
        if (!n.found()) return "none";
        std::string s = std::to_string(n.kind) + ":" + std::to_string(n.slot);
        if (n.end) s += n.end;
        return s;
    }
};

} // namespace

TEST_F(Names, EveryNameAnElementGoesByFindsItIgnoringCase) {
    // A station by its form name, its view label and its listing name.
    for (const char* typed : {"Theo4_0", "theo4_0", "T40", "t40", "4_0", " T40 "})
        EXPECT_EQ(Found(typed), "1:0") << typed;
    // A point by its form name and label.
    for (const char* typed : {"Point47", "POINT47", "P47", "p47"})
        EXPECT_EQ(Found(typed), "2:0") << typed;
    // A scale bar, and its ends where ends are asked for.
    for (const char* typed : {"SBar1", "s1"})
        EXPECT_EQ(Found(typed), "3:0") << typed;
    EXPECT_EQ(Found("SBar1R", true), "3:0R");
    EXPECT_EQ(Found("s1l", true), "3:0L");
    EXPECT_EQ(Found("SBar1R"), "none") << "no ends unless asked for";
    EXPECT_EQ(Found("SBar1X", true), "none");
    // A name the forms give wins over a station's listing name; the station keeps its form name.
    EXPECT_EQ(Found("1_2"), "2:1");
    EXPECT_EQ(Found("Theo1_2"), "1:1");
    // Nothing else, and nothing for a deleted element.
    EXPECT_EQ(Found(""), "none");
    EXPECT_EQ(Found("T4"), "none");
    doc.pointList.SetFlags(0, 0);
    EXPECT_EQ(Found("P47"), "none");
}

TEST_F(Names, ListedWithTheViewLabelWhereItDiffers) {
    EXPECT_EQ(ShownName(doc.theoList[0]), "Theo4_0 (T40)");
    EXPECT_EQ(ShownName(doc.theoList[1]), "Theo1_2") << "no label";
    EXPECT_EQ(ShownName(doc.pointList[0]), "Point47 (P47)");
    EXPECT_EQ(ShownName(doc.sbarList[0]), "SBar1 (S1)");
    EXPECT_EQ(StationEngineName(doc.theoList[0]), "4_0");
}
