// Opens a project in the desktop program and saves pictures of the main window, each view and the
// About box, for the documentation:  screenshots PROJECT.SIM OUTDIR
// Run it under a display (or xvfb-run); the pictures are grabbed from the widgets.

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/text_window.h"
#include "views/view_window.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc != 3) return 1;
    const QDir out(QString::fromLocal8Bit(argv[2]));
    kivo::app::kivoApp app;
    app.InitMainWindow(false);
    auto* frame = app.frame();
    frame->resize(1220, 860);
    frame->show();
    app.OpenProject(QString::fromLocal8Bit(argv[1]));
    // Select a theodolite in the plan view so the status bar and the selected symbol show.
    QTimer::singleShot(500, [&] {
        auto& doc = app.doc();
        auto* plan = frame->view(0);
        doc.selectType = kivo::SEL_NONE;
        doc.HitTest({doc.theoList[3].hcoord[0], doc.theoList[3].vcoord[0]}, 0);
        doc.MarkSelect();
        doc.StatBarSelect(0);
        QApplication::processEvents();
        frame->grab().save(out.filePath("kivo-main.png"));
        for (int i = 0; i < 4; ++i)
            frame->child(i)->grab().save(out.filePath(QStringLiteral("kivo-view%1.png").arg(i)));
        (void)plan;
        kivo::app::kivoAboutDlg about(kivo::app::kivoAboutDlg::About, frame);
        about.show();
        QApplication::processEvents();
        about.grab().save(out.filePath("kivo-about.png"));
        app.doc().bFileDirty = false;
        QApplication::quit();
    });
    return QApplication::exec();
}
