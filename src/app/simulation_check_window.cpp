#include "app/simulation_check_window.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

#include "model/precision_text.h"

namespace kivo::app {

namespace {

// A precision in the project's sub-unit, as everywhere else.
QString ErrorText(double lengthUnits, int units) {
    return QString::fromStdString(FormatPrecisionNumber(lengthUnits, units));
}

const char* VerdictText(SimulationCheckRow::Verdict v) {
    using V = SimulationCheckRow::Verdict;
    switch (v) {
    case V::Ok:
        return "ok";
    case V::Flagged:
        return "flagged";
    case V::Fixed:
        return "fixed";
    case V::LeftOut:
        return "left out";
    case V::Untested:
        break;
    }
    return "not tested";
}

} // namespace

bool AskSimulationCheck(QWidget* parent, SimulationCheckChoice& choice) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("verifySimulationDialog"));
    dialog.setWindowTitle(QStringLiteral("Verify by Simulation"));
    auto* layout = new QFormLayout(&dialog);
    auto* samples = new QSpinBox(&dialog);
    samples->setObjectName(QStringLiteral("verifySamples"));
    samples->setRange(2, 1000000);
    samples->setSingleStep(100);
    samples->setValue(choice.samples);
    layout->addRow(QStringLiteral("&Realisations:"), samples);
    // The seed as text: any whole number from 0 to 2^64 - 1.
    auto* seed = new QLineEdit(QString::number(choice.seed), &dialog);
    seed->setObjectName(QStringLiteral("verifySeed"));
    layout->addRow(QStringLiteral("&Seed:"), seed);
    auto* note = new QLabel(
        QStringLiteral("Each realisation adds Gaussian noise of their standard deviations to the simulated\n"
                       "observations and adjusts them; the same seed gives the same numbers."),
        &dialog);
    layout->addRow(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        bool ok = false;
        seed->text().trimmed().toULongLong(&ok);
        if (!ok) {
            seed->setFocus();
            seed->selectAll();
            note->setText(QStringLiteral("The seed must be a whole number from 0 to 18446744073709551615."));
            return;
        }
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice.samples = samples->value();
    choice.seed = seed->text().trimmed().toULongLong();
    return true;
}

std::shared_ptr<const SimulationCheck> RunSimulationCheck(QWidget* parent, kivoMDIClient& doc,
                                                          const SimulationCheckChoice& choice) {
    SimulationCheckRun run(doc, choice.samples, choice.seed);
    std::atomic<bool> cancel{false}, finished{false};
    std::atomic<int> done{0};
    QProgressDialog progress(QStringLiteral("Verifying by simulation..."), QStringLiteral("Cancel"), 0,
                             choice.samples, parent);
    progress.setObjectName(QStringLiteral("verifyProgress"));
    progress.setWindowTitle(QStringLiteral("Verify by Simulation"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    std::thread worker([&] {
        run.Run(&cancel, &done);
        finished = true;
    });
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
        progress.setValue(done.load());
        progress.setLabelText(QStringLiteral("Verifying by simulation: %1 of %2 realisations")
                                  .arg(done.load())
                                  .arg(choice.samples));
        if (finished) progress.accept();
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] { cancel = true; });
    poll.start();
    progress.exec();
    poll.stop();
    if (!finished) cancel = true; // the window was closed another way
    worker.join();
    FinishSimulationCheck(doc, run);
    const std::shared_ptr<SimulationCheck>& c = run.Result();
    if (c->cancelled || !c->ok) return nullptr;
    return c;
}

SimulationCheckWindow::SimulationCheckWindow(QWidget* parent, const kivoMDIClient& doc)
    : QDialog(parent), doc_(doc) {
    setObjectName(QStringLiteral("verifyResults"));
    setWindowTitle(QStringLiteral("Verification by Simulation"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("verifySummary"));
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("verifyTable"));
    table_->setColumnCount(5);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        // Rows of a check whose Calculate is no longer the last (another project) name nothing.
        if (!check_ || check_->tables != doc_.lastRunTables || !doc_.bFileOpen) return;
        if (row < 0 || row >= static_cast<int>(check_->rows.size())) return;
        const SimulationCheckRow& r = check_->rows[static_cast<std::size_t>(row)];
        if (r.slot >= 0) emit ElementChosen(r.kind, r.slot);
    });
    resize(640, 480);
}

void SimulationCheckWindow::Show(std::shared_ptr<const SimulationCheck> check) {
    check_ = std::move(check);
    if (!check_) return;
    const SimulationCheck& c = *check_;
    const QString unit = QString::fromLatin1(PrecisionUnitName(doc_.units));
    table_->clear();
    table_->setHorizontalHeaderLabels({QStringLiteral("Element"), QStringLiteral("Predicted (%1)").arg(unit),
                                       QStringLiteral("Simulated (%1)").arg(unit), QStringLiteral("Ratio"),
                                       QStringLiteral("Result")});
    table_->setRowCount(static_cast<int>(c.rows.size()));
    for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
        const SimulationCheckRow& r = c.rows[static_cast<std::size_t>(i)];
        using V = SimulationCheckRow::Verdict;
        const bool judged = r.verdict == V::Ok || r.verdict == V::Flagged;
        const QString cells[5] = {
            QString::fromStdString(r.name), judged ? ErrorText(r.predicted, doc_.units) : "",
            judged ? ErrorText(r.simulated, doc_.units) : "", judged ? QString::number(r.ratio, 'f', 3) : "",
            QString::fromLatin1(VerdictText(r.verdict))};
        for (int k = 0; k < 5; ++k) {
            auto* item = new QTableWidgetItem(cells[k]);
            if (k > 0 && k < 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (r.verdict == V::Flagged) item->setForeground(QColor(200, 0, 0));
            table_->setItem(i, k, item);
        }
    }
    table_->resizeColumnsToContents();
    QString text = QStringLiteral("%1 realisations (seed %2), %3 converged; %4 of %5 elements flagged; "
                                  "pooled variance ratio %6 (sampling std dev at most %7). Largest 1-sigma "
                                  "semi-axes; the listing gives the test.")
                       .arg(c.samples)
                       .arg(c.seed)
                       .arg(c.converged)
                       .arg(c.flagged)
                       .arg(c.tested)
                       .arg(c.pooledRatio, 0, 'f', 3)
                       .arg(c.pooledSd, 0, 'f', 3);
    if (!c.failed.empty())
        text +=
            QStringLiteral(" %1 realisations did not converge (listed in the listing).").arg(c.failed.size());
    summary_->setText(text);
    show();
    raise();
    activateWindow();
}

} // namespace kivo::app
