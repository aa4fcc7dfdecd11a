// The document itself: the model part with the simulation and the adjustment run above it.

#include "adjustment/kivoMDIClient.h"

namespace kivo {

kivoMDIClient::kivoMDIClient(Host* host) : Simulation(host) {}

kivoMDIClient::~kivoMDIClient() = default;

// The forms edit the whole document, so they are handed the document, not its model part.
bool kivoMDIClient::RunForm(FormId form) {
    return host_->RunForm(form, *this);
}

} // namespace kivo
