// Defaults read from the settings file "kivo.ini" (read only).

#include <cstdio>
#include <cstdlib>

#include "model/kivoMDIClient.h"
#include "model/profile_reader.h"

namespace kivo {

namespace {

// A real setting: the text (default `def`) converted with "%lf"; text that does not convert
// leaves the field as it was.
void ReadReal(const ProfileReader& ini, const char* section, const char* key, const char* def, double& field) {
    std::string text = ini.GetString(section, key, def, 31);
    double value;
    if (std::sscanf(text.c_str(), "%lf", &value) == 1) field = value;
}

// A drawing scale: as ReadReal, but a scale of zero or less (which would make every view degenerate)
// also leaves the field as it was.
void ReadScale(const ProfileReader& ini, const char* section, const char* key, const char* def, double& field) {
    double value = field;
    ReadReal(ini, section, key, def, value);
    if (value > 0) field = value;
}

int ReadIntInRange(const ProfileReader& ini, const char* section, const char* key, int def, int lo, int hi) {
    int v = ini.GetInt(section, key, def);
    return (v < lo || v > hi) ? def : v;
}

} // namespace

std::string kivoMDIClient::SettingsPath() {
    if (const char* p = std::getenv("KIVO_INI"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/kivo/kivo.ini";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/kivo/kivo.ini";
}

void kivoMDIClient::GetDefParmData() {
    ProfileReader ini(SettingsPath());
    ReadReal(ini, "parameters", "min1", "0.0", xMin);
    ReadReal(ini, "parameters", "max1", "500.0", xMax);
    ReadReal(ini, "parameters", "def1", "100.0", xDef);
    ReadReal(ini, "parameters", "min2", "0.0", yMin);
    ReadReal(ini, "parameters", "max2", "500.0", yMax);
    ReadReal(ini, "parameters", "def2", "100.0", yDef);
    ReadReal(ini, "parameters", "min3", "0.0", zMin);
    ReadReal(ini, "parameters", "max3", "500.0", zMax);
    ReadReal(ini, "parameters", "def3", "100.0", zDef);
    units = ReadIntInRange(ini, "parameters", "units", 0, 0, 3);
    axisType = ReadIntInRange(ini, "parameters", "axes", 1, 0, 1);
}

void kivoMDIClient::GetDefDisplayData() {
    ProfileReader ini(SettingsPath());
    hBordSize = ReadIntInRange(ini, "display", "hBordSize", 16, 0, 100);
    vBordSize = ReadIntInRange(ini, "display", "vBordSize", 8, 0, 100);
    bBound = ini.GetInt("display", "boundary", 1) != 0;
    bHGrid = ini.GetInt("display", "horzGrid", 0) != 0;
    bVGrid = ini.GetInt("display", "vertGrid", 0) != 0;
    hInterval = ini.GetInt("display", "horzDivisions", 10);
    vInterval = ini.GetInt("display", "vertDivisions", 10);
    ReadScale(ini, "display", "objScale1", "10.0", objScale1);
    ReadScale(ini, "display", "objScale2", "10.0", objScale2);
    ReadScale(ini, "display", "objScale3", "10.0", objScale3);
    ReadScale(ini, "display", "ellScale", ".001", ellScale);
}

void kivoMDIClient::GetDefSetupData() {
    ProfileReader ini(SettingsPath());
    ReadReal(ini, "setup", "ScaleLength", "1.0", defLength);
}

void kivoMDIClient::GetDefAdjustData() {
    ProfileReader ini(SettingsPath());
    iterLimit = ReadIntInRange(ini, "adjustment", "MaxIterations", 20, 1, 99);
}

} // namespace kivo
