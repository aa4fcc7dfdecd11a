#include "forms/advice_forms.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstring>

#include "adjustment/kivoMDIClient.h"
#include "model/element_names.h"
#include "model/precision_text.h"

namespace kivo::forms {

namespace {

const char* UnitName(int units) {
    static const char* names[4] = {"m", "mm", "ft", "in"};
    return names[units >= 0 && units < 4 ? units : 0];
}

// The form name with the view label beside it, as the user finds the element in a view.
QString Name(const COMMON& c) {
    return QString::fromStdString(ShownName(c));
}

// The advice starts from the ellipses of the network as it stands: Calculate when they are stale.
bool FreshCalculate(QWidget* parent, kivoMDIClient& doc) {
    if (!doc.bValEllip || !doc.lastRunTables || doc.lastCalculateResult != 0 || !doc.ResultsCurrent())
        doc.CmCalculate();
    if (doc.lastCalculateResult == 0 && doc.lastRunTables) return true;
    QMessageBox::warning(parent, QStringLiteral("KIVO"),
                         QStringLiteral("The network could not be adjusted; the listing says why."));
    return false;
}

} // namespace

SuggestSightingsForm::SuggestSightingsForm(QWidget* parent, kivoMDIClient& doc,
                                           const SightingAdviceResult& advice)
    : QDialog(parent), doc_(doc), rows_(advice.ranked) {
    setObjectName(QStringLiteral("suggestSightingsForm"));
    setWindowTitle(QStringLiteral("Suggest Sightings"));
    auto* layout = new QVBoxLayout(this);
    const char* unit = PrecisionUnitName(doc.units);
    QString head = QStringLiteral("Worst element: %1, largest axis (1 sigma) %2.")
                       .arg(QString::fromStdString(advice.worst),
                            QString::fromStdString(FormatPrecision(advice.worstAxis, doc.units)));
    if (doc.precision.isSet())
        head += QStringLiteral(" %1 element(s) outside the tolerance.").arg(advice.outside);
    auto* label = new QLabel(head, this);
    label->setObjectName(QStringLiteral("worstLabel"));
    layout->addWidget(label);

    const bool tolerance = doc.precision.isSet();
    table_ = new QTableWidget(static_cast<int>(rows_.size()), tolerance ? 5 : 4, this);
    table_->setObjectName(QStringLiteral("suggestions"));
    QStringList headers = {QStringLiteral("Theodolite"), QStringLiteral("Point"), QStringLiteral("Sighting"),
                           QStringLiteral("Gain (%1)").arg(QString::fromLatin1(unit))};
    if (tolerance) headers << QStringLiteral("Brought within");
    table_->setHorizontalHeaderLabels(headers);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->setVisible(false);
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const SightingSuggestion& s = rows_[static_cast<std::size_t>(r)];
        table_->setItem(r, 0, new QTableWidgetItem(Name(doc.theoList[s.theo])));
        table_->setItem(r, 1, new QTableWidgetItem(Name(doc.pointList[s.point])));
        table_->setItem(
            r, 2,
            new QTableWidgetItem(s.distance ? QStringLiteral("distance") : QStringLiteral("direction")));
        auto* gain = new QTableWidgetItem(QString::fromStdString(FormatPrecisionNumber(s.gain, doc.units)));
        gain->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(r, 3, gain);
        if (tolerance) table_->setItem(r, 4, new QTableWidgetItem(QString::number(s.broughtWithin)));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(460, 380);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { AddRow(row); });
    layout->addWidget(table_);
    note_ = new QLabel(rows_.empty() ? QStringLiteral("No missing sighting would help.")
                                     : QStringLiteral("Double click a row to add the sighting."),
                       this);
    note_->setObjectName(QStringLiteral("note"));
    layout->addWidget(note_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool SuggestSightingsForm::AddRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
    if (!AddSuggestedSighting(doc_, rows_[static_cast<std::size_t>(row)])) return false;
    // The gains were those of the network without it: the ellipses are stale now.
    doc_.bValEllip = false;
    doc_.UpdateViews(true);
    for (int c = 0; c < table_->columnCount(); ++c)
        if (QTableWidgetItem* it = table_->item(row, c)) it->setFlags(it->flags() & ~Qt::ItemIsEnabled);
    note_->setText(QStringLiteral("Added. Calculate again for the gains of the network as it is now."));
    return true;
}

void CmSuggestSightings(QWidget* parent, kivoMDIClient& doc) {
    if (!FreshCalculate(parent, doc)) return;
    const SightingAdviceResult advice = SuggestSightings(doc, 20);
    if (!advice.ok) {
        QMessageBox::information(parent, QStringLiteral("KIVO"),
                                 QStringLiteral("No advice: %1").arg(QString::fromStdString(advice.why)));
        return;
    }
    SuggestSightingsForm form(parent, doc, advice);
    form.exec();
}

StationHeatMapForm::StationHeatMapForm(QWidget* parent, kivoMDIClient& doc) : QDialog(parent), doc_(doc) {
    setObjectName(QStringLiteral("stationHeatMapForm"));
    setWindowTitle(QStringLiteral("Station Heat Map"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    range_ = new QLineEdit(QStringLiteral("0"), this);
    range_->setObjectName(QStringLiteral("range"));
    range_->setToolTip(QStringLiteral("Points farther than this are not sighted; 0: every point"));
    grid_ = new QLineEdit(QStringLiteral("40"), this);
    grid_->setObjectName(QStringLiteral("grid"));
    fields->addRow(
        QStringLiteral("Maximum range (%1, 0: none)").arg(QString::fromLatin1(UnitName(doc.units))), range_);
    fields->addRow(QStringLiteral("Cells each way"), grid_);
    layout->addLayout(fields);
    auto* explain =
        new QLabel(QStringLiteral("One more theodolite at the default height, sighting every point "
                                  "in range: the largest error-ellipsoid axis of the network."),
                   this);
    explain->setWordWrap(true);
    layout->addWidget(explain);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    layout->addWidget(progress_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    compute_ = buttons->addButton(QStringLiteral("Compute"), QDialogButtonBox::AcceptRole);
    compute_->setObjectName(QStringLiteral("compute"));
    connect(compute_, &QPushButton::clicked, this, [this] { Start(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &StationHeatMapForm::reject);
    layout->addWidget(buttons);
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &StationHeatMapForm::Poll);
}

StationHeatMapForm::~StationHeatMapForm() {
    Stop();
}

bool StationHeatMapForm::Start() {
    if (running()) return false;
    bool okRange = false, okGrid = false;
    const double range = range_->text().trimmed().toDouble(&okRange);
    const int grid = grid_->text().trimmed().toInt(&okGrid);
    if (!okRange || !(range >= 0.0)) {
        status_->setText(QStringLiteral("The range must be a number of 0 or more."));
        return false;
    }
    if (!okGrid || grid < 2 || grid > 200) {
        status_->setText(QStringLiteral("The grid must have 2 to 200 cells each way."));
        return false;
    }
    const StationFieldJob job = PrepareStationField(doc_, range, grid, grid);
    if (!job.run) {
        status_->setText(QString::fromStdString(job.why));
        return false;
    }
    cancel_ = false;
    finished_ = false;
    done_ = 0;
    total_ = grid * grid;
    compute_->setEnabled(false);
    range_->setEnabled(false);
    grid_->setEnabled(false);
    status_->setText(QStringLiteral("Computing..."));
    worker_ = std::thread([this, job] {
        result_ = job.run(&cancel_, [this](int done, int total) {
            done_ = done;
            total_ = total;
        });
        finished_ = true;
    });
    timer_->start();
    return true;
}

void StationHeatMapForm::Poll() {
    progress_->setValue(static_cast<int>(100.0 * done_.load() / std::max(1, total_.load())));
    if (!finished_) return;
    timer_->stop();
    worker_.join();
    if (result_.ok) {
        field_ = result_;
        QDialog::accept();
        return;
    }
    compute_->setEnabled(true);
    range_->setEnabled(true);
    grid_->setEnabled(true);
    status_->setText(QString::fromStdString(result_.why));
}

void StationHeatMapForm::Stop() {
    if (!worker_.joinable()) return;
    cancel_ = true;
    worker_.join();
    timer_->stop();
}

void StationHeatMapForm::reject() {
    Stop();
    QDialog::reject();
}

StationField CmStationHeatMap(QWidget* parent, kivoMDIClient& doc) {
    if (!FreshCalculate(parent, doc)) return {};
    StationHeatMapForm form(parent, doc);
    if (form.exec() != QDialog::Accepted) return {};
    return form.field();
}

} // namespace kivo::forms
