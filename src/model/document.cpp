// Construction of the document.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/network_document.h"

namespace kivo {

void CopyField(char* field, std::size_t n, const std::string& text) {
    std::memset(field, 0, n);
    std::strncpy(field, text.c_str(), n - 1);
}

NetworkDocument::NetworkDocument(Host* host) : host_(host ? host : &nullHost_) {
    // Unit conversion factors, from (row) to (column): meters, mm, feet, inches.
    static const double table[4][4] = {
        {1.0, 1000.0, 3.280839895013, 39.370078740157},
        {0.001, 1.0, 0.003280839895, 0.03937007874},
        {0.3048, 304.8, 1.0, 12.0},
        {0.0254, 25.4, 0.083333333333, 1.0},
    };
    std::memcpy(convTab, table, sizeof convTab);

    GetDefParmData();
    GetDefDisplayData();
    GetDefSetupData();
    GetDefAdjustData();
    GetDefPrecisionData();
    // The settings file gives the scale-bar length in meters; the document holds project units.
    defLength = defLength * convTab[UNITS_METERS][units];

    SetScaleFactors();
    TrigInit();
}

NetworkDocument::~NetworkDocument() = default;

void NetworkDocument::SetHost(Host* host) {
    host_ = host ? host : &nullHost_;
}

} // namespace kivo
