#pragma once
// The built-in defaults read from the settings file (kivo.ini, read only): the limits, units and
// axes, the display, the default scale-bar length and the iteration limit.

#include <string>

#include "model/document_state.h"

namespace kivo {

class SettingsDefaults {
public:
    SettingsDefaults(ProjectSettings& project, SessionSettings& session)
        : project_(project), session_(session) {}

    // The settings file this process reads: $KIVO_INI, else $XDG_CONFIG_HOME/kivo/kivo.ini,
    // else ~/.config/kivo/kivo.ini.
    static std::string SettingsPath();
    void GetDefParmData();
    void GetDefDisplayData();
    void GetDefSetupData();
    void GetDefAdjustData();
    // The tolerance and confidence, read once when the program starts (kept for the session).
    void GetDefPrecisionData();

private:
    ProjectSettings& project_;
    SessionSettings& session_;
};

} // namespace kivo
