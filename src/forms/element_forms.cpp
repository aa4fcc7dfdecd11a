#include "forms/element_forms.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "forms/forms.h"
#include "model/form_values.h"

namespace kivo::forms {

namespace {

// Control ids of the coordinate rows: caption, edit, first radio (Fix; Apx and Unk follow).
struct RowIds {
    int caption, edit, fix;
};
constexpr RowIds kCoordRows[3] = {{ctl::Coord1Caption, ctl::Coord1, ctl::Coord1Fix},
                                  {ctl::Coord2Caption, ctl::Coord2, ctl::Coord2Fix},
                                  {ctl::Coord3Caption, ctl::Coord3, ctl::Coord3Fix}};
constexpr RowIds kRotRows[3] = {{ctl::Rot1Caption, ctl::Rot1, ctl::Rot1Fix},
                                {ctl::Rot2Caption, ctl::Rot2, ctl::Rot2Fix},
                                {ctl::Rot3Caption, ctl::Rot3, ctl::Rot3Fix}};

const char* CaptionOf(int kind) {
    switch (kind) {
    case SEL_THEO:
        return "Theodolite Info";
    case SEL_POINT:
        return "Point Info";
    default:
        return "Scale Bar Info";
    }
}
int TemplateOf(int kind) {
    return kind == SEL_THEO ? 22011 : kind == SEL_POINT ? 22012 : 22013;
}
int HelpOf(int kind) {
    return kind == SEL_THEO ? 246 : kind == SEL_POINT ? 247 : 248;
}

} // namespace

TElementForm::TElementForm(QWidget* parent, kivoMDIClient& doc, int kind, int slot)
    : TForm(parent, doc, CaptionOf(kind), TemplateOf(kind), HelpOf(kind)), kind_(kind), index_(slot) {
    const COMMON& e = doc.Common(kind, slot);
    const bool theo = kind == SEL_THEO;
    const bool hasStatus = kind != SEL_SBAR;

    // Identification.
    auto* ident = new QGridLayout;
    ident->addWidget(MakeStatic(ctl::Unnamed, tr("Name")), 0, 0);
    ident->addWidget(MakeEdit(ctl::ElemName, NAME_LEN), 0, 1);
    ident->addWidget(MakeStatic(ctl::Unnamed, tr("Abbreviation")), 0, 2);
    ident->addWidget(MakeEdit(ctl::ElemAbbrev, ABBREV_LEN), 0, 3);
    if (theo) {
        ident->addWidget(MakeStatic(ctl::Unnamed, tr("Pos")), 1, 0);
        ident->addWidget(MakeNumber(ctl::TheoPos, true), 1, 1);
        ident->addWidget(MakeStatic(ctl::Unnamed, tr("Theo")), 1, 2);
        ident->addWidget(MakeNumber(ctl::TheoNumber, true), 1, 3);
    }
    Body()->addLayout(ident);

    // Coordinates (and rotations), each row: caption, value, Fix/Apx/Unk.
    auto* coordBox = new QGroupBox(tr("Location"), this);
    auto* grid = new QGridLayout(coordBox);
    int row = 0;
    // Coordinates in the project's length unit, rotations in gon.
    auto addRow = [&](const RowIds& ids, int k) {
        grid->addWidget(MakeStatic(ids.caption), row, 0);
        grid->addWidget(MakeNumber(ids.edit), row, 1);
        grid->addWidget(MakeUnit(ids.edit, k < 3 ? LengthUnit() : QStringLiteral("gon")), row, 2);
        if (hasStatus) {
            AddStatusGroup(k, ids.fix);
            for (int j = 0; j < 3; ++j)
                grid->addWidget(Item(ids.fix + j), row, 3 + j);
        }
        ++row;
    };
    for (int i = 0; i < 3; ++i)
        addRow(kCoordRows[i], i);
    if (theo)
        for (int i = 0; i < 3; ++i)
            addRow(kRotRows[i], 3 + i);
    if (kind == SEL_SBAR) {
        grid->addWidget(MakeStatic(ctl::Unnamed, tr("Length")), row, 0);
        grid->addWidget(MakeNumber(ctl::SBarLength), row, 1);
        grid->addWidget(MakeUnit(ctl::SBarLength, LengthUnit()), row++, 2);
        grid->addWidget(MakeStatic(ctl::Unnamed, tr("Azimuth")), row, 0);
        grid->addWidget(MakeNumber(ctl::SBarAzimuth, true), row, 1);
        grid->addWidget(MakeUnit(ctl::SBarAzimuth, QStringLiteral("gon")), row++, 2);
        grid->addWidget(MakeStatic(ctl::Unnamed, tr("Vert Angle")), row, 0);
        grid->addWidget(MakeNumber(ctl::SBarVertAngle, true), row, 1);
        grid->addWidget(MakeUnit(ctl::SBarVertAngle, QStringLiteral("gon")), row++, 2);
    }
    Body()->addWidget(coordBox);

    auto* ellipseRow = new QHBoxLayout;
    ellipseRow->addStretch();
    QPushButton* ellipse = MakeButton(ctl::EllipseButton, tr("Ellipse..."));
    ellipseRow->addWidget(ellipse);
    Body()->addLayout(ellipseRow);
    // A scale bar has no ellipse values of its own: its button, like the others enabled only
    // with valid ellipses, opens nothing.
    if (kind != SEL_SBAR) connect(ellipse, &QPushButton::clicked, this, &TElementForm::TEllipse);

    // SetupWindow.
    for (int i = 0; i < 3; ++i) {
        SetItemText(kCoordRows[i].caption, Format("%c value", AxisLetter(doc.label, doc.axisType, i)));
        if (theo)
            SetItemText(kRotRows[i].caption, Format("%c rotate", AxisLetter(doc.label, doc.axisType, i)));
    }
    SetItemText(ctl::ElemName, e.name);
    SetItemText(ctl::ElemAbbrev, e.abbrev);
    // Shown with every decimal they hold down to the finest the program prints, so that the text
    // is the value (and a value left as shown is not written back anyway).
    const int lengthDecimals = LengthDecimals(doc.units);
    const double coords[3] = {e.xReal, e.yReal, e.zReal};
    for (int i = 0; i < 3; ++i)
        SetItemText(kCoordRows[i].edit, FormatFormValue(coords[i], lengthDecimals));
    std::int32_t coordStat = 0;
    if (theo) {
        const THEODOLITE& t = doc.theoList[slot];
        SetItemText(ctl::TheoPos, Format("%1d", t.pos));
        SetItemText(ctl::TheoNumber, Format("%1d", t.theo));
        const double rot[3] = {t.xRotation, t.yRotation, t.zRotation};
        for (int i = 0; i < 3; ++i)
            SetItemText(kRotRows[i].edit, FormatFormValue(rot[i], ANGLE_DECIMALS));
        coordStat = t.coordStat;
    } else if (kind == SEL_POINT) {
        coordStat = doc.pointList[slot].coordStat;
    } else {
        const SCALEBAR& s = doc.sbarList[slot];
        SetItemText(ctl::SBarLength, FormatFormValue(s.length, lengthDecimals));
        SetItemText(ctl::SBarAzimuth, Format("%-d", s.azimuth));
        SetItemText(ctl::SBarVertAngle, Format("%-d", s.vertAngle));
    }
    if (hasStatus) {
        for (int k = 0; k < (theo ? 6 : 3); ++k) {
            int s = CoordStatOf(coordStat, k);
            const int unkId = (k < 3 ? kCoordRows[k].fix : kRotRows[k - 3].fix) + 2;
            // Fix 2, Apx 1, Unk 0: the checked button is Unk's id minus the field (3 counts as Unk).
            SetChecked(s <= 2 ? unkId - s : unkId, true);
            shownChoice_[k] = StatusChoice(k);
        }
    }
    EnableItem(ctl::EllipseButton, doc.bValEllip);
}

void TElementForm::AddStatusGroup(int k, int firstId) {
    static const char* texts[3] = {"Fix", "Apx", "Unk"};
    status_[k] = new QButtonGroup(this);
    status_[k]->setExclusive(true);
    for (int j = 0; j < 3; ++j)
        status_[k]->addButton(MakeRadio(firstId + j, tr(texts[j])), firstId + j);
}

int TElementForm::StatusChoice(int k) const {
    const int fix = k < 3 ? kCoordRows[k].fix : kRotRows[k - 3].fix;
    return IsChecked(fix) ? COORD_FIX : IsChecked(fix + 1) ? COORD_APX : COORD_UNK;
}

bool TElementForm::CanClose() {
    const bool theo = kind_ == SEL_THEO;
    // What each number edit is called in a message, and the kind of number it takes.
    struct NumberItem {
        int id;
        std::string what;
        bool integer;
    };
    std::vector<NumberItem> numbers;
    for (int i = 0; i < 3; ++i)
        numbers.push_back({kCoordRows[i].edit, ItemText(kCoordRows[i].caption), false});
    if (theo) {
        numbers.push_back({ctl::TheoPos, "Pos", true});
        numbers.push_back({ctl::TheoNumber, "Theo", true});
        for (int i = 0; i < 3; ++i)
            numbers.push_back({kRotRows[i].edit, ItemText(kRotRows[i].caption), false});
    }
    if (kind_ == SEL_SBAR) {
        numbers.push_back({ctl::SBarLength, "Length", false});
        numbers.push_back({ctl::SBarAzimuth, "Azimuth", true});
        numbers.push_back({ctl::SBarVertAngle, "Vert Angle", true});
    }
    // A text that is not a number is refused: the form stays open with nothing written.
    for (const NumberItem& n : numbers)
        if (RefuseNotANumber(n.id, n.what, n.integer)) return false;

    // A coordinate typed outside the limit box is brought to its edge; the user is told and may
    // go back to the form instead.
    const double lo[3] = {doc_.xMin, doc_.yMin, doc_.zMin};
    const double hi[3] = {doc_.xMax, doc_.yMax, doc_.zMax};
    COMMON& e = doc_.Common(kind_, index_);
    double coord[3] = {e.xReal, e.yReal, e.zReal};
    std::string clamped;
    int firstClamped = 0;
    for (int i = 0; i < 3; ++i) {
        const int id = kCoordRows[i].edit;
        if (!ScanItem(id, coord[i]) || !Edited(id)) continue;
        const double held = ClampToLimits(coord[i], lo[i], hi[i]);
        if (held == coord[i]) continue;
        if (clamped.empty()) firstClamped = id;
        clamped += Format("The %s %g lies outside the limits %g to %g: it becomes %g.\n",
                          ItemText(kCoordRows[i].caption).c_str(), coord[i], lo[i], hi[i], held);
        coord[i] = held;
    }
    if (!clamped.empty()) {
        const auto answer =
            QMessageBox::question(this, QStringLiteral("KIVO"), QString::fromStdString(clamped),
                                  QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer != QMessageBox::Ok) {
            if (QWidget* w = Item(firstClamped)) w->setFocus();
            return false;
        }
    }

    // Only what the user changed is written: a value left as shown keeps every digit it had.
    if (Edited(ctl::ElemName)) {
        const std::string name = ItemText(ctl::ElemName);
        switch (kind_) {
        case SEL_THEO:
            doc_.theoList.Rename(index_, name.c_str());
            break;
        case SEL_POINT:
            doc_.pointList.Rename(index_, name.c_str());
            break;
        default:
            doc_.sbarList.Rename(index_, name.c_str());
            break;
        }
    }
    if (Edited(ctl::ElemAbbrev)) CopyField(e.abbrev, sizeof e.abbrev, ItemText(ctl::ElemAbbrev));
    e.xReal = coord[0];
    e.yReal = coord[1];
    e.zReal = coord[2];

    if (theo) {
        THEODOLITE& t = doc_.theoList[index_];
        ScanItem(ctl::TheoPos, t.pos);
        ScanItem(ctl::TheoNumber, t.theo);
        ScanItem(kRotRows[0].edit, t.xRotation); // gon, no range
        ScanItem(kRotRows[1].edit, t.yRotation);
        ScanItem(kRotRows[2].edit, t.zRotation);
    } else if (kind_ == SEL_SBAR) {
        SCALEBAR& s = doc_.sbarList[index_];
        ScanItem(ctl::SBarLength, s.length);
        ScanItem(ctl::SBarAzimuth, s.azimuth);
        ScanItem(ctl::SBarVertAngle, s.vertAngle);
    }
    // The status word: a group the user changed gets its new field, the others keep theirs.
    if (kind_ != SEL_SBAR) {
        std::int32_t& stat = theo ? doc_.theoList[index_].coordStat : doc_.pointList[index_].coordStat;
        for (int k = 0; k < (theo ? 6 : 3); ++k) {
            const int choice = StatusChoice(k);
            if (choice == shownChoice_[k]) continue;
            const int one[1] = {choice};
            stat = (stat & ~(3 << (2 * k))) | (CoordStatFrom(one, 1) << (2 * k));
        }
    }
    return true;
}

void TElementForm::TEllipse() {
    TEllipseForm f(this, doc_, kind_, index_);
    f.exec();
}

TTheoForm::TTheoForm(QWidget* parent, kivoMDIClient& doc, int slot)
    : TElementForm(parent, doc, SEL_THEO, slot) {}
TPointForm::TPointForm(QWidget* parent, kivoMDIClient& doc, int slot)
    : TElementForm(parent, doc, SEL_POINT, slot) {}
TSBarForm::TSBarForm(QWidget* parent, kivoMDIClient& doc, int slot)
    : TElementForm(parent, doc, SEL_SBAR, slot) {}

TEllipseForm::TEllipseForm(QWidget* parent, kivoMDIClient& doc, int kind, int slot)
    : TForm(parent, doc, "Ellipse Data", 22021, 0, false) {
    auto* grid = new QGridLayout;
    // The semi-axes in the project's length unit, the direction in gon.
    const QString heads[3] = {tr("A (%1)").arg(LengthUnit()), tr("B (%1)").arg(LengthUnit()),
                              tr("Phi (gon)")};
    for (int c = 0; c < 3; ++c) {
        QLabel* h = MakeStatic(ctl::Unnamed, heads[c]);
        h->setAlignment(Qt::AlignRight);
        grid->addWidget(h, 0, 1 + c);
    }
    const char L1 = AxisLetter(doc.label, doc.axisType, 0);
    const char L2 = AxisLetter(doc.label, doc.axisType, 1);
    const char L3 = AxisLetter(doc.label, doc.axisType, 2);
    const char planes[3][2] = {{L1, L2}, {L1, L3}, {L2, L3}};
    const COMMON* e = nullptr;
    if (kind == SEL_THEO) e = &doc.theoList[slot];
    if (kind == SEL_POINT) e = &doc.pointList[slot];
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    for (int p = 0; p < 3; ++p) {
        grid->addWidget(MakeStatic(ctl::Plane1Caption + p,
                                   QString::fromStdString(Format("%c-%c Plane", planes[p][0], planes[p][1]))),
                        1 + p, 0);
        for (int c = 0; c < 3; ++c) {
            QLabel* v = MakeStatic(ctl::EllA1 + 3 * p + c);
            v->setFont(mono);
            v->setAlignment(Qt::AlignRight);
            v->setMinimumWidth(100);
            grid->addWidget(v, 1 + p, 1 + c);
        }
        if (e) {
            SetItemText(ctl::EllA1 + 3 * p, Format("%10.6lf", e->A[p]));
            SetItemText(ctl::EllB1 + 3 * p, Format("%10.6lf", e->B[p]));
            SetItemText(ctl::EllPhi1 + 3 * p, Format("%8.2lf", e->phi[p]));
        }
    }
    Body()->addLayout(grid);
}

} // namespace kivo::forms
