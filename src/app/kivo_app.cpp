#include "app/kivo_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

#include "app/about_dialog.h"
#include "app/help_viewer.h"
#include "app/main_frame.h"
#include "forms/forms.h"
#include "model/command_ids.h"

// The resources live in the static GUI library: register them before the first use.
static void InitResources() {
    Q_INIT_RESOURCE(kivo);
}

namespace kivo::app {

kivoApp::kivoApp() {
    InitResources();
    QCoreApplication::setApplicationName(QStringLiteral("KIVO"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    doc_ = std::make_unique<kivoMDIClient>(&host_);
    host_.SetDocument(doc_.get());
    forms::SetHelpHandler([this](int context) { OpenFormHelp(context); });
}

kivoApp::~kivoApp() {
    forms::SetHelpHandler(nullptr);
    qApp->removeEventFilter(this);
    if (help_) delete help_;
    host_.SetFrame(nullptr);
}

void kivoApp::InitMainWindow(bool showAbout) {
    frame_ = std::make_unique<kivoDecoratedMDIFrame>(*this, *doc_);
    host_.SetFrame(frame_.get());
    // The scale factors need the screen, which is known once the application runs.
    doc_->SetScaleFactors();
    qApp->installEventFilter(this);
    RefreshLockKeys();
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) RefreshLockKeys();
    });
    if (showAbout) CmHelpAbout();
}

void kivoApp::RefreshLockKeys() {
    if (!frame_ || !lockKeyReader) return;
    if (const std::optional<LockKeys> keys = lockKeyReader()) frame_->ShowLockKeys(*keys);
}

void kivoApp::OpenProject(const QString& path) {
    // Made absolute, the project is named the same in the title and the recent files whether it
    // came from the command line or from File > Open.
    doc_->OpenSIMFile(QFileInfo(path).absoluteFilePath().toStdString());
}

bool kivoApp::CanClose() {
    if (!doc_->CanClose()) return false;
    if (HelpState && help_) help_->close();
    return true;
}

void kivoApp::CmHelpContents() {
    if (!help_) help_ = new HelpViewer(nullptr);
    help_->OpenContents();
    HelpState = 1;
}

void kivoApp::CmHelpUsing() {
    if (!help_) help_ = new HelpViewer(nullptr);
    help_->OpenUsingHelp();
    HelpState = 1;
}

void kivoApp::OpenHelp(int context) {
    if (!help_) help_ = new HelpViewer(nullptr);
    help_->OpenContext(context);
    HelpState = 1;
}

void kivoApp::OpenFormHelp(int context) {
    const QString page =
        QString::fromLatin1(forms::HelpPagePrefix()) + QString::number(context) + QStringLiteral(".html");
    HelpState = 1;
    // A window outside the modal form would take no input while the form is open: the page
    // opens in a viewer of the form's own, which closes with it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        auto* viewer = new HelpViewer(modal);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->OpenPage(page);
        return;
    }
    if (!help_) help_ = new HelpViewer(nullptr);
    help_->OpenPage(page);
}

void kivoApp::CmHelpAbout() {
    kivoAboutDlg box(kivoAboutDlg::About, frame_.get());
    box.exec();
}

void kivoApp::CmHelpDisclaim() {
    kivoAboutDlg box(kivoAboutDlg::Disclaimer, frame_.get());
    box.exec();
}

void kivoApp::EndContextHelp() {
    if (!ContextHelp) return;
    ContextHelp = 0;
    QApplication::restoreOverrideCursor();
}

bool kivoApp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && frame_) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
            if (key->modifiers() & Qt::ShiftModifier) {
                if (!ContextHelp) {
                    ContextHelp = 1;
                    QApplication::setOverrideCursor(
                        QCursor(QPixmap(QStringLiteral(":/cursors/24001.png")), 0, 0));
                }
                return true;
            }
            // F1 on a highlighted menu item: that item's command answers with help.
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                QAction* a = menu->activeAction();
                if (a && !a->menu() && a->data().isValid()) {
                    frame_->bHelpRequested = true;
                    for (QWidget* w = QApplication::activePopupWidget(); w;
                         w = QApplication::activePopupWidget())
                        w->close();
                    a->trigger();
                    return true;
                }
            }
            CmHelpContents();
            return true;
        }
        if (key->key() == Qt::Key_Escape && ContextHelp) {
            EndContextHelp();
            return true;
        }
        // The keyboard indicators of the status bar follow the lock keys pressed in the program.
        const char* indicator = nullptr;
        switch (key->key()) {
        case Qt::Key_CapsLock:
            indicator = "indicatorCAP";
            break;
        case Qt::Key_NumLock:
            indicator = "indicatorNUM";
            break;
        case Qt::Key_ScrollLock:
            indicator = "indicatorSCRL";
            break;
        case Qt::Key_Insert:
            indicator = key->modifiers() == Qt::NoModifier ? "indicatorOVR" : nullptr;
            break;
        default:
            break;
        }
        // A key event passes the filter for its window and again for every widget it propagates
        // to; the indicators count it once, at the window.
        if (indicator && !key->isAutoRepeat() && watched->isWindowType())
            if (auto* l = frame_->statusBar()->findChild<QLabel*>(QString::fromLatin1(indicator)))
                l->setEnabled(!l->isEnabled());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kivo::app
