#include "forms/obs_forms.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "adjustment/kivoMDIClient.h"
#include "model/form_values.h"
#include "model/working_lists.h"

namespace kivo::forms {

namespace {

// ---- Values of the observation records, in the order the forms read them ------------------------
std::vector<double> GetValues(const CONNECT1& r) {
    return {r.hAngle, r.vAngle};
}
std::vector<double> GetValues(const CONNECT2& r) {
    return {r.hLAngle, r.vLAngle, r.hRAngle, r.vRAngle};
}
std::vector<double> GetValues(const CONNECT3& r) {
    return {r.distance};
}
std::vector<double> GetValues(const CONNECT4& r) {
    return {r.distance};
}
std::vector<double> GetValues(const CONNECT5& r) {
    return {r.height};
}
std::vector<double> GetValues(const CONNECT6& r) {
    return {r.height};
}
void SetValues(CONNECT1& r, const std::vector<double>& v) {
    r.hAngle = v[0], r.vAngle = v[1];
}
void SetValues(CONNECT2& r, const std::vector<double>& v) {
    r.hLAngle = v[0], r.vLAngle = v[1], r.hRAngle = v[2], r.vRAngle = v[3];
}
void SetValues(CONNECT3& r, const std::vector<double>& v) {
    r.distance = v[0];
}
void SetValues(CONNECT4& r, const std::vector<double>& v) {
    r.distance = v[0];
}
void SetValues(CONNECT5& r, const std::vector<double>& v) {
    r.height = v[0];
}
void SetValues(CONNECT6& r, const std::vector<double>& v) {
    r.height = v[0];
}

std::string FormatLine(const char* fmt, const char* type, const std::vector<double>& v) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    switch (v.size()) {
    case 1:
        return Format(fmt, type, v[0]);
    case 2:
        return Format(fmt, type, v[0], v[1]);
    default:
        return Format(fmt, type, v[0], v[1], v[2], v[3]);
    }
#pragma GCC diagnostic pop
}

// List line formats: on opening, after Add, after Modify.
struct LineFormats {
    const char* open;
    const char* add;
    const char* modify;
};

const LineFormats kCollimateLines = {"%-5s  %10.4lf  %10.4lf", "%-5s  %10.4lf  %10.4lf",
                                     "%3s  %10.4lf  %10.4lf"};
const LineFormats kPtDirectLines = {"%-5s  %10.4lf  %10.4lf", "%-5s  %10.4lf  %10.4lf",
                                    "%-5s  %10.4lf  %10.4lf"};
const LineFormats kSBDirectLines = {"%3s  %10.4lf  %10.4lf    %10.4lf    %10.4lf",
                                    "%-5s  %10.4lf  %10.4lf    %10.4lf    %10.4lf",
                                    "%-5s  %10.4lf  %10.4lf    %10.4lf    %10.4lf"};
const LineFormats kValueLines = {"%-5s %10.4lf", "%-5s %10.4lf", "%-5s %10.4lf"};

const std::vector<std::pair<int, const char*>> kAngles = {{ctl::ObsHorz, "Horizontal"},
                                                          {ctl::ObsVert, "Vertical"}};
const std::vector<std::pair<int, const char*>> kBarAngles = {{ctl::ObsHorz, "Horizontal"},
                                                             {ctl::ObsVert, "Vertical"},
                                                             {ctl::ObsHorzRight, "Horizontal"},
                                                             {ctl::ObsVertRight, "Vertical"}};

const EntryShape kCollimateAdd = {"Add Collimation Data", 22022, 241, true, kAngles};
const EntryShape kCollimateMod = {"Modify Collimation Data", 22023, 242, true, kAngles};
const EntryShape kPtDirectAdd = {"Add Point Sighting Data", 22032, 244, true, kAngles};
const EntryShape kPtDirectMod = {"Modify Point Sighting", 22033, 245, true, kAngles};
const EntryShape kSBDirectAdd = {"Add Scale Bar Sighting Data", 22034, 226, true, kBarAngles};
const EntryShape kSBDirectMod = {"Modify Scale Bar Sighting", 22035, 227, true, kBarAngles};
const EntryShape kDistanceAdd = {"Add Distance Data", 22024, 229, false, {{ctl::ObsValue, "Distance"}}};
const EntryShape kDistanceMod = {"Modify Distance", 22025, 230, false, {{ctl::ObsValue, "Distance"}}};
const EntryShape kHeightAdd = {"Add Height Difference", 22026, 235, false, {{ctl::ObsValue, "Height Diff"}}};
const EntryShape kHeightMod = {
    "Modify Height Difference", 22027, 236, false, {{ctl::ObsValue, "Height Diff"}}};
const EntryShape kPtDistAdd = {
    "Add Point to Point Distance Data", 22028, 232, false, {{ctl::ObsValue, "Distance"}}};
const EntryShape kPtDistMod = {
    "Modify Point to Point Distance", 22029, 233, false, {{ctl::ObsValue, "Distance"}}};
const EntryShape kPtHeightAdd = {
    "Add Point to Point Height Data", 22030, 238, false, {{ctl::ObsValue, "Delta Height"}}};
const EntryShape kPtHeightMod = {
    "Modify Point to Point Height", 22031, 239, false, {{ctl::ObsValue, "Delta Height"}}};

// A theodolite's list (collimations, point or scale-bar directions, distances, heights) to one target.
template <class T> class TheoSide : public ObsSide {
public:
    struct Setup {
        ObsList<T> THEODOLITE::*list;
        bool hasReverse;   // direction readings may be reverse face
        bool addNeedsCopy; // "Add..." only when the list had records on opening
        LineFormats lines;
        const EntryShape* add;
        const EntryShape* modify;
    };
    TheoSide(kivoMDIClient& doc, int owner, int target, const char* targetName, const Setup& setup,
             std::function<void(T&)> ideal)
        : doc_(doc), owner_(owner), target_(target), targetName_(targetName), s_(setup),
          ideal_(std::move(ideal)) {}

    std::vector<std::string> OpenLines() override {
        const ObsList<T>& list = doc_.theoList[owner_].*s_.list;
        items_ = list.items();
        exists_ = !items_.empty();
        hadRecords_ = exists_;
        std::vector<std::string> lines;
        const bool ideal = doc_.bIdeals;
        for (T& r : items_) {
            if (r.target != target_) continue;
            const char* type = work::TypeText(r.flags, ideal, s_.hasReverse);
            if (!type) continue;
            if (ideal) ideal_(r);
            lines.push_back(FormatLine(s_.lines.open, type, GetValues(r)));
        }
        return lines;
    }

    bool Add(QWidget* parent, std::string& line) override {
        TObsEntryForm f(parent, doc_, *s_.add, doc_.theoList[owner_].name, targetName_, nullptr, 0);
        if (f.exec() != QDialog::Accepted) return false;
        T r{};
        r.target = target_;
        r.flags = s_.add->hasType ? f.flags : OBS_DIRECT;
        SetValues(r, f.values);
        items_.push_back(r);
        exists_ = true;
        line = FormatLine(s_.lines.add, work::TypeText(r.flags, false, s_.hasReverse), GetValues(r));
        return true;
    }

    bool Modify(QWidget* parent, int line, std::string& text) override {
        int rec = Record(line);
        if (rec < 0) return false;
        T& r = items_[static_cast<std::size_t>(rec)];
        std::vector<double> current = GetValues(r);
        TObsEntryForm f(parent, doc_, *s_.modify, doc_.theoList[owner_].name, targetName_, &current, r.flags);
        if (f.exec() != QDialog::Accepted) return false;
        // The type drop-down sets the whole flags word (1 Direct, 2 Reverse); without one the
        // flags stay.
        if (s_.modify->hasType) r.flags = f.flags;
        SetValues(r, f.values);
        const char* type = work::TypeText(r.flags, false, s_.hasReverse);
        text = FormatLine(s_.lines.modify, type ? type : "Dir", GetValues(r));
        return true;
    }

    void Delete(int line) override {
        int rec = Record(line);
        if (rec >= 0) work::RemoveRecord(items_, rec);
    }

    void Commit() override {
        if (!exists_) return;
        THEODOLITE& t = doc_.theoList[owner_];
        (t.*s_.list).Assign(items_);
        t.SyncCounts();
    }

    bool CanAdd() const override { return !s_.addNeedsCopy || hadRecords_; }

private:
    int Record(int line) const {
        std::vector<int> recs = work::ListedRecords(items_, target_, false, s_.hasReverse);
        return line >= 0 && line < static_cast<int>(recs.size()) ? recs[static_cast<std::size_t>(line)] : -1;
    }

    kivoMDIClient& doc_;
    int owner_, target_;
    const char* targetName_;
    Setup s_;
    std::function<void(T&)> ideal_;
    std::vector<T> items_;
    bool exists_ = false;
    bool hadRecords_ = false;
};

// A global point-to-point list (distances or heights) from one point to another.
template <class T> class PairSide : public ObsSide {
public:
    struct Setup {
        GlobalList<T> kivoMDIClient::*list;
        int kivoMDIClient::*num;
        int kivoMDIClient::*max;
        const EntryShape* add;
        const EntryShape* modify;
    };
    PairSide(kivoMDIClient& doc, int source, int target, const Setup& setup, std::function<void(T&)> ideal)
        : doc_(doc), source_(source), target_(target), s_(setup), ideal_(std::move(ideal)) {}

    std::vector<std::string> OpenLines() override {
        copy_.Load(doc_.*s_.list, doc_.*s_.num, doc_.*s_.max);
        const bool ideal = doc_.bIdeals;
        std::vector<std::string> lines;
        for (int slot : copy_.Listed(source_, target_, ideal)) {
            T& r = copy_.entries[static_cast<std::size_t>(slot)];
            if (ideal) ideal_(r);
            lines.push_back(
                FormatLine(kValueLines.open, work::TypeText(r.flags, ideal, false), GetValues(r)));
        }
        return lines;
    }

    bool Add(QWidget* parent, std::string& line) override {
        TObsEntryForm f(parent, doc_, *s_.add, Name(source_), Name(target_), nullptr, 0);
        if (f.exec() != QDialog::Accepted) return false;
        T r{};
        r.source = source_;
        r.target = target_;
        r.flags = OBS_INUSE | OBS_DIRECT;
        SetValues(r, f.values);
        int slot = copy_.Add(r);
        line = FormatLine(kValueLines.add, "Dir", GetValues(copy_.entries[static_cast<std::size_t>(slot)]));
        return true;
    }

    bool Modify(QWidget* parent, int line, std::string& text) override {
        int slot = Slot(line);
        if (slot < 0) return false;
        T& r = copy_.entries[static_cast<std::size_t>(slot)];
        std::vector<double> current = GetValues(r);
        TObsEntryForm f(parent, doc_, *s_.modify, Name(source_), Name(target_), &current, r.flags);
        if (f.exec() != QDialog::Accepted) return false;
        SetValues(r, f.values);
        text = FormatLine(kValueLines.modify, "Dir", GetValues(r));
        return true;
    }

    void Delete(int line) override {
        int slot = Slot(line);
        if (slot >= 0) copy_.Remove(source_, target_, slot);
    }

    void Commit() override { copy_.CommitTo(doc_.*s_.list, doc_.*s_.num, doc_.*s_.max); }
    bool CanAdd() const override { return true; }

private:
    const char* Name(int point) const { return doc_.pointList[point].name; }
    int Slot(int line) const {
        std::vector<int> found = copy_.Listed(source_, target_, false);
        return line >= 0 && line < static_cast<int>(found.size()) ? found[static_cast<std::size_t>(line)]
                                                                  : -1;
    }

    kivoMDIClient& doc_;
    int source_, target_;
    Setup s_;
    std::function<void(T&)> ideal_;
    work::PairCopy<T> copy_;
};

QFont ListFont() {
    QFont f(QStringLiteral("monospace"));
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

} // namespace

// ---- Add and Modify forms -------------------------------------------------------------------

TObsEntryForm::TObsEntryForm(QWidget* parent, kivoMDIClient& doc, const EntryShape& shape, const char* nameA,
                             const char* nameB, const std::vector<double>* current, int currentFlags)
    : TForm(parent, doc, shape.caption, shape.templateId, shape.help), shape_(shape) {
    auto* names = new QGridLayout;
    names->addWidget(MakeStatic(ctl::Unnamed, tr("From :")), 0, 0);
    names->addWidget(MakeStatic(ctl::ObsNameA, QString::fromLatin1(nameA)), 0, 1);
    names->addWidget(MakeStatic(ctl::Unnamed, tr("To :")), 1, 0);
    names->addWidget(MakeStatic(ctl::ObsNameB, QString::fromLatin1(nameB)), 1, 1);
    names->setColumnStretch(1, 1);
    Body()->addLayout(names);

    auto* grid = new QGridLayout;
    int row = 0;
    if (shape.hasType) {
        auto* type = new QComboBox(this);
        type->setObjectName(CtlName(ctl::ObsType));
        type->addItem(tr("Direct"));
        type->addItem(tr("Reverse"));
        // Add: "Direct"; Modify: Direct when the record has bit 1, else Reverse.
        type->setCurrentIndex(current && !(currentFlags & OBS_DIRECT) ? 1 : 0);
        grid->addWidget(MakeStatic(ctl::Unnamed, tr("Type")), row, 0);
        grid->addWidget(type, row++, 1);
    }
    if (shape.values.size() == 4) {
        // Scale-bar sightings: the first (left) end and the second (right) end side by side.
        grid->addWidget(MakeStatic(ctl::Unnamed, tr("Left End")), row, 1);
        grid->addWidget(MakeStatic(ctl::Unnamed, tr("Right End")), row++, 2);
        for (int r = 0; r < 2; ++r) {
            grid->addWidget(MakeStatic(ctl::Unnamed, tr(shape.values[static_cast<std::size_t>(r)].second)),
                            row, 0);
            grid->addWidget(MakeNumber(shape.values[static_cast<std::size_t>(r)].first), row, 1);
            grid->addWidget(MakeNumber(shape.values[static_cast<std::size_t>(r + 2)].first), row++, 2);
        }
    } else {
        for (const auto& [id, label] : shape.values) {
            grid->addWidget(MakeStatic(ctl::Unnamed, tr(label)), row, 0);
            grid->addWidget(MakeNumber(id), row++, 1);
        }
    }
    Body()->addLayout(grid);

    values.assign(shape.values.size(), 0.0);
    if (current) {
        values = *current;
        for (std::size_t k = 0; k < shape.values.size(); ++k)
            SetItemText(shape.values[k].first, Format("%lf", values[k]));
    }
    Item(shape.values.front().first)->setFocus();
}

bool TObsEntryForm::CanClose() {
    if (shape_.hasType)
        flags = ItemAs<QComboBox>(ctl::ObsType)->currentIndex() == 0 ? OBS_DIRECT : OBS_REVERSE;
    for (std::size_t k = 0; k < shape_.values.size(); ++k)
        ScanItem(shape_.values[k].first, values[k]);
    return true;
}

// ---- List forms ---------------------------------------------------------------------------

TObsListForm::TObsListForm(QWidget* parent, kivoMDIClient& doc, const char* caption, int templateId, int help,
                           const Labels& labels, const char* nameA, const char* nameB)
    : TForm(parent, doc, caption, templateId, help) {
    auto* names = new QGridLayout;
    names->addWidget(MakeStatic(ctl::Unnamed, tr(labels.first) + " :"), 0, 0);
    names->addWidget(MakeStatic(ctl::ObsNameA, QString::fromLatin1(nameA)), 0, 1);
    names->addWidget(MakeStatic(ctl::Unnamed, tr(labels.second) + " :"), 1, 0);
    names->addWidget(MakeStatic(ctl::ObsNameB, QString::fromLatin1(nameB)), 1, 1);
    names->setColumnStretch(1, 1);
    Body()->addLayout(names);
    QLabel* columns = MakeStatic(ctl::Unnamed, QString::fromLatin1(labels.columns));
    columns->setFont(ListFont());
    Body()->addWidget(columns);
}

QListWidget* TObsListForm::List(int side) const {
    return sides_[static_cast<std::size_t>(side)].list;
}

void TObsListForm::AddSide(std::unique_ptr<ObsSide> side, const SideIds& ids, const char* caption,
                           bool enabled) {
    const int s = static_cast<int>(sides_.size());
    auto* row = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    if (caption) left->addWidget(MakeStatic(ids.caption, tr(caption)));
    auto* list = new QListWidget(this);
    list->setObjectName(CtlName(ids.list));
    list->setFont(ListFont());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumWidth(caption ? 300 : 420);
    list->setMinimumHeight(110);
    left->addWidget(list);
    row->addLayout(left, 1);
    auto* buttons = new QVBoxLayout;
    if (caption) buttons->addSpacing(20);
    QPushButton* add = MakeButton(ids.add, tr("Add..."));
    QPushButton* modify = MakeButton(ids.modify, tr("Modify..."));
    QPushButton* remove = MakeButton(
        ids.remove, ids.remove == ctl::CollAToBDelete || ids.remove == ctl::CollBToADelete ? tr("Delete")
                                                                                           : tr("Delete..."));
    buttons->addWidget(add);
    buttons->addWidget(modify);
    buttons->addWidget(remove);
    buttons->addStretch();
    row->addLayout(buttons);
    Body()->addLayout(row);

    // SetupWindow for this side: every button starts disabled.
    for (const std::string& line : side->OpenLines())
        list->addItem(QString::fromLatin1(line.c_str()));
    add->setEnabled(false);
    modify->setEnabled(false);
    remove->setEnabled(false);
    if (caption) Item(ids.caption)->setEnabled(enabled);
    list->setEnabled(enabled);
    if (enabled && !doc_.bIdeals && side->CanAdd()) add->setEnabled(true);

    connect(list, &QListWidget::itemSelectionChanged, this, [this, s] { TPTBox(s); });
    connect(add, &QPushButton::clicked, this, [this, s] { TAdd(s); });
    connect(modify, &QPushButton::clicked, this, [this, s] { TModify(s); });
    connect(remove, &QPushButton::clicked, this, [this, s] { TDelete(s); });
    sides_.push_back(Side{std::move(side), ids, list});
}

void TObsListForm::TPTBox(int s) {
    const Side& side = sides_[static_cast<std::size_t>(s)];
    if (doc_.bIdeals || side.list->selectedItems().isEmpty()) return;
    EnableItem(side.ids.modify, true);
    EnableItem(side.ids.remove, true);
}

void TObsListForm::AfterEdit(int s) {
    const Side& side = sides_[static_cast<std::size_t>(s)];
    side.list->blockSignals(true);
    side.list->clearSelection();
    side.list->setCurrentRow(-1);
    side.list->blockSignals(false);
    EnableItem(side.ids.modify, false);
    EnableItem(side.ids.remove, false);
    setFocus();
}

void TObsListForm::TAdd(int s) {
    Side& side = sides_[static_cast<std::size_t>(s)];
    std::string line;
    if (side.side->Add(this, line)) side.list->addItem(QString::fromLatin1(line.c_str()));
    AfterEdit(s);
}

void TObsListForm::TModify(int s) {
    Side& side = sides_[static_cast<std::size_t>(s)];
    const int line = side.list->selectedItems().isEmpty() ? -1 : side.list->currentRow();
    std::string text;
    if (line >= 0 && side.side->Modify(this, line, text))
        side.list->item(line)->setText(QString::fromLatin1(text.c_str()));
    AfterEdit(s);
}

void TObsListForm::TDelete(int s) {
    Side& side = sides_[static_cast<std::size_t>(s)];
    const int line = side.list->selectedItems().isEmpty() ? -1 : side.list->currentRow();
    if (line >= 0) {
        side.side->Delete(line);
        delete side.list->takeItem(line);
    }
    AfterEdit(s);
}

bool TObsListForm::CanClose() {
    // In ideal mode the copies only carried computed values: nothing is stored.
    if (!doc_.bIdeals)
        for (Side& side : sides_)
            side.side->Commit();
    return true;
}

// ---- The families ---------------------------------------------------------------------------

TCollimateForm::TCollimateForm(QWidget* parent, kivoMDIClient& doc, int theoA, int theoB)
    : TObsListForm(parent, doc, "Theodolite Collimations", 22014, 240,
                   {"Theodolite A", "Theodolite B", "Type   Horizontal    Vertical"},
                   doc.theoList[theoA].name, doc.theoList[theoB].name) {
    using Side = TheoSide<CONNECT1>;
    const Side::Setup setup{&THEODOLITE::thList, true, true, kCollimateLines, &kCollimateAdd, &kCollimateMod};
    auto idealAB = [&doc, theoA, theoB](CONNECT1& r) { doc.CalcTheoAngle(theoA, theoB, r.hAngle, r.vAngle); };
    auto idealBA = [&doc, theoA, theoB](CONNECT1& r) { doc.CalcTheoAngle(theoB, theoA, r.hAngle, r.vAngle); };
    const bool bHas = doc.theoList[theoB].thCount > 0;
    AddSide(
        std::make_unique<Side>(doc, theoA, theoB, doc.theoList[theoB].name, setup, idealAB),
        {ctl::CollAToBCaption, ctl::CollAToBList, ctl::CollAToBAdd, ctl::CollAToBModify, ctl::CollAToBDelete},
        "A to B", true);
    // Side B (B's observations of A) is enabled only when B has collimations at all.
    AddSide(
        std::make_unique<Side>(doc, theoB, theoA, doc.theoList[theoA].name, setup, idealBA),
        {ctl::CollBToACaption, ctl::CollBToAList, ctl::CollBToAAdd, ctl::CollBToAModify, ctl::CollBToADelete},
        "B to A", bHas);
}

TPtDirectForm::TPtDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int point)
    : TObsListForm(parent, doc, "Object Point Sightings", 22015, 243,
                   {"Theodolite", "Point", "Type   Horizontal    Vertical"}, doc.theoList[theo].name,
                   doc.pointList[point].name) {
    using Side = TheoSide<CONNECT1>;
    const Side::Setup setup{&THEODOLITE::ptList, true, true, kPtDirectLines, &kPtDirectAdd, &kPtDirectMod};
    auto ideal = [&doc, theo, point](CONNECT1& r) { doc.CalcPointAngle(theo, point, r.hAngle, r.vAngle); };
    AddSide(std::make_unique<Side>(doc, theo, point, doc.pointList[point].name, setup, ideal),
            {ctl::NoControl, ctl::ObsList, ctl::ObsAdd, ctl::ObsModify, ctl::ObsDelete}, nullptr, true);
}

TSBDirectForm::TSBDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int sbar)
    : TObsListForm(parent, doc, "Scale Bar Sightings", 22016, 225,
                   {"Theodolite", "Scale Bar", "Type  Horz Left   Vert Left    Horz Right    Vert Right"},
                   doc.theoList[theo].name, doc.sbarList[sbar].name) {
    using Side = TheoSide<CONNECT2>;
    const Side::Setup setup{&THEODOLITE::sbList, true, true, kSBDirectLines, &kSBDirectAdd, &kSBDirectMod};
    auto ideal = [&doc, theo, sbar](CONNECT2& r) {
        const SCALEBAR& s = doc.sbarList[sbar];
        doc.CalcSBarAngle(theo, sbar, s.length, s.azimuth, s.vertAngle, r.hLAngle, r.vLAngle, r.hRAngle,
                          r.vRAngle);
    };
    AddSide(std::make_unique<Side>(doc, theo, sbar, doc.sbarList[sbar].name, setup, ideal),
            {ctl::NoControl, ctl::ObsList, ctl::ObsAdd, ctl::ObsModify, ctl::ObsDelete}, nullptr, true);
}

TDistanceForm::TDistanceForm(QWidget* parent, kivoMDIClient& doc, int theo, int point)
    : TObsListForm(parent, doc, "Distances", 22017, 228, {"Theodolite", "Point", "Type    Distance"},
                   doc.theoList[theo].name, doc.pointList[point].name) {
    using Side = TheoSide<CONNECT3>;
    const Side::Setup setup{&THEODOLITE::dsList, false, false, kValueLines, &kDistanceAdd, &kDistanceMod};
    auto ideal = [&doc, theo, point](CONNECT3& r) { doc.CalcDistance(theo, point, r.distance); };
    AddSide(std::make_unique<Side>(doc, theo, point, doc.pointList[point].name, setup, ideal),
            {ctl::NoControl, ctl::ObsList, ctl::ObsAdd, ctl::ObsModify, ctl::ObsDelete}, nullptr, true);
}

THeightForm::THeightForm(QWidget* parent, kivoMDIClient& doc, int theo, int point)
    : TObsListForm(parent, doc, "Height Differences", 22019, 234, {"Theodolite", "Point", "Type    Height"},
                   doc.theoList[theo].name, doc.pointList[point].name) {
    using Side = TheoSide<CONNECT6>;
    const Side::Setup setup{&THEODOLITE::hdList, false, false, kValueLines, &kHeightAdd, &kHeightMod};
    auto ideal = [&doc, theo, point](CONNECT6& r) { doc.CalcHeight(theo, point, r.height); };
    AddSide(std::make_unique<Side>(doc, theo, point, doc.pointList[point].name, setup, ideal),
            {ctl::NoControl, ctl::ObsList, ctl::ObsAdd, ctl::ObsModify, ctl::ObsDelete}, nullptr, true);
}

TPointDistForm::TPointDistForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2)
    : TObsListForm(parent, doc, "Point to Point Distances", 22018, 231,
                   {"Point 1", "Point 2", "Type    Distance"}, doc.pointList[point1].name,
                   doc.pointList[point2].name) {
    using Side = PairSide<CONNECT4>;
    const Side::Setup setup{&kivoMDIClient::distList, &kivoMDIClient::nNumDists, &kivoMDIClient::nMaxDists,
                            &kPtDistAdd, &kPtDistMod};
    auto ideal = [&doc, point1, point2](CONNECT4& r) { doc.CalcPtDistance(point1, point2, r.distance); };
    AddSide(std::make_unique<Side>(doc, point1, point2, setup, ideal),
            {ctl::NoControl, ctl::ObsList, ctl::ObsAdd, ctl::ObsModify, ctl::ObsDelete}, nullptr, true);
}

TPointHeightForm::TPointHeightForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2)
    : TObsListForm(parent, doc, "Point to Point Height Differences", 22020, 237,
                   {"Point 1", "Point 2", "Type    Height"}, doc.pointList[point1].name,
                   doc.pointList[point2].name) {
    using Side = PairSide<CONNECT5>;
    const Side::Setup setup{&kivoMDIClient::heightList, &kivoMDIClient::nNumHeights,
                            &kivoMDIClient::nMaxHeights, &kPtHeightAdd, &kPtHeightMod};
    auto ideal = [&doc, point1, point2](CONNECT5& r) { doc.CalcPtHeight(point1, point2, r.height); };
    AddSide(std::make_unique<Side>(doc, point1, point2, setup, ideal),
            {ctl::NoControl, ctl::ObsList, ctl::ObsAdd, ctl::ObsModify, ctl::ObsDelete}, nullptr, true);
}

} // namespace kivo::forms
