// Defaults read from the settings file "kivo.ini" (read only).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "model/network_document.h"
#include "model/profile_reader.h"

namespace kivo {

namespace {

// A real setting: the text (default `def`) converted with "%lf"; text that does not convert, or
// converts to something other than a finite number, leaves the field as it was.
void ReadReal(const ProfileReader& ini, const char* section, const char* key, const char* def, double& field) {
    std::string text = ini.GetString(section, key, def, 31);
    double value;
    if (std::sscanf(text.c_str(), "%lf", &value) == 1 && std::isfinite(value)) field = value;
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

std::string NetworkDocument::SettingsPath() {
    if (const char* p = std::getenv("KIVO_INI"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/kivo/kivo.ini";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/kivo/kivo.ini";
}

void NetworkDocument::GetDefParmData() {
    ProfileReader ini(SettingsPath());
    ReadLimits(ini, 1, xMin, xMax);
    ReadReal(ini, "parameters", "def1", "100.0", xDef);
    ReadLimits(ini, 2, yMin, yMax);
    ReadReal(ini, "parameters", "def2", "100.0", yDef);
    ReadLimits(ini, 3, zMin, zMax);
    ReadReal(ini, "parameters", "def3", "100.0", zDef);
    units = ReadIntInRange(ini, "parameters", "units", 0, 0, 3);
    axisType = ReadIntInRange(ini, "parameters", "axes", 1, 0, 1);
}

void NetworkDocument::GetDefDisplayData() {
    ProfileReader ini(SettingsPath());
    hBordSize = ReadIntInRange(ini, "display", "hBordSize", 16, 0, 100);
    vBordSize = ReadIntInRange(ini, "display", "vBordSize", 8, 0, 100);
    bBound = ini.GetInt("display", "boundary", 1) != 0;
    bHGrid = ini.GetInt("display", "horzGrid", 0) != 0;
    bVGrid = ini.GetInt("display", "vertGrid", 0) != 0;
    // A grid interval of zero or less would draw no grid, or never stop drawing one.
    hInterval = ReadIntInRange(ini, "display", "horzDivisions", 10, 1, std::numeric_limits<int>::max());
    vInterval = ReadIntInRange(ini, "display", "vertDivisions", 10, 1, std::numeric_limits<int>::max());
    ReadPositive(ini, "display", "objScale1", "10.0", objScale1);
    ReadPositive(ini, "display", "objScale2", "10.0", objScale2);
    ReadPositive(ini, "display", "objScale3", "10.0", objScale3);
    ReadPositive(ini, "display", "ellScale", ".001", ellScale);
}

void NetworkDocument::GetDefSetupData() {
    ProfileReader ini(SettingsPath());
    ReadPositive(ini, "setup", "ScaleLength", "1.0", defLength);
}

void NetworkDocument::GetDefAdjustData() {
    ProfileReader ini(SettingsPath());
    iterLimit = ReadIntInRange(ini, "adjustment", "MaxIterations", 20, 1, 99);
}

} // namespace kivo
