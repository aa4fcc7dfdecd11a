#pragma once
// Measure > Verify by Simulation: the form for the number of realisations and the seed, the run on a
// thread of its own behind a progress window with Cancel, and the window of results (one row per
// element; a double click selects the element in the views).

#include <QDialog>
#include <cstdint>
#include <memory>

#include "adjustment/simulation_check.h"

class QLabel;
class QTableWidget;

namespace kivo::app {

struct SimulationCheckChoice {
    int samples = 1000;
    std::uint64_t seed = 1;
};

// The form; false when it was cancelled (choice unchanged).
bool AskSimulationCheck(QWidget* parent, SimulationCheckChoice& choice);

// Runs the check on the tables of the last Calculate while a progress window shows how many
// realisations are done; Cancel (or closing the window) stops it between realisations. Then stores
// it in the document (FinishSimulationCheck). The check, or null when cancelled or failed.
std::shared_ptr<const SimulationCheck> RunSimulationCheck(QWidget* parent, kivoMDIClient& doc,
                                                          const SimulationCheckChoice& choice);

class SimulationCheckWindow : public QDialog {
    Q_OBJECT
public:
    SimulationCheckWindow(QWidget* parent, const kivoMDIClient& doc);
    void Show(std::shared_ptr<const SimulationCheck> check);
    QTableWidget* table() const { return table_; }

signals:
    // A row was double clicked: its element (kind SEL_THEO, SEL_POINT or SEL_SBAR, slot).
    void ElementChosen(int kind, int slot);

private:
    const kivoMDIClient& doc_;
    std::shared_ptr<const SimulationCheck> check_;
    QLabel* summary_;
    QTableWidget* table_;
};

} // namespace kivo::app
