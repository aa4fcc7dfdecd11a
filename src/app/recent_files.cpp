#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>
#include <memory>

namespace kivo::app {

namespace {

constexpr const char* kKey = "recentFiles";

// The user's own settings file of the program (never the read-only one beside it).
std::unique_ptr<QSettings> Store() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kivo"),
                                       QStringLiteral("kivo-recent"));
}

void Save(const QStringList& list) {
    Store()->setValue(QLatin1String(kKey), list);
}

} // namespace

QStringList RecentFiles::List() {
    QStringList list = Store()->value(QLatin1String(kKey)).toStringList();
    list.removeAll(QString());
    while (list.size() > kMax)
        list.removeLast();
    return list;
}

void RecentFiles::Add(const QString& path) {
    if (path.isEmpty()) return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = List();
    list.removeAll(absolute);
    list.prepend(absolute);
    while (list.size() > kMax)
        list.removeLast();
    Save(list);
}

void RecentFiles::Remove(const QString& path) {
    QStringList list = List();
    list.removeAll(QFileInfo(path).absoluteFilePath());
    Save(list);
}

} // namespace kivo::app
