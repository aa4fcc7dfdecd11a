#pragma once
// kivoApp: the application. It owns the document, its host and the main frame, shows the About
// box at start, and carries help: the help viewer and the context-help mode (Shift+F1, then a
// command; F1 on a highlighted menu item).

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "adjustment/kivoMDIClient.h"
#include "app/help_viewer.h"
#include "app/lock_keys.h"
#include "app/qt_host.h"

namespace kivo::app {

class kivoDecoratedMDIFrame;
class HelpViewer;

class kivoApp : public QObject {
    Q_OBJECT
public:
    kivoApp();
    ~kivoApp() override;

    // Builds the frame with the short menu and speed bar; shows the About box first when asked.
    void InitMainWindow(bool showAbout = true);
    // Opens a project named on the command line.
    void OpenProject(const QString& path);

    bool CanClose();
    void CmHelpContents();
    void CmHelpUsing();
    void CmHelpAbout();
    void CmHelpDisclaim();
    // Help at a context number (a command id).
    void OpenHelp(int context);
    // The Help button of a form: its page at the form's context number.
    void OpenFormHelp(int context);
    void EndContextHelp();

    kivoMDIClient& doc() { return *doc_; }
    QtHost& host() { return host_; }
    kivoDecoratedMDIFrame* frame() const { return frame_.get(); }
    HelpViewer* helpViewer() const { return help_; }

    // The status bar's lock indicators from the keyboard's state (at start and whenever the
    // program becomes active again: the keys may have changed in another program's window).
    void RefreshLockKeys();
    // Where that state comes from (replaceable for tests).
    std::function<std::optional<LockKeys>()> lockKeyReader = ReadLockKeys;

    int HelpState = 0;   // non-zero once the help viewer was opened
    int ContextHelp = 0; // context-help mode is on

protected:
    // ProcessAppMsg: F1, Shift+F1 and Esc before normal dispatch.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QtHost host_;
    std::unique_ptr<kivoMDIClient> doc_;
    std::unique_ptr<kivoDecoratedMDIFrame> frame_;
    QPointer<HelpViewer> help_;
};

} // namespace kivo::app
