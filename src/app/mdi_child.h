#pragma once
// kivoMDIChild: the frame of one view inside the main window. The user cannot close it: a close
// request minimises it, so the views live exactly as long as the project.

#include <QMdiSubWindow>

namespace kivo::app {

class kivoMDIChild : public QMdiSubWindow {
    Q_OBJECT
public:
    kivoMDIChild(const QString& title, QWidget* client, QWidget* parent = nullptr);
    // Lets the next close through (the project is being closed).
    void AllowClose() { allowClose_ = true; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool allowClose_ = false;
};

} // namespace kivo::app
