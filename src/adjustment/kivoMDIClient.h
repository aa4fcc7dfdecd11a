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
struct result;
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
    // The value CmCalculate showed as "Mavo returns %d".
    int lastCalculateResult = 0;
    // The last CmCalculate could not write its listing (the user has been told); the listing of an
    // earlier run, if any, is still on disk but is not shown.
    bool listingWriteFailed = false;
    // The elements the last Calculate left out are the document's leftOutMarks (AdjustmentMarks),
    // which undo and redo restore with the network.
    using LeftOutMark = kivo::LeftOutMark;
    // The engine project of the run in progress, which wsimmavo fills and runs; it belongs to the
    // caller (CmCalculate holds it by value for one run) and is null between runs.
    project* pproject = nullptr;
    // The engine tables of the last Calculate, kept after it (shared, so that work started on them
    // keeps them while a new Calculate replaces them); null before the first one.
    std::shared_ptr<const project> lastRunTables;
    // What the engine found in the last Calculate (null before the first, or when the tables could not
    // be made); the names of its elements are those of lastRunTables.
    std::shared_ptr<const eng::Summary> lastSummary;
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
    void CmCalculate();
    int wsimmavo();
    void UpEllip(const char* name, double ha, double hb, double phi, int view);
    // Stores the ellipses of the last successful run into the elements, by their position in the
    // engine's tables (stations in slot order, then scale-bar ends, then points).
    void ReadResults();
    // Stores ellipses read from engine results by the slots of the tables they were computed on.
    void StoreEllipses(const result& r, const EngineSlots& slots);
    // Fills leftOutMarks from an engine run on the tables of the last wsimmavo.
    void MarkLeftOut(const eng::Summary& s);
    // Fills leftOutMarks from the engine elements flagged as left out (by the tables' slots).
    void MarkLeftOut(const std::vector<char>& leftOut, const EngineSlots& slots);
    // Seconds per phase of the last engine run (simulation first), for the benchmark and the CLI.
    const std::vector<std::pair<std::string, double>>& LastRunTimings() const { return lastRunTimings_; }

    // ---- Dragging ---------------------------------------------------------------------------
    // The end of a drag whose last pointer pixel was (x, y): if the element moved (or moved is
    // true: a live drag has moved it already), recalculate (bRecalc) or mark the ellipses invalid.
    void EndDrag(int view, int x, int y, bool moved = false);

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
    EngineSlots runSlots_; // of the tables of the last wsimmavo
    std::vector<std::pair<std::string, double>> lastRunTimings_;
};

} // namespace kivo
