#pragma once
// Measure > Suggest Sightings and Measure > Station Heat Map: the design advice in two forms.

#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "adjustment/design_advice.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::forms {

// The 20 missing sightings that help most, with their gains; a double click on a row adds that
// sighting as the measuring tools do and redraws the views.
class SuggestSightingsForm : public QDialog {
    Q_OBJECT
public:
    SuggestSightingsForm(QWidget* parent, kivoMDIClient& doc, const SightingAdviceResult& advice);
    QTableWidget* table() const { return table_; }
    // Adds the sighting of a row (what a double click does); false when nothing was added.
    bool AddRow(int row);

private:
    kivoMDIClient& doc_;
    std::vector<SightingSuggestion> rows_;
    QTableWidget* table_;
    QLabel* note_;
};

// Measure > Suggest Sightings: Calculates first when the ellipses are not those of the network as it
// stands, then shows the form (or says why there is no advice).
void CmSuggestSightings(QWidget* parent, kivoMDIClient& doc);

// The maximum range and the grid, then the field computed on a worker thread with a progress bar;
// Cancel stops it.
class StationHeatMapForm : public QDialog {
    Q_OBJECT
public:
    StationHeatMapForm(QWidget* parent, kivoMDIClient& doc);
    ~StationHeatMapForm() override;
    QLineEdit* rangeEdit() const { return range_; }
    QLineEdit* gridEdit() const { return grid_; }
    // Starts the computation (what Compute does); false, with the reason shown in the form, when
    // the input is not usable.
    bool Start();
    bool running() const { return worker_.joinable(); }
    // The finished field (ok false until one is done).
    const StationField& field() const { return field_; }

    void reject() override; // Cancel: stops a running computation first

private:
    void Poll();
    void Stop();
    kivoMDIClient& doc_;
    QLineEdit* range_;
    QLineEdit* grid_;
    QProgressBar* progress_;
    QLabel* status_;
    QPushButton* compute_;
    QTimer* timer_;
    std::thread worker_;
    std::atomic<bool> cancel_{false}, finished_{false};
    std::atomic<int> done_{0}, total_{1};
    StationField result_; // written by the worker, read once finished_ is set
    StationField field_;
};

// Measure > Station Heat Map: Calculates first when needed, runs the form; the field when one was
// computed and the form closed with it (ok false otherwise).
StationField CmStationHeatMap(QWidget* parent, kivoMDIClient& doc);

} // namespace kivo::forms
