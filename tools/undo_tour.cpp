// Undo and redo in the desktop program, in pictures: a point dragged in the plan view, the Edit
// menu naming the change, the view after Undo.  undo_tour PROJECT.SIM OUTDIR
// Run it under a display (xvfb-run); the pictures are grabbed from the screen, menus included.

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "model/command_ids.h"
#include "views/view_window.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc != 3) return 1;
    const QDir out(QString::fromLocal8Bit(argv[2]));
    kivo::app::kivoApp app;
    app.InitMainWindow(false);
    auto* frame = app.frame();
    frame->move(0, 0);
    frame->resize(1220, 860);
    frame->show();
    app.OpenProject(QString::fromLocal8Bit(argv[1]));
    auto shot = [&](const char* name) {
        QApplication::processEvents();
        QTest::qWait(200);
        QApplication::primaryScreen()->grabWindow(0).save(out.filePath(QString::fromLatin1(name)));
    };
    QTimer::singleShot(500, [&] {
        auto& doc = app.doc();
        frame->mdiArea()->setActiveSubWindow(frame->child(0));
        frame->child(0)->showMaximized();
        QApplication::processEvents();
        auto* plan = frame->view(0);
        QWidget* port = plan->viewport();
        const auto& p = doc.pointList[5];
        const QPoint from(p.hcoord[0] + plan->horzOrigin, p.vcoord[0] + plan->vertOrigin);
        QTest::mousePress(port, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 10; ++i)
            QTest::mouseMove(port, from + QPoint(12 * i, 8 * i));
        QTest::mouseRelease(port, Qt::LeftButton, {}, from + QPoint(120, 80));
        shot("undo-1-dragged.png");
        auto* edit = frame->menuBar()->findChild<QMenu*>(QStringLiteral("menuEdit"));
        QTimer::singleShot(300, [&, edit] {
            shot("undo-2-edit-menu.png");
            edit->close();
            frame->Action(kivo::cmd::EditUndo)->trigger();
            shot("undo-3-undone.png");
            QTimer::singleShot(300, [&] {
                auto* e = frame->menuBar()->findChild<QMenu*>(QStringLiteral("menuEdit"));
                QTimer::singleShot(300, [&, e] {
                    shot("undo-4-redo-menu.png");
                    e->close();
                    app.doc().bFileDirty = false;
                    QApplication::quit();
                });
                e->popup(frame->mapToGlobal(frame->menuBar()->actionGeometry(e->menuAction()).bottomLeft()));
            });
        });
        edit->popup(frame->mapToGlobal(frame->menuBar()->actionGeometry(edit->menuAction()).bottomLeft()));
    });
    return QApplication::exec();
}
