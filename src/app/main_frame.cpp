#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <memory>

#include "adjustment/dxf_export.h"
#include "adjustment/results_export.h"
#include "app/background_calculate.h"
#include "app/kivo_app.h"
#include "app/mdi_child.h"
#include "app/print_out.h"
#include "app/print_out3d.h"
#include "app/recent_files.h"
#include "app/simulation_check_window.h"
#include "app/text_window.h"
#include "app/undo_history.h"
#include "forms/advice_forms.h"
#include "forms/forms.h"
#include "model/command_ids.h"
#include "model/point_import.h"
#include "views/symbols.h"
#include "views/view3d_window.h"
#include "views/view_window.h"

namespace kivo::app {

namespace {

struct ActionDef {
    int id;
    const char* objectName;
    const char* text;      // in the project menu (1011)
    const char* shortText; // in the menu without a project (1010), if it is there
    const char* shortcut;
    const char* hint;
    bool checkable;
};

// Every command of the frame, created once; the menus and the speed bar take them from here.
const ActionDef kActions[] = {
    {cmd::FileNew, "CmFileNew", "New...", "&New...", "Ctrl+N", "Creates a new project", false},
    {cmd::FileOpen, "CmFileOpen", "Open...", "&Open...", "Ctrl+O", "Opens an existing project", false},
    {cmd::FileClose, "CmFileClose", "Close", nullptr, "Ctrl+W", "Closes the project", false},
    {cmd::FileSave, "CmSaveFile", "Save", nullptr, "Ctrl+S", "Saves the project", false},
    {cmd::FileSaveAs, "CmSaveAsFile", "Save As...", nullptr, "Ctrl+Shift+S",
     "Saves the project under a new name", false},
    {cmd::ImportFile, "CmImportFile", "Import Data File...", nullptr, nullptr,
     "Imports targets from a target file", false},
    {cmd::ExportFile, "CmExportFile", "Export .INP File", nullptr, nullptr,
     "Writes the adjustment input file", false},
    {cmd::ImportPoints, "CmImportPoints", "Import Points...", nullptr, nullptr,
     "Reads a coordinate list (CSV or text) as object points", false},
    {cmd::ExportResults, "CmExportResults", "Export Results...", nullptr, nullptr,
     "Writes the adjusted coordinates, covariances and ellipses as JSON or CSV", false},
    {cmd::ExportDrawing, "CmExportDrawing", "Export Drawing...", nullptr, nullptr,
     "Writes the active view as a DXF drawing in model coordinates", false},
    {cmd::FilePrint, "CmFilePrint", "Print...", nullptr, "Ctrl+P", "Prints the active view", false},
    {cmd::FilePrintPreview, "CmFilePrintPreview", "Print Preview", nullptr, nullptr,
     "Shows the pages of the active view as they will print", false},
    {cmd::Exit, "CmExit", "Exit", "E&xit", "Ctrl+Q", "Quits KIVO", false},
    {cmd::EditCut, "CmCut", "Cu&t\tShift+Del", nullptr, "Shift+Del",
     "Deletes the selection with every observation that refers to it", false},
    {cmd::FindElement, "CmFindElement", "&Find Element...", nullptr, "Ctrl+F",
     "Selects an element by its name and centres it in the views", false},
    {cmd::Project, "CmProject", "&Project...", nullptr, nullptr, "Project name, task and date", false},
    {cmd::Parameters, "CmParameters", "Para&meters...", nullptr, nullptr, "Units, limits and axis naming",
     false},
    {cmd::Display, "CmDisplay", "&Display...", nullptr, nullptr, "Drawing scales, borders and grid", false},
    {cmd::Object, "CmObject", "&Objects", nullptr, nullptr, "Shows elements as symbols or as dots", true},
    {cmd::Name, "CmName", "&Names", nullptr, nullptr, "Shows or hides element names", true},
    {cmd::Collimate, "CmCollimate", "&Collimations", nullptr, nullptr, "Shows or hides collimations", true},
    {cmd::Direction, "CmDirection", "Di&rections", nullptr, nullptr, "Shows or hides directions", true},
    {cmd::Distance, "CmDistance", "Di&stances", nullptr, nullptr, "Shows or hides distances", true},
    {cmd::Height, "CmHeight", "&Height Differences", nullptr, nullptr, "Shows or hides height differences",
     true},
    {cmd::Ellipse, "CmEllipse", "&Ellipses", nullptr, nullptr, "Shows or hides error ellipses", true},
    {cmd::Abbreviate, "CmAbbreviate", "&Abbreviated Names", nullptr, nullptr,
     "Shows abbreviations instead of names", true},
    {cmd::ZoomIn, "CmZoomIn", "Zoom &In", nullptr, "Ctrl++",
     "Magnifies the active view (Control with the wheel zooms about the pointer)", false},
    {cmd::ZoomOut, "CmZoomOut", "Zoom O&ut", nullptr, "Ctrl+-", "Shows more of the active view", false},
    {cmd::ZoomFit, "CmZoomFit", "Zoom to &Fit\tF", nullptr, nullptr,
     "Scales the active view to show the whole network (F or a middle double click in a view)", false},
    {cmd::TheoTool, "CmTheoTool", "&Theodolite", nullptr, nullptr, "Places theodolites", false},
    {cmd::PointTool, "CmPointTool", "&Point", nullptr, nullptr, "Places object points", false},
    {cmd::SBarTool, "CmSBarTool", "&Scale Bar", nullptr, nullptr, "Places scale bars", false},
    {cmd::Setup, "CmSetup", "&Setup Theos...", nullptr, nullptr, "Active and control theodolites", false},
    {cmd::DirTool, "CmDirTool", "&Direction", nullptr, nullptr, "Adds directions and collimations", false},
    {cmd::DistTool, "CmDistTool", "Dis&tance", nullptr, nullptr, "Adds distances", false},
    {cmd::HeightTool, "CmHeightTool", "&Height Differences", nullptr, nullptr, "Adds height differences",
     false},
    {cmd::StdDev, "CmStdDev", "Std Dev && &Weights...", nullptr, nullptr, "A-priori standard deviations",
     false},
    {cmd::Adjust, "CmAdjust", "&Adjustment...", nullptr, nullptr, "Adjustment settings", false},
    {cmd::Simulate, "CmSimulate", "&Update Measurements", nullptr, nullptr,
     "Computes every observation value from the coordinates", false},
    {cmd::Calculate, "CmCalculate", "&Calculate", nullptr, "F5",
     "Runs the adjustment and draws the error ellipses", false},
    {cmd::LivePrecision, "CmLivePrecision", "&Live Precision", nullptr, nullptr,
     "Recomputes the error ellipses while an element is dragged", true},
    {cmd::SuggestSightings, "CmSuggestSightings", "Su&ggest Sightings...", nullptr, nullptr,
     "Ranks the missing sightings by how much they improve the worst element", false},
    {cmd::StationHeatMap, "CmStationHeatMap", "Station Heat &Map...", nullptr, nullptr,
     "Shows in the plan view where one more theodolite helps most", false},
    {cmd::VerifySimulation, "CmVerifySimulation", "&Verify by Simulation...", nullptr, nullptr,
     "Checks the predicted precision by adjusting many noisy realisations of the observations", false},
    {cmd::Tools, "CmTools", "T&ools", nullptr, nullptr, "Shows or hides the speed bar", true},
    {cmd::Status, "CmStatus", "&Status", nullptr, nullptr, "Shows or hides the status bar", true},
    {cmd::New3DView, "CmNew3DView", "New 3&D View", nullptr, nullptr,
     "Opens a window showing the network and its error ellipsoids in 3D", false},
    {cmd::Cascade, "CmCascade", "&Cascade\tShift+F5", nullptr, "Shift+F5", "Arranges the views overlapping",
     false},
    {cmd::Tile, "CmTile", "&Tile\tShift+F4", nullptr, "Shift+F4", "Arranges the views side by side", false},
    {cmd::ArrangeIcons, "CmArrangeIcons", "Arrange &icons", nullptr, nullptr, "Arranges the minimised views",
     false},
    {cmd::HelpAbout, "CmHelpAbout", "&About KIVO...", "&About KIVO...", nullptr, "Version of the program",
     false},
    {cmd::HelpDisclaim, "CmHelpDisclaim", "D&isclaimer...", "&Disclaimer...", nullptr, "Terms of use", false},
    {cmd::HelpContents, "CmHelpContents", "&Contents", "&Contents", nullptr, "Opens the help contents",
     false},
};

struct MenuDef {
    const char* title;
    std::vector<int> ids; // 0 is a separator
};

const std::vector<MenuDef> kShortMenu = {
    {"&File", {cmd::FileNew, cmd::FileOpen, 0, cmd::Exit}},
    {"&Help", {cmd::HelpAbout, cmd::HelpDisclaim, cmd::HelpContents}},
};

const std::vector<MenuDef> kLongMenu = {
    {"&File",
     {cmd::FileNew, cmd::FileOpen, cmd::FileClose, cmd::FileSave, cmd::FileSaveAs, cmd::ImportFile,
      cmd::ImportPoints, cmd::ExportFile, cmd::ExportResults, cmd::ExportDrawing, cmd::FilePrint,
      cmd::FilePrintPreview, cmd::Exit}},
    {"&Edit", {cmd::EditUndo, cmd::EditRedo, 0, cmd::EditCut, 0, cmd::FindElement}},
    {"&Layout",
     {cmd::Project, cmd::Parameters, cmd::Display, cmd::Object, cmd::Name, cmd::Collimate, cmd::Direction,
      cmd::Distance, cmd::Height, cmd::Ellipse, cmd::Abbreviate, 0, cmd::ZoomIn, cmd::ZoomOut, cmd::ZoomFit}},
    {"&Objects", {cmd::TheoTool, cmd::PointTool, cmd::SBarTool}},
    {"&Measure",
     {cmd::Setup, cmd::DirTool, cmd::DistTool, cmd::HeightTool, cmd::StdDev, cmd::Adjust, cmd::Simulate,
      cmd::Calculate, cmd::LivePrecision, 0, cmd::SuggestSightings, cmd::StationHeatMap,
      cmd::VerifySimulation}},
    {"&Window", {cmd::New3DView, 0, cmd::Tools, cmd::Status, cmd::Cascade, cmd::Tile, cmd::ArrangeIcons}},
    {"&Help", {cmd::HelpAbout, cmd::HelpDisclaim, cmd::HelpContents}},
};

const std::vector<int> kShortBar = {cmd::FileNew, cmd::FileOpen, cmd::Separator6, cmd::HelpContents,
                                    cmd::Separator18};
// The document's 22 gadgets: the first four go behind Open, the rest at the end of the bar.
const std::vector<int> kDocGadgetsFront = {cmd::FileSave, cmd::FilePrint, cmd::Separator6, cmd::EditCut};
const std::vector<int> kDocGadgetsBack = {
    cmd::Object,      cmd::Name,    cmd::Abbreviate,  cmd::Collimate,  cmd::Direction,   cmd::Distance,
    cmd::Height,      cmd::Ellipse, cmd::Separator18, cmd::TheoTool,   cmd::PointTool,   cmd::SBarTool,
    cmd::Separator18, cmd::DirTool, cmd::DistTool,    cmd::HeightTool, cmd::Separator18, cmd::Calculate};
// After them, the 3D view's button.
const std::vector<int> kViewGadgets = {cmd::Separator18, cmd::New3DView};

} // namespace

kivoDecoratedMDIFrame::kivoDecoratedMDIFrame(kivoApp& app, kivoMDIClient& doc)
    : QMainWindow(nullptr), app_(app), doc_(doc) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromStdString(doc_.applTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/1003.png")));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("mdiClient"));
    setCentralWidget(mdi_);

    CreateActions();
    history_ = new UndoHistory(doc_, this);
    actions_[cmd::EditUndo] = history_->undoAction();
    actions_[cmd::EditRedo] = history_->redoAction();
    addAction(history_->undoAction()); // the keys work whichever menu is shown
    addAction(history_->redoAction());

    bar_ = new QToolBar(QStringLiteral("Speed Bar"), this);
    bar_->setObjectName(QStringLiteral("speedBar"));
    bar_->setMovable(false);
    bar_->setIconSize(QSize(20, 20));
    QFont hintFont = bar_->font();
    hintFont.setPointSize(10);
    bar_->setFont(hintFont);
    addToolBar(Qt::TopToolBarArea, bar_);

    // Status bar: the message field, the keyboard indicators, the coordinate field, the image.
    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("statusBar"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("statusText"));
    message_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message_->setFont(QFont(QStringLiteral("Monospace")));
    sb->addWidget(message_, 1);
    for (const char* key : {"CAP", "NUM", "SCRL", "OVR"}) {
        auto* l = new QLabel(QString::fromLatin1(key), this);
        l->setObjectName(QStringLiteral("indicator%1").arg(QString::fromLatin1(key)));
        l->setEnabled(false);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        sb->addPermanentWidget(l);
    }
    coords_ = new QLabel(this);
    coords_->setObjectName(QStringLiteral("statusCoords"));
    coords_->setMinimumWidth(coords_->fontMetrics().averageCharWidth() * 10 + 8);
    coords_->setFrameShape(QFrame::Panel);
    coords_->setFrameShadow(QFrame::Sunken);
    sb->addPermanentWidget(coords_);
    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("statusImage"));
    image_->setFixedSize(22, 18);
    image_->setAlignment(Qt::AlignCenter);
    sb->addPermanentWidget(image_);
    SetStatusImage(7);
    calc_ = new BackgroundCalculate(*this, doc_, mdi_);

    SetMenu(cmd::MENU_NOPROJECT);
    SetSpeedBar(false);
    resize(1200, 860);
    // The unsaved-changes marker follows the document's flag, whichever part of the program set it.
    auto* modified = new QTimer(this);
    connect(modified, &QTimer::timeout, this, &kivoDecoratedMDIFrame::SyncModified);
    modified->start(250);
}

kivoDecoratedMDIFrame::~kivoDecoratedMDIFrame() = default;

void kivoDecoratedMDIFrame::CreateActions() {
    for (const ActionDef& d : kActions) {
        auto* a = new QAction(QString::fromLatin1(d.text), this);
        a->setObjectName(QString::fromLatin1(d.objectName));
        a->setData(d.id);
        a->setStatusTip(QString::fromLatin1(d.hint));
        a->setToolTip(QString::fromLatin1(d.hint));
        a->setCheckable(d.checkable);
        if (d.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(d.shortcut)));
        const QString icon = QStringLiteral(":/icons/%1.png").arg(d.id);
        if (QFile::exists(icon)) a->setIcon(QIcon(icon));
        if (d.id == cmd::New3DView) a->setIcon(views::View3DIcon());
        connect(a, &QAction::triggered, this, [this, id = d.id] { Command(id); });
        actions_[d.id] = a;
    }
    Action(cmd::Tools)->setChecked(true);
    Action(cmd::Status)->setChecked(true);
    // Keyboards without a separate plus key reach Zoom In with Ctrl+= as well.
    Action(cmd::ZoomIn)
        ->setShortcuts({QKeySequence(QStringLiteral("Ctrl++")), QKeySequence(QStringLiteral("Ctrl+="))});
}

QAction* kivoDecoratedMDIFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void kivoDecoratedMDIFrame::SetMenu(int menuId) {
    const bool project = menuId == cmd::MENU_PROJECT;
    QMenuBar* mb = menuBar();
    // The menus of the previous bar go with it (later: this may run from one of their items).
    for (QAction* a : mb->actions())
        if (QMenu* old = a->menu()) old->deleteLater();
    mb->clear();
    for (const ActionDef& d : kActions)
        actions_[d.id]->setText(QString::fromLatin1(project || !d.shortText ? d.text : d.shortText));
    for (const MenuDef& m : project ? kLongMenu : kShortMenu) {
        QMenu* menu = mb->addMenu(QString::fromLatin1(m.title));
        menu->setObjectName(QStringLiteral("menu") + QString::fromLatin1(m.title).remove('&'));
        for (int id : m.ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(Action(id));
        }
        AddMenuLists(menu);
    }
    mb->setProperty("menuId", menuId);
}

void kivoDecoratedMDIFrame::SetSpeedBar(bool withDocument) {
    bar_->clear();
    for (QWidget* w : spacers_)
        delete w;
    spacers_.clear();
    barLayout_.clear();
    std::vector<int> layout;
    if (withDocument) {
        layout = {cmd::FileNew, cmd::FileOpen};
        layout.insert(layout.end(), kDocGadgetsFront.begin(), kDocGadgetsFront.end());
        layout.insert(layout.end(), kShortBar.begin() + 2, kShortBar.end());
        layout.insert(layout.end(), kDocGadgetsBack.begin(), kDocGadgetsBack.end());
        layout.insert(layout.end(), kViewGadgets.begin(), kViewGadgets.end());
    } else {
        layout = kShortBar;
    }
    for (int id : layout) {
        if (id < 0) {
            auto* gap = new QWidget(bar_);
            gap->setFixedWidth(-id);
            spacers_.push_back(gap);
            bar_->addWidget(gap);
        } else {
            bar_->addAction(Action(id));
        }
    }
    barLayout_ = layout;
}

int kivoDecoratedMDIFrame::ActiveViewIndex() const {
    QMdiSubWindow* active = mdi_->activeSubWindow();
    for (int i = 0; i < 4; ++i)
        if (child_[static_cast<std::size_t>(i)] && child_[static_cast<std::size_t>(i)] == active) return i;
    return -1;
}

void kivoDecoratedMDIFrame::CreateViews() {
    // At most four children ever: a project still shown is taken down first.
    if (child_[0]) DestroyViews();
    history_->Clear();
    for (int i = 0; i < 4; ++i) {
        QWidget* client;
        if (i < 3) {
            views_[static_cast<std::size_t>(i)] = new views::TKIVOWindow(doc_, i);
            client = views_[static_cast<std::size_t>(i)];
        } else {
            text_ = new TTextWindow(doc_);
            client = text_;
        }
        auto* c = new kivoMDIChild(QString::fromLatin1(doc_.szViewNames[i]), client);
        c->setObjectName(QStringLiteral("child%1").arg(i));
        mdi_->addSubWindow(c);
        child_[static_cast<std::size_t>(i)] = c;
        // Stored positions of normal windows are applied when they fit the client area; otherwise
        // the area places the window itself.
        const QRect stored(doc_.mdiX[i], doc_.mdiY[i], doc_.mdiWidth[i], doc_.mdiHeight[i]);
        if (stored.width() >= 100 && stored.height() >= 80 && stored.x() >= 0 && stored.y() >= 0)
            c->setGeometry(stored);
        else
            c->resize(mdi_->width() * 2 / 3, mdi_->height() * 2 / 3);
        c->show();
    }
    // Normal states first, then the active child, then a maximised one: the MDI area maximises
    // whichever child becomes active while another one is maximised.
    for (int i = 0; i < 4; ++i)
        if ((doc_.mdiFlags[i] & 0x0F) == 2) child_[static_cast<std::size_t>(i)]->showNormal();
    for (int i = 0; i < 4; ++i)
        if (doc_.mdiFlags[i] & 0x10) mdi_->setActiveSubWindow(child_[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 4; ++i)
        if ((doc_.mdiFlags[i] & 0x0F) == 4) child_[static_cast<std::size_t>(i)]->showMaximized();

    SetProjectTitle(QString::fromStdString(doc_.FrameTitle()));
    if (doc_.bFileNamed) RecentFiles::Add(QString::fromStdString(doc_.OpenName));
    SetMenu(cmd::MENU_PROJECT);
    SetSpeedBar(true);
    CheckViewItems();
    Action(cmd::EditCut)->setEnabled(false);
    Action(cmd::Ellipse)->setEnabled(true);
    // Sizes delivered while the windows settle are not changes by the user.
    QTimer::singleShot(0, this, [this] {
        // What the MDI area and the windows still have queued (their layouts) settles first.
        QCoreApplication::sendPostedEvents();
        for (auto* v : views_)
            if (v) v->SetTrackSize(true);
        if (text_) text_->SetTrackSize(true);
    });
}

void kivoDecoratedMDIFrame::DestroyViews() {
    history_->Clear();
    if (!child_[0]) return;
    mdi_->hide();
    for (kivoMDIChild* c : Children3D())
        delete c;
    children3d_.clear();
    for (auto* c : child_)
        if (c) c->hide();
    const int active = ActiveViewIndex();
    for (int i = 0; i < 4; ++i) {
        if (i == active) continue;
        child_[static_cast<std::size_t>(i)]->AllowClose();
        delete child_[static_cast<std::size_t>(i)];
    }
    if (active >= 0) {
        child_[static_cast<std::size_t>(active)]->AllowClose();
        delete child_[static_cast<std::size_t>(active)];
    }
    child_.fill(nullptr);
    views_.fill(nullptr);
    text_ = nullptr;
    mdi_->show();
    // The pointer coordinates belonged to a view that is gone.
    SetStatusCoords(QString());
    setWindowTitle(QString::fromStdString(doc_.applTitle));
    setWindowModified(false);
    SetSpeedBar(false);
    SetMenu(cmd::MENU_NOPROJECT);
}

void kivoDecoratedMDIFrame::SetStatusText(const QString& text) {
    statusBar()->clearMessage(); // a menu hint gives way
    message_->setText(text);
    message_->repaint();
}

QString kivoDecoratedMDIFrame::statusText() const {
    return message_->text();
}

void kivoDecoratedMDIFrame::SetStatusImage(int image) {
    statusImage_ = image;
    image_->setPixmap(QPixmap::fromImage(views::StatusImage(image)));
}

void kivoDecoratedMDIFrame::SetStatusCoords(const QString& text) {
    coords_->setText(text);
    coords_->repaint();
}

void kivoDecoratedMDIFrame::CheckViewItems() {
    const std::pair<int, bool> items[] = {
        {cmd::Object, doc_.bObject},         {cmd::Name, doc_.bName},
        {cmd::Abbreviate, doc_.bAbbreviate}, {cmd::Collimate, doc_.bCollimate},
        {cmd::Direction, doc_.bDirect},      {cmd::Distance, doc_.bDistance},
        {cmd::Height, doc_.bHeight},         {cmd::Ellipse, doc_.bEllipse},
        {cmd::Tools, doc_.bTools},           {cmd::Status, doc_.bStatus}};
    for (auto [id, on] : items)
        Action(id)->setChecked(on);
    Action(cmd::LivePrecision)->setChecked(doc_.bLivePrecision);
}

void kivoDecoratedMDIFrame::Toggle(int, bool kivoMDIClient::*flag) {
    doc_.*flag = !(doc_.*flag);
    doc_.bFileDirty = true; // the toggles are stored in the project file
    doc_.host().UntrackedChange();
    doc_.UpdateViews(true);
}

void kivoDecoratedMDIFrame::RunSettingsForm(int id) {
    switch (id) {
    case cmd::Project:
        forms::CmProject(this, doc_);
        break;
    case cmd::Parameters:
        forms::CmParameters(this, doc_);
        break;
    case cmd::Display:
        forms::CmDisplay(this, doc_);
        break;
    case cmd::Setup:
        forms::CmSetup(this, doc_);
        break;
    case cmd::StdDev:
        forms::CmStdDev(this, doc_);
        break;
    case cmd::Adjust:
        forms::CmAdjust(this, doc_);
        break;
    default:
        break;
    }
}

void kivoDecoratedMDIFrame::Command(int id) {
    if (calc_->Running()) return; // the network is locked until the Calculate ends
    if (bHelpRequested || app_.ContextHelp) {
        bHelpRequested = false;
        app_.EndContextHelp();
        if (cmd::HasHelpContext(id))
            app_.OpenHelp(id);
        else
            QMessageBox::information(this, QStringLiteral("KIVO Information"),
                                     QStringLiteral("Help not available for this Menu Item"));
        CheckViewItems(); // a checkable item toggled itself when chosen
        return;
    }
    switch (id) {
    case cmd::FileNew:
        doc_.CmFileNew();
        break;
    case cmd::FileOpen:
        doc_.CmFileOpen();
        break;
    case cmd::FileClose:
        doc_.CmFileClose();
        break;
    case cmd::FileSave:
        doc_.CmSaveFile();
        break;
    case cmd::FileSaveAs:
        doc_.CmSaveAsFile();
        break;
    case cmd::Exit:
        close();
        break;
    case cmd::FilePrint:
        PrintActive(false);
        break;
    case cmd::FilePrintPreview:
        PrintActive(true);
        break;
    case cmd::EditCut:
        if (doc_.bFileOpen && doc_.selectType != SEL_NONE) {
            doc_.ClearSelect();
            doc_.CmCut();
            doc_.selectType = SEL_NONE;
        }
        break;
    case cmd::Object:
        Toggle(id, &kivoMDIClient::bObject);
        break;
    case cmd::Name:
        Toggle(id, &kivoMDIClient::bName);
        break;
    case cmd::Abbreviate:
        Toggle(id, &kivoMDIClient::bAbbreviate);
        break;
    case cmd::Collimate:
        Toggle(id, &kivoMDIClient::bCollimate);
        break;
    case cmd::Direction:
        Toggle(id, &kivoMDIClient::bDirect);
        break;
    case cmd::Distance:
        Toggle(id, &kivoMDIClient::bDistance);
        break;
    case cmd::Height:
        Toggle(id, &kivoMDIClient::bHeight);
        break;
    case cmd::Ellipse:
        Toggle(id, &kivoMDIClient::bEllipse);
        break;
    case cmd::Tools:
        doc_.bTools = !doc_.bTools;
        bar_->setVisible(doc_.bTools);
        break;
    case cmd::Status:
        doc_.bStatus = !doc_.bStatus;
        statusBar()->setVisible(doc_.bStatus);
        break;
    case cmd::Project:
    case cmd::Parameters:
    case cmd::Display:
    case cmd::Setup:
    case cmd::StdDev:
    case cmd::Adjust:
        RunSettingsForm(id);
        break;
    case cmd::ZoomIn:
    case cmd::ZoomOut:
    case cmd::ZoomFit:
        Zoom(id);
        break;
    case cmd::New3DView:
        New3DView();
        break;
    case cmd::Cascade:
        mdi_->cascadeSubWindows();
        break;
    case cmd::Tile:
        mdi_->tileSubWindows();
        break;
    case cmd::ArrangeIcons:
        ArrangeIcons();
        break;
    case cmd::HelpContents:
        app_.CmHelpContents();
        break;
    case cmd::HelpUsing:
        app_.CmHelpUsing();
        break;
    case cmd::HelpAbout:
        app_.CmHelpAbout();
        break;
    case cmd::HelpDisclaim:
        app_.CmHelpDisclaim();
        break;
    case cmd::TheoTool:
        doc_.CmTheoTool();
        break;
    case cmd::PointTool:
        doc_.CmPointTool();
        break;
    case cmd::SBarTool:
        doc_.CmSBarTool();
        break;
    case cmd::DirTool:
        doc_.CmDirTool();
        break;
    case cmd::DistTool:
        doc_.CmDistTool();
        break;
    case cmd::HeightTool:
        doc_.CmHeightTool();
        break;
    case cmd::ImportFile:
        doc_.CmImportFile();
        break;
    case cmd::ExportFile:
        doc_.CmExportFile();
        break;
    case cmd::ImportPoints:
        CmImportPoints(doc_);
        break;
    case cmd::ExportResults:
        CmExportResults(doc_);
        break;
    case cmd::ExportDrawing: {
        // The active graphic view; with the text view active, the plan view.
        const int view = doc_.host().ActiveView();
        CmExportDrawing(doc_, view >= 0 && view <= 2 ? view : 0);
        break;
    }
    case cmd::Simulate:
        doc_.CmSimulate();
        break;
    case cmd::Calculate:
        if (doc_.bFileOpen && BackgroundCalculate::ObservationsOf(doc_) >= BackgroundCalculate::Threshold()) {
            StartBackgroundCalculate();
        } else {
            doc_.CmCalculate();
        }
        break;
    case cmd::FindElement:
        CmFindElement();
        break;
    case cmd::LivePrecision:
        doc_.bLivePrecision = !doc_.bLivePrecision; // a session setting: the project is unchanged
        break;
    case cmd::SuggestSightings:
        if (doc_.bFileOpen) forms::CmSuggestSightings(this, doc_);
        break;
    case cmd::StationHeatMap:
        ShowStationHeatMap();
        break;
    case cmd::VerifySimulation:
        CmVerifySimulation();
        break;
    default:
        break; // no handler (the framework's edit accelerators)
    }
    CheckViewItems();
    SyncModified();
}

void kivoDecoratedMDIFrame::ShowLockKeys(const LockKeys& keys) {
    const std::pair<const char*, bool> indicators[] = {
        {"indicatorCAP", keys.caps}, {"indicatorNUM", keys.num}, {"indicatorSCRL", keys.scroll}};
    for (auto [name, on] : indicators)
        if (auto* l = statusBar()->findChild<QLabel*>(QString::fromLatin1(name))) l->setEnabled(on);
}

void kivoDecoratedMDIFrame::ArrangeIcons() {
    // The minimised views side by side along the bottom of the client area, in the order of the
    // views, from the left; a full row starts another above it. Other windows keep their places.
    const QSize area = mdi_->viewport()->size();
    int x = 0, bottom = area.height(), rowHeight = 0;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        if (!w->isMinimized()) continue;
        const QSize s = w->size();
        if (x > 0 && x + s.width() > area.width()) {
            x = 0;
            bottom -= rowHeight;
            rowHeight = 0;
        }
        w->move(x, bottom - s.height());
        w->raise(); // in front of the windows that cover the bottom of the area
        x += s.width();
        rowHeight = std::max(rowHeight, s.height());
    }
}

void kivoDecoratedMDIFrame::closeEvent(QCloseEvent* e) {
    calc_->CancelAndWait(); // a Calculate in the background gives way: the results stay as they were
    if (app_.CanClose())
        e->accept();
    else
        e->ignore();
}

// The zoom commands act on the active view; with the text window active, on the plan view.
void kivoDecoratedMDIFrame::Zoom(int id) {
    if (!doc_.bFileOpen) return;
    const int active = ActiveViewIndex();
    views::TKIVOWindow* v = view(active >= 0 && active < 3 ? active : 0);
    if (!v) return;
    if (id == cmd::ZoomFit)
        v->ZoomToFit();
    else
        v->ZoomBy(id == cmd::ZoomIn ? views::TKIVOWindow::kZoomStep : 1 / views::TKIVOWindow::kZoomStep);
}

// The heat map is computed in its form and drawn in the plan view, which is brought to the front.
void kivoDecoratedMDIFrame::ShowStationHeatMap() {
    if (!doc_.bFileOpen || !view(0)) return;
    StationField f = forms::CmStationHeatMap(this, doc_);
    if (!f.ok) return;
    SetStatusText(QStringLiteral("Heat map: click a cell to place a theodolite there"));
    view(0)->SetStationField(std::make_shared<const StationField>(std::move(f)));
    if (child(0)) {
        if (child(0)->isMinimized()) child(0)->showNormal();
        mdi_->setActiveSubWindow(child(0));
    }
}

// Measure > Verify by Simulation: a Calculate of the network as it stands, then the check on its
// tables off the window's thread; its results in their own window and, as clouds, in the views.
void kivoDecoratedMDIFrame::CmVerifySimulation() {
    if (!doc_.bFileOpen) return;
    if (!AskSimulationCheck(this, checkChoice_)) return;
    if (BackgroundCalculate::ObservationsOf(doc_) >= BackgroundCalculate::Threshold()) {
        // A large network calculates in the background as Measure > Calculate does; the check
        // follows once that run has finished (not after a cancel).
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(calc_, &BackgroundCalculate::Finished, this, [this, once](bool cancelled) {
            disconnect(*once);
            if (!cancelled) VerifyCalculated();
        });
        StartBackgroundCalculate();
        return;
    }
    doc_.CmCalculate();
    VerifyCalculated();
}

void kivoDecoratedMDIFrame::StartBackgroundCalculate() {
    std::vector<QAction*> all;
    for (const auto& [actionId, action] : actions_)
        all.push_back(action);
    calc_->Start(all);
}

void kivoDecoratedMDIFrame::VerifyCalculated() {
    if (doc_.lastCalculateResult != 0 || !doc_.lastRunTables) return; // the Calculate has said why
    std::shared_ptr<const SimulationCheck> check = RunSimulationCheck(this, doc_, checkChoice_);
    if (!check) return;
    if (!checkWindow_) {
        checkWindow_ = new SimulationCheckWindow(this, doc_);
        connect(checkWindow_, &SimulationCheckWindow::ElementChosen, this,
                [this](int kind, int slot) { SelectElement(kind, slot); });
    }
    checkWindow_->Show(std::move(check));
}

// Print and Print Preview act on the active child: a view prints its plane, the text window
// its listing. The printout is titled with the project file name.
void kivoDecoratedMDIFrame::PrintActive(bool preview) {
    const int active = ActiveViewIndex();
    const QString title = QString::fromStdString(doc_.OpenName);
    if (active < 0 && doc_.bFileOpen)
        for (kivoMDIChild* c : Children3D())
            if (c == mdi_->activeSubWindow()) {
                T3DOut out(title, doc_, *static_cast<views::View3DWindow*>(c->widget()));
                if (preview)
                    CmFilePrintPreview(this, out, c->windowTitle());
                else
                    CmFilePrint(this, out);
                return;
            }
    if (active < 0 || !doc_.bFileOpen) return;
    std::unique_ptr<Printout> out;
    if (active < 3)
        out = std::make_unique<TKIVOOut>(title, doc_, active);
    else
        out = std::make_unique<TTextOut>(title, doc_);
    if (preview)
        CmFilePrintPreview(this, *out, child(active)->windowTitle());
    else
        CmFilePrint(this, *out);
}

// Window > New 3D View: one more window on the network, in 3D. Unlike the four project windows it
// really closes, and the project file does not keep it.
views::View3DWindow* kivoDecoratedMDIFrame::New3DView() {
    if (!doc_.bFileOpen || !child_[0]) return nullptr;
    auto* view = new views::View3DWindow(doc_);
    auto* c = new kivoMDIChild(QStringLiteral("3D View"), view);
    c->setObjectName(QStringLiteral("child3d"));
    c->AllowClose();
    c->setAttribute(Qt::WA_DeleteOnClose, true);
    mdi_->addSubWindow(c);
    c->resize(mdi_->width() * 2 / 3, mdi_->height() * 2 / 3);
    children3d_.push_back(c);
    view->SetHighlight(views::SelectionHighlight(doc_));
    c->show();
    mdi_->setActiveSubWindow(c);
    view->setFocus();
    return view;
}

std::vector<kivoMDIChild*> kivoDecoratedMDIFrame::Children3D() const {
    std::vector<kivoMDIChild*> out;
    for (const QPointer<kivoMDIChild>& c : children3d_)
        if (c) out.push_back(c);
    return out;
}

std::vector<views::View3DWindow*> kivoDecoratedMDIFrame::Views3D() const {
    std::vector<views::View3DWindow*> out;
    for (kivoMDIChild* c : Children3D())
        if (auto* v = qobject_cast<views::View3DWindow*>(c->widget())) out.push_back(v);
    return out;
}

} // namespace kivo::app
