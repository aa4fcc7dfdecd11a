// Measure > Update Measurements: every observation value recomputed from the coordinates.

#include "simulation/simulation.h"

namespace kivo {

// Nothing is redrawn and no flag changes: the values are there for the next export or run.
void Simulation::CmSimulate() {
    NamedChange change(*this, "Update Measurements");
    host_->SetCursor(CursorKind::HourGlass);
    RunSimulation();
    host_->SetCursor(CursorKind::Arrow);
}

} // namespace kivo
