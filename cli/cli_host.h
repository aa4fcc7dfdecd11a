#pragma once
// The host of kivo-cli: messages go to stderr, questions are answered from the command's options
// (otherwise with the safe answer, No / Cancel), forms are accepted unchanged, and the screen is
// taken as 96 dots per inch.

#include <map>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "files/atomic_file.h"
#include "model/host.h"

namespace kivo::cli {

class CliHost : public Host {
public:
    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;
    void StatusText(const std::string& text) override;
    bool OpenFileDialog(const std::string&, std::string& path) override;
    bool SaveFileDialog(const std::string&, std::string& path) override;
    bool RunForm(FormId, kivoMDIClient&) override { return true; }

    // The answer to a question whose text starts with `prefix` (IDYES / IDNO).
    void Answer(const std::string& prefix, int answer) { answers_[prefix] = answer; }
    // The path the next file dialog returns (empty: the dialog is cancelled).
    std::string dialogPath;
    // The last status-bar text.
    std::string status;
    // Number of error boxes shown, and the last error code ("Error # N").
    int errorCode = 0;

private:
    std::map<std::string, int> answers_;
};

// A command of kivo-cli: takes the arguments after the command name, returns the exit status.
using Command = int (*)(int argc, char** argv);

struct CommandEntry {
    const char* name;
    const char* usage;
    Command run;
};

// Exit statuses.
constexpr int EXIT_OK = 0;
constexpr int EXIT_USAGE = 1;
constexpr int EXIT_UNREADABLE = 2;
constexpr int EXIT_ENGINE = 3;
constexpr int EXIT_UNWRITABLE = 4;   // an output file (project, listing, input file, image) cannot be written
constexpr int EXIT_CHECK_FAILED = 5; // `check`: an element out of tolerance or left out; `montecarlo`: a flag

// Holds `path` locked for the rest of the run, so that no other run reads, changes and saves the
// project in between (a second run waits for the first, up to two minutes). False, with a message,
// when another run holds it past that wait. Where the lock cannot be made (a folder that may only be
// read, or none) the run goes on unlocked: it cannot save there either, and says so when it tries.
bool LockProject(ProjectLock& lock, const std::string& path);
// Opens a project into `doc`; prints "Error # N" on stderr and returns false when it cannot be read.
bool OpenProject(kivoMDIClient& doc, CliHost& host, const std::string& path);
// Creates a new project as File > New with both forms accepted unchanged.
void NewProject(kivoMDIClient& doc, const std::string& path);
// Says on stderr that the last Calculate failed, and where the listing says why (nothing when it
// adjusted, or when only its listing could not be written: the host has said so).
void ReportFailedAdjustment(const kivoMDIClient& doc);
// Measure > Calculate with its phases on stderr ("Calculating: tables", ...) when stderr is a
// terminal.
void CalculateShowingPhases(kivoMDIClient& doc);
// Runs Calculate for a command that reads its results: EXIT_OK when it adjusted; otherwise, with a
// message saying why, EXIT_UNWRITABLE when the listing could not be written and EXIT_ENGINE when the
// adjustment failed.
int CalculateForResults(kivoMDIClient& doc);
// Saves under the project's own name; false (with a message saying why) when it cannot be written.
bool SaveProject(kivoMDIClient& doc);

// The project a command works on, held locked for the command's whole run.
struct CommandProject {
    CliHost host;
    kivoMDIClient doc{&host};
    ProjectLock lock;
    // Locks and reads `path`: EXIT_OK, or the exit status of the failure (its message printed).
    int Open(const std::string& path);
    // Locks `path` and reads it, or starts a new project there when there is no file (`exists`
    // tells which).
    int OpenOrNew(const std::string& path, bool& exists);
    // Opens it and runs Calculate for a command that reads its results (see CalculateForResults).
    int OpenCalculated(const std::string& path);
};

} // namespace kivo::cli
