#pragma once
// The thread behind live precision: while an element is dragged, the ellipses of the network are
// recomputed off the GUI thread for the element's latest position. Only the newest position waits:
// the positions it overtakes are dropped, so updates never queue up behind the pointer, and a run
// made moot (the release, a fresh analysis) is cancelled. Results come back on the GUI thread, are
// stored into the document and the views repainted; the repaints that only move the element are
// held to 25 a second.

#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "adjustment/live_session.h"

namespace kivo::views {

class LiveWorker : public QObject {
    Q_OBJECT
public:
    explicit LiveWorker(QObject* parent = nullptr);
    ~LiveWorker() override;

    // A drag of (kind, slot) starts: the network's tables are taken now, analysed on the thread.
    void Begin(kivoMDIClient& doc, int kind, int slot);
    // The dragged element has a new position in the document.
    void Moved();
    // The views show the moved element: repainted within 40 ms (a result repaints them at once).
    void RepaintSoon();
    // The drag ended: a run in progress is dropped and no later result reaches the document.
    void End();
    bool Active() const { return doc_ != nullptr; }

    // Counts since the last Begin: results stored, runs cancelled, fresh analyses, and the seconds
    // of the last run.
    struct Stats {
        int applied = 0, cancelled = 0, restarts = 0;
        double lastSeconds = 0.0;
    };
    Stats stats() const;
    // Blocks until the thread has nothing left to do (for tests and the screenshot harness).
    void WaitIdle();

signals:
    // A live result was stored into the document.
    void Applied();

private:
    void Post();
    void Run(); // on the thread
    void Deliver(int generation, std::shared_ptr<LivePrecisionSession> s, std::vector<LiveEllipse> r,
                 double seconds);
    void Restart(int generation);
    void Failed(int generation);

    QThread thread_;
    QObject runner_; // lives on thread_; Run is queued to it
    kivoMDIClient* doc_ = nullptr;
    QElapsedTimer dragTimer_;
    QTimer repaint_;
    int kind_ = 0, slot_ = -1;

    mutable std::mutex m_; // guards everything below
    std::shared_ptr<LivePrecisionSession> session_;
    bool needSetup_ = false, hasPending_ = false, busy_ = false;
    bool failed_ = false; // the last run gave no ellipses: the next move analyses afresh
    std::vector<LiveMove> pending_;
    int generation_ = 0;
    Stats stats_;
    std::atomic<bool> cancel_{false};
};

// The program's one worker (created on first use, owned by the application object).
LiveWorker& TheLiveWorker();

} // namespace kivo::views
