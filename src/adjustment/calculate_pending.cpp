// Stand-in for the Calculate command until the adjustment run is merged: a weak definition that
// the real one replaces at link time. This file goes once the real command is in this branch.

#include "model/kivoMDIClient.h"

namespace kivo {

__attribute__((weak)) void kivoMDIClient::CmCalculate() { StatBarMessage("Calculate is not available yet"); }

} // namespace kivo
