#include "render_output.h"

#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace kivo::cli {

OffscreenGui::OffscreenGui() {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qargc = 1;
    static char name[] = "kivo-cli";
    static char* qargv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(qargc, qargv);
}

OffscreenGui::~OffscreenGui() = default;

bool WritePng(const QImage& img, const std::string& path) {
    QSaveFile file(QString::fromStdString(path));
    if (!img.isNull() && file.open(QIODevice::WriteOnly) && img.save(&file, "PNG") && file.commit())
        return true;
    std::fprintf(stderr, "kivo-cli: cannot write %s: %s\n", path.c_str(),
                 file.errorString().toLocal8Bit().constData());
    return false;
}

} // namespace kivo::cli
