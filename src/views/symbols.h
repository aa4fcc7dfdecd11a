#pragma once
// The element symbol images and the status-bar images, generated pixel by pixel.
//
// A symbol is a mask and a colour image: the mask clears the screen to black where it is opaque,
// the colour image is then ORed in. Since the colour images are black wherever the mask is
// transparent, the result is the colour image's pixel where the mask is opaque and the screen
// elsewhere, which is what drawing an image with full or no alpha gives. The images here carry
// exactly that alpha.

#include <QImage>

namespace kivo::views {

enum class Symbol {
    Theo,
    TheoSelected,
    Point,
    PointSelected,
    PointFixed,
    PointFixedSelected,
    SBar,
    SBarSelected
};

// The composed symbol image (ARGB32, alpha 0 or 255).
const QImage& SymbolImage(Symbol s);

// Where the image's top-left corner goes relative to the element position (h, v).
QPoint SymbolOffset(Symbol s);

// The eight 18 x 16 status-bar images: 0 theodolite, 1 point, 2 scale bar, 3 collimation,
// 4 direction, 5 distance, 6 height difference, 7 blank.
const QImage& StatusImage(int i);

} // namespace kivo::views
