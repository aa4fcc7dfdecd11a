#pragma once
// What the drawing commands share: a GUI application that never shows a window (text needs one),
// and a PNG that replaces its file only when written whole.

#include <memory>
#include <string>

class QGuiApplication;
class QImage;

namespace kivo::cli {

// The GUI application for the life of a drawing command, offscreen unless QT_QPA_PLATFORM says
// otherwise.
class OffscreenGui {
public:
    OffscreenGui();
    ~OffscreenGui();
    OffscreenGui(const OffscreenGui&) = delete;
    OffscreenGui& operator=(const OffscreenGui&) = delete;

private:
    std::unique_ptr<QGuiApplication> app_;
};
// The most pixels a drawing command draws (1 GiB of 32-bit pixels, far above any sensible
// drawing): a larger canvas is refused before anything is allocated.
constexpr long long kMaxCanvasPixels = 1LL << 28;
inline bool CanvasFits(long long width, long long height) {
    return width * height <= kMaxCanvasPixels;
}

// Writes `img` as a PNG through a temporary file; false, with a message on stderr, when it cannot.
bool WritePng(const QImage& img, const std::string& path);

} // namespace kivo::cli
