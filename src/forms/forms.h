#pragma once
// Entry points of the modal forms. The shell opens the settings forms from its menu commands and
// the Project and Parameter forms while a new project is made; the views open the element and
// observation forms with a double click on the selection. Each function runs its form modally
// over `parent` and returns true when the form was confirmed with OK.

#include <functional>

#include "model/host.h"

class QWidget;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::forms {

// Runs the form `id` modally on the document (File > New runs Project, then Parameter). Nothing
// beyond the form itself happens after OK: the new project sets its scales afterwards.
bool RunForm(FormId id, kivoMDIClient& doc, QWidget* parent);

// Installs what a Help button does: open the help page of the given context number (the pages are
// the resources ":/forms_help/ctx_<N>.html"). Without a handler Help does nothing.
void SetHelpHandler(std::function<void(int contextId)> handler);
// The start of the resource path of a help page (append the context number and ".html"); calling it
// also makes sure the pages are registered.
const char* HelpPagePrefix(); // ":/forms_help/ctx_"

// ---- Element and observation forms ---------------------------------------------------------
// The forms themselves: they edit the document and return whether OK was pressed. They do not
// recompute or redraw; the double-click handler does that (see RunSelectionForm).
bool RunTheoForm(QWidget* parent, kivoMDIClient& doc, int slot);
bool RunPointForm(QWidget* parent, kivoMDIClient& doc, int slot);
bool RunSBarForm(QWidget* parent, kivoMDIClient& doc, int slot);
// Read-only ellipse values of a theodolite (kind 1) or point (kind 2).
void RunEllipseForm(QWidget* parent, kivoMDIClient& doc, int kind, int slot);
bool RunCollimateForm(QWidget* parent, kivoMDIClient& doc, int theoA, int theoB);
bool RunPtDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int point);
bool RunSBDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int sbar);
bool RunDistanceForm(QWidget* parent, kivoMDIClient& doc, int theo, int point);
bool RunHeightForm(QWidget* parent, kivoMDIClient& doc, int theo, int point);
bool RunPointDistForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2);
bool RunPointHeightForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2);

// Opens the form of the document's selection (selectType 1..10, with the slots from index,
// stationA/B, station/target, targetA/B). After OK the pixel positions are recomputed
// (ProcessSimData), the views redrawn and, when the form changed something, the project marked
// changed. Returns whether OK was pressed; false also when nothing is selected. Clearing the
// selection and the status text is the caller's.
bool RunSelectionForm(QWidget* parent, kivoMDIClient& doc);

// ---- Settings commands (menu ids 141, 142, 143, 181, 186, 187) ---------------------------------
// Each runs its form as one named change and, after OK, what the command does next; the project is
// marked changed when the form changed something the project file stores:
//   CmParameters  scales, canvas and pixel positions recomputed, views redrawn
//   CmDisplay     scales, canvas and pixel positions recomputed, scroll bars, views (the listing
//                 stays current: the drawing is not what it describes)
bool CmProject(QWidget* parent, kivoMDIClient& doc);
bool CmParameters(QWidget* parent, kivoMDIClient& doc);
bool CmDisplay(QWidget* parent, kivoMDIClient& doc);
bool CmSetup(QWidget* parent, kivoMDIClient& doc);
bool CmStdDev(QWidget* parent, kivoMDIClient& doc);
bool CmAdjust(QWidget* parent, kivoMDIClient& doc);

} // namespace kivo::forms
