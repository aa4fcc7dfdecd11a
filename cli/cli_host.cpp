#include "cli_host.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "adjustment/kivoMDIClient.h"
#include "engine/feedback.h"
#include "engine/mavo.h"
#include "engine/project.h"
#include "model/byte_stream.h"

namespace kivo::cli {

int CliHost::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon) {
    if (caption == "Error" && text.rfind("Error # ", 0) == 0) errorCode = std::atoi(text.c_str() + 8);
    for (const auto& [prefix, answer] : answers_)
        if (text.rfind(prefix, 0) == 0 && buttons != MsgButtons::Ok) return answer;
    if (caption == "Error")
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return SafeAnswer(buttons);
}

void CliHost::StatusText(const std::string& text) {
    status = text;
}

bool CliHost::OpenFileDialog(const std::string&, std::string& path) {
    path = dialogPath;
    return !path.empty();
}

bool CliHost::SaveFileDialog(const std::string&, std::string& path) {
    path = dialogPath;
    return !path.empty();
}

namespace {

// Each phase of the run as it begins, on a line of its own.
class PhasePrinter : public Feedback {
public:
    bool progress(CalcPhase phase, int step) override {
        if (phase == last_ && step == 0) return true; // the tables are reported by two layers
        last_ = phase;
        if (step > 0)
            std::fprintf(stderr, "Calculating: %s %d\n", CalcPhaseName(phase), step);
        else
            std::fprintf(stderr, "Calculating: %s\n", CalcPhaseName(phase));
        return true;
    }

private:
    CalcPhase last_ = CalcPhase::Listing;
};

} // namespace

void CalculateShowingPhases(kivoMDIClient& doc) {
    if (!isatty(STDERR_FILENO)) {
        doc.CmCalculate();
        return;
    }
    PhasePrinter printer;
    doc.CmCalculate(&printer);
}

void ReportFailedAdjustment(const kivoMDIClient& doc) {
    // The engine's own status tells a run whose only failure was its listing.
    const bool onlyListing = doc.lastRunTables && doc.lastRunTables->istat == mavo::kListingFailed;
    if (doc.lastCalculateResult == 0 || onlyListing) return;
    // The status line names the cause and the next step, as the program's status bar does.
    const std::string status = doc.lastCalculateStatus.empty()
                                   ? "Mavo returns " + std::to_string(doc.lastCalculateResult)
                                   : doc.lastCalculateStatus;
    if (doc.listingWriteFailed) // the host has said why there is no listing
        std::fprintf(stderr, "The adjustment failed (%s).\n", status.c_str());
    else
        std::fprintf(stderr, "The adjustment failed (%s); the listing %s has the details.\n", status.c_str(),
                     ChangeFileExt(doc.OpenName, ".OUT").c_str());
}

int CalculateForResults(kivoMDIClient& doc) {
    CalculateShowingPhases(doc);
    ReportFailedAdjustment(doc);
    if (doc.listingWriteFailed) return EXIT_UNWRITABLE; // the host has said so
    return doc.lastCalculateResult == 0 ? EXIT_OK : EXIT_ENGINE;
}

bool LockProject(ProjectLock& lock, const std::string& path) {
    constexpr int kWaitMs = 120 * 1000;
    if (lock.Acquire(path, kWaitMs) != ProjectLock::State::InUse) return true;
    std::fprintf(stderr, "KIVO: the project %s is in use by another run (process %ld); try again later\n",
                 path.c_str(), lock.holder());
    return false;
}

bool OpenProject(kivoMDIClient& doc, CliHost& host, const std::string& path) {
    host.errorCode = 0;
    doc.OpenSIMFile(path);
    if (doc.bFileOpen) return true;
    if (host.errorCode == 0) std::fprintf(stderr, "Error # %d\n", 10);
    return false;
}

void NewProject(kivoMDIClient& doc, const std::string& path) {
    doc.CmFileNew();
    // File > New leaves the project unnamed; the command line names it at once. The name is kept
    // as given (no upper-casing), so that scripts find the file they asked for.
    doc.OpenName = path;
    doc.bFileNamed = true;
}

bool SaveProject(kivoMDIClient& doc) {
    doc.GetWindowLayout();
    const bool isProtected = WriteProtected(doc.OpenName);
    if (isProtected || !doc.WriteSimFile()) {
        std::fprintf(stderr, "KIVO: the project could not be saved as %s: %s\n", doc.OpenName.c_str(),
                     isProtected ? "the file is write-protected" : std::strerror(errno));
        return false;
    }
    doc.bFileDirty = false;
    return true;
}

int CommandProject::Open(const std::string& path) {
    if (!LockProject(lock, path)) return EXIT_UNWRITABLE;
    if (!OpenProject(doc, host, path)) return EXIT_UNREADABLE;
    return EXIT_OK;
}

int CommandProject::OpenOrNew(const std::string& path, bool& exists) {
    if (!LockProject(lock, path)) return EXIT_UNWRITABLE;
    std::error_code ec;
    exists = std::filesystem::exists(path, ec);
    if (!exists) {
        NewProject(doc, path);
        return EXIT_OK;
    }
    return OpenProject(doc, host, path) ? EXIT_OK : EXIT_UNREADABLE;
}

int CommandProject::OpenCalculated(const std::string& path) {
    const int status = Open(path);
    return status == EXIT_OK ? CalculateForResults(doc) : status;
}

} // namespace kivo::cli
