#pragma once
// Command, menu, bitmap and cursor ids of the desktop program, the one home of these numbers (the
// document enables menu items by them too). Help pages are keyed by the same
// numbers (resources/help/<id>.html).

namespace kivo::cmd {

// Menus.
constexpr int MENU_NOPROJECT = 1010;
constexpr int MENU_PROJECT = 1011;
constexpr int ICON_PROGRAM = 1003;
constexpr int BITMAP_STATUS = 313;
constexpr int CURSOR_HELP = 24001;
constexpr int DLG_ABOUT = 22000;
constexpr int DLG_DISCLAIMER = 22004;

// File.
constexpr int FileNew = 105;
constexpr int FileOpen = 106;
constexpr int FileClose = 107;
constexpr int FileSave = 108;
constexpr int FileSaveAs = 109;
constexpr int ImportFile = 110;
constexpr int ExportFile = 111;
constexpr int ImportPoints = 112;  // a coordinate list as object points
constexpr int ExportResults = 113; // the last Calculate's results as JSON or CSV
constexpr int ExportDrawing = 114; // the active view as a DXF drawing
constexpr int FilePrint = 24337;
constexpr int FilePrintSetup = 24338;
constexpr int FilePrintPreview = 24340;
constexpr int Exit = 24310;
// Edit.
constexpr int EditCut = 121;
constexpr int FindElement = 129;
constexpr int EditUndo = 24321;
constexpr int EditRedo = 24322;
// Layout.
constexpr int Project = 141;
constexpr int Parameters = 142;
constexpr int Display = 143;
constexpr int Object = 144;
constexpr int Name = 145;
constexpr int Collimate = 146;
constexpr int Direction = 147;
constexpr int Distance = 148;
constexpr int Height = 149;
constexpr int Ellipse = 150;
constexpr int Abbreviate = 152;
constexpr int ZoomIn = 153;
constexpr int ZoomOut = 154;
constexpr int ZoomFit = 155;
// Objects (tools).
constexpr int TheoTool = 161;
constexpr int PointTool = 162;
constexpr int SBarTool = 163;
// Measure.
constexpr int Setup = 181;
constexpr int DirTool = 183;
constexpr int DistTool = 184;
constexpr int HeightTool = 185;
constexpr int StdDev = 186;
constexpr int Adjust = 187;
constexpr int Simulate = 188;
constexpr int Calculate = 189;
constexpr int LivePrecision = 195; // ellipses follow a drag
constexpr int SuggestSightings = 196;
constexpr int StationHeatMap = 197;
constexpr int VerifySimulation = 198; // the predicted precision checked by noisy realisations
// Window.
constexpr int Tools = 201;
constexpr int Status = 202;
constexpr int New3DView = 203; // another window: the network in 3D
constexpr int Cascade = 24361;
constexpr int Tile = 24362;
constexpr int ArrangeIcons = 24364;
// Help.
constexpr int HelpContents = 2001;
constexpr int HelpUsing = 2002;
constexpr int HelpAbout = 2009;
constexpr int HelpDisclaim = 2010;

// Speed-bar separators (a width in pixels stands where an id would).
constexpr int Separator6 = -6;
constexpr int Separator18 = -18;

// Commands whose help context is their own id; every other id has no help.
constexpr int kHelpContexts[] = {105, 106, 107, 108, 109, 110, 111, 121,   141,   142,   143,   144,
                                 145, 146, 147, 148, 149, 150, 161, 162,   163,   181,   183,   184,
                                 185, 186, 187, 188, 189, 201, 202, 24310, 24337, 24361, 24362, 24364};

constexpr bool HasHelpContext(int id) {
    for (int c : kHelpContexts)
        if (c == id) return true;
    return false;
}

} // namespace kivo::cmd
