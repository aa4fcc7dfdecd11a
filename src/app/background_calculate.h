#pragma once
// Measure > Calculate on a large network: the engine runs on a thread of its own while the window
// stays alive. The status bar shows the phase (tables, analysis, iterations, covariances, listing)
// with a Cancel button (or Esc); editing is locked meanwhile, the views keep repainting. A cancelled
// run leaves the ellipses and the listing of the run before; a finished one is stored exactly as the
// Calculate on the window's thread stores it.

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "engine/feedback.h"

class QAction;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QShortcut;
class QTimer;
class QWidget;

namespace kivo::app {

class BackgroundCalculate : public QObject {
    Q_OBJECT
public:
    // The progress bar and Cancel go into the frame's status bar; `locked` are the actions greyed
    // while a run goes on, `input` the widget whose mouse and keys are shut off (the MDI area).
    BackgroundCalculate(QMainWindow& frame, kivoMDIClient& doc, QWidget* input);
    ~BackgroundCalculate() override;

    // Networks with at least this many observations (point directions, distances, height
    // differences) run in the background; smaller ones run at once on the window's thread.
    static int Threshold();
    static void SetThreshold(int observations);
    static int ObservationsOf(const kivoMDIClient& doc);

    // Starts a run in the background; the actions in `locked` are disabled until it ends.
    void Start(const std::vector<QAction*>& locked);
    bool Running() const { return run_ != nullptr; }
    // Asks the run to stop; it ends (and the window unlocks) once the engine has reached its next
    // phase.
    void Cancel();
    // Cancels and waits for the thread (the window closes).
    void CancelAndWait();

    QProgressBar* progressBar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    // The run ended (finished, failed or cancelled) and the window is unlocked again.
    void Finished(bool cancelled);

private:
    // The engine's feedback: the phase reached, read by the window's timer; the cancel request.
    struct Progress : Feedback {
        std::atomic<int> phase{0}, step{0};
        std::atomic<bool> cancel{false};
        bool progress(CalcPhase p, int s) override {
            phase = static_cast<int>(p);
            step = s;
            return !cancel;
        }
    };

    void Show();
    void Done();
    void Unlock();

    QMainWindow& frame_;
    kivoMDIClient& doc_;
    QWidget* input_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QShortcut* escape_;
    QTimer* poll_;
    std::unique_ptr<CalculateRun> run_;
    Progress progress_;
    std::thread thread_;
    std::vector<std::pair<QAction*, bool>> lockedActions_;
};

} // namespace kivo::app
