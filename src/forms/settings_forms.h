#pragma once
// The settings forms: project title lines, parameters (unit, coordinate order, limits), display
// scales and options, theodolite setup, standard deviations and weights, adjustment options.

#include "forms/form_base.h"

class QListWidget;

namespace kivo::forms {

class TProjectForm : public TForm {
    Q_OBJECT
public:
    TProjectForm(QWidget* parent, kivoMDIClient& doc);

protected:
    bool CanClose() override;
};

class TParameterForm : public TForm {
    Q_OBJECT
public:
    TParameterForm(QWidget* parent, kivoMDIClient& doc);
    int TempUnits() const { return tempUnits; }
    double Temp(int k) const { return temp[k]; }

protected:
    bool CanClose() override;

private:
    void TUnits();
    void TCoordinates();
    void WriteCaptions(int axisType);

    int oldUnits, tempUnits, tempAxisType;
    // tempXMin, tempXMax, tempXDef, tempYMin, ..., tempZDef: the values of the limit edits
    // (ctl::LimitXMin..LimitZDef).
    double temp[9];
};

class TDisplayForm : public TForm {
    Q_OBJECT
public:
    TDisplayForm(QWidget* parent, kivoMDIClient& doc);

protected:
    bool CanClose() override;

private:
    // tempObjScale1..3, tempEllScale, tempHInterval, tempVInterval.
    double temp[6];
};

class TSetupForm : public TForm {
    Q_OBJECT
public:
    TSetupForm(QWidget* parent, kivoMDIClient& doc);

protected:
    bool CanClose() override;

private:
    void TTheolist();
    void TTarget();
    void SetActive(bool active);
    // The text and data of theodolite line `row` rebuilt with control line `controlLine`.
    void RebuildLine(int row, int controlLine, bool active);

    QListWidget* theos_;
    QListWidget* controls_;
    int sIndex = 0, tIndex = 0;
};

class TStdDevForm : public TForm {
    Q_OBJECT
public:
    TStdDevForm(QWidget* parent, kivoMDIClient& doc);

protected:
    bool CanClose() override;
};

class TAdjustForm : public TForm {
    Q_OBJECT
public:
    TAdjustForm(QWidget* parent, kivoMDIClient& doc);

protected:
    bool CanClose() override;
};

} // namespace kivo::forms
