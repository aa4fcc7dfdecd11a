#include "render_output.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/atomic_file.h"

namespace kivo::cli {

OffscreenGui::OffscreenGui() {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qargc = 1;
    static char name[] = "kivo-cli";
    static char* qargv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(qargc, qargv);
    // Qt has just set the locale from the environment: numbers in the listing, on stdout and in
    // the settings file keep the decimal point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
}

OffscreenGui::~OffscreenGui() = default;

bool WritePng(const QImage& img, const std::string& path) {
    // Encoded in memory first, then written as the project and the listing are: whole or not at
    // all, and a write-protected file is not replaced.
    QByteArray png;
    QBuffer buffer(&png);
    if (img.isNull() || !buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "PNG")) {
        std::fprintf(stderr, "kivo-cli: cannot write %s: the image could not be encoded\n", path.c_str());
        return false;
    }
    const bool isProtected = WriteProtected(path);
    if (!isProtected &&
        AtomicWriteFile(path, std::string(png.constData(), static_cast<std::size_t>(png.size()))))
        return true;
    std::fprintf(stderr, "kivo-cli: cannot write %s: %s\n", path.c_str(),
                 isProtected ? "the file is write-protected" : std::strerror(errno));
    return false;
}

} // namespace kivo::cli
