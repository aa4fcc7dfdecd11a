// Measure > Calculate: simulate, run the engine, store the error ellipses, redraw, load the listing;
// and the end of a drag, which recalculates when the project asks for it.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "adjustment/ellipsoid.h"
#include "adjustment/kivoMDIClient.h"
#include "engine/feedback.h"
#include "engine/mavo.h"
#include "engine/project.h"

namespace kivo {

namespace {

// "Mavo returns N", then what the run found: the largest 1-sigma ellipsoid semi-axis and whose it
// is, and how many elements were left out.
std::string CalculateStatus(const kivoMDIClient& doc, int result) {
    std::string status = "Mavo returns " + std::to_string(result);
    const PrecisionFigures f = SummarisePrecision(doc);
    if (result == 0 && !f.largestName.empty()) {
        static const char* const unitNames[] = {"m", "mm", "ft", "in"};
        char text[160];
        std::snprintf(text, sizeof text, ", largest ellipsoid axis %.4g %s (%s)", f.largestAxis,
                      doc.units >= 0 && doc.units <= 3 ? unitNames[doc.units] : "", f.largestName.c_str());
        status += text;
    }
    if (const int n = f.leftOut; n > 0)
        status +=
            ", " + std::to_string(n) + (n == 1 ? " element" : " elements") + " left out (see the listing)";
    else if (result == 0)
        status += ", none left out";
    return status;
}

} // namespace

void kivoMDIClient::CmCalculate(Feedback* feedback) {
    host_->SetCursor(CursorKind::HourGlass);
    const std::unique_ptr<CalculateRun> run = BeginCalculate();
    run->Run(feedback);
    host_->SetCursor(CursorKind::Arrow);
    FinishCalculate(*run);
}

std::unique_ptr<CalculateRun> kivoMDIClient::BeginCalculate() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    RunSimulation();
    const double simulation = std::chrono::duration<double>(Clock::now() - start).count();
    if (bAutosave && bFileDirty) CmSaveFile();
    // The engine objects live for this run only; the tables stay with the document after a run that
    // was not cancelled (lastRunTables).
    std::unique_ptr<CalculateRun> run(
        new CalculateRun(*this, std::make_shared<project>(nullptr, OpenName.c_str())));
    run->simulation_ = simulation;
    return run;
}

void kivoMDIClient::FinishCalculate(CalculateRun& run) {
    using Clock = std::chrono::steady_clock;
    if (run.Cancelled()) {
        StatBarMessage("Calculate cancelled");
        return;
    }
    DiscardOutput();
    leftOutMarks.clear();
    TakeRun(run);
    const int result = run.result_;
    lastRunTimings_.insert(lastRunTimings_.begin(), {"simulation", run.simulation_});
    project& tables = *run.tables_;
    if (result == 0) StoreEllipses(*tables.runresults, runSlots_);
    lastRunOutOfMemory = run.outOfMemory_;
    std::string status = CalculateStatus(*this, result);
    if (lastRunOutOfMemory) status += ": " + lastRunFailure;
    StatBarMessage(status);
    lastRunTables = run.tables_;
    listingWriteFailed = tables.listingError != 0;
    if (listingWriteFailed)
        host_->MessageBox("The listing could not be written to " + tables.listingName() + ": " +
                              std::strerror(tables.listingError) + ".",
                          "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);

    // Only a successful run gives ellipses to draw; after a failure the listing says why.
    bValEllip = result == 0;
    host_->EnableMenuItem(cmd::Ellipse, bValEllip);
    UpdateViews(true);
    const auto loading = Clock::now();
    // A listing that could not be written is not shown: what is on disk belongs to an earlier run.
    bValFile = !listingWriteFailed && LoadOutput();
    lastRunTimings_.emplace_back("listing load",
                                 std::chrono::duration<double>(Clock::now() - loading).count());
    lastCalculateResult = result;
}

// The end of a drag with the select tool: a moved element either recalculates the network (with
// "recalculate after a move" set), keeps the ellipses it was followed with (live precision), or
// leaves the ellipses and left-out marks stale.
void kivoMDIClient::EndDrag(int view, int x, int y, bool moved) {
    if (!NewPosition(x, y, view) && !moved) return;
    if (bRecalc) {
        CmCalculate();
        return;
    }
    if (bLivePrecision) {
        std::string why;
        if (CalculateEllipses(&why)) return;
        // The engine's reason as the listing gives it, less its pointer into the listing.
        if (const std::size_t see = why.find(" (see "); see != std::string::npos) why.resize(see);
        StatBarMessage("No ellipses at the new position: " + why +
                       ". Calculate (F5) writes a listing that says more.");
    }
    bValEllip = false;
    leftOutMarks.clear();
    host_->EnableMenuItem(cmd::Ellipse, false);
    UpdateViews(true);
}

bool kivoMDIClient::CalculateEllipses(std::string* why) {
    host_->SetCursor(CursorKind::HourGlass);
    RunSimulation();
    // A project without a file name writes no listing.
    CalculateRun run(*this, std::make_shared<project>(nullptr, ""));
    run.Run(nullptr);
    host_->SetCursor(CursorKind::Arrow);
    leftOutMarks.clear();
    TakeRun(run);
    lastRunOutOfMemory = run.outOfMemory_;
    lastRunTables = run.tables_;
    lastCalculateResult = run.result_;
    const bool ok = run.result_ == 0;
    if (ok)
        StoreEllipses(*run.tables_->runresults, runSlots_);
    else if (why)
        *why = run.failure_.empty() ? "the adjustment failed" : run.failure_;
    bValEllip = ok;
    host_->EnableMenuItem(cmd::Ellipse, ok);
    UpdateViews(true);
    return ok;
}

} // namespace kivo
