#pragma once

namespace kivo {

// The phases of a Calculate, in the order a run goes through them.
enum class CalcPhase { Tables, Analysis, Iterations, Covariances, Listing };
constexpr int kCalcPhases = 5;

// The phase's name as the status bar and kivo-cli show it.
inline const char* CalcPhaseName(CalcPhase phase) {
    static const char* const names[kCalcPhases] = {"tables", "analysis", "iterations", "covariances",
                                                   "listing"};
    return names[static_cast<int>(phase)];
}

// Progress and question channel between the engine and the program. The program creates it and
// hands it to the project; the engine may report through it but never needs an answer.
class Feedback {
public:
    virtual ~Feedback() = default;
    virtual void feedback(const char* /*text*/) {}
    virtual int decision(const char* /*question*/) { return 0; }
    // The run enters a phase (step counts the iterations from 1; 0 for the other phases). It may be
    // called from a thread other than the program's. False asks the run to stop: it then ends with
    // mavo::kCancelled before the next phase and writes nothing; a listing already begun is finished.
    virtual bool progress(CalcPhase /*phase*/, int /*step*/) { return true; }

    void* theApp = nullptr; // the application object, opaque to the engine
};

} // namespace kivo
