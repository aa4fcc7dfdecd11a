// Defaults of the document and the settings file with its validation.

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "model/profile_reader.h"
#include "support/scoped_ini.h"

using namespace kivo;

TEST(Settings, WithoutAFileTheBuiltInDefaultsHold) {
    test::ScopedIni ini;
    kivoMDIClient doc;
    EXPECT_EQ(doc.xMin, 0.0);
    EXPECT_EQ(doc.xMax, 500.0);
    EXPECT_EQ(doc.zDef, 100.0);
    EXPECT_EQ(doc.units, 0);
    EXPECT_EQ(doc.axisType, 1);
    EXPECT_EQ(doc.hBordSize, 16);
    EXPECT_EQ(doc.vBordSize, 8);
    EXPECT_EQ(doc.hInterval, 10.0);
    EXPECT_EQ(doc.objScale3, 10.0);
    EXPECT_EQ(doc.ellScale, 0.001);
    EXPECT_EQ(doc.defLength, 1.0);
    EXPECT_EQ(doc.iterLimit, 20);
    EXPECT_EQ(doc.dimension, 3);
    EXPECT_TRUE(doc.bBound);
    EXPECT_EQ(doc.gMode, 1);
    EXPECT_EQ(doc.convTab[2][1], 304.8);
    EXPECT_NE(doc.convTab[0][2] * doc.convTab[2][0], 1.0)
        << "the table's decimal constants are not reciprocal";
}

TEST(Settings, ValuesAreReadAndOutOfRangeIntegersFallBack) {
    test::ScopedIni ini("[Parameters]\nmin1 = -5.5\nMAX3=600\nunits=2\naxes=2\n"
                        "[display]\nhBordSize=101\nvBordSize=0\nboundary=5\nhorzGrid=1\nhorzDivisions=25\n"
                        "objScale1=2.5\nobjScale2=abc\nobjScale3=0\n"
                        "[setup]\nScaleLength=1.0\n[adjustment]\nMaxIterations=99\n");
    kivoMDIClient doc;
    EXPECT_EQ(doc.xMin, -5.5);
    EXPECT_EQ(doc.zMax, 600.0);
    EXPECT_EQ(doc.units, 2);
    EXPECT_EQ(doc.axisType, 1) << "axes 2 is out of range";
    EXPECT_EQ(doc.hBordSize, 16) << "101 is out of range";
    EXPECT_EQ(doc.vBordSize, 0);
    EXPECT_TRUE(doc.bBound);
    EXPECT_TRUE(doc.bHGrid);
    EXPECT_EQ(doc.hInterval, 25.0);
    EXPECT_EQ(doc.objScale1, 2.5);
    EXPECT_EQ(doc.objScale2, 10.0) << "text that does not convert leaves the value";
    EXPECT_EQ(doc.objScale3, 10.0) << "a scale of zero is kept out";
    EXPECT_DOUBLE_EQ(doc.defLength, 3.280839895013) << "one meter in feet";
    EXPECT_EQ(doc.iterLimit, 99);
}

// Values that convert but make no sense are kept out like those that do not convert: each field
// keeps its built-in value, and a limit pair whose minimum is not below its maximum both.
TEST(Settings, ValuesThatMakeNoSenseFallBackToTheBuiltInOnes) {
    test::ScopedIni ini("[parameters]\nmin1=nan\nmax1=inf\ndef1=-inf\nmin2=600\nmax2=500\nmin3=7\nmax3=7\n"
                        "[display]\nobjScale1=inf\nellScale=nan\nhorzDivisions=0\nvertDivisions=-5\n"
                        "[setup]\nScaleLength=-2\n");
    kivoMDIClient doc;
    EXPECT_EQ(doc.xMin, 0.0);
    EXPECT_EQ(doc.xMax, 500.0);
    EXPECT_EQ(doc.xDef, 100.0);
    EXPECT_EQ(doc.yMin, 0.0);
    EXPECT_EQ(doc.yMax, 500.0);
    EXPECT_EQ(doc.zMin, 0.0);
    EXPECT_EQ(doc.zMax, 500.0);
    EXPECT_EQ(doc.objScale1, 10.0);
    EXPECT_EQ(doc.ellScale, 0.001);
    EXPECT_EQ(doc.hInterval, 10.0);
    EXPECT_EQ(doc.vInterval, 10.0);
    EXPECT_EQ(doc.defLength, 1.0);
}

TEST(Settings, IterationLimitAndUnitsBounds) {
    for (auto [text, expected] : {std::pair{"0", 20}, {"100", 20}, {"1", 1}, {"-3", 20}}) {
        test::ScopedIni ini(std::string("[adjustment]\nMaxIterations=") + text +
                            "\n[parameters]\nunits=-1\n");
        kivoMDIClient doc;
        EXPECT_EQ(doc.iterLimit, expected) << text;
        EXPECT_EQ(doc.units, 0);
    }
}

TEST(Settings, ProfileIntegersConvertLikeTheProfileReader) {
    EXPECT_EQ(ProfileReader::ParseProfileInt("42"), 42);
    EXPECT_EQ(ProfileReader::ParseProfileInt("  -7"), -7);
    EXPECT_EQ(ProfileReader::ParseProfileInt("12abc"), 12);
    EXPECT_EQ(ProfileReader::ParseProfileInt("abc"), 0);
    EXPECT_EQ(ProfileReader::ParseProfileInt("0x1F"), 31);
    EXPECT_EQ(ProfileReader::ParseProfileInt("3.9"), 3);
}

TEST(Settings, TheFileIsFoundThroughTheEnvironment) {
    setenv("KIVO_INI", "/x/kivo.ini", 1);
    EXPECT_EQ(kivoMDIClient::SettingsPath(), "/x/kivo.ini");
    unsetenv("KIVO_INI");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(kivoMDIClient::SettingsPath(), "/cfg/kivo/kivo.ini");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(kivoMDIClient::SettingsPath(), "/home/u/.config/kivo/kivo.ini");
    setenv("KIVO_INI", "/nonexistent/kivo.ini", 1);
}
