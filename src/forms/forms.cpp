#include "forms/forms.h"

#include "adjustment/kivoMDIClient.h"
#include "forms/element_forms.h"
#include "forms/obs_forms.h"
#include "forms/settings_forms.h"

namespace kivo::forms {

namespace {

template <class Form, class... Args> bool Run(QWidget* parent, kivoMDIClient& doc, Args... args) {
    Form f(parent, doc, args...);
    return f.exec() == QDialog::Accepted;
}

// The project's drawing changes with the settings: scales, canvas, pixel positions, views.
void Redraw(kivoMDIClient& doc) {
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.ProcessSimData();
    doc.UpdateScrollBars();
    doc.UpdateViews(true);
}

} // namespace

const char* HelpPagePrefix() {
    EnsureHelpPages();
    return ":/forms_help/ctx_";
}

bool RunForm(FormId id, kivoMDIClient& doc, QWidget* parent) {
    switch (id) {
    case FormId::Project:
        return Run<TProjectForm>(parent, doc);
    case FormId::Parameter:
        return Run<TParameterForm>(parent, doc);
    }
    return false;
}

bool RunTheoForm(QWidget* parent, kivoMDIClient& doc, int slot) {
    return Run<TTheoForm>(parent, doc, slot);
}
bool RunPointForm(QWidget* parent, kivoMDIClient& doc, int slot) {
    return Run<TPointForm>(parent, doc, slot);
}
bool RunSBarForm(QWidget* parent, kivoMDIClient& doc, int slot) {
    return Run<TSBarForm>(parent, doc, slot);
}
void RunEllipseForm(QWidget* parent, kivoMDIClient& doc, int kind, int slot) {
    Run<TEllipseForm>(parent, doc, kind, slot);
}
bool RunCollimateForm(QWidget* parent, kivoMDIClient& doc, int theoA, int theoB) {
    return Run<TCollimateForm>(parent, doc, theoA, theoB);
}
bool RunPtDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int point) {
    return Run<TPtDirectForm>(parent, doc, theo, point);
}
bool RunSBDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int sbar) {
    return Run<TSBDirectForm>(parent, doc, theo, sbar);
}
bool RunDistanceForm(QWidget* parent, kivoMDIClient& doc, int theo, int point) {
    return Run<TDistanceForm>(parent, doc, theo, point);
}
bool RunHeightForm(QWidget* parent, kivoMDIClient& doc, int theo, int point) {
    return Run<THeightForm>(parent, doc, theo, point);
}
bool RunPointDistForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2) {
    return Run<TPointDistForm>(parent, doc, point1, point2);
}
bool RunPointHeightForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2) {
    return Run<TPointHeightForm>(parent, doc, point1, point2);
}

bool RunSelectionForm(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, doc.SelectionChangeName("Edit"));
    const int slot = doc.selection & 0xFFFF;
    bool ok = false;
    switch (doc.selectType) {
    case SEL_THEO:
        ok = RunTheoForm(parent, doc, slot);
        break;
    case SEL_POINT:
        ok = RunPointForm(parent, doc, slot);
        break;
    case SEL_SBAR:
        ok = RunSBarForm(parent, doc, slot);
        break;
    case SEL_COLLIMATE:
        ok = RunCollimateForm(parent, doc, doc.stationA, doc.stationB);
        break;
    case SEL_PTDIRECT:
        ok = RunPtDirectForm(parent, doc, doc.station, doc.target);
        break;
    case SEL_SBDIRECT:
        ok = RunSBDirectForm(parent, doc, doc.station, doc.target);
        break;
    case SEL_DISTANCE:
        ok = RunDistanceForm(parent, doc, doc.station, doc.target);
        break;
    case SEL_PTDISTANCE:
        ok = RunPointDistForm(parent, doc, doc.targetA, doc.targetB);
        break;
    case SEL_HEIGHT:
        ok = RunHeightForm(parent, doc, doc.station, doc.target);
        break;
    case SEL_PTHEIGHT:
        ok = RunPointHeightForm(parent, doc, doc.targetA, doc.targetB);
        break;
    default:
        return false;
    }
    if (ok) {
        doc.ProcessSimData();
        doc.UpdateViews(true);
        doc.bFileDirty = true;
    }
    return ok;
}

bool CmProject(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, "Edit Project");
    if (!Run<TProjectForm>(parent, doc)) return false;
    doc.bFileDirty = true;
    return true;
}

bool CmParameters(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, "Edit Parameters");
    if (!Run<TParameterForm>(parent, doc)) return false;
    // A new unit or new limits move every element on the canvas.
    Redraw(doc);
    doc.bFileDirty = true;
    return true;
}

bool CmDisplay(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, "Edit Display");
    if (!Run<TDisplayForm>(parent, doc)) return false;
    Redraw(doc);
    doc.bFileDirty = true;
    return true;
}

bool CmSetup(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, "Edit Theodolite Setup");
    if (!Run<TSetupForm>(parent, doc)) return false;
    doc.bFileDirty = true;
    return true;
}

bool CmStdDev(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, "Edit Standard Deviations");
    if (!Run<TStdDevForm>(parent, doc)) return false;
    doc.bFileDirty = true;
    return true;
}

bool CmAdjust(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, "Edit Adjustment");
    if (!Run<TAdjustForm>(parent, doc)) return false;
    doc.bFileDirty = true;
    return true;
}

} // namespace kivo::forms
