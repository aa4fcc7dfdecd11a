#include "adjustment/simulation_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "adjustment/precision.h"
#include "engine/project.h"
#include "engine/verification.h"

namespace kivo {

namespace {

SimulationCheckRow::Verdict VerdictOf(eng::VerifiedElement::Status s) {
    using S = eng::VerifiedElement::Status;
    using V = SimulationCheckRow::Verdict;
    switch (s) {
    case S::Ok:
        return V::Ok;
    case S::Flagged:
        return V::Flagged;
    case S::Fixed:
        return V::Fixed;
    case S::LeftOut:
        return V::LeftOut;
    case S::Untested:
        break;
    }
    return V::Untested;
}

} // namespace

SimulationCheckRun::SimulationCheckRun(const kivoMDIClient& doc, int samples, std::uint64_t seed)
    : tables_(doc.lastRunTables), slots_{doc.RunStationSlots(), doc.RunTargetSlots(), {}}, samples_(samples),
      seed_(seed), result_(std::make_shared<SimulationCheck>()) {
    // The bars behind the scale-bar ends, from the tables' target names (bar name + R or L).
    slots_.targetBars.assign(slots_.targets.size(), -1);
    if (!tables_) return;
    for (std::size_t j = 0; j < slots_.targets.size() && j < static_cast<std::size_t>(tables_->maxtar); ++j) {
        if (slots_.targets[j] >= 0) continue;
        std::string name(tables_->tar[j].nam, strnlen(tables_->tar[j].nam, sizeof tables_->tar[j].nam));
        if (!name.empty()) name.pop_back();
        slots_.targetBars[j] = doc.SBarCheck(name.c_str());
    }
}

void SimulationCheckRun::Run(const std::atomic<bool>* cancel, std::atomic<int>* done) {
    SimulationCheck& c = *result_;
    c.samples = samples_;
    c.seed = seed_;
    c.tables = tables_;
    if (!tables_) {
        c.why = "no Calculate to verify";
        return;
    }
    try {
        eng::VerificationOptions o;
        o.samples = samples_;
        o.seed = seed_;
        eng::Verification v = eng::verifyBySimulation(*tables_, o, cancel, done);
        c.ok = v.ok;
        c.cancelled = v.cancelled;
        c.why = v.why;
        c.seconds = v.seconds;
        if (!v.ok) return;
        c.converged = v.converged;
        for (const eng::FailedRealisation& f : v.failed)
            c.failed.push_back(f.index + 1);
        c.tested = v.tested;
        c.flagged = v.flagged;
        c.pooledRatio = v.pooledRatio;
        c.pooledSd = v.pooledSd;
        const std::size_t nsta = slots_.stations.size();
        for (const eng::VerifiedElement& e : v.elements) {
            SimulationCheckRow r;
            r.name = e.name;
            const std::size_t i = static_cast<std::size_t>(e.element);
            if (i < nsta) {
                r.kind = SEL_THEO;
                r.slot = slots_.stations[i];
            } else if (i - nsta < slots_.targets.size()) {
                const std::size_t j = i - nsta;
                r.barEnd = slots_.targets[j] < 0;
                r.kind = r.barEnd ? SEL_SBAR : SEL_POINT;
                r.slot = r.barEnd ? slots_.targetBars[j] : slots_.targets[j];
            }
            r.predicted = e.predictedAxis;
            r.simulated = e.empiricalAxis;
            r.ratio = e.ratio;
            r.verdict = VerdictOf(e.status);
            std::copy(e.design, e.design + 3, r.design);
            c.rows.push_back(std::move(r));
        }
        c.cloudSamples = v.cloudSamples;
        c.cloud = std::move(v.cloud);
        c.listingSection = eng::verificationSection(v);
    } catch (const std::bad_alloc&) {
        c = SimulationCheck{};
        c.why = "not enough memory for the check";
    }
}

void FinishSimulationCheck(kivoMDIClient& doc, const SimulationCheckRun& run) {
    const std::shared_ptr<SimulationCheck>& c = run.Result();
    if (c->cancelled) {
        doc.StatBarMessage("Verification by simulation cancelled");
        return;
    }
    if (!c->ok) {
        doc.host().MessageBox("The verification by simulation failed: " + c->why + ".", "KIVO",
                              MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    doc.lastCheck = c;
    // The section goes into the listing of the Calculate the check was made on, when that is the
    // one on disk.
    if (doc.lastRunTables && !doc.listingWriteFailed && !doc.lastRunTables->listingName().empty()) {
        const std::string& path = doc.lastRunTables->listingName();
        if (!eng::appendVerificationToListing(path, c->listingSection))
            doc.host().MessageBox("The listing could not be written to " + path + ": " +
                                      std::strerror(errno) + ".",
                                  "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);
        else
            doc.bValFile = doc.LoadOutput();
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  "Verified by simulation: %d of %d elements flagged, %d of %d realisations converged",
                  c->flagged, c->tested, c->converged, c->samples);
    doc.StatBarMessage(text);
    doc.UpdateViews(true);
}

const SimulationCheck* CurrentSimulationCheck(const kivoMDIClient& doc) {
    const SimulationCheck* c = doc.lastCheck.get();
    if (!c || !doc.bFileOpen || !doc.bValEllip || c->tables != doc.lastRunTables || !doc.ResultsCurrent())
        return nullptr;
    return c;
}

} // namespace kivo
