#include "views/live_worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPointer>
#include <chrono>
#include <thread>

#include "adjustment/kivoMDIClient.h"

namespace kivo::views {

// QT_LOGGING_RULES="kivo.live.debug=true" reports each drag's update rate when it ends.
Q_LOGGING_CATEGORY(lcLive, "kivo.live", QtWarningMsg)

LiveWorker::LiveWorker(QObject* parent) : QObject(parent) {
    thread_.setObjectName(QStringLiteral("live precision"));
    runner_.moveToThread(&thread_);
    thread_.start();
    repaint_.setSingleShot(true);
    repaint_.setInterval(40);
    connect(&repaint_, &QTimer::timeout, this, [this] {
        if (doc_) doc_->UpdateViews(false);
    });
}

void LiveWorker::RepaintSoon() {
    if (!repaint_.isActive()) repaint_.start();
}

LiveWorker::~LiveWorker() {
    End();
    thread_.quit();
    thread_.wait();
}

void LiveWorker::Begin(kivoMDIClient& doc, int kind, int slot) {
    if (!doc_) dragTimer_.start();
    doc_ = &doc;
    kind_ = kind;
    slot_ = slot;
    auto s = std::shared_ptr<LivePrecisionSession>(LivePrecisionSession::Start(doc, kind, slot));
    {
        std::lock_guard lock(m_);
        ++generation_;
        session_ = std::move(s);
        needSetup_ = true;
        hasPending_ = false;
        stats_ = Stats{};
        failed_ = false;
        cancel_ = true; // a run for the earlier session is moot
    }
    Post();
}

void LiveWorker::Moved() {
    if (!doc_) return;
    {
        std::lock_guard lock(m_);
        if (!session_) return;
        if (failed_) {
            // No ellipses at the last position: the network is analysed afresh at this one.
            failed_ = false;
            QMetaObject::invokeMethod(
                this, [this, g = generation_] { Restart(g); }, Qt::QueuedConnection);
            return;
        }
        pending_ = session_->Moves(*doc_);
        hasPending_ = true;
        // The positions a run has not started on are dropped for the newest one. The running run
        // is let finish: it cannot stop before its first phase, the longest on a large network, so
        // dropping it under a pointer that keeps moving halves the results shown (or shows none).
    }
    Post();
}

void LiveWorker::End() {
    if (doc_ && lcLive().isDebugEnabled()) {
        const Stats st = stats();
        const double seconds = dragTimer_.nsecsElapsed() * 1e-9;
        qCDebug(lcLive,
                "drag of %.2f s: %d results shown (%.1f per second), %d runs cancelled, %d fresh "
                "analyses, last run %.1f ms",
                seconds, st.applied, seconds > 0 ? st.applied / seconds : 0.0, st.cancelled, st.restarts,
                st.lastSeconds * 1e3);
    }
    doc_ = nullptr;
    std::lock_guard lock(m_);
    ++generation_;
    session_.reset();
    hasPending_ = needSetup_ = false;
    cancel_ = true;
}

void LiveWorker::Post() {
    {
        std::lock_guard lock(m_);
        if (busy_) return; // the running loop takes the newest request when it is done
        busy_ = true;
    }
    QMetaObject::invokeMethod(
        &runner_, [this] { Run(); }, Qt::QueuedConnection);
}

void LiveWorker::Run() {
    for (;;) {
        std::shared_ptr<LivePrecisionSession> s;
        std::vector<LiveMove> moves;
        bool setup = false;
        int generation = 0;
        {
            std::lock_guard lock(m_);
            if (!session_ || (!needSetup_ && !hasPending_)) {
                busy_ = false;
                return;
            }
            s = session_;
            generation = generation_;
            setup = needSetup_;
            needSetup_ = false;
            if (!setup) {
                moves = std::move(pending_);
                hasPending_ = false;
            }
            cancel_ = false;
        }
        QElapsedTimer timer;
        timer.start();
        LivePrecisionSession::Status st = LivePrecisionSession::Status::Failed;
        std::vector<LiveEllipse> results;
        try {
            if (setup)
                st = s->Setup() ? LivePrecisionSession::Status::Ok : LivePrecisionSession::Status::Failed;
            else
                st = s->Update(moves, &cancel_);
            if (st == LivePrecisionSession::Status::Ok) results = s->Results();
        } catch (const std::bad_alloc&) {
            // No room for the results: this position gives no ellipses, as a failed run gives none.
            st = LivePrecisionSession::Status::Failed;
        }
        const double seconds = timer.nsecsElapsed() * 1e-9;
        switch (st) {
        case LivePrecisionSession::Status::Ok:
            QMetaObject::invokeMethod(
                this,
                [this, generation, s, r = std::move(results), seconds] {
                    Deliver(generation, s, r, seconds);
                },
                Qt::QueuedConnection);
            break;
        case LivePrecisionSession::Status::Cancelled: {
            std::lock_guard lock(m_);
            ++stats_.cancelled;
            break;
        }
        case LivePrecisionSession::Status::StructureChanged:
            // What is determined changes at this position: a fresh analysis of the network there.
            QMetaObject::invokeMethod(
                this, [this, generation] { Restart(generation); }, Qt::QueuedConnection);
            break;
        case LivePrecisionSession::Status::Failed:
            QMetaObject::invokeMethod(
                this, [this, generation] { Failed(generation); }, Qt::QueuedConnection);
            break;
        }
    }
}

void LiveWorker::Deliver(int generation, std::shared_ptr<LivePrecisionSession> s, std::vector<LiveEllipse> r,
                         double seconds) {
    {
        std::lock_guard lock(m_);
        if (generation != generation_ || !doc_) return; // overtaken by a new session or the release
        ++stats_.applied;
        stats_.lastSeconds = seconds;
    }
    s->Apply(*doc_, r);
    repaint_.stop();
    doc_->UpdateViews(false);
    emit Applied();
}

void LiveWorker::Failed(int generation) {
    {
        std::lock_guard lock(m_);
        if (generation != generation_ || !doc_) return;
        failed_ = true;
    }
    // The ellipses shown belong to an earlier position: none is better than a wrong one.
    doc_->bValEllip = false;
    doc_->leftOutMarks.clear();
    doc_->host().EnableMenuItem(cmd::Ellipse, false);
    doc_->UpdateViews(false);
}

void LiveWorker::Restart(int generation) {
    {
        std::lock_guard lock(m_);
        if (generation != generation_ || !doc_) return;
    }
    const Stats kept = stats();
    Begin(*doc_, kind_, slot_);
    std::lock_guard lock(m_);
    stats_ = kept;
    ++stats_.restarts;
}

LiveWorker::Stats LiveWorker::stats() const {
    std::lock_guard lock(m_);
    return stats_;
}

void LiveWorker::WaitIdle() {
    for (;;) {
        {
            std::lock_guard lock(m_);
            if (!busy_) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCoreApplication::sendPostedEvents(this);
}

LiveWorker& TheLiveWorker() {
    static QPointer<LiveWorker> worker;
    if (!worker) worker = new LiveWorker(QCoreApplication::instance());
    return *worker;
}

} // namespace kivo::views
