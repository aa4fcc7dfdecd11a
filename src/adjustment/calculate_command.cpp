// Measure > Calculate: simulate, run the engine, store the error ellipses, redraw, load the listing;
// and the end of a drag, which recalculates when the project asks for it.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "adjustment/ellipsoid.h"
#include "adjustment/kivoMDIClient.h"
#include "engine/feedback.h"
#include "engine/mavo.h"
#include "engine/project.h"
#include "engine/summary.h"
#include "model/precision_text.h"

namespace kivo {

namespace {

// The first standard deviation of Measure > Std Dev & Weights that is not positive while
// observations of its kind go to the adjustment (they are left out, which usually leaves elements
// undetermined); null when there is none.
const char* StdDevNotPositive(const kivoMDIClient& doc, const project& t) {
    auto bad = [](double sd) { return !(sd > 0.0) || !std::isfinite(sd); };
    int bars = 0;
    for (int i = 0; i < doc.nMaxSBars; ++i)
        bars += (doc.sbarList[i].flags & ELEM_INUSE) ? 1 : 0;
    if (t.maxdir1 > 0 && bad(doc.hSDAngle)) return "horizontal directions";
    if (t.maxdir2 > 0 && bad(doc.vSDAngle)) return "zenith angles";
    if (t.maxdist > bars && bad(doc.SDDistance)) return "distances";
    if (bars > 0 && bad(doc.SDSBarLength)) return "scale-bar lengths";
    if (t.maxdifh > 0 && bad(doc.SDHeight)) return "height differences";
    return nullptr;
}

// Why elements were left out, in a few words: all not determined, all not connected, or both.
std::string LeftOutWords(const kivoMDIClient& doc) {
    const int n = static_cast<int>(doc.leftOutMarks.size());
    bool notDetermined = false, notConnected = false; // some left out for this reason
    if (doc.lastSummary)
        for (const eng::LeftOut& lo : doc.lastSummary->leftOut)
            (lo.connected ? notDetermined : notConnected) = true;
    const char* why = notConnected && !notDetermined ? "not connected to the fixed part of the network"
                      : notConnected                 ? "not determined by their observations or not connected"
                      : n == 1                       ? "not determined by its observations"
                                                     : "not determined by their observations";
    return std::to_string(n) + (n == 1 ? " element" : " elements") + " left out: " + why;
}

// The failure of a run in plain words, then what to do: the first real cause, as the listing's
// headline gives it.
std::string FailureWords(const kivoMDIClient& doc, const project& t) {
    if (doc.lastRunOutOfMemory) return doc.lastRunFailure + " - close other programs or reduce the network";
    const eng::Summary* s = doc.lastSummary.get();
    switch (t.istat) {
    case mavo::kNamesNotUnique:
        return "two elements share a name (ignoring case)" +
               (s && !s->duplicates.empty() ? ": " + s->duplicates.front() : std::string()) +
               " - rename one in its form";
    case mavo::kSingular:
        return "the normal equations are singular: the network is not determined as observed - check the "
               "coordinates and the observations, see the listing";
    case mavo::kListingFailed:
        return "the listing could not be written - free disk space or check the folder's permissions";
    case mavo::kNoConvergence:
        return "the adjustment did not converge - check the coordinates and the observations, see the "
               "listing";
    default:
        break;
    }
    if (!doc.leftOutMarks.empty())
        return "nothing could be adjusted, " + LeftOutWords(doc) + " - add sightings, see the listing";
    if (t.maxsta + t.maxtar == 0) return "nothing to adjust - place theodolites and points and sight them";
    return "the adjustment failed - see the listing";
}

// "Mavo returns N", then what the run found: the largest 1-sigma ellipsoid semi-axis and whose it
// is, and how many elements were left out; after a failure, what happened and the next step.
std::string CalculateStatus(const kivoMDIClient& doc, int result, const project& tables) {
    std::string status = "Mavo returns " + std::to_string(result);
    const char* badStdDev = StdDevNotPositive(doc, tables);
    const std::string stdDevWords = badStdDev ? std::string("standard deviation of ") + badStdDev +
                                                    " is not positive - Measure > Std Dev & Weights"
                                              : std::string();
    // A standard deviation the adjustment cannot use is the first cause of whatever followed from
    // leaving its observations out (unless memory ran out first).
    if (result != 0)
        return status + ": " +
               (badStdDev && !doc.lastRunOutOfMemory ? stdDevWords : FailureWords(doc, tables));
    const PrecisionFigures f = SummarisePrecision(doc);
    if (!f.largestName.empty())
        status += ", largest ellipsoid axis " + FormatPrecision(f.largestAxis, doc.units) + " (" +
                  f.largestName + ")";
    status += doc.leftOutMarks.empty() ? ", none left out" : ", " + LeftOutWords(doc) + " - see the listing";
    if (badStdDev) status += "; " + stdDevWords;
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
    lastCalculateStatus = CalculateStatus(*this, result, tables);
    StatBarMessage(lastCalculateStatus);
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
