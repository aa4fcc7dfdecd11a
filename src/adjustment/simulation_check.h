#pragma once
// Measure > Verify by Simulation: the predicted precision of the last Calculate checked by many
// noisy realisations of its observations, each adjusted (the engine's verification by simulation).
// In three steps, as a Calculate in the background: SimulationCheckRun is made on the document's
// thread after a successful Calculate, Run goes on any thread (it reads only the tables it holds),
// FinishSimulationCheck stores the result on the document's thread: the listing gets its section,
// the views their clouds of adjusted positions until the network changes.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adjustment/kivoMDIClient.h"

namespace kivo {

// One element of the check, as the result table lists it.
struct SimulationCheckRow {
    enum class Verdict { Ok, Flagged, Fixed, LeftOut, Untested };
    std::string name;               // as the forms show it; a scale bar's ends as the bar's name with R and L
    int kind = SEL_NONE, slot = -1; // the document's element (a scale-bar end: its bar)
    bool barEnd = false;
    double predicted = 0.0, simulated = 0.0; // largest 1-sigma semi-axes, project length unit
    double ratio = 0.0;                      // simulated / predicted
    Verdict verdict = Verdict::Fixed;
    double design[3] = {}; // the design position, the centre of the cloud
};

struct SimulationCheck {
    bool ok = false, cancelled = false;
    std::string why; // when not ok
    int samples = 0;
    std::uint64_t seed = 0;
    int converged = 0;
    std::vector<int> failed; // realisations that did not converge, numbered from 1
    int tested = 0, flagged = 0;
    double pooledRatio = 0.0, pooledSd = 0.0;
    double seconds = 0.0;
    std::vector<SimulationCheckRow> rows; // stations, then scale-bar ends, then points
    // cloudSamples adjusted positions per row, as offsets from its design position (x, y, z in the
    // length unit; NaN for a realisation that failed): cloud[(row * cloudSamples + k) * 3 + c].
    int cloudSamples = 0;
    std::vector<float> cloud;
    std::string listingSection;
    // The tables of the Calculate the check was made on: it describes the network while they are
    // the document's last run and that run is current.
    std::shared_ptr<const project> tables;

    bool anyFlag() const { return flagged > 0 || !failed.empty(); }
};

class SimulationCheckRun {
public:
    // After a successful Calculate (lastRunTables set), on the document's thread.
    SimulationCheckRun(const kivoMDIClient& doc, int samples, std::uint64_t seed);
    // Any thread. cancel stops it between realisations; done counts the realisations finished.
    void Run(const std::atomic<bool>* cancel, std::atomic<int>* done);
    const std::shared_ptr<SimulationCheck>& Result() const { return result_; }
    int Samples() const { return samples_; }

private:
    std::shared_ptr<const project> tables_;
    EngineSlots slots_;
    int samples_;
    std::uint64_t seed_;
    std::shared_ptr<SimulationCheck> result_;
};

// Stores a finished check (nothing for a cancelled one): the listing's section (the listing
// reloaded), the check for the views and the result table, the status bar text; then redraws.
void FinishSimulationCheck(kivoMDIClient& doc, const SimulationCheckRun& run);

// The check the views draw: the last one, while the Calculate it was made on is the document's last
// run, the network is as that run found it (after a change, or undo and redo to another state, it
// is not) and the ellipses are valid; null otherwise.
const SimulationCheck* CurrentSimulationCheck(const kivoMDIClient& doc);

} // namespace kivo
