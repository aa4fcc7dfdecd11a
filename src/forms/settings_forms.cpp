#include "forms/settings_forms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "adjustment/kivoMDIClient.h"
#include "model/form_values.h"
#include "model/unit_change.h"

namespace kivo::forms {

namespace {

QFont ListFont() {
    QFont f(QStringLiteral("monospace"));
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

} // namespace

// ---- Project ------------------------------------------------------------------------------

TProjectForm::TProjectForm(QWidget* parent, kivoMDIClient& doc)
    : TForm(parent, doc, "Project Info", 22005, 141) {
    auto* grid = new QGridLayout;
    const char* labels[3] = {"Project", "Task", "Date"};
    const char* fields[3] = {doc.Project, doc.Task, doc.Date};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(MakeStatic(ctl::Unnamed, tr(labels[i])), i, 0);
        QLineEdit* e = MakeEdit(ctl::ProjectName + i, 79);
        e->setMinimumWidth(360);
        grid->addWidget(e, i, 1);
        SetItemText(ctl::ProjectName + i, std::string(fields[i], strnlen(fields[i], 80)));
    }
    Body()->addLayout(grid);
}

bool TProjectForm::CanClose() {
    // A line left as shown keeps its bytes as they are.
    if (Edited(ctl::ProjectName)) CopyField(doc_.Project, sizeof doc_.Project, ItemText(ctl::ProjectName));
    if (Edited(ctl::ProjectTask)) CopyField(doc_.Task, sizeof doc_.Task, ItemText(ctl::ProjectTask));
    if (Edited(ctl::ProjectDate)) CopyField(doc_.Date, sizeof doc_.Date, ItemText(ctl::ProjectDate));
    return true;
}

// ---- Parameters ---------------------------------------------------------------------------

namespace {
constexpr int kRowCaption[3] = {ctl::LimitRow1Caption, ctl::LimitRow2Caption, ctl::LimitRow3Caption};
const char* const kLimitNames[3] = {"Min", "Max", "Default"};
} // namespace

TParameterForm::TParameterForm(QWidget* parent, kivoMDIClient& doc)
    : TForm(parent, doc, "Parameter Info", 22006, 142) {
    auto* top = new QHBoxLayout;
    auto* unitsBox = new QGroupBox(tr("Units"), this);
    auto* unitsLayout = new QVBoxLayout(unitsBox);
    auto* unitsGroup = new QButtonGroup(this);
    const char* unitNames[4] = {"meters", "mm", "feet", "inches"};
    for (int u = 0; u < 4; ++u) {
        QRadioButton* r = MakeRadio(ctl::UnitsMeters + u, tr(unitNames[u]));
        unitsGroup->addButton(r, ctl::UnitsMeters + u);
        unitsLayout->addWidget(r);
    }
    top->addWidget(unitsBox);
    auto* coordBox = new QGroupBox(tr("Coordinates"), this);
    auto* coordLayout = new QVBoxLayout(coordBox);
    auto* coordGroup = new QButtonGroup(this);
    QRadioButton* xyz = MakeRadio(ctl::AxesXyz, tr("xyz"));
    QRadioButton* zxy = MakeRadio(ctl::AxesZxy, tr("zxy"));
    coordGroup->addButton(xyz, ctl::AxesXyz);
    coordGroup->addButton(zxy, ctl::AxesZxy);
    coordLayout->addWidget(xyz);
    coordLayout->addWidget(zxy);
    coordLayout->addStretch();
    top->addWidget(coordBox);
    Body()->addLayout(top);

    auto* limitsBox = new QGroupBox(tr("Limits"), this);
    auto* grid = new QGridLayout(limitsBox);
    for (int c = 0; c < 3; ++c)
        grid->addWidget(MakeStatic(ctl::Unnamed, tr(kLimitNames[c])), 0, 1 + c, Qt::AlignHCenter);
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(MakeStatic(kRowCaption[r]), 1 + r, 0);
        for (int c = 0; c < 3; ++c)
            grid->addWidget(MakeNumber(ctl::LimitXMin + 3 * r + c), 1 + r, 1 + c);
    }
    Body()->addWidget(limitsBox);

    // SetupWindow.
    oldUnits = tempUnits = doc.units;
    tempAxisType = doc.axisType;
    SetChecked(ctl::UnitsMeters + (doc.units >= 0 && doc.units <= 3 ? doc.units : 0), true);
    SetChecked(ctl::AxesXyz + (doc.axisType == 1 ? 1 : 0), true);
    WriteCaptions(tempAxisType);
    const double values[9] = {doc.xMin, doc.xMax, doc.xDef, doc.yMin, doc.yMax,
                              doc.yDef, doc.zMin, doc.zMax, doc.zDef};
    for (int k = 0; k < 9; ++k) {
        temp[k] = values[k];
        SetItemText(ctl::LimitXMin + k, Format("%-10.3lf", values[k]));
        // TXMin .. TZDef: the temp value follows the edit while the user types.
        connect(ItemAs<QLineEdit>(ctl::LimitXMin + k), &QLineEdit::textChanged, this,
                [this, k](const QString& text) { ScanReal(text.toStdString(), temp[k]); });
    }
    connect(unitsGroup, &QButtonGroup::idClicked, this, [this] { TUnits(); });
    connect(coordGroup, &QButtonGroup::idClicked, this, [this] { TCoordinates(); });
}

void TParameterForm::WriteCaptions(int axisType) {
    for (int r = 0; r < 3; ++r)
        SetItemText(kRowCaption[r], Format("%c", AxisLetter(doc_.label, axisType, r)));
}

void TParameterForm::TCoordinates() {
    tempAxisType = IsChecked(ctl::AxesXyz) ? 0 : 1;
    WriteCaptions(tempAxisType);
}

void TParameterForm::TUnits() {
    oldUnits = tempUnits;
    tempUnits = IsChecked(ctl::UnitsMeters) ? 0
                : IsChecked(ctl::UnitsMm)   ? 1
                : IsChecked(ctl::UnitsFeet) ? 2
                                            : 3;
    if (tempUnits == oldUnits) return;
    const double factor = doc_.convTab[oldUnits][tempUnits];
    // Writing an edit runs its change handler, so each temp value becomes the three-decimal text.
    for (int k = 0; k < 9; ++k)
        SetItemText(ctl::LimitXMin + k, Format("%-10.3lf", temp[k] * factor));
}

bool TParameterForm::CanClose() {
    for (int k = 0; k < 9; ++k)
        if (RefuseNotANumber(
                ctl::LimitXMin + k,
                Format("%c %s value", AxisLetter(doc_.label, tempAxisType, k / 3), kLimitNames[k % 3])))
            return false;
    for (int r = 0; r < 3; ++r) {
        if (temp[3 * r] < temp[3 * r + 1]) continue;
        const char axis = AxisLetter(doc_.label, tempAxisType, r);
        Refuse(ctl::LimitXMin + 3 * r,
               Format("The %c Min value must be below the %c Max value.", axis, axis));
        return false;
    }
    ConvertDocumentUnits(doc_, tempUnits);
    double* fields[9] = {&doc_.xMin, &doc_.xMax, &doc_.xDef, &doc_.yMin, &doc_.yMax,
                         &doc_.yDef, &doc_.zMin, &doc_.zMax, &doc_.zDef};
    for (int k = 0; k < 9; ++k)
        *fields[k] = temp[k];
    doc_.units = tempUnits;
    doc_.axisType = tempAxisType;
    return true;
}

// ---- Display ------------------------------------------------------------------------------

namespace {
constexpr int kDisplayEdits[6] = {ctl::Scale1,   ctl::Scale2,        ctl::Scale3,
                                  ctl::EllScale, ctl::HGridInterval, ctl::VGridInterval};
} // namespace

TDisplayForm::TDisplayForm(QWidget* parent, kivoMDIClient& doc)
    : TForm(parent, doc, "Display Info", 22007, 143) {
    auto* scaleBox = new QGroupBox(tr("Scale"), this);
    auto* grid = new QGridLayout(scaleBox);
    for (int k = 0; k < 3; ++k) {
        grid->addWidget(MakeStatic(ctl::Scale1Caption + k), k, 1);
        grid->addWidget(MakeNumber(ctl::Scale1 + k), k, 2);
        grid->addWidget(MakeStatic(ctl::Scale1Unit + k), k, 3);
    }
    grid->addWidget(MakeStatic(ctl::Unnamed, tr("Ellipse")), 3, 0);
    grid->addWidget(MakeStatic(ctl::EllScaleCaption), 3, 1);
    grid->addWidget(MakeNumber(ctl::EllScale), 3, 2);
    grid->addWidget(MakeStatic(ctl::EllScaleUnit), 3, 3);
    Body()->addWidget(scaleBox);

    auto* optionsBox = new QGroupBox(tr("Options"), this);
    auto* opt = new QGridLayout(optionsBox);
    auto makeCheck = [this](int id, const char* text) {
        auto* c = new QCheckBox(tr(text), this);
        c->setObjectName(CtlName(id));
        return c;
    };
    opt->addWidget(makeCheck(ctl::ShowBoundary, "Boundary"), 0, 0);
    opt->addWidget(makeCheck(ctl::ShowHGrid, "Horz Grid every"), 1, 0);
    opt->addWidget(MakeNumber(ctl::HGridInterval), 1, 1);
    opt->addWidget(MakeStatic(ctl::HGridUnit), 1, 2);
    opt->addWidget(makeCheck(ctl::ShowVGrid, "Vert Grid every"), 2, 0);
    opt->addWidget(MakeNumber(ctl::VGridInterval), 2, 1);
    opt->addWidget(MakeStatic(ctl::VGridUnit), 2, 2);
    Body()->addWidget(optionsBox);

    // The tolerance the views judge, for this session: empty or zero for none.
    auto* precisionBox = new QGroupBox(tr("Precision"), this);
    auto* prec = new QGridLayout(precisionBox);
    prec->addWidget(MakeStatic(ctl::Unnamed, tr("Tolerance")), 0, 0);
    prec->addWidget(MakeNumber(ctl::Tolerance), 0, 1);
    prec->addWidget(MakeStatic(ctl::ToleranceUnit), 0, 2);
    auto* confidence = new QHBoxLayout;
    confidence->addWidget(MakeRadio(ctl::Confidence68, tr("1 sigma")));
    confidence->addWidget(MakeRadio(ctl::Confidence95, tr("95 %")));
    prec->addWidget(MakeStatic(ctl::Unnamed, tr("Confidence")), 1, 0);
    prec->addLayout(confidence, 1, 1, 1, 2);
    Body()->addWidget(precisionBox);

    // SetupWindow.
    SetChecked(ctl::ShowBoundary, doc.bBound);
    SetChecked(ctl::ShowHGrid, doc.bHGrid);
    SetChecked(ctl::ShowVGrid, doc.bVGrid);
    const bool metric = doc.units == UNITS_METERS || doc.units == UNITS_MM;
    for (int k = 0; k < 3; ++k)
        SetItemText(ctl::Scale1Caption + k,
                    metric ? Format("%c:  1 cm =", AxisLetter(doc.label, doc.axisType, k))
                           : Format("%c:  1 in =", "XYZ"[k]));
    SetItemText(ctl::EllScaleCaption, metric ? " :  1 cm =" : " :  1 in =");
    const char* unit = doc.units == UNITS_METERS ? "m"
                       : doc.units == UNITS_MM   ? "mm"
                       : doc.units == UNITS_FEET ? "feet"
                                                 : "in";
    for (int id : {ctl::Scale1Unit, ctl::Scale2Unit, ctl::Scale3Unit, ctl::HGridUnit, ctl::VGridUnit})
        SetItemText(id, unit);
    SetItemText(ctl::EllScaleUnit, metric ? "mm" : "mils");
    SetItemText(ctl::ToleranceUnit, unit);
    // Held in meters; shown in the project's length unit.
    if (doc.precision.isSet())
        SetItemText(ctl::Tolerance,
                    Format("%-10.6g", doc.precision.toleranceIn(doc.convTab[UNITS_METERS][doc.units])));
    SetChecked(ctl::Confidence68, !doc.precision.confidence95);
    SetChecked(ctl::Confidence95, doc.precision.confidence95);

    const double values[6] = {doc.objScale1, doc.objScale2, doc.objScale3,
                              doc.ellScale,  doc.hInterval, doc.vInterval};
    for (int k = 0; k < 6; ++k) {
        temp[k] = values[k];
        // The ellipse row is shown in the error unit its text names (mm or mils), with as many
        // digits as a fraction of a millimetre needs; temp keeps the stored length units.
        SetItemText(kDisplayEdits[k], k == 3 ? Format("%-10.6g", EllScaleToForm(values[k], doc.units))
                                             : Format("%-10.2lf", values[k]));
        connect(ItemAs<QLineEdit>(kDisplayEdits[k]), &QLineEdit::textChanged, this,
                [this, k](const QString& text) {
                    double v = temp[k];
                    if (k != 3)
                        ScanReal(text.toStdString(), temp[k]);
                    else if (ScanReal(text.toStdString(), v))
                        temp[k] = EllScaleFromForm(v, doc_.units);
                });
    }
}

bool TDisplayForm::CanClose() {
    auto nameOf = [this](int k) -> std::string {
        if (k < 3) {
            const std::string caption = ItemText(ctl::Scale1Caption + k);
            return Format("%c scale", caption.empty() ? '?' : caption[0]);
        }
        return k == 3 ? "Ellipse scale" : k == 4 ? "Horz Grid interval" : "Vert Grid interval";
    };
    for (int k = 0; k < 6; ++k)
        if (RefuseNotANumber(kDisplayEdits[k], nameOf(k))) return false;
    // A scale of zero or less has no drawing: refuse it and keep the form open.
    for (int k = 0; k < 4; ++k) {
        if (temp[k] > 0) continue;
        std::string caption = ItemText(k < 3 ? ctl::Scale1Caption + k : ctl::EllScaleCaption);
        std::string what = k < 3 ? Format("The %c scale", caption.empty() ? '?' : caption[0])
                                 : std::string("The Ellipse scale");
        Refuse(kDisplayEdits[k], what + " must be greater than zero.");
        return false;
    }
    double tolerance = 0.0;
    const std::string toleranceText = ItemText(ctl::Tolerance);
    if (toleranceText.find_first_not_of(" \t") != std::string::npos &&
        (!ScanReal(toleranceText, tolerance) || !(tolerance >= 0.0) || !std::isfinite(tolerance))) {
        Refuse(ctl::Tolerance, "The tolerance must be a length of zero (none) or more.");
        return false;
    }
    doc_.precision.toleranceMeters = tolerance / doc_.convTab[UNITS_METERS][doc_.units];
    doc_.precision.confidence95 = IsChecked(ctl::Confidence95);
    doc_.bBound = IsChecked(ctl::ShowBoundary);
    doc_.bHGrid = IsChecked(ctl::ShowHGrid);
    doc_.bVGrid = IsChecked(ctl::ShowVGrid);
    double* fields[6] = {&doc_.objScale1, &doc_.objScale2, &doc_.objScale3,
                         &doc_.ellScale,  &doc_.hInterval, &doc_.vInterval};
    for (int k = 0; k < 6; ++k)
        *fields[k] = temp[k];
    return true;
}

// ---- Theodolite setup -----------------------------------------------------------------------

namespace {
constexpr int kDataRole = Qt::UserRole;

std::uint64_t DataOf(const QListWidgetItem* item) {
    return item ? item->data(kDataRole).toULongLong() : SETUP_NONE_DATA;
}

// The control line showing `name`: an exact match first (ignoring case), else the first line that
// starts with it; 0 (the "none" line) when there is none.
int FindControlLine(const QListWidget* list, const char* name) {
    const QString n = QString::fromLatin1(name);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().compare(n, Qt::CaseInsensitive) == 0) return i;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(n, Qt::CaseInsensitive)) return i;
    return 0;
}
} // namespace

TSetupForm::TSetupForm(QWidget* parent, kivoMDIClient& doc)
    : TForm(parent, doc, "Theodolite Setup", 22008, 181) {
    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(MakeStatic(ctl::Unnamed, tr("Theodolites")));
    theos_ = new QListWidget(this);
    theos_->setObjectName(CtlName(ctl::SetupTheos));
    theos_->setFont(ListFont());
    theos_->setMinimumWidth(340);
    left->addWidget(theos_);
    lists->addLayout(left, 3);
    auto* right = new QVBoxLayout;
    right->addWidget(MakeStatic(ctl::Unnamed, tr("Controls")));
    controls_ = new QListWidget(this);
    controls_->setObjectName(CtlName(ctl::SetupControls));
    controls_->setFont(ListFont());
    controls_->setMinimumWidth(120);
    right->addWidget(controls_);
    lists->addLayout(right, 1);
    Body()->addLayout(lists);

    auto* radios = new QHBoxLayout;
    auto* statusBox = new QGroupBox(tr("Status"), this);
    auto* statusLayout = new QVBoxLayout(statusBox);
    auto* statusGroup = new QButtonGroup(this);
    QRadioButton* active = MakeRadio(ctl::SetupActive, tr("Active"));
    QRadioButton* inactive = MakeRadio(ctl::SetupInactive, tr("Inactive"));
    statusGroup->addButton(active, ctl::SetupActive);
    statusGroup->addButton(inactive, ctl::SetupInactive);
    statusLayout->addWidget(active);
    statusLayout->addWidget(inactive);
    radios->addWidget(statusBox);
    auto* entryBox = new QGroupBox(tr("Data Entry"), this);
    auto* entryLayout = new QVBoxLayout(entryBox);
    auto* entryGroup = new QButtonGroup(this);
    QRadioButton* manual = MakeRadio(ctl::SetupManual, tr("Manual"));
    QRadioButton* automatic = MakeRadio(ctl::SetupAuto, tr("Auto"));
    entryGroup->addButton(manual, ctl::SetupManual);
    entryGroup->addButton(automatic, ctl::SetupAuto);
    entryLayout->addWidget(manual);
    entryLayout->addWidget(automatic);
    radios->addWidget(entryBox);
    Body()->addLayout(radios);

    // SetupWindow 1: the controls.
    auto* none = new QListWidgetItem(QStringLiteral("none"), controls_);
    none->setData(kDataRole, QVariant::fromValue<qulonglong>(SETUP_NONE_DATA));
    if (doc.orient == 1) {
        for (int i = 0; i < doc.nMaxPoints; ++i) {
            const OBJECTPOINT& p = doc.pointList[i];
            if (!(p.flags & ELEM_INUSE) || (p.coordStat & 0x2A) != 0x2A) continue;
            auto* item = new QListWidgetItem(QString::fromLatin1(p.name), controls_);
            item->setData(kDataRole, QVariant::fromValue<qulonglong>(SetupControlData(i)));
        }
    } else {
        for (int i = 0; i < doc.nMaxTheos; ++i) {
            const THEODOLITE& t = doc.theoList[i];
            if (!(t.flags & ELEM_INUSE) || !(t.flags & ELEM_CONTROL)) continue;
            auto* item = new QListWidgetItem(QString::fromLatin1(t.name), controls_);
            item->setData(kDataRole, QVariant::fromValue<qulonglong>(SetupControlData(i)));
            break;
        }
    }
    // SetupWindow 2: one line per theodolite.
    for (int i = 0; i < doc.nMaxTheos; ++i) {
        const THEODOLITE& t = doc.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        const char* targetName = nullptr;
        if (t.initTarget >= 0) {
            if (doc.orient == 1 && t.initTarget < doc.nMaxPoints)
                targetName = doc.pointList[t.initTarget].name;
            if (doc.orient != 1 && t.initTarget < doc.nMaxTheos) targetName = doc.theoList[t.initTarget].name;
        }
        const int line = targetName ? FindControlLine(controls_, targetName) : 0;
        const bool on = t.flags & ELEM_ACTIVE;
        auto* item = new QListWidgetItem(
            QString::fromLatin1(SetupTheoLine(t.pos, t.theo, t.name, on, targetName).c_str()), theos_);
        item->setData(kDataRole, QVariant::fromValue<qulonglong>(SetupTheoData(i, line, on)));
    }
    // SetupWindow 3, 4.
    if (theos_->count() > 0) {
        theos_->setCurrentRow(0);
        TTheolist();
    }
    SetChecked(doc.dataEntry == 1 ? ctl::SetupAuto : ctl::SetupManual, true);

    connect(theos_, &QListWidget::currentRowChanged, this, [this] { TTheolist(); });
    connect(controls_, &QListWidget::currentRowChanged, this, [this] { TTarget(); });
    connect(statusGroup, &QButtonGroup::idClicked, this,
            [this](int id) { SetActive(id == ctl::SetupActive); });
}

void TSetupForm::TTheolist() {
    sIndex = theos_->currentRow();
    if (sIndex < 0) return;
    const std::uint64_t data = DataOf(theos_->item(sIndex));
    controls_->blockSignals(true);
    tIndex = SetupControlLine(data);
    controls_->setCurrentRow(tIndex);
    controls_->blockSignals(false);
    SetChecked((data & SETUP_ACTIVE_BIT) ? ctl::SetupActive : ctl::SetupInactive, true);
}

void TSetupForm::RebuildLine(int row, int controlLine, bool active) {
    QListWidgetItem* item = theos_->item(row);
    if (!item) return;
    const int slot = SetupTheoSlot(DataOf(item));
    const THEODOLITE& t = doc_.theoList[slot];
    const int target = SetupControlSlot(DataOf(controls_->item(controlLine)));
    std::string name;
    if (target >= 0) name = controls_->item(controlLine)->text().toLatin1().toStdString();
    item->setText(QString::fromLatin1(
        SetupTheoLine(t.pos, t.theo, t.name, active, target >= 0 ? name.c_str() : nullptr).c_str()));
    item->setData(kDataRole, QVariant::fromValue<qulonglong>(SetupTheoData(slot, controlLine, active)));
}

void TSetupForm::TTarget() {
    tIndex = controls_->currentRow();
    if (tIndex < 0 || sIndex < 0 || sIndex >= theos_->count()) return;
    const bool active = DataOf(theos_->item(sIndex)) & SETUP_ACTIVE_BIT;
    RebuildLine(sIndex, tIndex, active);
}

void TSetupForm::SetActive(bool active) {
    if (sIndex < 0 || sIndex >= theos_->count()) return;
    const std::uint64_t data = DataOf(theos_->item(sIndex));
    RebuildLine(sIndex, SetupControlLine(data), active);
    theos_->setCurrentRow(sIndex);
}

bool TSetupForm::CanClose() {
    for (int row = 0; row < theos_->count(); ++row) {
        const std::uint64_t data = DataOf(theos_->item(row));
        const int slot = SetupTheoSlot(data);
        std::uint8_t flags = doc_.theoList[slot].flags;
        flags = (data & SETUP_ACTIVE_BIT) ? (flags | ELEM_ACTIVE) : (flags & ~ELEM_ACTIVE);
        doc_.theoList.SetFlags(slot, flags);
        doc_.theoList[slot].initTarget = SetupControlSlot(DataOf(controls_->item(SetupControlLine(data))));
    }
    doc_.dataEntry = IsChecked(ctl::SetupManual) ? 0 : 1;
    return true;
}

// ---- Standard deviations and weights --------------------------------------------------------

TStdDevForm::TStdDevForm(QWidget* parent, kivoMDIClient& doc)
    : TForm(parent, doc, "Standard Deviations & Weights", 22010, 186) {
    struct Entry {
        int id;
        const char* label;
        double* field;
    };
    struct Group {
        const char* caption;
        std::vector<Entry> entries;
        const char* format;
        bool angle; // standard deviations in gon; else in the project's length unit
    };
    const std::vector<Group> groups = {
        {"Theo Location Weights",
         {{ctl::SDTheoLocFix, "Fix", &doc.SDTheoLocFix},
          {ctl::SDTheoLocApx, "Apx", &doc.SDTheoLocApx},
          {ctl::SDTheoLocUnk, "Unk", &doc.SDTheoLocUnk}},
         "%-8.2le",
         false},
        {"Point Location Weights",
         {{ctl::SDPointLocFix, "Fix", &doc.SDPointLocFix},
          {ctl::SDPointLocApx, "Apx", &doc.SDPointLocApx},
          {ctl::SDPointLocUnk, "Unk", &doc.SDPointLocUnk}},
         "%-8.2le",
         false},
        {"Theo Rotation Weights",
         {{ctl::SDTheoRotFix, "Fix", &doc.SDTheoRotFix},
          {ctl::SDTheoRotApx, "Apx", &doc.SDTheoRotApx},
          {ctl::SDTheoRotUnk, "Unk", &doc.SDTheoRotUnk}},
         "%-8.2le",
         true},
        {"Scale Bar Std Devs", {{ctl::SDSBarLength, "", &doc.SDSBarLength}}, "%-10.6lf", false},
        {"Distance Std Devs", {{ctl::SDDistance, "", &doc.SDDistance}}, "%-10.6lf", false},
        {"Angle Std Devs",
         {{ctl::SDHorzAngle, "Horz", &doc.hSDAngle}, {ctl::SDVertAngle, "Vert", &doc.vSDAngle}},
         "%-10.6lf",
         true},
        {"Height Diff Std Devs", {{ctl::SDHeight, "", &doc.SDHeight}}, "%-10.6lf", false},
    };
    auto* grid = new QGridLayout;
    int i = 0;
    for (const Group& g : groups) {
        auto* box = new QGroupBox(tr(g.caption), this);
        auto* form = new QGridLayout(box);
        int row = 0;
        for (const Entry& e : g.entries) {
            if (*e.label) form->addWidget(MakeStatic(ctl::Unnamed, tr(e.label)), row, 0);
            form->addWidget(MakeNumber(e.id), row, 1);
            form->addWidget(MakeUnit(e.id, g.angle ? QStringLiteral("gon") : LengthUnit()), row++, 2);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
            SetItemText(e.id, Format(g.format, *e.field));
#pragma GCC diagnostic pop
        }
        form->setRowStretch(row, 1);
        // Weights in the first row, the standard deviations in the next two.
        grid->addWidget(box, i < 3 ? 0 : 1 + (i - 3) / 2, i < 3 ? i : (i - 3) % 2);
        ++i;
    }
    Body()->addLayout(grid);
}

bool TStdDevForm::CanClose() {
    double* fields[14] = {&doc_.SDTheoLocFix,  &doc_.SDTheoLocApx, &doc_.SDTheoLocUnk,  &doc_.SDTheoRotFix,
                          &doc_.SDTheoRotApx,  &doc_.SDTheoRotUnk, &doc_.SDPointLocFix, &doc_.SDPointLocApx,
                          &doc_.SDPointLocUnk, &doc_.SDSBarLength, &doc_.hSDAngle,      &doc_.vSDAngle,
                          &doc_.SDDistance,    &doc_.SDHeight};
    // The names the messages give the fourteen values, in the order of their ids.
    static const char* const names[14] = {
        "Theo Location Fix weight",     "Theo Location Apx weight",      "Theo Location Unk weight",
        "Theo Rotation Fix weight",     "Theo Rotation Apx weight",      "Theo Rotation Unk weight",
        "Point Location Fix weight",    "Point Location Apx weight",     "Point Location Unk weight",
        "Scale Bar standard deviation", "Horz angle standard deviation", "Vert angle standard deviation",
        "Distance standard deviation",  "Height Diff standard deviation"};
    auto kindOf = [](int k) {
        return k < 9 ? SDKind::Weight : (k == 10 || k == 11) ? SDKind::Angle : SDKind::Length;
    };
    // Every value the user changed is checked before any is written: a value the adjustment cannot
    // use (zero, negative, not a number, absurdly large) keeps the form open with nothing taken.
    double values[14];
    for (int k = 0; k < 14; ++k) {
        values[k] = *fields[k];
        if (!Edited(ctl::SDTheoLocFix + k)) continue;
        std::string why;
        if (!ReadStdDev(std::string("The ") + names[k], ItemText(ctl::SDTheoLocFix + k), kindOf(k),
                        doc_.units, values[k], why)) {
            Refuse(ctl::SDTheoLocFix + k, why);
            return false;
        }
    }
    for (int k = 0; k < 14; ++k)
        *fields[k] = values[k];
    return true;
}

// ---- Adjustment ---------------------------------------------------------------------------

TAdjustForm::TAdjustForm(QWidget* parent, kivoMDIClient& doc)
    : TForm(parent, doc, "Adjustment Info", 22009, 187) {
    const char* checks[3] = {"Ideal Measurements", "Auto Recalculation", "Autosave Changes"};
    const bool values[3] = {doc.bIdeals, doc.bRecalc, doc.bAutosave};
    for (int k = 0; k < 3; ++k) {
        auto* c = new QCheckBox(tr(checks[k]), this);
        c->setObjectName(CtlName(ctl::AdjIdeals + k));
        c->setChecked(values[k]);
        Body()->addWidget(c);
    }
    auto* grid = new QGridLayout;
    grid->addWidget(MakeStatic(ctl::Unnamed, tr("Iteration Limit :")), 0, 0);
    grid->addWidget(MakeNumber(ctl::AdjIterLimit, true), 0, 1);
    grid->addWidget(MakeStatic(ctl::Unnamed, tr("Dimension :")), 1, 0);
    grid->addWidget(MakeNumber(ctl::AdjDimension, true), 1, 1);
    Body()->addLayout(grid);
    SetItemText(ctl::AdjIterLimit, Format("%2d", doc.iterLimit));
    SetItemText(ctl::AdjDimension, Format("%2d", doc.dimension));
}

bool TAdjustForm::CanClose() {
    if (RefuseNotANumber(ctl::AdjIterLimit, "Iteration Limit", true) ||
        RefuseNotANumber(ctl::AdjDimension, "Dimension", true))
        return false;
    doc_.bIdeals = IsChecked(ctl::AdjIdeals);
    doc_.bRecalc = IsChecked(ctl::AdjRecalc);
    doc_.bAutosave = IsChecked(ctl::AdjAutosave);
    ScanItem(ctl::AdjIterLimit, doc_.iterLimit);
    ScanItem(ctl::AdjDimension, doc_.dimension);
    doc_.dimension = ClampDimension(doc_.dimension);
    return true;
}

} // namespace kivo::forms
