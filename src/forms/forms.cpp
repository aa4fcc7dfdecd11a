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

namespace {

// Opens the form of the selection as one named change; after OK the drawing follows.
bool RunSelected(QWidget* parent, kivoMDIClient& doc) {
    NamedChange change(doc, doc.SelectionChangeName("Edit"));
    // The selection word keeps only the low 16 bits of the slot; `index` holds all of it.
    const int slot = doc.index;
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
    }
    return ok;
}

} // namespace

bool RunSelectionForm(QWidget* parent, kivoMDIClient& doc) {
    if (doc.selectType < SEL_THEO || doc.selectType > SEL_PTHEIGHT) return false;
    bool ok = RunSelected(parent, doc);
    // OK on a form left as it was is no change: the project is not marked (a history that saw no
    // change records no step either).
    if (ok && doc.LastChangeAltered()) doc.bFileDirty = true;
    return ok;
}

namespace {

// What a settings command does besides running its form.
enum SettingsAfter : unsigned {
    kNothing = 0,
    kRedraw = 1,       // scales, canvas and pixel positions recomputed, views redrawn
    kKeepsListing = 2, // the form edits nothing the adjustment reads
};

// Runs a settings form as one named change. The project is marked changed only when the form
// changed something it stores.
template <class Form>
bool RunSettings(QWidget* parent, kivoMDIClient& doc, const char* name, unsigned after) {
    bool ok;
    {
        NamedChange change(doc, name);
        if (after & kKeepsListing) doc.ChangeKeepsListing();
        const int iterLimit = doc.iterLimit, dimension = doc.dimension;
        ok = Run<Form>(parent, doc);
        // The adjustment settings kept for the session alone change what Calculate computes.
        if (doc.iterLimit != iterLimit || doc.dimension != dimension) doc.ChangeAltersListing();
        if (ok && (after & kRedraw)) Redraw(doc);
    }
    if (ok && doc.LastChangeAltered()) doc.bFileDirty = true;
    return ok;
}

} // namespace

bool CmProject(QWidget* parent, kivoMDIClient& doc) {
    return RunSettings<TProjectForm>(parent, doc, "Edit Project", kNothing);
}

bool CmParameters(QWidget* parent, kivoMDIClient& doc) {
    // A new unit or new limits move every element on the canvas.
    return RunSettings<TParameterForm>(parent, doc, "Edit Parameters", kRedraw);
}

bool CmDisplay(QWidget* parent, kivoMDIClient& doc) {
    return RunSettings<TDisplayForm>(parent, doc, "Edit Display", kRedraw | kKeepsListing);
}

bool CmSetup(QWidget* parent, kivoMDIClient& doc) {
    return RunSettings<TSetupForm>(parent, doc, "Edit Theodolite Setup", kNothing);
}

bool CmStdDev(QWidget* parent, kivoMDIClient& doc) {
    return RunSettings<TStdDevForm>(parent, doc, "Edit Standard Deviations", kNothing);
}

bool CmAdjust(QWidget* parent, kivoMDIClient& doc) {
    return RunSettings<TAdjustForm>(parent, doc, "Edit Adjustment", kNothing);
}

} // namespace kivo::forms
