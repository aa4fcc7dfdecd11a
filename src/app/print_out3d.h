#pragma once
// The printout of a 3D view: one page with the picture as the window shows it (same direction,
// projection and framing), filling the page's printable area, the title in a footer.

#include "app/print_out.h"
#include "views/view3d_scene.h"

namespace kivo::views {
class View3DWindow;
}

namespace kivo::app {

class T3DOut : public Printout {
public:
    T3DOut(const QString& title, const kivoMDIClient& doc, const views::View3DWindow& view);
    void SetPrintParams(QPrinter& printer) override;
    int TotalPages() const override { return 1; }
    void PrintPage(QPainter& p, int page) override;
    // "<title> - 3D View - azimuth A, elevation E, orthographic|perspective"
    QString FooterText() const;

private:
    const kivoMDIClient& doc_;
    const views::View3DWindow& view_;
    int pageWidth_ = 0, pageHeight_ = 0; // printable area, device pixels
    double dotsPerMm_ = 0;
};

} // namespace kivo::app
