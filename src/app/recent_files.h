#pragma once
// The projects opened or saved last, newest first, for the File menu. They are kept with QSettings
// in a file of their own: the program's settings file is only ever read.

#include <QStringList>

namespace kivo::app {

class RecentFiles {
public:
    static constexpr int kMax = 8;
    static QStringList List();
    // Puts `path` (made absolute) at the top, once, and keeps the newest kMax.
    static void Add(const QString& path);
    static void Remove(const QString& path);
};

} // namespace kivo::app
