// Defaults read from the settings file "kivo.ini" (read only).

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "model/profile_reader.h"
#include "model/settings.h"

namespace kivo {

namespace {

// A real setting: the text (default `def`) after leading blanks, an optional sign, then the
// longest decimal number that follows (with a decimal point whatever the process's locale); text
// that does not start with a number, or gives something other than a finite number, leaves the
// field as it was.
void ReadReal(const ProfileReader& ini, const char* section, const char* key, const char* def,
              double& field) {
    const std::string text = ini.GetString(section, key, def, 31);
    const char* p = text.c_str();
    const char* const end = p + text.size();
    while (p < end && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (p < end && *p == '+' && p + 1 < end && *(p + 1) != '-') ++p; // from_chars takes no '+'
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(p, end, value);
    if (ec == std::errc() && stop != p && std::isfinite(value)) field = value;
}

// A drawing scale or a length: as ReadReal, but a value of zero or less (which would make every view
// degenerate, or a bar of no length) also leaves the field as it was.
void ReadPositive(const ProfileReader& ini, const char* section, const char* key, const char* def,
                  double& field) {
    double value = field;
    ReadReal(ini, section, key, def, value);
    if (value > 0) field = value;
}

// A limit pair: a minimum that is not below its maximum makes both the built-in ones.
void ReadLimits(const ProfileReader& ini, int axis, double& min, double& max) {
    const std::string n = std::to_string(axis);
    ReadReal(ini, "parameters", ("min" + n).c_str(), "0.0", min);
    ReadReal(ini, "parameters", ("max" + n).c_str(), "500.0", max);
    if (!(min < max)) {
        min = 0.0;
        max = 500.0;
    }
}

int ReadIntInRange(const ProfileReader& ini, const char* section, const char* key, int def, int lo, int hi) {
    int v = ini.GetInt(section, key, def);
    return (v < lo || v > hi) ? def : v;
}

} // namespace

std::string SettingsDefaults::SettingsPath() {
    if (const char* p = std::getenv("KIVO_INI"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/kivo/kivo.ini";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/kivo/kivo.ini";
}

void SettingsDefaults::GetDefParmData() {
    ProfileReader ini(SettingsPath());
    ReadLimits(ini, 1, project_.xMin, project_.xMax);
    ReadReal(ini, "parameters", "def1", "100.0", project_.xDef);
    ReadLimits(ini, 2, project_.yMin, project_.yMax);
    ReadReal(ini, "parameters", "def2", "100.0", project_.yDef);
    ReadLimits(ini, 3, project_.zMin, project_.zMax);
    ReadReal(ini, "parameters", "def3", "100.0", project_.zDef);
    project_.units = ReadIntInRange(ini, "parameters", "units", 0, 0, 3);
    project_.axisType = ReadIntInRange(ini, "parameters", "axes", 1, 0, 1);
}

void SettingsDefaults::GetDefDisplayData() {
    ProfileReader ini(SettingsPath());
    project_.hBordSize = ReadIntInRange(ini, "display", "hBordSize", 16, 0, 100);
    project_.vBordSize = ReadIntInRange(ini, "display", "vBordSize", 8, 0, 100);
    project_.bBound = ini.GetInt("display", "boundary", 1) != 0;
    project_.bHGrid = ini.GetInt("display", "horzGrid", 0) != 0;
    project_.bVGrid = ini.GetInt("display", "vertGrid", 0) != 0;
    // A grid interval of zero or less would draw no grid, or never stop drawing one.
    project_.hInterval =
        ReadIntInRange(ini, "display", "horzDivisions", 10, 1, std::numeric_limits<int>::max());
    project_.vInterval =
        ReadIntInRange(ini, "display", "vertDivisions", 10, 1, std::numeric_limits<int>::max());
    ReadPositive(ini, "display", "objScale1", "10.0", project_.objScale1);
    ReadPositive(ini, "display", "objScale2", "10.0", project_.objScale2);
    ReadPositive(ini, "display", "objScale3", "10.0", project_.objScale3);
    ReadPositive(ini, "display", "ellScale", ".001", project_.ellScale);
}

void SettingsDefaults::GetDefSetupData() {
    ProfileReader ini(SettingsPath());
    ReadPositive(ini, "setup", "ScaleLength", "1.0", project_.defLength);
}

void SettingsDefaults::GetDefAdjustData() {
    ProfileReader ini(SettingsPath());
    session_.iterLimit = ReadIntInRange(ini, "adjustment", "MaxIterations", 20, 1, 99);
}

void SettingsDefaults::GetDefPrecisionData() {
    ProfileReader ini(SettingsPath());
    double tolerance = 0.0;
    ReadReal(ini, "display", "tolerance", "0", tolerance); // meters
    session_.precision.toleranceMeters = tolerance > 0.0 ? tolerance : 0.0;
    session_.precision.confidence95 = ini.GetInt("display", "confidence", 68) == 95;
}

} // namespace kivo
