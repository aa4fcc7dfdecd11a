#include "app/mdi_child.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

namespace kivo::app {

kivoMDIChild::kivoMDIChild(const QString& title, QWidget* client, QWidget* parent) : QMdiSubWindow(parent) {
    setWidget(client);
    setWindowTitle(title);
    setWindowIcon(QIcon(QStringLiteral(":/icons/1003.png")));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Ctrl+W closes the project (File > Close); the window's own Close keeps Ctrl+F4 only, so that
    // the key is not taken by two commands at once.
    if (QMenu* menu = systemMenu())
        for (QAction* a : menu->actions()) {
            QList<QKeySequence> keys = a->shortcuts();
            if (keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_W)) > 0) a->setShortcuts(keys);
        }
}

void kivoMDIChild::closeEvent(QCloseEvent* e) {
    if (allowClose_) {
        QMdiSubWindow::closeEvent(e);
        return;
    }
    e->ignore();
    // Minimised once the close request has been refused and the area is done with it.
    QMetaObject::invokeMethod(this, &QMdiSubWindow::showMinimized, Qt::QueuedConnection);
}

} // namespace kivo::app
