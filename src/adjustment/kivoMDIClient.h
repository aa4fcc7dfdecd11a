#pragma once
// The document: the one entry point the program and kivo-cli use. It is the model part
// (model/network_document.h) with the simulation (simulation/simulation.h) and, here, the
// adjustment run: the input file and Export, the engine run, Calculate and its results.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "simulation/simulation.h"

namespace kivo {

class project;
class Feedback;
struct result;
struct SimulationCheck;
namespace eng {
struct Summary;
}

// The document slots behind the engine's elements: station i is theodolite stations[i], target j
// point targets[j] or, for a scale-bar end, bar targetBars[j] (-1 where the other applies).
struct EngineSlots {
    std::vector<int> stations, targets, targetBars;
};

// The adjustment run: what the last Calculate left behind, and the engine project while it runs.
struct AdjustmentRun {
    // The value CmCalculate showed as "Mavo returns %d", and the whole status line it showed (what
    // the run found, or what went wrong and what to do).
    int lastCalculateResult = 0;
    std::string lastCalculateStatus;
    // The last CmCalculate could not write its listing (the user has been told); the listing of an
    // earlier run, if any, is still on disk but is not shown.
    bool listingWriteFailed = false;
    // The elements the last Calculate left out are the document's leftOutMarks (AdjustmentMarks),
    // which undo and redo restore with the network.
    using LeftOutMark = kivo::LeftOutMark;
    // Why the last Calculate failed, as its listing says (empty after a success), and whether it
    // failed for want of memory rather than for something in the network.
    std::string lastRunFailure;
    bool lastRunOutOfMemory = false;
    // The engine project of the run in progress, which wsimmavo fills and runs; it belongs to the
    // caller (CmCalculate holds it by value for one run) and is null between runs.
    project* pproject = nullptr;
    // The engine tables of the last Calculate, kept after it (shared, so that work started on them
    // keeps them while a new Calculate replaces them); null before the first one.
    std::shared_ptr<const project> lastRunTables;
    // What the engine found in the last Calculate (null before the first, or when the tables could not
    // be made); the names of its elements are those of lastRunTables.
    std::shared_ptr<const eng::Summary> lastSummary;
    // The last Measure > Verify by Simulation (adjustment/simulation_check.h); null before one.
    std::shared_ptr<const SimulationCheck> lastCheck;
};

class kivoMDIClient;

// One Calculate in three steps, so that its engine run may go to another thread:
// kivoMDIClient::BeginCalculate (the document's thread) simulates and saves as Calculate does; Run
// builds the engine tables from the document and runs the engine (any thread: the document is only
// read, and nothing may change it meanwhile); kivoMDIClient::FinishCalculate (the document's thread)
// stores what the run gave. A cancelled run changes nothing: the ellipses, the left-out marks and
// the listing stay those of the run before.
class CalculateRun {
public:
    // Reports each phase to feedback (may be null), which may stop the run; a failure of memory
    // ends it as a failed run.
    void Run(Feedback* feedback);
    bool Cancelled() const { return cancelled_; }
    int Result() const { return result_; }

private:
    friend class kivoMDIClient;
    CalculateRun(const kivoMDIClient& doc, std::shared_ptr<project> tables)
        : doc_(doc), tables_(std::move(tables)) {}
    void RunEngine(Feedback* feedback);
    void FailWithoutEngine(const std::string& why); // the listing says why

    const kivoMDIClient& doc_;
    std::shared_ptr<project> tables_;
    EngineSlots slots_;
    bool engineRan_ = false;    // the engine looked at the tables: leftOut_ holds its marks
    std::vector<char> leftOut_; // per engine element
    std::vector<std::pair<std::string, double>> timings_;
    std::string failure_;
    std::shared_ptr<const eng::Summary> summary_; // what the engine found; null when it did not run
    int result_ = -1;
    bool cancelled_ = false, outOfMemory_ = false;
    double simulation_ = 0.0; // seconds
};

class kivoMDIClient : public Simulation, public AdjustmentRun {
public:
    explicit kivoMDIClient(Host* host = nullptr);
    ~kivoMDIClient() override;

    // ---- Input file and Export ----------------------------------------------------------------
    // Export: true when the input file was written; a failure has been shown in a message box.
    bool CmExportFile();
    bool WriteInputFile();

    // ---- Adjustment ------------------------------------------------------------------------
    // Measure > Calculate, start to end on this thread; feedback (may be null) hears the phases.
    void CmCalculate(Feedback* feedback = nullptr);
    // The steps of CmCalculate when the engine runs elsewhere (see CalculateRun).
    std::unique_ptr<CalculateRun> BeginCalculate();
    void FinishCalculate(CalculateRun& run);
    int wsimmavo();
    void UpEllip(const char* name, double ha, double hb, double phi, int view);
    // Stores ellipses read from engine results by the slots of the tables they were computed on.
    void StoreEllipses(const result& r, const EngineSlots& slots);
    // Fills leftOutMarks from the engine elements flagged as left out (by the tables' slots).
    void MarkLeftOut(const std::vector<char>& leftOut, const EngineSlots& slots);
    // Seconds per phase of the last engine run (simulation first), for the benchmark and the CLI.
    const std::vector<std::pair<std::string, double>>& LastRunTimings() const { return lastRunTimings_; }

    // ---- Dragging ---------------------------------------------------------------------------
    // The end of a drag whose last pointer pixel was (x, y): if the element moved (or moved is
    // true: a live drag has moved it already), recalculate (bRecalc); otherwise, with live precision
    // on, keep the ellipses of the new geometry (CalculateEllipses); else mark them invalid. A
    // position where the network cannot be adjusted leaves them invalid and says why in the status
    // bar.
    void EndDrag(int view, int x, int y, bool moved = false);
    // The ellipses, left-out marks and engine findings of the network as it stands, exactly as
    // Calculate computes them (observations simulated first), but no listing is written or loaded
    // and nothing is saved: the listing on display stays that of an earlier geometry, out of date
    // until the next Calculate. False, with why (may be null), when the run gave no ellipses; the
    // ellipses are then invalid.
    bool CalculateEllipses(std::string* why = nullptr);

    // ---- Undo and redo ----------------------------------------------------------------------
    // The network of `target` back (NetworkDocument::RestoreImage), with the left-out marks of
    // its state.
    bool RestoreNetwork(std::shared_ptr<const NetworkImage> target, const NetworkImage& other) {
        return RestoreImage(std::move(target), other);
    }

    // The document slots behind the engine tables of the last run: theodolite slot of station i,
    // point slot of target j (-1 for a scale-bar end).
    const std::vector<int>& RunStationSlots() const { return runSlots_.stations; }
    const std::vector<int>& RunTargetSlots() const { return runSlots_.targets; }

protected:
    bool RunForm(FormId form) override;

private:
    // The slots, left-out marks and timings of a run that reached the engine.
    void TakeRun(CalculateRun& run);

    EngineSlots runSlots_; // of the tables of the last wsimmavo
    std::vector<std::pair<std::string, double>> lastRunTimings_;
};

} // namespace kivo
