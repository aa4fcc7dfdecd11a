#pragma once
// The host: everything the document shows to or asks of the user, and every request it makes of the
// windows around it. The core never calls a window system; the Qt shell implements this interface,
// kivo-cli answers from its options, and tests use a scripted fake that records what was shown.

#include <memory>
#include <string>

namespace kivo {

// Answers of a message box, with the values the document's callers compare against.
enum MsgAnswer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Exclamation, Stop };

// The forms a document operation may run (the rest are opened by the shell itself).
enum class FormId { Project, Parameter };

enum class CursorKind { Arrow, HourGlass };

// Geometry of one view window relative to the MDI client area, as stored in the project file.
struct WindowLayout {
    int x = 0, y = 0, width = 0, height = 0;
    int showState = 2; // 1 minimised, 2 normal, 4 maximised
};

class kivoMDIClient;
class NetworkImage;

class Host {
public:
    virtual ~Host() = default;

    // Message box; returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                           MsgIcon icon) = 0;
    // The text field of the status bar.
    virtual void StatusText(const std::string& text) = 0;
    // The image field of the status bar (0 theodolite, 1 point, 2 scale bar, 3 collimation,
    // 4 direction, 5 distance, 6 height difference, 7 blank) and its pointer-coordinate field.
    virtual void StatusImage(int /*image*/) {}
    virtual void StatusCoords(const std::string& /*text*/) {}
    // Shows (true) or removes (false) the highlighting of the document's current selection in every
    // graphic view that is not minimised (the document's MarkSelect / ClearSelect).
    virtual void ShowSelection(bool /*mark*/) {}

    // Redraw requests for the graphic views (no-ops without windows).
    virtual void UpdateViews(bool /*bErase*/) {}
    virtual void UpdateScrollBars() {}
    virtual void CheckViewItems() {}
    virtual void UpdateTextView() {}
    // The listing on display may have come to belong, or ceased to belong, to the network as it
    // is now (NetworkDocument::ListingCurrent): the text view shows which.
    virtual void UpdateListingMark() {}
    // Grey (false) or enable (true) a menu item of the frame by command id.
    virtual void EnableMenuItem(int /*id*/, bool /*enable*/) {}
    virtual void SetFrameTitle(const std::string& /*title*/) {}

    // File dialogs: return false on Cancel, otherwise the chosen path. `filter` is in the
    // "Description (*.EXT)|*.EXT|" form.
    virtual bool OpenFileDialog(const std::string& filter, std::string& path) = 0;
    virtual bool SaveFileDialog(const std::string& filter, std::string& path) = 0;

    // Run a modal form on the document; true when confirmed with OK.
    virtual bool RunForm(FormId form, kivoMDIClient& doc) = 0;

    // A tool starts: the graphic view that takes it (the active child, or the topmost shown
    // graphic view while the text view is active) captures the mouse and shows `cursor`
    // (ToolCursor). False when no graphic view is shown: the tool does not start.
    virtual bool BeginTool(int /*cursor*/) { return false; }
    // The tool or drag ends: the mouse is released.
    virtual void ReleaseMouse() {}

    // Cursor shown while the document computes.
    virtual void SetCursor(CursorKind /*kind*/) {}

    // Screen metrics for the scale factors: pixels and millimetres across and down.
    virtual void ScreenMetrics(int& horzRes, int& vertRes, int& horzSize, int& vertSize);

    // View windows of the open project.
    virtual void CreateViews() {}
    virtual void DestroyViews() {}
    // The MDI client's inner size, for the default layout of new views.
    virtual void ClientSize(int& width, int& height);
    // Current geometry of view i (0-3) and which view is active (-1: none). False without windows.
    virtual bool GetViewLayout(int /*i*/, WindowLayout& /*layout*/) { return false; }
    virtual int ActiveView() { return -1; }

    // Undo history. A host that keeps one answers true; the document then hands it every change
    // to the network that ended with a different network: its name ("Move Point P3"), the images
    // before and after, and whether the project was marked changed before it.
    virtual bool KeepsHistory() const { return false; }
    virtual void NetworkChanged(const std::string& /*name*/, std::shared_ptr<const NetworkImage> /*before*/,
                                std::shared_ptr<const NetworkImage> /*after*/, bool /*wasDirty*/) {}
    // The project was written to its file: the network as it is now is the saved one.
    virtual void ProjectSaved() {}
    // Something the project file stores changed that the history does not take back (a window's
    // size): from now on no state in the history is the saved project.
    virtual void UntrackedChange() {}
};

// A host that shows nothing and answers every question with the safe answer (No / Cancel).
// The safe answer to a message box nobody answers: OK, No, or Cancel.
int SafeAnswer(MsgButtons buttons);

class NullHost : public Host {
public:
    int MessageBox(const std::string&, const std::string&, MsgButtons buttons, MsgIcon) override;
    void StatusText(const std::string&) override {}
    bool OpenFileDialog(const std::string&, std::string&) override { return false; }
    bool SaveFileDialog(const std::string&, std::string&) override { return false; }
    bool RunForm(FormId, kivoMDIClient&) override { return false; }
};

} // namespace kivo
