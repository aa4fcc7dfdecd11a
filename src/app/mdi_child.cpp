#include "app/mdi_child.h"

#include <QCloseEvent>

namespace kivo::app {

kivoMDIChild::kivoMDIChild(const QString& title, QWidget* client, QWidget* parent) : QMdiSubWindow(parent) {
    setWidget(client);
    setWindowTitle(title);
    setWindowIcon(QIcon(QStringLiteral(":/icons/1003.png")));
    setAttribute(Qt::WA_DeleteOnClose, false);
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
