#pragma once
// kivoDecoratedMDIFrame: the main window. Menus, speed bar and status bar, the MDI area with the
// four view windows of the open project, and the command routing to the document.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <map>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "app/lock_keys.h"
#include "app/simulation_check_window.h"

class QLabel;
class QMenu;
class QMdiArea;
class QToolBar;

namespace kivo::views {
class TKIVOWindow;
class View3DWindow;
} // namespace kivo::views

namespace kivo::app {

class BackgroundCalculate;
class kivoApp;
class kivoMDIChild;
class TTextWindow;
class UndoHistory;

class kivoDecoratedMDIFrame : public QMainWindow {
    Q_OBJECT
public:
    kivoDecoratedMDIFrame(kivoApp& app, kivoMDIClient& doc);
    ~kivoDecoratedMDIFrame() override;

    // The command entry (the document's EvCommand): with a help request pending, help on the
    // command instead of the command.
    void Command(int id);

    QAction* Action(int id) const;
    QMdiArea* mdiArea() const { return mdi_; }
    QToolBar* speedBar() const { return bar_; }
    // Ids on the speed bar in order; separators as Separator6 / Separator18.
    const std::vector<int>& SpeedBarLayout() const { return barLayout_; }

    // View windows (Part of the document's life cycle: created with the project).
    void CreateViews();
    void DestroyViews();
    kivoMDIChild* child(int i) const { return child_[static_cast<std::size_t>(i)]; }
    views::TKIVOWindow* view(int i) const { return views_[static_cast<std::size_t>(i)]; }
    TTextWindow* textWindow() const { return text_; }
    int ActiveViewIndex() const;
    // Window > New 3D View: a new 3D window on the open project (null without one). The 3D
    // windows open now, and their frames, in the order they were opened.
    views::View3DWindow* New3DView();
    std::vector<views::View3DWindow*> Views3D() const;
    std::vector<kivoMDIChild*> Children3D() const;

    // Status bar fields.
    void SetStatusText(const QString& text);
    void SetStatusImage(int image);
    void SetStatusCoords(const QString& text);
    QString statusText() const;
    int statusImage() const { return statusImage_; }

    // The undo history of the open project (Edit > Undo, Redo).
    UndoHistory& history() { return *history_; }
    // Measure > Calculate of a large network, running in the background.
    BackgroundCalculate& backgroundCalculate() { return *calc_; }

    // Menu check marks from the document's display flags.
    void CheckViewItems();
    // The CAP, NUM and SCRL indicators of the status bar.
    void ShowLockKeys(const LockKeys& keys);
    // Window > Arrange icons: lines up the minimised views.
    void ArrangeIcons();

    // The title of the open project with the unsaved-changes marker ("[*]"), which follows the
    // document's changed flag.
    void SetProjectTitle(const QString& title);
    void SyncModified();
    // A project of the recent-files list, opened as File > Open opens one.
    void OpenRecent(const QString& path);
    // Selects the theodolite, point or scale bar named `name` (as the forms name it, case ignored)
    // and centres it in every graphic view; false when no element has that name.
    bool FindElement(const QString& name);
    // Selects element `slot` of `kind` (SEL_THEO, SEL_POINT, SEL_SBAR) and centres it in every
    // graphic view; false when there is no such element in use.
    bool SelectElement(int kind, int slot);
    // The window of the last Measure > Verify by Simulation (null before one).
    SimulationCheckWindow* simulationCheckWindow() const { return checkWindow_; }

    // F1 was pressed while a menu item was highlighted: the next command gives help.
    bool bHelpRequested = false;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateActions();
    void SetMenu(int menuId);
    void SetSpeedBar(bool withDocument);
    void Toggle(int id, bool kivoMDIClient::*flag);
    void RunSettingsForm(int id);
    void PrintActive(bool preview);
    void Zoom(int id);
    // The lists kept up to date each time their menu opens: recent files in File, the open
    // views in Window.
    void AddMenuLists(QMenu* menu);
    void FillRecentFiles(QMenu* file);
    void FillWindowList(QMenu* window);
    void CmFindElement();
    void ShowStationHeatMap();
    void CmVerifySimulation();
    // The check on the tables of the Calculate just finished (nothing when it did not adjust).
    void VerifyCalculated();
    // Measure > Calculate in the background, every command locked until it ends.
    void StartBackgroundCalculate();

    kivoApp& app_;
    kivoMDIClient& doc_;
    QMdiArea* mdi_;
    QToolBar* bar_;
    UndoHistory* history_;
    BackgroundCalculate* calc_ = nullptr;
    QPointer<SimulationCheckWindow> checkWindow_;
    SimulationCheckChoice checkChoice_;
    std::map<int, QAction*> actions_;
    std::vector<int> barLayout_;
    std::vector<QWidget*> spacers_;
    std::array<kivoMDIChild*, 4> child_{};
    std::array<views::TKIVOWindow*, 3> views_{};
    TTextWindow* text_ = nullptr;
    std::vector<QPointer<kivoMDIChild>> children3d_; // closed ones go null
    QLabel* message_;
    QLabel* coords_;
    QLabel* image_;
    int statusImage_ = 7;
};

} // namespace kivo::app
