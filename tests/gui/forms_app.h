#pragma once
// A QApplication for the form tests (created once; another test file may have made one already),
// and a helper that answers the next modal dialog from the event loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kivo::test {

inline void EnsureApp() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Runs `answer` on the modal dialog that is open once the event loop next runs (the dialog a
// following exec() shows). The dialog may be null if none opened.
inline void WhenModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

} // namespace kivo::test

// Readable QStrings in test failures.
#include <QString>
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
