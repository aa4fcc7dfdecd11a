// The GUI tests' main: an offscreen QApplication, settings isolated from the user's.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C", 1);
    // No settings file: every test starts from the built-in defaults.
    const QString ini = QDir::temp().filePath(QStringLiteral("kivo-gui-tests-no-such.ini"));
    setenv("KIVO_INI", ini.toLocal8Bit().constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The user's own settings (the recent files) go to a directory of the run's own.
    QTemporaryDir userSettings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, userSettings.path());
    return RUN_ALL_TESTS();
}
