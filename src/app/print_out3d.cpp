#include "app/print_out3d.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <cmath>

#include "views/view3d_window.h"

namespace kivo::app {

namespace {

// The picture is drawn as for a screen of this many pixels per millimetre (96 dots per inch) and
// scaled onto the paper, so that symbols, names and lines keep the size they have on the screen.
constexpr double kScreenPixelsPerMm = 96.0 / 25.4;

} // namespace

T3DOut::T3DOut(const QString& title, const kivoMDIClient& doc, const views::View3DWindow& view)
    : Printout(title), doc_(doc), view_(view) {}

void T3DOut::SetPrintParams(QPrinter& printer) {
    pageWidth_ = printer.width();
    pageHeight_ = printer.height();
    const QRectF mm = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    dotsPerMm_ = mm.width() > 0 ? pageWidth_ / mm.width() : 1.0;
}

QString T3DOut::FooterText() const {
    const views::Camera3D& c = view_.camera();
    return QStringLiteral("%1 - 3D View - azimuth %2, elevation %3, %4")
        .arg(title())
        .arg(std::lround(c.azimuthDeg))
        .arg(std::lround(c.elevationDeg))
        .arg(c.perspective ? QStringLiteral("perspective") : QStringLiteral("orthographic"));
}

void T3DOut::PrintPage(QPainter& p, int page) {
    if (page != 1 || pageWidth_ <= 0 || pageHeight_ <= 0) return;
    const QFontMetrics fm(QApplication::font(), p.device());
    const int footer = 2 * fm.height();
    const QRect area(0, 0, pageWidth_, std::max(1, pageHeight_ - footer));
    // The picture at screen resolution over the printable area, then scaled onto the paper.
    const double k = kScreenPixelsPerMm / std::max(dotsPerMm_, 1e-6);
    const QSize size(std::max(1, static_cast<int>(area.width() * k)),
                     std::max(1, static_cast<int>(area.height() * k)));
    const QImage img = view_.Render(size);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(area, img);
    p.setPen(Qt::black);
    p.drawText(QPoint(0, pageHeight_ - fm.descent()), FooterText());
    p.restore();
}

} // namespace kivo::app
