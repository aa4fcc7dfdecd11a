// kivo [PROJECT.SIM]: the desktop program; a project named on the command line is opened after
// the About box.

#include <QApplication>
#include <clocale>
#include <csignal>

#include "app/kivo_app.h"
#include "app/main_frame.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // The input file and every fixed format are written with printf: a decimal point, whatever
    // the user's locale (QApplication has just set it from the environment).
    std::setlocale(LC_NUMERIC, "C");
    // Past a file size limit a write fails and is reported, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    kivo::app::kivoApp app;
    app.InitMainWindow(true);
    app.frame()->show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) app.OpenProject(args[1]);
    return QApplication::exec();
}
