#include "app/qt_host.h"

#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <cmath>

#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/recent_files.h"
#include "app/text_window.h"
#include "app/undo_history.h"
#include "forms/forms.h"
#include "views/tool_cursors.h"
#include "views/view3d_window.h"
#include "views/view_window.h"

namespace kivo::app {

QString ConvertFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        const QString pattern = parts[i + 1];
        if (desc.isEmpty()) continue;
        QStringList patterns;
        for (const QString& p : pattern.split(';', Qt::SkipEmptyParts)) {
            patterns << p.trimmed();
            if (p.trimmed().toLower() != p.trimmed()) patterns << p.trimmed().toLower();
        }
        // The description carries its pattern in parentheses; the dialog reads the patterns there.
        const int paren = desc.indexOf('(');
        if (paren >= 0) desc = desc.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(desc, patterns.join(' '));
    }
    return out.join(QStringLiteral(";;"));
}

void MetricsFromDpi(double dpiX, double dpiY, int& horzRes, int& vertRes, int& horzSize, int& vertSize) {
    auto sane = [](double d) { return std::isfinite(d) && d >= 20 && d <= 2000 ? d : 96.0; };
    // dpi x 100 pixels over 2540 mm: dpi / 25.4 pixels per millimetre, kept to 1/100 dpi.
    horzRes = static_cast<int>(std::lround(sane(dpiX) * 100));
    vertRes = static_cast<int>(std::lround(sane(dpiY) * 100));
    horzSize = 2540;
    vertSize = 2540;
}

QWidget* QtHost::parent() const {
    return frame_;
}

int QtHost::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) {
    QMessageBox box(parent());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::None:
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Ok:
        return IDOK;
    default:
        return IDCANCEL;
    }
}

void QtHost::StatusText(const std::string& text) {
    if (frame_) frame_->SetStatusText(QString::fromStdString(text));
}

void QtHost::StatusImage(int image) {
    if (frame_) frame_->SetStatusImage(image);
}

void QtHost::StatusCoords(const std::string& text) {
    if (frame_) frame_->SetStatusCoords(QString::fromStdString(text));
}

void QtHost::ShowSelection(bool mark) {
    if (!frame_ || !doc_) return;
    for (int i = 0; i < 3; ++i) {
        views::TKIVOWindow* v = frame_->view(i);
        kivoMDIChild* c = frame_->child(i);
        if (!v || !c || c->isMinimized()) continue;
        doc_->SetSelectionMark(mark);
        v->SetHighlight(mark ? views::SelectionHighlight(*doc_) : views::Highlight{});
        v->viewport()->update();
    }
    for (views::View3DWindow* v : frame_->Views3D()) {
        if (v->isVisible()) doc_->SetSelectionMark(mark);
        v->SetHighlight(mark ? views::SelectionHighlight(*doc_) : views::Highlight{});
        v->viewport()->update();
    }
}

void QtHost::UpdateViews(bool) {
    if (!frame_) return;
    frame_->SyncModified();
    for (int i = 0; i < 3; ++i)
        if (views::TKIVOWindow* v = frame_->view(i)) v->viewport()->update();
    for (views::View3DWindow* v : frame_->Views3D())
        v->viewport()->update();
}

void QtHost::UpdateScrollBars() {
    if (!frame_) return;
    for (int i = 0; i < 3; ++i)
        if (views::TKIVOWindow* v = frame_->view(i)) v->CalcScrollBars();
}

void QtHost::CheckViewItems() {
    if (frame_) frame_->CheckViewItems();
}

void QtHost::UpdateTextView() {
    if (frame_ && frame_->textWindow()) frame_->textWindow()->Reload();
}

void QtHost::UpdateListingMark() {
    if (frame_ && frame_->textWindow()) frame_->textWindow()->UpdateListingMark();
}

void QtHost::EnableMenuItem(int id, bool enable) {
    if (frame_)
        if (QAction* a = frame_->Action(id)) a->setEnabled(enable);
}

void QtHost::SetFrameTitle(const std::string& title) {
    if (!frame_) return;
    frame_->SetProjectTitle(QString::fromStdString(title));
    if (doc_ && doc_->bFileNamed) RecentFiles::Add(QString::fromStdString(doc_->OpenName));
}

bool QtHost::OpenFileDialog(const std::string& filter, std::string& path) {
    const QString f = QFileDialog::getOpenFileName(parent(), QString(), QString(), ConvertFilter(filter));
    if (f.isEmpty()) return false;
    path = f.toStdString();
    return true;
}

bool QtHost::SaveFileDialog(const std::string& filter, std::string& path) {
    const QString f = QFileDialog::getSaveFileName(parent(), QString(), QString::fromStdString(path),
                                                   ConvertFilter(filter));
    if (f.isEmpty()) return false;
    path = f.toStdString();
    return true;
}

bool QtHost::RunForm(FormId form, kivoMDIClient& doc) {
    return forms::RunForm(form, doc, parent());
}

bool QtHost::BeginTool(int cursor) {
    if (!frame_) return false;
    const int active = frame_->ActiveViewIndex();
    if (active < 0 || frame_->child(active)->isMinimized()) return false;
    views::TKIVOWindow* v = active < 3 ? frame_->view(active) : nullptr;
    if (!v) {
        // The text view is active: the tool goes to the graphic view on top of the others.
        const QList<QMdiSubWindow*> order = frame_->mdiArea()->subWindowList(QMdiArea::StackingOrder);
        for (auto it = order.rbegin(); it != order.rend() && !v; ++it)
            for (int i = 0; i < 3; ++i)
                if (*it == frame_->child(i) && !(*it)->isMinimized()) v = frame_->view(i);
    }
    if (!v) return false;
    ReleaseMouse();
    v->viewport()->setCursor(views::ToolCursorFor(cursor));
    v->viewport()->grabMouse();
    return true;
}

void QtHost::ReleaseMouse() {
    if (!frame_) return;
    for (int i = 0; i < 3; ++i)
        if (views::TKIVOWindow* v = frame_->view(i)) {
            v->Release();
            if (doc_) v->ShowActiveCursor();
        }
}

void QtHost::SetCursor(CursorKind kind) {
    if (kind == CursorKind::HourGlass) {
        QApplication::setOverrideCursor(views::ToolCursorFor(CUR_HOURGLASS));
        ++waitCursors_;
    } else {
        for (; waitCursors_ > 0; --waitCursors_)
            QApplication::restoreOverrideCursor();
    }
}

void QtHost::ScreenMetrics(int& horzRes, int& vertRes, int& horzSize, int& vertSize) {
    QScreen* s = QGuiApplication::primaryScreen();
    MetricsFromDpi(s ? s->physicalDotsPerInchX() : 0, s ? s->physicalDotsPerInchY() : 0, horzRes, vertRes,
                   horzSize, vertSize);
}

void QtHost::CreateViews() {
    if (frame_) frame_->CreateViews();
}

void QtHost::DestroyViews() {
    if (frame_) frame_->DestroyViews();
}

void QtHost::ClientSize(int& width, int& height) {
    if (!frame_) return Host::ClientSize(width, height);
    width = frame_->mdiArea()->width();
    height = frame_->mdiArea()->height();
}

bool QtHost::GetViewLayout(int i, WindowLayout& layout) {
    if (!frame_ || !frame_->child(i)) return false;
    kivoMDIChild* c = frame_->child(i);
    layout.showState = c->isMinimized() ? 1 : c->isMaximized() ? 4 : 2;
    const QRect g = c->isMinimized() || c->isMaximized() ? c->normalGeometry() : c->geometry();
    layout.x = g.x();
    layout.y = g.y();
    layout.width = g.width();
    layout.height = g.height();
    return true;
}

int QtHost::ActiveView() {
    return frame_ ? frame_->ActiveViewIndex() : -1;
}

void QtHost::NetworkChanged(const std::string& name, std::shared_ptr<const NetworkImage> before,
                            std::shared_ptr<const NetworkImage> after, bool wasDirty) {
    if (frame_) frame_->history().Push(name, std::move(before), std::move(after), wasDirty);
}

void QtHost::ProjectSaved() {
    if (frame_) frame_->history().Saved();
}

void QtHost::UntrackedChange() {
    if (frame_) frame_->history().UntrackedChange();
}

} // namespace kivo::app
