#pragma once
// The state of the open project, in focused parts. The document (NetworkDocument and, above it,
// kivoMDIClient) inherits them all, so their member names are the document's; the operations on
// each live in the source file named with it.

#include <cstdint>
#include <string>
#include <vector>

#include "model/element_table.h"
#include "model/listing_lines.h"
#include "model/records.h"
#include "model/theodolite.h"
#include "model/tolerance.h"

namespace kivo {

// Project file magic numbers.
constexpr std::uint32_t SIM_MAGIC_CURRENT = 0xE8750110;
constexpr std::uint32_t SIM_MAGIC_OLD = 0xE875B302;

// Length units.
enum Units { UNITS_METERS = 0, UNITS_MM = 1, UNITS_FEET = 2, UNITS_INCHES = 3 };

// Selection kinds (selectType).
enum SelectType {
    SEL_NONE = 0,
    SEL_THEO = 1,
    SEL_POINT = 2,
    SEL_SBAR = 3,
    SEL_COLLIMATE = 4,
    SEL_PTDIRECT = 5,
    SEL_SBDIRECT = 6,
    SEL_DISTANCE = 7,
    SEL_PTDISTANCE = 8,
    SEL_HEIGHT = 9,
    SEL_PTHEIGHT = 10,
};

// The cursors of the tools (the document's hArrowCursor .. hHourGlass); the views draw them.
enum ToolCursor {
    CUR_ARROW = 0,
    CUR_POINT,
    CUR_THEO,
    CUR_SBAR,
    CUR_DIRECT,
    CUR_DIST,
    CUR_HEIGHT,
    CUR_MOVETHEO,
    CUR_MOVEPT,
    CUR_MOVESBAR,
    CUR_COLL, // loaded with the others; no tool shows it
    CUR_HOURGLASS,
    CUR_COUNT
};

// The elements (element_tables.h): the three slot tables, their live and allocated counts, the
// naming counters.
struct NetworkStore {
    int nNumTheos = 0, nMaxTheos = 0;
    ElementTable<THEODOLITE> theoList;
    int nNumPoints = 0, nMaxPoints = 0;
    ElementTable<OBJECTPOINT> pointList;
    int nNumSBars = 0, nMaxSBars = 0;
    ElementTable<SCALEBAR> sbarList;
    bool bTablesCreated = false;

    // Naming counters: next theodolite position/number, next point and scale-bar number.
    int globalPos = 0, globalTheo = 0, globalPoint = 0, globalSBar = 1;

    // The slot of the element last added by NewTheo/NewPoint/NewSBar (-1 if it could not be added).
    int lastNewSlot = -1;
};

// The point-to-point observation lists (observation_lists.cpp); the observations from a station
// live in its theodolite record.
struct ObservationStore {
    int nNumDists = 0, nMaxDists = 0;
    GlobalList<CONNECT4> distList;
    int nNumHeights = 0, nMaxHeights = 0;
    GlobalList<CONNECT5> heightList;
};

// The project's settings, stored in the project file (project_file.cpp).
struct ProjectSettings {
    std::uint32_t magic = SIM_MAGIC_CURRENT;
    std::int32_t mdiX[4] = {}, mdiY[4] = {}, mdiWidth[4] = {}, mdiHeight[4] = {}, mdiFlags[4] = {};
    char Project[80] = {}, Task[80] = {}, Date[80] = {};
    bool bObject = true, bName = true, bAbbreviate = false, bCollimate = false, bDirect = false;
    bool bDistance = false, bHeight = false, bEllipse = false, bValEllip = false;
    bool bIdeals = true, bRecalc = false, bAutosave = false;
    bool bBound = true, bHGrid = false, bVGrid = false;
    int hBordSize = 16, vBordSize = 8;
    double hInterval = 10, vInterval = 10;
    int SDTabEntry = 0;
    double SDTheoLocFix = 0, SDTheoLocApx = 0, SDTheoLocUnk = 0;
    double SDTheoRotFix = 0, SDTheoRotApx = 0, SDTheoRotUnk = 0;
    double SDPointLocFix = 0, SDPointLocApx = 0, SDPointLocUnk = 0;
    double SDSBarLength = 0, hSDAngle = 0, vSDAngle = 0, SDDistance = 0, SDHeight = 0;
    double xMin = 0, xMax = 500, xDef = 100, yMin = 0, yMax = 500, yDef = 100, zMin = 0, zMax = 500,
           zDef = 100;
    double objScale1 = 10, objScale2 = 10, objScale3 = 10, ellScale = 0.001;
    int orient = 0, axisType = 1, units = UNITS_METERS;
    double defLength = 1.0;
};

// Settings not stored in the project file: the settings file's and the session's (settings.cpp).
struct SessionSettings {
    int dataEntry = 0;
    bool bTools = true, bStatus = true, bSaveEnabled = false;
    bool bDebug = false, bDump = false;
    int iterLimit = 20;
    int dimension = 3;
    int gMode = 1;
    char label[6] = {'X', 'Y', 'Z', 'Z', 'X', 'Y'};
    double convTab[4][4] = {};
    std::string lpHelpFile = "KIVO.HLP";
    std::string applTitle = "KIVO";
    std::string iniName = "kivo.ini";
    const char* szViewNames[4] = {"Plan View", "Side View", "End View", "Text View"};
    PrecisionTolerance precision; // the tolerance the views judge (session only)
    bool bLivePrecision = true;   // a drag recomputes the ellipses as it goes (session only)
};

// The project file and the files beside it (file_commands.cpp).
struct FileState {
    bool bFileOpen = false, bFileNamed = false, bFileDirty = false, bValFile = false;
    std::string OpenName;
    std::string ImportName;
    std::string ExportName;
    static constexpr const char* SIM_FILTER = "KIVO Projects (*.SIM)|*.SIM|";
};

// The selection and the tools' cursor (hit_test.cpp, mouse_tools.cpp).
struct SelectionState {
    int selection = 0;
    int selectType = SEL_NONE;
    int station = 0, target = 0, stationA = 0, stationB = 0, targetA = 0, targetB = 0, index = 0;
    bool SourcesMarked = false;
    int hActiveCursor = CUR_ARROW;
};

// The scaling of the three graphic views (view_geometry.cpp) and the ellipse outline sines
// (trig_table.cpp).
struct ViewState {
    int hBordPix = 0, vBordPix = 0;
    double hObjScale[3] = {}, vObjScale[3] = {};
    double hEllScale = 0, vEllScale = 0;
    double hBase[3] = {}, vBase[3] = {};
    int hExtent[3] = {}, vExtent[3] = {};
    double TrigTable[24] = {};
};

// An element the last Calculate left out of the adjustment (not determined by its observations,
// or not connected to the datum): kind SEL_THEO, SEL_POINT or SEL_SBAR and its slot.
struct LeftOutMark {
    int kind = SEL_NONE;
    int slot = -1;
    bool operator==(const LeftOutMark&) const = default;
};

// What the last adjustment found besides the ellipses the elements hold. The views mark the
// elements left out until the next Calculate or until the ellipses go stale; the marks live in
// memory only (a project opened from its file shows none), and undo and redo bring back the marks
// of the state they restore.
struct AdjustmentMarks {
    std::vector<LeftOutMark> leftOutMarks;
};

// The listing of the last adjustment as the text view shows it (listing_text.cpp).
struct LoadedListing {
    // The loaded listing, one entry per line.
    ListingLines fileBuffer;
    int maxLines = 0;
    int winLines = 0;
};

} // namespace kivo
