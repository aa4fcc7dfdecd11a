#pragma once
// The host of the desktop program: the document's messages, questions, status bar, redraw requests,
// menus, file dialogs, forms, cursors and view windows, answered with Qt widgets.

#include <QString>

#include "model/host.h"

class QWidget;

namespace kivo::app {

class kivoDecoratedMDIFrame;

class QtHost : public Host {
public:
    void SetFrame(kivoDecoratedMDIFrame* frame) { frame_ = frame; }
    // The document the views show (set once the frame is built).
    void SetDocument(kivoMDIClient* doc) { doc_ = doc; }

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;
    void StatusText(const std::string& text) override;
    void StatusImage(int image) override;
    void StatusCoords(const std::string& text) override;
    void ShowSelection(bool mark) override;
    void UpdateViews(bool bErase) override;
    void UpdateScrollBars() override;
    void CheckViewItems() override;
    void UpdateTextView() override;
    void UpdateListingMark() override;
    void EnableMenuItem(int id, bool enable) override;
    void SetFrameTitle(const std::string& title) override;
    bool OpenFileDialog(const std::string& filter, std::string& path) override;
    bool SaveFileDialog(const std::string& filter, std::string& path) override;
    bool RunForm(FormId form, kivoMDIClient& doc) override;
    bool BeginTool(int cursor) override;
    void ReleaseMouse() override;
    void SetCursor(CursorKind kind) override;
    void ScreenMetrics(int& horzRes, int& vertRes, int& horzSize, int& vertSize) override;
    void CreateViews() override;
    void DestroyViews() override;
    void ClientSize(int& width, int& height) override;
    bool GetViewLayout(int i, WindowLayout& layout) override;
    int ActiveView() override;
    bool KeepsHistory() const override { return frame_ != nullptr; }
    void NetworkChanged(const std::string& name, std::shared_ptr<const NetworkImage> before,
                        std::shared_ptr<const NetworkImage> after, bool wasDirty) override;
    void ProjectSaved() override;
    void UntrackedChange() override;

private:
    QWidget* parent() const;
    kivoDecoratedMDIFrame* frame_ = nullptr;
    kivoMDIClient* doc_ = nullptr;
    int waitCursors_ = 0;
};

// "Desc (*.SIM)|*.SIM|" to a file-dialog filter; the patterns also match lower-case names.
QString ConvertFilter(const std::string& filter);

// Pixels and millimetres of a screen with the given physical dots per inch (96 where unknown),
// in the form the scale factors take them.
void MetricsFromDpi(double dpiX, double dpiY, int& horzRes, int& vertRes, int& horzSize, int& vertSize);

} // namespace kivo::app
