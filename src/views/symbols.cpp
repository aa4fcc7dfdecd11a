#include "views/symbols.h"

#include <array>

namespace kivo::views {

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kCyan = qRgb(0, 255, 255);

// Starts an image: opaque black where `opaque(x, y)`, transparent elsewhere.
template <class F> QImage Masked(int w, int h, F opaque) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, opaque(x, y) ? kBlack : qRgba(0, 0, 0, 0));
    return img;
}

void Fill(QImage& img, int x0, int x1, int y0, int y1, QRgb c) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            img.setPixel(x, y, c);
}

// Theodolite, 14 x 11: two green legs, a green base, a 2-pixel dot and the white (blue when
// selected) head and body blocks.
QImage MakeTheo(bool selected) {
    QImage img = Masked(14, 11, [](int x, int y) { return !((x == 0 || x == 13) && y <= 7); });
    Fill(img, 2, 3, 1, 8, kGreen);
    Fill(img, 10, 11, 1, 8, kGreen);
    Fill(img, 1, 12, 9, 9, kGreen);
    Fill(img, 6, 7, 3, 3, kGreen);
    const QRgb body = selected ? kBlue : kWhite;
    Fill(img, 5, 8, 1, 1, body);
    Fill(img, 5, 8, 5, 7, body);
    return img;
}

// Object point, 11 x 9: a rectangle with clipped corners, framed black (blue when selected),
// white inside with a red target mark; the fixed variants carry a cyan diamond in the centre.
QImage MakePoint(bool selected, bool fixed) {
    auto corner = [](int x, int y) {
        return ((y == 0 || y == 8) && (x <= 1 || x >= 9)) || ((y == 1 || y == 7) && (x == 0 || x == 10));
    };
    QImage img = Masked(11, 9, [&](int x, int y) { return !corner(x, y); });
    const QRgb frame = selected ? kBlue : kBlack;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 11; ++x) {
            if (corner(x, y)) continue;
            const bool edge = y == 0 || y == 8 || x == 0 || x == 10 ||
                              ((y == 1 || y == 7) && (x == 1 || x == 9)); // the clipped corner pixels
            img.setPixel(x, y, edge ? frame : kWhite);
        }
    for (int y : {1, 2, 6, 7}) {
        img.setPixel(4, y, kRed);
        img.setPixel(6, y, kRed);
    }
    for (int y : {3, 5}) {
        Fill(img, 1, 3, y, y, kRed);
        Fill(img, 7, 9, y, y, kRed);
    }
    img.setPixel(5, 4, kRed);
    if (fixed) {
        img.setPixel(5, 2, kCyan);
        img.setPixel(5, 6, kCyan);
        Fill(img, 4, 6, 3, 3, kCyan);
        Fill(img, 4, 6, 5, 5, kCyan);
        Fill(img, 3, 7, 4, 4, kCyan);
    }
    return img;
}

// Scale bar, 19 x 9: two red end squares with yellow (blue when selected) centres on a black bar,
// a black post and an inverted-V stand.
QImage MakeSBar(bool selected) {
    auto opaque = [](int x, int y) {
        if (y <= 3 && (x <= 3 || x >= 15)) return true;
        if (y == 1 || y == 2) return true;
        if ((y == 3 || y == 4) && x >= 8 && x <= 10) return true;
        const int l = 12 - y, r = 6 + y; // inverted V: rows 5..8, left legs 7/8 .. 4/5
        if (y >= 5 && y <= 8 && (x == l || x == l + 1 || x == r || x == r - 1)) return true;
        return false;
    };
    QImage img = Masked(19, 9, opaque);
    Fill(img, 0, 3, 0, 3, kRed);
    Fill(img, 15, 18, 0, 3, kRed);
    const QRgb centre = selected ? kBlue : kYellow;
    Fill(img, 1, 2, 1, 2, centre);
    Fill(img, 16, 17, 1, 2, centre);
    return img;
}

QImage MakeStatus(int i) {
    QImage img(18, 16, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 0, 0));
    auto place = [&](const QImage& s) {
        const int x0 = (18 - s.width()) / 2, y0 = (16 - s.height()) / 2;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                // The 19-pixel scale bar loses its last column to the 18-pixel field.
                if (qAlpha(s.pixel(x, y)) && img.rect().contains(x0 + x, y0 + y))
                    img.setPixel(x0 + x, y0 + y, s.pixel(x, y));
    };
    static const QRgb bars[4] = {kGreen, kBlue, kRed, kYellow};
    switch (i) {
    case 0:
        place(MakeTheo(false));
        break;
    case 1:
        place(MakePoint(false, false));
        break;
    case 2:
        place(MakeSBar(false));
        break;
    case 3:
    case 4:
    case 5:
    case 6:
        Fill(img, 2, 14, 7, 8, bars[i - 3]);
        break; // a bar 13 long and 2 high
    default:
        break; // 7: blank
    }
    return img;
}

} // namespace

const QImage& SymbolImage(Symbol s) {
    static const std::array<QImage, 8> images = {
        MakeTheo(false),        MakeTheo(true),        MakePoint(false, false), MakePoint(true, false),
        MakePoint(false, true), MakePoint(true, true), MakeSBar(false),         MakeSBar(true),
    };
    return images[static_cast<std::size_t>(s)];
}

QPoint SymbolOffset(Symbol s) {
    switch (s) {
    case Symbol::Theo:
    case Symbol::TheoSelected:
        return {-7, -6};
    case Symbol::SBar:
    case Symbol::SBarSelected:
        return {-10, -4};
    default:
        return {-5, -4};
    }
}

const QImage& StatusImage(int i) {
    static const std::array<QImage, 8> images = {MakeStatus(0), MakeStatus(1), MakeStatus(2), MakeStatus(3),
                                                 MakeStatus(4), MakeStatus(5), MakeStatus(6), MakeStatus(7)};
    return images[static_cast<std::size_t>(i < 0 || i > 7 ? 7 : i)];
}

} // namespace kivo::views
