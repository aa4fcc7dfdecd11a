#include "app/background_calculate.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace kivo::app {

namespace {

int gThreshold = 20000;

} // namespace

int BackgroundCalculate::Threshold() {
    return gThreshold;
}

void BackgroundCalculate::SetThreshold(int observations) {
    gThreshold = observations;
}

int BackgroundCalculate::ObservationsOf(const kivoMDIClient& doc) {
    long long n = doc.nNumDists + doc.nNumHeights;
    for (int i = 0; i < doc.nMaxTheos; ++i) {
        const THEODOLITE& t = doc.theoList[i];
        if (t.flags & ELEM_INUSE)
            n += t.thList.size() + t.ptList.size() + t.sbList.size() + t.dsList.size() + t.hdList.size();
    }
    return static_cast<int>(std::min<long long>(n, 1 << 30));
}

BackgroundCalculate::BackgroundCalculate(QMainWindow& frame, kivoMDIClient& doc, QWidget* input)
    : QObject(&frame), frame_(frame), doc_(doc), input_(input) {
    bar_ = new QProgressBar(&frame);
    bar_->setObjectName(QStringLiteral("calculateProgress"));
    bar_->setRange(0, kCalcPhases);
    bar_->setTextVisible(true);
    bar_->setMinimumWidth(bar_->fontMetrics().averageCharWidth() * 34);
    bar_->hide();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), &frame);
    cancel_->setObjectName(QStringLiteral("calculateCancel"));
    cancel_->setToolTip(
        QStringLiteral("Stop the Calculate (Esc): the ellipses and the listing stay as they were"));
    cancel_->setFocusPolicy(Qt::NoFocus);
    cancel_->hide();
    frame.statusBar()->addPermanentWidget(bar_);
    frame.statusBar()->addPermanentWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &BackgroundCalculate::Cancel);
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &frame);
    escape_->setContext(Qt::ApplicationShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, &BackgroundCalculate::Cancel);
    poll_ = new QTimer(this);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, &BackgroundCalculate::Show);
}

BackgroundCalculate::~BackgroundCalculate() {
    // The window goes: the run is stopped and dropped, nothing is stored.
    if (!thread_.joinable()) return;
    progress_.cancel = true;
    thread_.join();
}

void BackgroundCalculate::Start(const std::vector<QAction*>& locked) {
    if (run_) return;
    progress_.phase = 0;
    progress_.step = 0;
    progress_.cancel = false;
    // Editing is locked: no command, no mouse or key in the views (they still repaint).
    lockedActions_.clear();
    for (QAction* a : locked) {
        lockedActions_.emplace_back(a, a->isEnabled());
        a->setEnabled(false);
    }
    if (input_) input_->setEnabled(false);
    bar_->setValue(0);
    bar_->setFormat(
        QStringLiteral("Calculating: %1").arg(QString::fromLatin1(CalcPhaseName(CalcPhase::Tables))));
    bar_->show();
    cancel_->setEnabled(true);
    cancel_->show();
    escape_->setEnabled(true);
    QCoreApplication::processEvents(
        QEventLoop::ExcludeUserInputEvents); // the bar shows before the simulation
    // The simulation writes the observations into the document: here, before the thread reads it.
    run_ = doc_.BeginCalculate();
    Show();
    poll_->start();
    CalculateRun* run = run_.get();
    thread_ = std::thread([this, run] {
        run->Run(&progress_);
        QMetaObject::invokeMethod(this, &BackgroundCalculate::Done, Qt::QueuedConnection);
    });
}

void BackgroundCalculate::Show() {
    if (!run_) return;
    const int phase = progress_.phase.load();
    const int step = progress_.step.load();
    bar_->setValue(phase);
    QString text =
        QStringLiteral("Calculating: %1").arg(QString::fromLatin1(CalcPhaseName(CalcPhase(phase))));
    if (phase == static_cast<int>(CalcPhase::Iterations) && step > 0) text += QStringLiteral(" %1").arg(step);
    if (progress_.cancel) text = QStringLiteral("Cancelling...");
    bar_->setFormat(text);
}

void BackgroundCalculate::Cancel() {
    if (!run_) return;
    progress_.cancel = true;
    cancel_->setEnabled(false);
    Show();
}

void BackgroundCalculate::CancelAndWait() {
    if (!run_) return;
    Cancel();
    thread_.join();
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    Done();
}

void BackgroundCalculate::Done() {
    if (!run_) return;
    if (thread_.joinable()) thread_.join();
    poll_->stop();
    std::unique_ptr<CalculateRun> run = std::move(run_);
    Unlock();
    doc_.FinishCalculate(*run);
    emit Finished(run->Cancelled());
}

void BackgroundCalculate::Unlock() {
    bar_->hide();
    cancel_->hide();
    escape_->setEnabled(false);
    if (input_) input_->setEnabled(true);
    for (auto& [a, enabled] : lockedActions_)
        a->setEnabled(enabled);
    lockedActions_.clear();
}

} // namespace kivo::app
