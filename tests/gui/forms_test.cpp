// The forms: filled from the document, read back on OK in their order and format, nothing written
// on Cancel, working copies of the observation lists committed only on OK.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "adjustment/kivoMDIClient.h"
#include "forms/element_forms.h"
#include "forms/forms.h"
#include "forms/obs_forms.h"
#include "forms/settings_forms.h"
#include "gui/forms_app.h"
#include "model/form_values.h"

namespace kivo::forms {
namespace {

using test::WhenModal;

template <class W = QWidget> W* Ctl(QWidget* form, int id) {
    W* w = form->findChild<W*>(CtlName(id));
    EXPECT_NE(w, nullptr) << "control " << id << " of " << form->windowTitle().toStdString();
    return w;
}
void Type(QWidget* form, int id, const QString& text) {
    Ctl<QLineEdit>(form, id)->setText(text);
}
QString Text(QWidget* form, int id) {
    QWidget* w = Ctl(form, id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}
QStringList Lines(QWidget* form, int listId) {
    QStringList out;
    auto* list = Ctl<QListWidget>(form, listId);
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
void SelectLine(QWidget* form, int listId, int row) {
    auto* list = Ctl<QListWidget>(form, listId);
    list->setCurrentRow(row);
    list->item(row)->setSelected(true);
}
// Answers the next Add/Modify form: type position (-1: leave), values in reading order.
void AnswerEntry(int type, std::vector<std::pair<int, QString>> values, QString* seenNames = nullptr) {
    WhenModal([type, values, seenNames](QWidget* w) {
        ASSERT_NE(w, nullptr);
        if (seenNames) *seenNames = Text(w, ctl::ObsNameA) + ">" + Text(w, ctl::ObsNameB);
        if (type >= 0) Ctl<QComboBox>(w, ctl::ObsType)->setCurrentIndex(type);
        for (const auto& [id, text] : values)
            Type(w, id, text);
        static_cast<QDialog*>(w)->accept();
    });
}
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
// Answers the next message box with `button`, noting its text.
void AnswerBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    WhenModal([button, text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        if (text) *text = box->text();
        box->button(button)->click();
    });
}

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KIVO_INI", "/nonexistent/kivo.ini", 1);
        test::EnsureApp();
        doc = std::make_unique<kivoMDIClient>();
        doc->CreateMemory();
        doc->units = UNITS_METERS;
        doc->axisType = 0;
        doc->xMin = doc->yMin = doc->zMin = 0;
        doc->xMax = doc->yMax = doc->zMax = 500;
        doc->bIdeals = false;
        doc->NewTheo("Theo1_0", "T10", 1, 0, 10, 20, 30, 0, 0, 0, 0);
        doc->NewTheo("Theo1_1", "T11", 1, 1, 40, 50, 60, 0, 0, 0, 0);
        doc->NewTheo("Theo1_2", "T12", 1, 2, 70, 80, 90, 0, 0, 0, 0);
        doc->NewPoint("Point1", "P1", 100, 100, 100, 0);
        doc->NewPoint("Point2", "P2", 103, 104, 100, 0);
        doc->NewSBar("SBar1", "S1", 200, 200, 200, 1.5, 100, 0);
        doc->bFileDirty = false;
    }
    THEODOLITE& Theo(int i) { return doc->theoList[i]; }
    std::unique_ptr<kivoMDIClient> doc;
};

// ---- Element forms ---------------------------------------------------------------------------

TEST_F(FormsTest, TheoFormClampsCoordinatesAndBuildsTheStatusWord) {
    TTheoForm f(nullptr, *doc, 0);
    EXPECT_EQ(f.windowTitle(), "Theodolite Info");
    EXPECT_EQ(Text(&f, ctl::Coord1), "10.000    ");
    Type(&f, ctl::ElemName, "Station");
    Type(&f, ctl::Coord1, "1000");
    Type(&f, ctl::Coord2, "-5");
    Type(&f, ctl::TheoPos, "4");
    Type(&f, ctl::Rot1, "12.5");
    Ctl<QRadioButton>(&f, ctl::Coord1Fix)->click(); // x Fix
    Ctl<QRadioButton>(&f, ctl::Coord2Apx)->click(); // y Apx
    Ctl<QRadioButton>(&f, ctl::Coord3Unk)->click(); // z Unk
    // The two coordinates outside the limit box: the user is told what they become.
    QString told;
    AnswerBox(QMessageBox::Ok, &told);
    f.accept();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_TRUE(told.contains("X value 1000 lies outside the limits 0 to 500: it becomes 500"))
        << told.toStdString();
    EXPECT_TRUE(told.contains("Y value -5 lies outside the limits 0 to 500: it becomes 0"))
        << told.toStdString();
    EXPECT_STREQ(Theo(0).name, "Station");
    EXPECT_EQ(doc->TheoCheck("station"), 0); // the name index follows
    EXPECT_DOUBLE_EQ(Theo(0).xReal, 500);
    EXPECT_DOUBLE_EQ(Theo(0).yReal, 0);
    EXPECT_EQ(Theo(0).coordStat, 0x006);
    EXPECT_EQ(Theo(0).pos, 4);
    EXPECT_DOUBLE_EQ(Theo(0).xRotation, 12.5);

    TTheoForm again(nullptr, *doc, 0);
    EXPECT_EQ(Text(&again, ctl::Coord1), "500.000   ");
    EXPECT_TRUE(Ctl<QRadioButton>(&again, ctl::Coord1Fix)->isChecked());
    EXPECT_TRUE(Ctl<QRadioButton>(&again, ctl::Coord2Apx)->isChecked());
    EXPECT_TRUE(Ctl<QRadioButton>(&again, ctl::Rot1Unk)->isChecked()); // x rotation Unk
}

TEST_F(FormsTest, TextThatIsNotANumberIsMarkedAndRefused) {
    TPointForm f(nullptr, *doc, 0);
    auto* y = Ctl<NumberEdit>(&f, ctl::Coord2);
    EXPECT_FALSE(y->Marked());
    Type(&f, ctl::Coord1, "101");
    Type(&f, ctl::Coord2, "abc");
    EXPECT_TRUE(y->Marked());
    EXPECT_FALSE(y->styleSheet().isEmpty());
    // OK says which value is not a number and keeps the form open with nothing written.
    QString told;
    AnswerBox(QMessageBox::Ok, &told);
    f.accept();
    EXPECT_NE(f.result(), QDialog::Accepted);
    EXPECT_EQ(told, "The Y value \"abc\" is not a number.");
    EXPECT_DOUBLE_EQ(doc->pointList[0].xReal, 100);
    Type(&f, ctl::Coord2, "42");
    EXPECT_FALSE(y->Marked());
    Type(&f, ctl::Coord3, "  ");
    AnswerBox(QMessageBox::Ok, &told);
    f.accept();
    EXPECT_EQ(told, "The Z value is empty: it must be a number.");
    EXPECT_DOUBLE_EQ(doc->pointList[0].yReal, 100);
    // "nan" and "inf" scan as numbers but are none.
    Type(&f, ctl::Coord3, "nan");
    AnswerBox(QMessageBox::Ok, &told);
    f.accept();
    EXPECT_EQ(told, "The Z value \"nan\" is not a number.");
    Type(&f, ctl::Coord3, "7");
    f.accept();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(doc->pointList[0].xReal, 101);
    EXPECT_DOUBLE_EQ(doc->pointList[0].yReal, 42);
    EXPECT_DOUBLE_EQ(doc->pointList[0].zReal, 7);
}

TEST_F(FormsTest, ElementFormsWriteBackOnlyWhatWasChanged) {
    // Values with more decimals than three, a status field of 3 (read as Unk), an abbreviation
    // with bytes after its end, and a coordinate outside today's limits.
    OBJECTPOINT& p = doc->pointList[1];
    p.xReal = 15.31402;
    p.yReal = 0.123456789;
    p.zReal = 612.5; // above zMax 500
    p.coordStat = 0x3 | 0x20;
    std::memcpy(p.abbrev, "P2\0x", 5);
    const OBJECTPOINT before = p;
    {
        TPointForm f(nullptr, *doc, 1);
        // Shown down to 0.1 micrometre: what the form shows is the value.
        EXPECT_EQ(Text(&f, ctl::Coord1), "15.31402  ");
        EXPECT_EQ(Text(&f, ctl::Coord2), "0.1234568 ");
        EXPECT_EQ(Text(&f, ctl::Coord3), "612.500   ");
        f.accept();
        EXPECT_EQ(f.result(), QDialog::Accepted);
    }
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0) << "OK on an untouched form changes nothing";
    {
        TPointForm f(nullptr, *doc, 1);
        Type(&f, ctl::Coord2, "0.5");
        Ctl<QRadioButton>(&f, ctl::Coord1Apx)->click();
        f.accept();
    }
    EXPECT_EQ(p.xReal, 15.31402);
    EXPECT_EQ(p.yReal, 0.5);
    EXPECT_EQ(p.zReal, 612.5) << "a value not edited is not brought into the limits";
    EXPECT_EQ(p.coordStat, 0x1 | 0x20) << "only the changed status field is rewritten";
    EXPECT_EQ(std::memcmp(p.abbrev, "P2\0x", 5), 0);

    // Theodolite rotations and scale-bar length likewise; a unit of mm shows four decimals.
    Theo(2).xRotation = 12.345678912;
    doc->units = UNITS_MM;
    doc->sbarList[0].length = 1500.12345678;
    {
        TTheoForm t(nullptr, *doc, 2);
        EXPECT_EQ(Text(&t, ctl::Rot1), "12.3456789");
        EXPECT_EQ(Text(&t, ctl::Coord1), "70.000    ");
        t.accept();
        TSBarForm b(nullptr, *doc, 0);
        EXPECT_EQ(Text(&b, ctl::SBarLength), "1500.1235 ");
        b.accept();
    }
    EXPECT_EQ(Theo(2).xRotation, 12.345678912);
    EXPECT_EQ(doc->sbarList[0].length, 1500.12345678);
}

TEST_F(FormsTest, CoordinateOutsideTheLimitsIsToldAndCancelGoesBack) {
    TPointForm f(nullptr, *doc, 0);
    Type(&f, ctl::Coord1, "1e308");
    QString told;
    AnswerBox(QMessageBox::Cancel, &told);
    f.accept();
    EXPECT_NE(f.result(), QDialog::Accepted);
    EXPECT_EQ(told, "The X value 1e+308 lies outside the limits 0 to 500: it becomes 500.\n");
    EXPECT_DOUBLE_EQ(doc->pointList[0].xReal, 100);
    Type(&f, ctl::Coord1, "250");
    f.accept();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(doc->pointList[0].xReal, 250);
}

TEST_F(FormsTest, ElementFormsCaptionRowsByCoordinateOrderAndLimitNames) {
    doc->axisType = 1;
    TTheoForm f(nullptr, *doc, 1);
    EXPECT_EQ(Text(&f, ctl::Coord1Caption), "Z value");
    EXPECT_EQ(Text(&f, ctl::Coord2Caption), "X value");
    EXPECT_EQ(Text(&f, ctl::Rot1Caption), "Z rotate");
    EXPECT_EQ(Text(&f, ctl::Coord1), "40.000    "); // row 1 still edits xReal
    EXPECT_EQ(Ctl<QLineEdit>(&f, ctl::ElemName)->maxLength(), 8);
    EXPECT_EQ(Ctl<QLineEdit>(&f, ctl::ElemAbbrev)->maxLength(), 4);
    QTest::keyClicks(Ctl<QLineEdit>(&f, ctl::ElemAbbrev), "ABCDEF");
    EXPECT_EQ(Text(&f, ctl::ElemAbbrev), "T11A");
}

TEST_F(FormsTest, EllipseButtonNeedsValidEllipses) {
    for (bool valid : {false, true}) {
        doc->bValEllip = valid;
        TTheoForm t(nullptr, *doc, 0);
        TPointForm p(nullptr, *doc, 0);
        TSBarForm s(nullptr, *doc, 0);
        for (QWidget* f : {static_cast<QWidget*>(&t), static_cast<QWidget*>(&p), static_cast<QWidget*>(&s)})
            EXPECT_EQ(Ctl(f, ctl::EllipseButton)->isEnabled(), valid) << f->windowTitle().toStdString();
    }
    doc->pointList[0].A[1] = 0.5;
    doc->pointList[0].phi[1] = 12.345;
    TEllipseForm e(nullptr, *doc, SEL_POINT, 0);
    EXPECT_EQ(Text(&e, ctl::Plane1Caption), "X-Y Plane");
    EXPECT_EQ(Text(&e, ctl::Plane2Caption), "X-Z Plane");
    EXPECT_EQ(Text(&e, ctl::EllA2), "  0.500000");
    EXPECT_EQ(Text(&e, ctl::EllPhi2), "   12.35");
    EXPECT_EQ(e.findChild<QWidget*>(CtlName(ctl::Help)), nullptr);
}

TEST_F(FormsTest, ScaleBarFormReadsLengthAndWholeAngles) {
    TSBarForm f(nullptr, *doc, 0);
    EXPECT_EQ(Text(&f, ctl::SBarLength), "1.500     ");
    EXPECT_EQ(Text(&f, ctl::SBarAzimuth), "100");
    Type(&f, ctl::SBarLength, "2.25");
    Type(&f, ctl::SBarAzimuth, "50");
    Type(&f, ctl::SBarVertAngle, "7.9");
    Type(&f, ctl::Coord3, "900");
    AnswerBox(QMessageBox::Ok);
    f.accept();
    const SCALEBAR& s = doc->sbarList[0];
    EXPECT_DOUBLE_EQ(s.length, 2.25);
    EXPECT_EQ(s.azimuth, 50);
    EXPECT_EQ(s.vertAngle, 7);
    EXPECT_DOUBLE_EQ(s.zReal, 500);
}

TEST_F(FormsTest, CancelLeavesTheElementAndTheFileState) {
    const THEODOLITE before = Theo(0);
    TTheoForm f(nullptr, *doc, 0);
    Type(&f, ctl::ElemName, "Changed");
    Type(&f, ctl::Coord1, "1");
    Ctl<QRadioButton>(&f, ctl::Coord1Fix)->click();
    f.reject();
    EXPECT_STREQ(Theo(0).name, before.name);
    EXPECT_DOUBLE_EQ(Theo(0).xReal, before.xReal);
    EXPECT_EQ(Theo(0).coordStat, before.coordStat);
    EXPECT_FALSE(doc->bFileDirty);
}

// ---- Direction observation forms ------------------------------------------------------------

TEST_F(FormsTest, CollimationObservedFromOneSideOnly) {
    Theo(0).thList.Append(CONNECT1{1, OBS_DIRECT, 0, 1.0, 99.5});
    Theo(0).SyncCounts();
    TCollimateForm f(nullptr, *doc, 0, 1);
    EXPECT_EQ(Text(&f, ctl::ObsNameA), "Theo1_0");
    EXPECT_EQ(Text(&f, ctl::ObsNameB), "Theo1_1");
    EXPECT_EQ(Lines(&f, ctl::CollAToBList), QStringList{"Dir        1.0000     99.5000"});
    EXPECT_TRUE(Ctl(&f, ctl::CollAToBAdd)->isEnabled());
    for (int id : {ctl::CollAToBModify, ctl::CollAToBDelete, ctl::CollBToACaption, ctl::CollBToAList,
                   ctl::CollBToAAdd, ctl::CollBToAModify, ctl::CollBToADelete})
        EXPECT_FALSE(Ctl(&f, id)->isEnabled()) << id;
    SelectLine(&f, ctl::CollAToBList, 0);
    EXPECT_TRUE(Ctl(&f, ctl::CollAToBModify)->isEnabled());
    EXPECT_TRUE(Ctl(&f, ctl::CollAToBDelete)->isEnabled());
}

TEST_F(FormsTest, CollimationsAddedOnBothSidesLandInTheirTheodolites) {
    Theo(0).thList.Append(CONNECT1{1, OBS_DIRECT, 0, 1.0, 99.5});
    Theo(1).thList.Append(CONNECT1{2, OBS_DIRECT, 0, 5.0, 100.0});
    Theo(0).SyncCounts();
    Theo(1).SyncCounts();
    TCollimateForm f(nullptr, *doc, 0, 1);
    EXPECT_TRUE(Lines(&f, ctl::CollBToAList).isEmpty());
    EXPECT_TRUE(Ctl(&f, ctl::CollBToAAdd)->isEnabled());

    QString names;
    AnswerEntry(1, {{ctl::ObsHorz, "10"}, {ctl::ObsVert, "90"}}, &names);
    Ctl<QPushButton>(&f, ctl::CollBToAAdd)->click();
    EXPECT_EQ(names, "Theo1_1>Theo1_0"); // B observes A
    EXPECT_EQ(Lines(&f, ctl::CollBToAList), QStringList{"Rev       10.0000     90.0000"});
    AnswerEntry(0, {{ctl::ObsHorz, "20"}, {ctl::ObsVert, "80"}}, &names);
    Ctl<QPushButton>(&f, ctl::CollAToBAdd)->click();
    EXPECT_EQ(names, "Theo1_0>Theo1_1");
    EXPECT_EQ(Lines(&f, ctl::CollAToBList).size(), 2);
    // Nothing reaches the theodolites before OK.
    EXPECT_EQ(Theo(0).thCount, 1);
    EXPECT_EQ(Theo(1).thCount, 1);
    f.accept();

    ASSERT_EQ(Theo(0).thCount, 2);
    EXPECT_EQ(Theo(0).thList[1].target, 1);
    EXPECT_EQ(Theo(0).thList[1].flags, OBS_DIRECT);
    EXPECT_DOUBLE_EQ(Theo(0).thList[1].hAngle, 20);
    ASSERT_EQ(Theo(1).thCount, 2);
    EXPECT_EQ(Theo(1).thList[1].target, 0);
    EXPECT_EQ(Theo(1).thList[1].flags, OBS_REVERSE);
    EXPECT_DOUBLE_EQ(Theo(1).thList[1].vAngle, 90);
    EXPECT_EQ(Theo(1).thList.size(), Theo(1).thCount);
}

TEST_F(FormsTest, ModifyDirectToReverseStoresFlagsTwoAndANarrowerLine) {
    Theo(0).thList.Append(CONNECT1{2, OBS_DIRECT, 0, 3.0, 4.0});
    Theo(0).thList.Append(CONNECT1{1, OBS_DIRECT | OBS_VALID, 9, 1.0, 99.5});
    Theo(0).SyncCounts();
    TCollimateForm f(nullptr, *doc, 0, 1);
    SelectLine(&f, ctl::CollAToBList, 0);
    WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), "Modify Collimation Data");
        EXPECT_EQ(Ctl<QComboBox>(w, ctl::ObsType)->currentIndex(), 0);
        EXPECT_EQ(Text(w, ctl::ObsHorz), "1.000000");
        Ctl<QComboBox>(w, ctl::ObsType)->setCurrentIndex(1);
        Type(w, ctl::ObsVert, "98.25");
        static_cast<QDialog*>(w)->accept();
    });
    Ctl<QPushButton>(&f, ctl::CollAToBModify)->click();
    EXPECT_EQ(Lines(&f, ctl::CollAToBList),
              QStringList{Q(Format("%3s  %10.4lf  %10.4lf", "Rev", 1.0, 98.25))});
    EXPECT_FALSE(Ctl(&f, ctl::CollAToBModify)->isEnabled());
    f.accept();
    EXPECT_EQ(Theo(0).thList[1].flags, 2);
    EXPECT_EQ(Theo(0).thList[1].stddev, 9);
    EXPECT_DOUBLE_EQ(Theo(0).thList[1].vAngle, 98.25);
    EXPECT_DOUBLE_EQ(Theo(0).thList[0].hAngle, 3.0);
}

TEST_F(FormsTest, DeletingTheOnlySightingStoresAnEmptyList) {
    Theo(0).ptList.Append(CONNECT1{0, OBS_DIRECT, 0, 1, 2});
    Theo(0).SyncCounts();
    TPtDirectForm f(nullptr, *doc, 0, 0);
    SelectLine(&f, ctl::ObsList, 0);
    Ctl<QPushButton>(&f, ctl::ObsDelete)->click();
    EXPECT_TRUE(Lines(&f, ctl::ObsList).isEmpty());
    EXPECT_EQ(Theo(0).ptCount, 1);
    f.accept();
    EXPECT_EQ(Theo(0).ptCount, 0);
    EXPECT_TRUE(Theo(0).ptList.empty());
}

TEST_F(FormsTest, ScaleBarSightingsReadFourAnglesInOrder) {
    Theo(0).sbList.Append(CONNECT2{0, OBS_REVERSE, 0, 1, 2, 3, 4});
    Theo(0).SyncCounts();
    TSBDirectForm f(nullptr, *doc, 0, 0);
    EXPECT_EQ(Lines(&f, ctl::ObsList), QStringList{Q(Format("%3s  %10.4lf  %10.4lf    %10.4lf    %10.4lf",
                                                            "Rev", 1.0, 2.0, 3.0, 4.0))});
    AnswerEntry(
        0,
        {{ctl::ObsHorz, "11"}, {ctl::ObsVert, "12"}, {ctl::ObsHorzRight, "13"}, {ctl::ObsVertRight, "14"}});
    Ctl<QPushButton>(&f, ctl::ObsAdd)->click();
    EXPECT_EQ(Lines(&f, ctl::ObsList).at(1),
              Q(Format("%-5s  %10.4lf  %10.4lf    %10.4lf    %10.4lf", "Dir", 11.0, 12.0, 13.0, 14.0)));
    f.accept();
    const CONNECT2& r = Theo(0).sbList[1];
    EXPECT_EQ(r.flags, OBS_DIRECT);
    EXPECT_DOUBLE_EQ(r.hLAngle, 11);
    EXPECT_DOUBLE_EQ(r.vLAngle, 12);
    EXPECT_DOUBLE_EQ(r.hRAngle, 13);
    EXPECT_DOUBLE_EQ(r.vRAngle, 14);
}

// ---- Distance and height forms --------------------------------------------------------------

TEST_F(FormsTest, PointToPointListsKeepThePairOrderAndFlag0x81) {
    doc->AddPtDistance(CONNECT4{0, 1, OBS_INUSE | OBS_DIRECT, 5, 4.5});
    {
        TPointDistForm reversed(nullptr, *doc, 1, 0);
        EXPECT_TRUE(Lines(&reversed, ctl::ObsList).isEmpty());
    }
    TPointDistForm f(nullptr, *doc, 0, 1);
    EXPECT_EQ(Lines(&f, ctl::ObsList), QStringList{"Dir       4.5000"});
    AnswerEntry(-1, {{ctl::ObsValue, "-2.5"}});
    Ctl<QPushButton>(&f, ctl::ObsAdd)->click();
    EXPECT_EQ(Lines(&f, ctl::ObsList).at(1), "Dir      -2.5000");
    SelectLine(&f, ctl::ObsList, 0);
    AnswerEntry(-1, {{ctl::ObsValue, "4.75"}});
    Ctl<QPushButton>(&f, ctl::ObsModify)->click();
    EXPECT_EQ(doc->nNumDists, 1);
    f.accept();
    ASSERT_EQ(doc->nNumDists, 2);
    EXPECT_EQ(doc->distList[0].flags, OBS_INUSE | OBS_DIRECT); // Modify keeps flags and stddev
    EXPECT_EQ(doc->distList[0].stddev, 5);
    EXPECT_DOUBLE_EQ(doc->distList[0].distance, 4.75);
    EXPECT_EQ(doc->distList[1].flags, 0x81);
    EXPECT_DOUBLE_EQ(doc->distList[1].distance, -2.5); // no sign test
    EXPECT_TRUE(doc->CheckPtDistance(0, 1));

    TDistanceForm d(nullptr, *doc, 0, 0);
    AnswerEntry(-1, {{ctl::ObsValue, "12"}});
    Ctl<QPushButton>(&d, ctl::ObsAdd)->click();
    d.accept();
    ASSERT_EQ(Theo(0).dsCount, 1);
    EXPECT_EQ(Theo(0).dsList[0].flags, 1);
}

TEST_F(FormsTest, CancelAfterEditsLeavesEveryFamilyUnchanged) {
    Theo(0).thList.Append(CONNECT1{1, OBS_DIRECT, 0, 1, 2});
    Theo(0).ptList.Append(CONNECT1{0, OBS_DIRECT, 0, 1, 2});
    Theo(0).sbList.Append(CONNECT2{0, OBS_DIRECT, 0, 1, 2, 3, 4});
    Theo(0).dsList.Append(CONNECT3{0, OBS_DIRECT, 0, 7});
    Theo(0).hdList.Append(CONNECT6{0, OBS_DIRECT, 0, 1});
    Theo(0).SyncCounts();
    doc->AddPtDistance(CONNECT4{0, 1, OBS_INUSE | OBS_DIRECT, 0, 3});
    doc->AddPtHeight(CONNECT5{0, 1, OBS_INUSE | OBS_DIRECT, 0, 1});

    struct Family {
        std::function<TObsListForm*()> make;
        bool hasType;
        std::vector<std::pair<int, QString>> values;
        int addId, deleteId, listId;
    };
    const std::vector<std::pair<int, QString>> two = {{ctl::ObsHorz, "1"}, {ctl::ObsVert, "2"}};
    const std::vector<std::pair<int, QString>> four = {
        {ctl::ObsHorz, "1"}, {ctl::ObsVert, "2"}, {ctl::ObsHorzRight, "3"}, {ctl::ObsVertRight, "4"}};
    const std::vector<std::pair<int, QString>> one = {{ctl::ObsValue, "9"}};
    kivoMDIClient& d = *doc;
    std::vector<Family> families = {
        {[&] { return new TCollimateForm(nullptr, d, 0, 1); }, true, two, ctl::CollAToBAdd,
         ctl::CollAToBDelete, ctl::CollAToBList},
        {[&] { return new TPtDirectForm(nullptr, d, 0, 0); }, true, two, ctl::ObsAdd, ctl::ObsDelete,
         ctl::ObsList},
        {[&] { return new TSBDirectForm(nullptr, d, 0, 0); }, true, four, ctl::ObsAdd, ctl::ObsDelete,
         ctl::ObsList},
        {[&] { return new TDistanceForm(nullptr, d, 0, 0); }, false, one, ctl::ObsAdd, ctl::ObsDelete,
         ctl::ObsList},
        {[&] { return new THeightForm(nullptr, d, 0, 0); }, false, one, ctl::ObsAdd, ctl::ObsDelete,
         ctl::ObsList},
        {[&] { return new TPointDistForm(nullptr, d, 0, 1); }, false, one, ctl::ObsAdd, ctl::ObsDelete,
         ctl::ObsList},
        {[&] { return new TPointHeightForm(nullptr, d, 0, 1); }, false, one, ctl::ObsAdd, ctl::ObsDelete,
         ctl::ObsList},
    };
    for (Family& fam : families) {
        std::unique_ptr<TObsListForm> f(fam.make());
        SCOPED_TRACE(f->windowTitle().toStdString());
        SelectLine(f.get(), fam.listId, 0);
        Ctl<QPushButton>(f.get(), fam.deleteId)->click();
        AnswerEntry(fam.hasType ? 1 : -1, fam.values);
        Ctl<QPushButton>(f.get(), fam.addId)->click();
        AnswerEntry(fam.hasType ? 1 : -1, fam.values);
        Ctl<QPushButton>(f.get(), fam.addId)->click();
        EXPECT_EQ(Lines(f.get(), fam.listId).size(), 2);
        f->reject();
    }
    const THEODOLITE& t = Theo(0);
    EXPECT_EQ(t.thCount, 1);
    EXPECT_EQ(t.ptCount, 1);
    EXPECT_EQ(t.sbCount, 1);
    EXPECT_EQ(t.dsCount, 1);
    EXPECT_EQ(t.hdCount, 1);
    EXPECT_EQ(t.thList.size(), 1);
    EXPECT_DOUBLE_EQ(t.dsList[0].distance, 7);
    EXPECT_EQ(Theo(1).thCount, 0);
    EXPECT_EQ(doc->nNumDists, 1);
    EXPECT_EQ(doc->nMaxDists, 1);
    EXPECT_TRUE(doc->distList[0].flags & OBS_INUSE);
    EXPECT_EQ(doc->nNumHeights, 1);
    EXPECT_EQ(doc->nMaxHeights, 1);
}

TEST_F(FormsTest, IdealModeShowsComputedValuesAndStoresNothing) {
    doc->bIdeals = true;
    Theo(0).dsList.Append(CONNECT3{0, OBS_IDEAL | OBS_VALID, 0, 0.0});
    Theo(0).dsList.Append(CONNECT3{0, OBS_DIRECT, 0, 8.0});
    Theo(0).SyncCounts();
    double expected = 0;
    doc->CalcDistance(0, 0, expected);
    TDistanceForm f(nullptr, *doc, 0, 0);
    EXPECT_EQ(Lines(&f, ctl::ObsList), QStringList{Q(Format("%-5s %10.4lf", "Ideal", expected))});
    EXPECT_FALSE(Ctl(&f, ctl::ObsAdd)->isEnabled());
    SelectLine(&f, ctl::ObsList, 0);
    EXPECT_FALSE(Ctl(&f, ctl::ObsModify)->isEnabled());
    EXPECT_FALSE(Ctl(&f, ctl::ObsDelete)->isEnabled());
    f.accept();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(Theo(0).dsList[0].distance, 0.0);
    EXPECT_EQ(Theo(0).dsCount, 2);
}

// ---- Settings forms -------------------------------------------------------------------------

TEST_F(FormsTest, ParameterFormConvertsLimitsAtOnceAndTheDocumentOnOk) {
    doc->SDHeight = 0.1;
    Theo(0).dsList.Append(CONNECT3{0, OBS_DIRECT, 0, 10.0});
    Theo(0).SyncCounts();
    TParameterForm f(nullptr, *doc);
    EXPECT_TRUE(Ctl<QRadioButton>(&f, ctl::UnitsMeters)->isChecked());
    Ctl<QRadioButton>(&f, ctl::UnitsMm)->click();
    EXPECT_EQ(Text(&f, ctl::LimitXMax), "500000.000");
    EXPECT_DOUBLE_EQ(doc->xMax, 500); // nothing written before OK
    f.accept();
    EXPECT_EQ(doc->units, UNITS_MM);
    EXPECT_DOUBLE_EQ(doc->xMax, 500000);
    EXPECT_DOUBLE_EQ(Theo(0).xReal, 10000);
    EXPECT_DOUBLE_EQ(doc->sbarList[0].length, 1500);
    EXPECT_DOUBLE_EQ(doc->SDHeight, 100);
    EXPECT_DOUBLE_EQ(Theo(0).dsList[0].distance, 10000);
}

TEST_F(FormsTest, ParameterUnitsThereAndBackKeepCoordinatesAndRoundLimits) {
    doc->xMax = 1.23456;
    TParameterForm f(nullptr, *doc);
    Ctl<QRadioButton>(&f, ctl::UnitsFeet)->click();   // feet
    Ctl<QRadioButton>(&f, ctl::UnitsMeters)->click(); // meters
    Ctl<QRadioButton>(&f, ctl::AxesZxy)->click();     // zxy
    EXPECT_EQ(Text(&f, ctl::LimitRow1Caption), "Z");
    EXPECT_EQ(Text(&f, ctl::LimitRow2Caption), "X");
    f.accept();
    EXPECT_EQ(doc->units, UNITS_METERS);
    EXPECT_EQ(doc->axisType, 1);
    EXPECT_DOUBLE_EQ(Theo(1).xReal, 40);
    // By hand: 1.23456 m x 3.2808 = 4.0504 ft, shown and kept as 4.050; x 0.3048 = 1.23444 m,
    // kept as 1.234.
    EXPECT_NEAR(doc->xMax, 1.234, 1e-9);
}

TEST_F(FormsTest, ParameterFormRefusesMinimumNotBelowMaximum) {
    TParameterForm f(nullptr, *doc);
    Type(&f, ctl::LimitYMin, "500"); // y Min = y Max
    QString message;
    WhenModal([&message](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        message = box->text();
        box->accept();
    });
    f.accept();
    EXPECT_NE(f.result(), QDialog::Accepted);
    EXPECT_TRUE(message.contains("Y Min")) << message.toStdString();
    EXPECT_DOUBLE_EQ(doc->yMin, 0);
    Type(&f, ctl::LimitYMin, "499");
    f.accept();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(doc->yMin, 499);
}

TEST_F(FormsTest, DisplayFormCaptionsByUnitAndRefusesScalesOfZero) {
    doc->units = UNITS_FEET;
    doc->axisType = 1;
    TDisplayForm f(nullptr, *doc);
    EXPECT_EQ(Text(&f, ctl::Scale1Caption), "X:  1 in =");
    EXPECT_EQ(Text(&f, ctl::Scale3Caption), "Z:  1 in =");
    EXPECT_EQ(Text(&f, ctl::EllScaleCaption), " :  1 in =");
    EXPECT_EQ(Text(&f, ctl::Scale1Unit), "feet");
    EXPECT_EQ(Text(&f, ctl::EllScaleUnit), "mils");
    Type(&f, ctl::Scale2, "0");
    Ctl<QCheckBox>(&f, ctl::ShowHGrid)->setChecked(true);
    QString message;
    WhenModal([&message](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        message = box->text();
        box->accept();
    });
    f.accept();
    EXPECT_NE(f.result(), QDialog::Accepted);
    EXPECT_TRUE(message.contains("Y scale")) << message.toStdString();
    EXPECT_FALSE(doc->bHGrid);
    Type(&f, ctl::Scale2, "25");
    f.accept();
    EXPECT_DOUBLE_EQ(doc->objScale2, 25);
    EXPECT_TRUE(doc->bHGrid);

    doc->units = UNITS_METERS;
    doc->axisType = 0;
    TDisplayForm m(nullptr, *doc);
    EXPECT_EQ(Text(&m, ctl::Scale2Caption), "Y:  1 cm =");
    EXPECT_EQ(Text(&m, ctl::HGridUnit), "m");
    EXPECT_EQ(Text(&m, ctl::EllScaleUnit), "mm");
}

TEST_F(FormsTest, DisplayFormShowsTheEllipseScaleInTheUnitItNames) {
    // 0.0002 m of error per cm of screen reads 0.2 mm; OK without an edit keeps the value exactly.
    doc->units = UNITS_METERS;
    doc->ellScale = 0.0002;
    TDisplayForm f(nullptr, *doc);
    EXPECT_EQ(Text(&f, ctl::EllScale).trimmed(), "0.2");
    f.accept();
    EXPECT_EQ(doc->ellScale, 0.0002);
    // Typing 0.5 means 0.5 mm.
    TDisplayForm g(nullptr, *doc);
    Type(&g, ctl::EllScale, "0.5");
    g.accept();
    EXPECT_NEAR(doc->ellScale, 0.0005, 1e-15);

    // Feet: 0.001 ft per cm is 30.48 mils per inch of screen.
    doc->units = UNITS_FEET;
    doc->ellScale = 0.001;
    TDisplayForm h(nullptr, *doc);
    EXPECT_EQ(Text(&h, ctl::EllScale).trimmed(), "30.48");
    Type(&h, ctl::EllScale, "30480");
    h.accept();
    EXPECT_NEAR(doc->ellScale, 1, 1e-12);

    // The tolerance row speaks the project's length unit and is held in meters; a negative one is
    // refused with nothing changed, an empty one is none.
    doc->units = UNITS_MM;
    TDisplayForm t(nullptr, *doc);
    EXPECT_EQ(Text(&t, ctl::ToleranceUnit), "mm");
    EXPECT_TRUE(Ctl<QRadioButton>(&t, ctl::Confidence68)->isChecked());
    Type(&t, ctl::Tolerance, "-1");
    WhenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->accept(); });
    t.accept();
    EXPECT_NE(t.result(), QDialog::Accepted);
    EXPECT_FALSE(doc->precision.isSet());
    Type(&t, ctl::Tolerance, "0.3");
    Ctl<QRadioButton>(&t, ctl::Confidence95)->setChecked(true);
    t.accept();
    EXPECT_NEAR(doc->precision.toleranceMeters, 0.0003, 1e-15);
    EXPECT_TRUE(doc->precision.confidence95);
    TDisplayForm again(nullptr, *doc);
    EXPECT_EQ(Text(&again, ctl::Tolerance).trimmed(), "0.3");
    Type(&again, ctl::Tolerance, "");
    again.accept();
    EXPECT_FALSE(doc->precision.isSet());
}

TEST_F(FormsTest, AdjustFormForcesDimensionIntoOneToThree) {
    for (auto [typed, stored] : {std::pair{"0", 3}, {"7", 3}, {"2", 2}}) {
        TAdjustForm f(nullptr, *doc);
        Type(&f, ctl::AdjDimension, typed);
        Type(&f, ctl::AdjIterLimit, "35");
        Ctl<QCheckBox>(&f, ctl::AdjRecalc)->setChecked(true);
        f.accept();
        EXPECT_EQ(doc->dimension, stored) << typed;
    }
    EXPECT_EQ(doc->iterLimit, 35);
    EXPECT_TRUE(doc->bRecalc);
    TAdjustForm f(nullptr, *doc);
    EXPECT_EQ(Text(&f, ctl::AdjDimension), " 2");
}

TEST_F(FormsTest, SetupFormChoosesTargetsAndActiveState) {
    doc->theoList.SetFlags(1, doc->theoList[1].flags | ELEM_ACTIVE);
    Theo(1).initTarget = 0;
    {
        TSetupForm f(nullptr, *doc);
        EXPECT_EQ(Lines(&f, ctl::SetupControls), (QStringList{"none", "Theo1_0"}));
        QStringList lines = Lines(&f, ctl::SetupTheos);
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[1], Q(SetupTheoLine(1, 1, "Theo1_1", true, "Theo1_0")));
        Ctl<QListWidget>(&f, ctl::SetupTheos)->setCurrentRow(1);
        EXPECT_EQ(Ctl<QListWidget>(&f, ctl::SetupControls)->currentRow(), 1);
        EXPECT_TRUE(Ctl<QRadioButton>(&f, ctl::SetupActive)->isChecked());
        Ctl<QRadioButton>(&f, ctl::SetupInactive)->click();
        f.reject();
    }
    EXPECT_TRUE(Theo(1).flags & ELEM_ACTIVE);

    TSetupForm f(nullptr, *doc);
    Ctl<QListWidget>(&f, ctl::SetupTheos)->setCurrentRow(1);
    Ctl<QListWidget>(&f, ctl::SetupControls)->setCurrentRow(0); // "none"
    Ctl<QRadioButton>(&f, ctl::SetupInactive)->click();         // Inactive
    EXPECT_TRUE(Lines(&f, ctl::SetupTheos)[1].endsWith("  none"));
    EXPECT_EQ(Lines(&f, ctl::SetupTheos)[1].mid(SETUP_STATUS_COLUMN, 8), "inactive");
    Ctl<QListWidget>(&f, ctl::SetupTheos)->setCurrentRow(2);
    Ctl<QListWidget>(&f, ctl::SetupControls)->setCurrentRow(1);
    Ctl<QRadioButton>(&f, ctl::SetupAuto)->click();
    f.accept();
    EXPECT_FALSE(Theo(1).flags & ELEM_ACTIVE);
    EXPECT_TRUE(Theo(1).flags & ELEM_INUSE);
    EXPECT_EQ(Theo(1).initTarget, -1);
    EXPECT_EQ(Theo(2).initTarget, 0);
    EXPECT_EQ(doc->dataEntry, 1);
}

TEST_F(FormsTest, StdDevFormShowsWeightsAndDeviationsInTheirFormats) {
    doc->SDTheoLocFix = 12700;
    doc->SDDistance = 0.001;
    TStdDevForm f(nullptr, *doc);
    EXPECT_EQ(Text(&f, ctl::SDTheoLocFix), "1.27e+04");
    EXPECT_EQ(Text(&f, ctl::SDDistance), "0.001000  ");
    Type(&f, ctl::SDHeight, "0.25");
    f.accept();
    EXPECT_DOUBLE_EQ(doc->SDHeight, 0.25);
    EXPECT_EQ(doc->SDDistance, 0.001) << "left as shown, kept as it was";
}

// Every field that holds a measure says its unit: the project's length unit for coordinates,
// lengths and their standard deviations, gon for rotations, angles and their standard deviations.
TEST_F(FormsTest, FieldsShowTheirUnits) {
    auto unit = [](QWidget* form, int id) {
        const auto* l = form->findChild<QLabel*>(CtlName(id) + QStringLiteral("Unit"));
        return l ? l->text() : QStringLiteral("no unit");
    };
    doc->units = UNITS_FEET;
    TTheoForm theo(nullptr, *doc, 0);
    EXPECT_EQ(unit(&theo, ctl::Coord1), "ft");
    EXPECT_EQ(unit(&theo, ctl::Coord3), "ft");
    EXPECT_EQ(unit(&theo, ctl::Rot1), "gon");
    TSBarForm bar(nullptr, *doc, 0);
    EXPECT_EQ(unit(&bar, ctl::SBarLength), "ft");
    EXPECT_EQ(unit(&bar, ctl::SBarAzimuth), "gon");
    doc->units = UNITS_MM;
    TStdDevForm sd(nullptr, *doc);
    EXPECT_EQ(unit(&sd, ctl::SDDistance), "mm");
    EXPECT_EQ(unit(&sd, ctl::SDPointLocApx), "mm");
    EXPECT_EQ(unit(&sd, ctl::SDHorzAngle), "gon");
    EXPECT_EQ(unit(&sd, ctl::SDTheoRotApx), "gon");
}

TEST_F(FormsTest, StdDevFormRefusesWhatTheAdjustmentCannotUse) {
    doc->hSDAngle = doc->vSDAngle = 0.0005;
    doc->SDDistance = doc->SDHeight = doc->SDSBarLength = 0.001;
    doc->SDTheoLocApx = 0.1;
    const double weightsBefore = doc->SDPointLocUnk;
    struct Case {
        int id;
        const char* typed;
        const char* told;
    };
    const Case cases[] = {
        {ctl::SDHorzAngle, "-0.0005", "The Horz angle standard deviation must be greater than zero."},
        {ctl::SDVertAngle, "1e300",
         "The Vert angle standard deviation must lie between 1e-30 and 400 gon (a whole circle)."},
        {ctl::SDDistance, "abc", "The Distance standard deviation \"abc\" is not a number."},
        {ctl::SDHeight, "", "The Height Diff standard deviation is empty: it must be a number."},
        {ctl::SDSBarLength, "0", "The Scale Bar standard deviation must be greater than zero."},
        {ctl::SDSBarLength, "5e6", "The Scale Bar standard deviation must lie between 1e-30 and 1000000 m."},
        {ctl::SDPointLocUnk, "1e-40", "The Point Location Unk weight must lie between 1e-30 and 1e+30."},
        {ctl::SDTheoLocApx, "inf", "The Theo Location Apx weight \"inf\" is not a number."},
    };
    for (const Case& c : cases) {
        TStdDevForm f(nullptr, *doc);
        Type(&f, ctl::SDHeight, "0.002"); // a good value beside the bad one is not taken either
        Type(&f, c.id, c.typed);
        QString told;
        AnswerBox(QMessageBox::Ok, &told);
        f.accept();
        EXPECT_NE(f.result(), QDialog::Accepted) << c.typed;
        EXPECT_EQ(told, c.told);
    }
    EXPECT_EQ(doc->hSDAngle, 0.0005);
    EXPECT_EQ(doc->vSDAngle, 0.0005);
    EXPECT_EQ(doc->SDDistance, 0.001);
    EXPECT_EQ(doc->SDHeight, 0.001);
    EXPECT_EQ(doc->SDSBarLength, 0.001);
    EXPECT_EQ(doc->SDPointLocUnk, weightsBefore);
    EXPECT_EQ(doc->SDTheoLocApx, 0.1);
    // In a project in mm the length bound speaks mm.
    doc->units = UNITS_MM;
    TStdDevForm mm(nullptr, *doc);
    Type(&mm, ctl::SDDistance, "2e6");
    QString told;
    AnswerBox(QMessageBox::Ok, &told);
    mm.accept();
    EXPECT_EQ(told, "The Distance standard deviation must lie between 1e-30 and 1000000 mm.");
}

TEST_F(FormsTest, NewProjectFormsRunThroughTheEntryPoint) {
    WhenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), "Project Info");
        EXPECT_EQ(Ctl<QLineEdit>(w, ctl::ProjectName)->maxLength(), 79);
        Type(w, ctl::ProjectName, "Hall 7");
        Type(w, ctl::ProjectDate, "1 May");
        static_cast<QDialog*>(w)->accept();
    });
    EXPECT_TRUE(RunForm(FormId::Project, *doc, nullptr));
    EXPECT_STREQ(doc->Project, "Hall 7");
    EXPECT_STREQ(doc->Date, "1 May");
    WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(RunForm(FormId::Parameter, *doc, nullptr));
}

// ---- Opening and help ------------------------------------------------------------------------

TEST_F(FormsTest, TheSelectionOpensItsFormAndOkMarksTheProject) {
    doc->AddPtDistance(CONNECT4{0, 1, OBS_INUSE | OBS_DIRECT, 0, 3});
    struct Case {
        int kind;
        const char* caption;
    };
    const Case cases[] = {{SEL_THEO, "Theodolite Info"},
                          {SEL_POINT, "Point Info"},
                          {SEL_SBAR, "Scale Bar Info"},
                          {SEL_COLLIMATE, "Theodolite Collimations"},
                          {SEL_PTDIRECT, "Object Point Sightings"},
                          {SEL_SBDIRECT, "Scale Bar Sightings"},
                          {SEL_DISTANCE, "Distances"},
                          {SEL_PTDISTANCE, "Point to Point Distances"},
                          {SEL_HEIGHT, "Height Differences"},
                          {SEL_PTHEIGHT, "Point to Point Height Differences"}};
    doc->stationA = 0, doc->stationB = 1, doc->station = 0, doc->target = 0, doc->targetA = 0,
    doc->targetB = 1;
    for (const Case& c : cases) {
        doc->selectType = c.kind;
        doc->selection = (c.kind << 16) | 0;
        doc->bFileDirty = false;
        QString seen;
        WhenModal([&seen](QWidget* w) {
            ASSERT_NE(w, nullptr);
            seen = w->windowTitle();
            static_cast<QDialog*>(w)->accept();
        });
        EXPECT_TRUE(RunSelectionForm(nullptr, *doc));
        EXPECT_EQ(seen, c.caption);
        EXPECT_TRUE(doc->bFileDirty);
    }
    doc->selectType = SEL_NONE;
    EXPECT_FALSE(RunSelectionForm(nullptr, *doc));
}

TEST_F(FormsTest, HelpButtonsOpenTheirOwnPage) {
    std::vector<int> opened;
    SetHelpHandler([&opened](int context) { opened.push_back(context); });
    Theo(0).thList.Append(CONNECT1{1, OBS_DIRECT, 0, 1, 2});
    Theo(0).SyncCounts();
    std::vector<std::unique_ptr<TForm>> forms;
    forms.emplace_back(new TTheoForm(nullptr, *doc, 0));
    forms.emplace_back(new TPointForm(nullptr, *doc, 0));
    forms.emplace_back(new TSBarForm(nullptr, *doc, 0));
    forms.emplace_back(new TCollimateForm(nullptr, *doc, 0, 1));
    forms.emplace_back(new TPtDirectForm(nullptr, *doc, 0, 0));
    forms.emplace_back(new TSBDirectForm(nullptr, *doc, 0, 0));
    forms.emplace_back(new TDistanceForm(nullptr, *doc, 0, 0));
    forms.emplace_back(new TPointDistForm(nullptr, *doc, 0, 1));
    forms.emplace_back(new THeightForm(nullptr, *doc, 0, 0));
    forms.emplace_back(new TPointHeightForm(nullptr, *doc, 0, 1));
    forms.emplace_back(new TProjectForm(nullptr, *doc));
    forms.emplace_back(new TParameterForm(nullptr, *doc));
    forms.emplace_back(new TDisplayForm(nullptr, *doc));
    forms.emplace_back(new TSetupForm(nullptr, *doc));
    forms.emplace_back(new TStdDevForm(nullptr, *doc));
    forms.emplace_back(new TAdjustForm(nullptr, *doc));
    const std::vector<int> expected = {246, 247, 248, 240, 243, 225, 228, 231,
                                       234, 237, 141, 142, 143, 181, 186, 187};
    for (auto& f : forms)
        QTest::mouseClick(Ctl<QPushButton>(f.get(), ctl::Help), Qt::LeftButton);
    EXPECT_EQ(opened, expected);
    SetHelpHandler(nullptr);

    // Every context number of the forms, the Add and Modify forms included, has its page.
    std::vector<int> all = expected;
    for (int c : {241, 242, 244, 245, 226, 227, 229, 230, 232, 233, 235, 236, 238, 239})
        all.push_back(c);
    for (int c : all) {
        QFile page(QString("%1%2.html").arg(HelpPagePrefix()).arg(c));
        EXPECT_TRUE(page.open(QIODevice::ReadOnly)) << c;
        EXPECT_GT(page.size(), 600) << c;
    }
}

} // namespace
} // namespace kivo::forms
