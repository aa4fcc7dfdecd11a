#pragma once
// The model part of the document: the whole state of the one open project (network tables,
// observation lists, settings, view scaling, selection, file flags, loaded listing) and the
// operations on it that need nothing above the model. The layers above add theirs:
// simulation/simulation.h the simulation, adjustment/kivoMDIClient.h the adjustment run and the
// document itself. The operations live in focused parts, each reaching only the state it needs;
// the document holds one of each and forwards its members to them:
//   ElementTables      (element_tables.h)     the tables, adding elements, naming, look-ups, marks
//   ObservationLists   (observation_lists.h)  adding, testing and removing observations; cascading
//                                             deletion; Cut
//   SettingsDefaults   (settings.h)           built-in defaults from the settings file
//   ViewGeometry       (view_geometry.h)      scale factors, canvas, pixel positions, ellipse sines
//   HitTesting         (hit_test.h)           hit testing, selection marks and status text
//   ListingText        (listing_text.h)       the loaded listing of the text view
//   TargetImport       (target_import.h)      target file import
// Still defined on the document itself: project_file.cpp (reading and writing the project file),
// file_commands.cpp (New, Open, Save, Save As, Close, SaveChange, CanClose) and mouse_tools.cpp
// (the mouse tools).
// It never calls a window system: it talks to the user through its Host.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/command_ids.h"
#include "model/document_state.h"
#include "model/element_table.h"
#include "model/element_tables.h"
#include "model/file_names.h"
#include "model/hit_test.h"
#include "model/host.h"
#include "model/listing_text.h"
#include "model/network_image.h"
#include "model/observation_lists.h"
#include "model/records.h"
#include "model/settings.h"
#include "model/target_import.h"
#include "model/theodolite.h"
#include "model/view_geometry.h"

namespace kivo {

class ByteWriter;

// Read error of the project file: the file is truncated or its counts cannot be right.
// (The other codes are the numbers shown by ErrorBox: 10 .. 110.)
constexpr int ERR_FILE_DAMAGED = 120;

// Tool modes (gMode).
enum ToolMode {
    MODE_SELECT = 1,
    MODE_POINT = 2,
    MODE_THEO = 3,
    MODE_SBAR = 4,
    MODE_NONE = 5, // button presses do nothing
    MODE_DIRECT = 6,
    MODE_DIST = 7,
    MODE_HEIGHT = 8,
};

// What a click of a measuring tool did (MeasureClick).
enum class MeasureAction {
    None,    // nothing changed
    Marked,  // an element became a source (redraw its symbol)
    Cleared, // Control started a new set of sources: all marks were cleared, then maybe one set
    Created, // observations were added from the sources to the clicked element
    Ended,   // the tool ended: marks cleared, select tool back
};

// The model part of the document: its state, held in the focused parts of model/document_state.h
// (their member names are the document's), and the model's operations on it.
class NetworkDocument : public NetworkStore,
                        public ObservationStore,
                        public ProjectSettings,
                        public SessionSettings,
                        public FileState,
                        public SelectionState,
                        public ViewState,
                        public LoadedListing,
                        public AdjustmentMarks {
public:
    virtual ~NetworkDocument();
    NetworkDocument(const NetworkDocument&) = delete;
    NetworkDocument& operator=(const NetworkDocument&) = delete;

    Host& host() { return *host_; }
    void SetHost(Host* host);

    // ---- Elements (ElementTables) ------------------------------------------------------------
    void CreateMemory() { elements_.CreateMemory(); }
    void DestroyMemory() { elements_.DestroyMemory(); }
    void NewTheo(const char* newName, const char* newAbbrev, int pos, int theo, double xLogCoord,
                 double yLogCoord, double zLogCoord, double xRotation, double yRotation, double zRotation,
                 int coordStat) {
        elements_.NewTheo(newName, newAbbrev, pos, theo, xLogCoord, yLogCoord, zLogCoord, xRotation,
                          yRotation, zRotation, coordStat);
    }
    void NewPoint(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                  double zLogCoord, int coordStat) {
        elements_.NewPoint(newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord, coordStat);
    }
    void NewSBar(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                 double zLogCoord, double length, int azimuth, int vertangle) {
        elements_.NewSBar(newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord, length, azimuth, vertangle);
    }
    void NewCommon(COMMON& common, const char* newName, const char* newAbbrev, double xLogCoord,
                   double yLogCoord, double zLogCoord) {
        elements_.NewCommon(common, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    }
    int TheoCheck(const char* name) const { return theoList.Find(name); }
    int PointCheck(const char* name) const { return pointList.Find(name); }
    int SBarCheck(const char* name) const { return sbarList.Find(name); }
    // Proposals for the next element placed with a mouse tool.
    void GetNextTheoName(int* posPtr, int* theoPtr) { elements_.GetNextTheoName(posPtr, theoPtr); }
    void GetNextPointName(int* pointNumber) { elements_.GetNextPointName(pointNumber); }
    void GetNextSBarName(int* sbarNumber) { elements_.GetNextSBarName(sbarNumber); }
    // Element access through the shared head, by kind (1 theodolite, 2 point, 3 scale bar).
    COMMON& Common(int kind, int slot) { return elements_.Common(kind, slot); }
    const COMMON& Common(int kind, int slot) const { return elements_.Common(kind, slot); }

    // ---- Observation lists (ObservationLists) ----------------------------------------------
    void NewCollimate(LinePainter* hdc, int view, int theo) { observations_.NewCollimate(hdc, view, theo); }
    void NewPtDirect(LinePainter* hdc, int view, int point) { observations_.NewPtDirect(hdc, view, point); }
    void NewSBDirect(LinePainter* hdc, int view, int sbar) { observations_.NewSBDirect(hdc, view, sbar); }
    void NewDistance(LinePainter* hdc, int view, int point) { observations_.NewDistance(hdc, view, point); }
    void NewHeight(LinePainter* hdc, int view, int point) { observations_.NewHeight(hdc, view, point); }
    static bool CheckCollimate(const ObsList<CONNECT1>& list, int num, int theo) {
        return ObservationLists::CheckCollimate(list, num, theo);
    }
    static bool CheckPtDirect(const ObsList<CONNECT1>& list, int num, int point) {
        return ObservationLists::CheckPtDirect(list, num, point);
    }
    static bool CheckSBDirect(const ObsList<CONNECT2>& list, int num, int sbar) {
        return ObservationLists::CheckSBDirect(list, num, sbar);
    }
    static bool CheckDistance(const ObsList<CONNECT3>& list, int num, int point) {
        return ObservationLists::CheckDistance(list, num, point);
    }
    static bool CheckHeight(const ObsList<CONNECT6>& list, int num, int point) {
        return ObservationLists::CheckHeight(list, num, point);
    }
    bool CheckPtDistance(int source, int point) const { return observations_.CheckPtDistance(source, point); }
    bool CheckPtHeight(int source, int point) const { return observations_.CheckPtHeight(source, point); }
    static int DelCollimate(ObsList<CONNECT1>& list, int count, int theTarget, int whichCollimate) {
        return ObservationLists::DelCollimate(list, count, theTarget, whichCollimate);
    }
    static int DelPtDirect(ObsList<CONNECT1>& list, int count, int theTarget, int whichDirect) {
        return ObservationLists::DelPtDirect(list, count, theTarget, whichDirect);
    }
    static int DelSBDirect(ObsList<CONNECT2>& list, int count, int theTarget, int whichDirect) {
        return ObservationLists::DelSBDirect(list, count, theTarget, whichDirect);
    }
    static int DelDistance(ObsList<CONNECT3>& list, int count, int theTarget, int whichDistance) {
        return ObservationLists::DelDistance(list, count, theTarget, whichDistance);
    }
    static int DelHeight(ObsList<CONNECT6>& list, int count, int theTarget, int whichHeight) {
        return ObservationLists::DelHeight(list, count, theTarget, whichHeight);
    }
    void DelPtDistance(int theSource, int theTarget, int whichDistance) {
        observations_.DelPtDistance(theSource, theTarget, whichDistance);
    }
    void DelPtHeight(int theSource, int theTarget, int which) {
        observations_.DelPtHeight(theSource, theTarget, which);
    }
    int AddPtDistance(const CONNECT4& entry) { return observations_.AddPtDistance(entry); }
    int AddPtHeight(const CONNECT5& entry) { return observations_.AddPtHeight(entry); }
    void DelTheo(int theo) { observations_.DelTheo(theo); }
    void DelPoint(int point) { observations_.DelPoint(point); }
    void DelSBar(int sbar) { observations_.DelSBar(sbar); }
    // Cut: the selection goes with every observation that refers to it (one named change).
    void CmCut();

    // ---- Selection -------------------------------------------------------------------------
    void ClearTheos() { elements_.ClearTheos(); }
    void ClearPoints() { elements_.ClearPoints(); }
    void ClearSBars() { elements_.ClearSBars(); }

    // ---- Hit testing and selection display (HitTesting) ------------------------------------
    // The item under canvas pixel `curPoint` of view `view`: selectType in the high 16 bits, the
    // item key in the low 16 bits, 0xFFFF when nothing is hit; sets the selection fields.
    long HitTest(KPoint curPoint, int view) { return hitTesting_.HitTest(curPoint, view); }
    static void CenterRect(KPoint testPoint, int halfWidth, int halfHeight, KRect* pointRectPtr) {
        HitTesting::CenterRect(testPoint, halfWidth, halfHeight, pointRectPtr);
    }
    // Clips lrect to rect in place.
    static void CheckRect(const KRect* rect, KRect* lrect) { HitTesting::CheckRect(rect, lrect); }
    // Sets (true) or clears ELEM_SELECTED of a selected element (selectType 1 to 3); the views call
    // this once per view they highlight in.
    void SetSelectionMark(bool on) { hitTesting_.SetSelectionMark(on); }
    void MarkSelect() { host_->ShowSelection(true); }
    void ClearSelect() { host_->ShowSelection(false); }
    // Status bar: the selection (status 1 while dragging: coordinates only), the pointer coordinates.
    void StatBarSelect(int status) { hitTesting_.StatBarSelect(status); }
    void StatBarDebug(const std::string& text) { host_->StatusCoords(text); }
    // The two ends (canvas pixels of `view`) of observation line `kind` (SEL_COLLIMATE ..
    // SEL_PTHEIGHT) between elements `a` and `b`, with the one-pixel shift of its kind: what is
    // drawn is exactly what is hit.
    void ObsLineEnds(int kind, int view, int a, int b, KLine* line) const {
        hitTesting_.ObsLineEnds(kind, view, a, b, line);
    }

    // ---- Mouse tools (mouse_tools.cpp) -------------------------------------------------------
    // The tool commands: take down the selection, then switch to the tool when a graphic view can
    // take the mouse (Host::BeginTool).
    void CmTheoTool() { StartTool(MODE_THEO, hTheoCursor); }
    void CmPointTool() { StartTool(MODE_POINT, hPointCursor); }
    void CmSBarTool() { StartTool(MODE_SBAR, hSBarCursor); }
    void CmDirTool() { StartTool(MODE_DIRECT, hDirectCursor); }
    void CmDistTool() { StartTool(MODE_DIST, hDistCursor); }
    void CmHeightTool() { StartTool(MODE_HEIGHT, hHeightCursor); }
    void StartTool(int mode, int cursor);
    // Back to the select tool: the mouse released, the arrow shown.
    void EndTool();
    // The limit box of view `view` in window pixels for the scroll origin given, clipped to the
    // client rectangle.
    KRect VisibleLimitBox(int view, int horzOrigin, int vertOrigin, const KRect& client) const;
    static bool PtInRect(const KRect& r, KPoint p) {
        return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
    }
    // The nearest pixel of `r` (right and bottom edges excluded) to `p`.
    static KPoint ClampToRect(const KRect& r, KPoint p);
    // A click of a placing tool (gMode 2, 3, 4) at model position (h, v) of `view`: inside the
    // visible limit box the element is created with the next free name; the tool ends unless
    // Shift is held, and always after a click outside. Returns the new slot, -1 for none.
    int PlaceClick(int view, bool inside, double horzLogCoord, double vertLogCoord, bool shift);
    // Creates the element of placing tool `mode` at (h, v) on the view's axes, the default
    // coordinate on the third; returns its slot or -1.
    int PlaceElement(int mode, int view, double horzLogCoord, double vertLogCoord);
    // A click of a measuring tool (gMode 6, 7, 8) that hit `hitValue` (HitTest's result, 0 for a
    // click outside the client area): marks sources, creates observations or ends the tool.
    MeasureAction MeasureClick(int view, long hitValue, bool shift, bool control, LinePainter* hdc = nullptr);
    // Dragging with the select tool.
    void MoveCommon(int view, COMMON* lpCommon, double horzLogCoord, double vertLogCoord);
    void OldPosition(int* x, int* y, int view);
    bool NewPosition(int x, int y, int view);
    // The selected element follows the pointer (model position (h, v) of `view`).
    void DragTo(int view, double horzLogCoord, double vertLogCoord);
    static constexpr int hArrowCursor = CUR_ARROW, hPointCursor = CUR_POINT, hTheoCursor = CUR_THEO,
                         hSBarCursor = CUR_SBAR, hDirectCursor = CUR_DIRECT, hDistCursor = CUR_DIST,
                         hHeightCursor = CUR_HEIGHT, hMoveTheoCursor = CUR_MOVETHEO,
                         hMovePtCursor = CUR_MOVEPT, hMoveSBarCursor = CUR_MOVESBAR, hCollCursor = CUR_COLL,
                         hHourGlass = CUR_HOURGLASS;

    // ---- Settings (SettingsDefaults) ------------------------------------------------------------
    static std::string SettingsPath() { return SettingsDefaults::SettingsPath(); }
    void GetDefParmData() { settings_.GetDefParmData(); }
    void GetDefDisplayData() { settings_.GetDefDisplayData(); }
    void GetDefSetupData() { settings_.GetDefSetupData(); }
    void GetDefAdjustData() { settings_.GetDefAdjustData(); }
    void GetDefPrecisionData() { settings_.GetDefPrecisionData(); }

    // ---- Project file and file commands -------------------------------------------------------
    bool ReadSimFile();
    // Writes the project to OpenName through a temporary file; false when it could not be written
    // (the previous file is then untouched).
    bool WriteSimFile();
    void GetWindowLayout();
    void OpenSIMFile(const std::string& name);
    int SaveChange();
    void CmFileNew();
    void CmFileOpen();
    void CmSaveFile();
    void CmSaveAsFile();
    void CmFileClose();
    bool CanClose();
    void ErrorBox(int code);
    // The shared close step of New, Open and Close; false when the user cancelled.
    bool CloseProject();
    // The main window's title for the open project: the program's name and the project file, its
    // name upper-cased.
    std::string FrameTitle() const;
    // Saves under `path` (Save and Save As after their dialog).
    void SaveAs(const std::string& path);

    // ---- View geometry (ViewGeometry) -------------------------------------------------------
    void SetScaleFactors() { viewGeometry_.SetScaleFactors(); }
    void SetWindowParms() { viewGeometry_.SetWindowParms(); }
    void CalcPixelPos(COMMON& theObject) { viewGeometry_.CalcPixelPos(theObject); }
    void ProcessSimData() { viewGeometry_.ProcessSimData(); }
    void UpdateViews(bool bErase) { host_->UpdateViews(bErase); }
    void UpdateScrollBars() { host_->UpdateScrollBars(); }
    void CheckViewItems() { host_->CheckViewItems(); }
    void StatBarMessage(const std::string& text) {
        host_->StatusText(text);
        host_->StatusImage(7);
    }

    // ---- Ellipse outlines (ViewGeometry) -------------------------------------------------------
    void TrigInit() { viewGeometry_.TrigInit(); }

    // ---- Target import (TargetImport) ---------------------------------------------------------------------
    void CmImportFile();
    bool ReadTargetFile() { return targetImport_.ReadTargetFile(); }
    // What the last ReadTargetFile did.
    using ImportReport = kivo::ImportReport;
    ImportReport lastImport;
    bool CheckLimits(const char* name, double x, double y, double z) {
        return targetImport_.CheckLimits(name, x, y, z);
    }
    static int CalcStat(const char* stat1, const char* stat2, const char* stat3, const char* stat4,
                        const char* stat5, const char* stat6) {
        return TargetImport::CalcStat(stat1, stat2, stat3, stat4, stat5, stat6);
    }

    // ---- The loaded listing (ListingText)
    // ------------------------------------------------------------------
    // A listing loaded describes the network as it is now; one loaded inside a change (the
    // Calculate at the end of a drag) describes the network as the change leaves it.
    bool LoadOutput();
    void DiscardOutput() { listingText_.DiscardOutput(); }
    // Whether the listing on display describes the network as it is now. A change to what the
    // adjustment reads (a move, an edit, a Cut, an import, a standard deviation) makes it out of
    // date; undo and redo back to the state it was written for make it current again. False
    // without a listing.
    bool ListingCurrent() const { return bValFile && change_.listingRevision == change_.revision; }
    // Whether what the last engine run found (its tables and summary, kept beside the ellipses)
    // describes the network as it is now: not after a change, nor after undo or redo to another
    // state than the one it ran on, nor for another project. False before the first run.
    bool ResultsCurrent() const { return change_.resultsKept && change_.resultsRevision == change_.revision; }

    // ---- Changes (network_changes.cpp) and their images (project_file.cpp) ------------------
    // Every change to the network runs between BeginChange and EndChange (or inside a
    // NamedChange). With a host that keeps a history the document takes an image before and after
    // and hands both to Host::NetworkChanged when they differ. Changes nest: only the outermost
    // one counts, under its name (NameChange sets it once it is known, e.g. the placed element's).
    void BeginChange(const std::string& name);
    void NameChange(const std::string& name);
    void EndChange();
    bool InChange() const { return change_.depth > 0; }
    // The change running leaves everything the adjustment reads as it was (drawing scales,
    // observation values that Calculate computes afresh anyway): the listing stays current.
    void ChangeKeepsListing() {
        if (change_.depth > 0) change_.keepsListing = true;
    }
    // The change running alters what the adjustment computes through a setting the network image
    // does not hold (the session's iteration limit and dimension): the listing goes out of date.
    void ChangeAltersListing() {
        if (change_.depth > 0) change_.altersListing = true;
    }
    // Whether the last change that ended altered the network (true where that is not known: with
    // a host that keeps no history no images are taken).
    bool LastChangeAltered() const { return change_.altered; }
    // "<verb> Point P3": an element (kind SEL_THEO .. SEL_SBAR, slot) named for a change.
    std::string ElementChangeName(const std::string& verb, int kind, int slot);
    // "<verb> Point P3", "<verb> Distance": the current selection named for a change.
    std::string SelectionChangeName(const std::string& verb);
    // The network as it is now; blocks still equal to those of `like` are shared with it.
    NetworkImage CaptureImage(const NetworkImage* like = nullptr) const;
    // Puts back the network of `target`, the side of a change that `other` is the other side of:
    // the counts, tables, lists and results come from `target`; a setting the change did not
    // touch (the same in both) keeps its present value, so that display toggles, window places
    // and scales set since then stay. Then the selection is cleared, the pixel positions and
    // scroll ranges recomputed and the views redrawn. False (and nothing changed) when the image
    // cannot be read back.
    bool RestoreImage(std::shared_ptr<const NetworkImage> target, const NetworkImage& other);
    // Drops the image kept for sharing and the mark of the last engine run (the project is closed).
    void ForgetImages() {
        change_.last.reset();
        change_.resultsKept = false;
    }

protected:
    explicit NetworkDocument(Host* host);
    // The project file's bytes in the format of `fileMagic`, selection marks cleared; with `cuts`
    // the end of each piece of an image (header, each theodolite list, points ...) is noted.
    using ImageCuts = std::vector<std::pair<std::uint64_t, std::size_t>>;
    void WriteProject(ByteWriter& w, std::uint32_t fileMagic, ImageCuts* cuts) const;
    // Reads a whole project from bytes; on a damaged one shows the error and changes nothing.
    bool ReadProject(const std::vector<std::uint8_t>& bytes);
    // An engine run was taken: its findings describe the network as it is now (inside a change, as
    // the change leaves it).
    void ResultsTaken();

    struct ChangeState {
        int depth = 0;
        std::string name;
        bool wasDirty = false, savedInside = false;
        std::shared_ptr<const NetworkImage> before, last;
        // The states of the network are numbered: every change that alters what the adjustment
        // reads gets a new number, undo and redo put back the number of the state they restore.
        std::uint64_t revision = 0;        // the state now
        std::uint64_t lastRevision = 0;    // the last number given out
        std::uint64_t listingRevision = 0; // the state the loaded listing describes
        bool keepsListing = false;         // the running change leaves the adjustment's input alone
        bool altersListing = false;        // the running change alters it beyond the network
        bool listingInside = false;        // a listing was loaded inside the running change
        std::uint64_t resultsRevision = 0; // the state the last engine run describes
        bool resultsKept = false;          // an engine run of this project was taken
        bool resultsInside = false;        // it was taken inside the running change
        bool altered = true;               // the last change altered the network (or may have)
    } change_;

    // Runs `form` on the whole document (the file commands open the project and parameter forms).
    virtual bool RunForm(FormId form) = 0;

    NullHost nullHost_;
    Host* host_;

    // The parts that hold the operations (declared after host_: they keep a reference to it).
    SettingsDefaults settings_{*this, *this};
    ViewGeometry viewGeometry_{*this, *this, *this, host_};
    ListingText listingText_{*this, *this, host_};
    ElementTables elements_{*this, *this, viewGeometry_};
    ObservationLists observations_{*this, *this, *this, *this, host_};
    HitTesting hitTesting_{*this, *this, *this, *this, elements_, host_};
    TargetImport targetImport_{*this,         *this,         *this,      elements_,
                               observations_, viewGeometry_, lastImport, host_};
};

// One named change to the network for as long as it lives (see NetworkDocument::BeginChange):
//   { NamedChange change(doc, "Add Direction"); ...edit the document... }
class NamedChange {
public:
    NamedChange(NetworkDocument& doc, const std::string& name) : doc_(doc) { doc_.BeginChange(name); }
    ~NamedChange() { doc_.EndChange(); }
    NamedChange(const NamedChange&) = delete;
    NamedChange& operator=(const NamedChange&) = delete;

private:
    NetworkDocument& doc_;
};

// Copies text into a fixed field of n bytes (cut to n - 1 characters, zero-filled).
void CopyField(char* field, std::size_t n, const std::string& text);

} // namespace kivo
