// The main window's conveniences: the title with its unsaved-changes marker, the recent files of
// the File menu, the open views in the Window menu, and Find Element.

#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <cstring>

#include "app/background_calculate.h"
#include "app/find_dialog.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/recent_files.h"
#include "model/command_ids.h"
#include "model/element_names.h"
#include "views/view_window.h"

namespace kivo::app {

namespace {

// Entries this file adds to a menu carry this property, so that they are replaced as a whole.
constexpr const char* kListEntry = "kivoListEntry";

void RemoveListEntries(QMenu* menu) {
    for (QAction* a : menu->actions())
        if (a->property(kListEntry).toBool()) {
            menu->removeAction(a);
            a->deleteLater();
        }
}

QAction* ListEntry(QMenu* menu, const QString& text) {
    auto* a = new QAction(text, menu);
    a->setProperty(kListEntry, true);
    return a;
}

} // namespace

void kivoDecoratedMDIFrame::SetProjectTitle(const QString& title) {
    setWindowTitle(title + QStringLiteral("[*]"));
    SyncModified();
}

void kivoDecoratedMDIFrame::SyncModified() {
    const bool modified = doc_.bFileOpen && doc_.bFileDirty;
    if (isWindowModified() != modified) setWindowModified(modified);
}

void kivoDecoratedMDIFrame::AddMenuLists(QMenu* menu) {
    if (menu->objectName() == QLatin1String("menuFile"))
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillRecentFiles(menu); });
    else if (menu->objectName() == QLatin1String("menuWindow"))
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowList(menu); });
}

// The recent files stand above Exit, numbered, newest first.
void kivoDecoratedMDIFrame::FillRecentFiles(QMenu* file) {
    RemoveListEntries(file);
    const QStringList recent = RecentFiles::List();
    if (recent.isEmpty()) return;
    QAction* exit = Action(cmd::Exit);
    for (int i = 0; i < recent.size(); ++i) {
        // An ampersand in a path is no mnemonic: the number is the entry's only one.
        QAction* a = ListEntry(file, QStringLiteral("&%1 %2").arg(i + 1).arg(
                                         QString(recent[i]).replace('&', QStringLiteral("&&"))));
        a->setStatusTip(QStringLiteral("Opens %1").arg(recent[i]));
        connect(a, &QAction::triggered, this, [this, path = recent[i]] { OpenRecent(path); });
        file->insertAction(exit, a);
    }
    QAction* separator = ListEntry(file, QString());
    separator->setSeparator(true);
    file->insertAction(exit, separator);
}

void kivoDecoratedMDIFrame::OpenRecent(const QString& path) {
    if (calc_->Running()) return; // the open project is locked until its Calculate ends
    if (!QFileInfo::exists(path)) {
        QMessageBox::warning(
            this, QStringLiteral("KIVO"),
            QStringLiteral("%1 no longer exists; it is taken off the recent files.").arg(path));
        RecentFiles::Remove(path);
        return;
    }
    if (doc_.bFileOpen && !doc_.CloseProject()) return;
    doc_.OpenSIMFile(path.toStdString());
    SyncModified();
}

// The four views of the project below the arrangement commands, the active one checked.
void kivoDecoratedMDIFrame::FillWindowList(QMenu* window) {
    RemoveListEntries(window);
    if (!child_[0]) return;
    QAction* separator = ListEntry(window, QString());
    separator->setSeparator(true);
    window->addAction(separator);
    const int active = ActiveViewIndex();
    for (int i = 0; i < 4; ++i) {
        kivoMDIChild* c = child_[static_cast<std::size_t>(i)];
        QAction* a = ListEntry(window, QStringLiteral("&%1 %2").arg(i + 1).arg(c->windowTitle()));
        a->setCheckable(true);
        a->setChecked(i == active);
        connect(a, &QAction::triggered, this, [this, c] {
            if (c->isMinimized()) c->showNormal();
            mdi_->setActiveSubWindow(c);
        });
        window->addAction(a);
    }
    int n = 5;
    for (kivoMDIChild* c : Children3D()) {
        QAction* a = ListEntry(window, QStringLiteral("&%1 %2").arg(n++).arg(c->windowTitle()));
        a->setCheckable(true);
        a->setChecked(c == mdi_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, c] {
            if (c->isMinimized()) c->showNormal();
            mdi_->setActiveSubWindow(c);
        });
        window->addAction(a);
    }
}

void kivoDecoratedMDIFrame::CmFindElement() {
    if (!doc_.bFileOpen) return;
    // Offered as the user types: the form names and the labels the views draw.
    QStringList names;
    auto offer = [&](const COMMON& e) {
        if (!(e.flags & ELEM_INUSE)) return;
        names << QString::fromLatin1(e.name);
        if (e.abbrev[0] && std::strcmp(e.abbrev, e.name) != 0) names << QString::fromLatin1(e.abbrev);
    };
    for (int i = 0; i < doc_.nMaxTheos; ++i)
        offer(doc_.theoList[i]);
    for (int i = 0; i < doc_.nMaxPoints; ++i)
        offer(doc_.pointList[i]);
    for (int i = 0; i < doc_.nMaxSBars; ++i)
        offer(doc_.sbarList[i]);
    const QString name = AskElementName(this, names);
    if (name.isEmpty()) return;
    if (!FindElement(name))
        QMessageBox::information(
            this, QStringLiteral("KIVO"),
            QStringLiteral("No theodolite, point or scale bar is named \"%1\".").arg(name));
}

bool kivoDecoratedMDIFrame::FindElement(const QString& name) {
    if (!doc_.bFileOpen) return false;
    // The form name, the view label or the listing's station name; a scale bar's end finds the bar.
    const NamedElement found = FindNamedElement(doc_, name.trimmed().toStdString(), true);
    const int kind = found.kind, slot = found.slot;
    if (!found.found()) {
        SetStatusText(QStringLiteral("No element named %1").arg(name.trimmed()));
        return false;
    }
    return SelectElement(kind, slot);
}

bool kivoDecoratedMDIFrame::SelectElement(int kind, int slot) {
    if (!doc_.bFileOpen) return false;
    const int count = kind == SEL_THEO    ? doc_.nMaxTheos
                      : kind == SEL_POINT ? doc_.nMaxPoints
                      : kind == SEL_SBAR  ? doc_.nMaxSBars
                                          : 0;
    if (slot < 0 || slot >= count || !(doc_.Common(kind, slot).flags & ELEM_INUSE)) return false;
    // Selected as a click on its symbol selects it.
    doc_.ClearSelect();
    doc_.selectType = kind;
    doc_.index = slot;
    doc_.selection = kind * 65536 + (slot & 0xFFFF);
    doc_.MarkSelect();
    doc_.StatBarSelect(0);
    if (QAction* cut = Action(cmd::EditCut)) cut->setEnabled(true);
    const COMMON& c = doc_.Common(kind, slot);
    for (int i = 0; i < 3; ++i)
        if (views::TKIVOWindow* v = views_[static_cast<std::size_t>(i)]) {
            const QSize client = v->viewport()->size();
            v->horizontalScrollBar()->setValue(c.hcoord[i] - client.width() / 2);
            v->verticalScrollBar()->setValue(c.vcoord[i] - client.height() / 2);
            v->viewport()->update();
        }
    return true;
}

} // namespace kivo::app
