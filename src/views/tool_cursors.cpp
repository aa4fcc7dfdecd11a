#include "views/tool_cursors.h"

#include <QPainter>
#include <QPolygon>
#include <array>

#include "adjustment/kivoMDIClient.h"

namespace kivo::views {

namespace {

constexpr int kSize = 32;

// Black on white outline so the cursor shows on the white canvas and on dark lines alike.
void Outlined(QPainter& p, const QPolygon& poly, const QColor& fill) {
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(poly);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawPolygon(poly);
}

void Arrow(QPainter& p) {
    const QPolygon arrow({QPoint(1, 1), QPoint(1, 17), QPoint(5, 13), QPoint(8, 20), QPoint(11, 19),
                          QPoint(8, 12), QPoint(13, 12)});
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
}

// A cross hair whose centre (15, 15) is the hot spot, left open in the middle.
void CrossHair(QPainter& p) {
    for (const QColor& c : {QColor(Qt::white), QColor(Qt::black)}) {
        const int w = c == Qt::white ? 3 : 1;
        p.setPen(QPen(c, w));
        p.drawLine(15, 2, 15, 11);
        p.drawLine(15, 19, 15, 28);
        p.drawLine(2, 15, 11, 15);
        p.drawLine(19, 15, 28, 15);
    }
}

// The small badge at the lower right that tells the tools apart.
void TheoBadge(QPainter& p, int x, int y) {
    Outlined(p, QPolygon({QPoint(x, y + 9), QPoint(x + 5, y), QPoint(x + 10, y + 9)}), QColor(0, 0, 255));
}
void PointBadge(QPainter& p, int x, int y) {
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(QRect(x, y, 8, 8));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 0, 0));
    p.drawEllipse(QRect(x, y, 8, 8));
}
void SBarBadge(QPainter& p, int x, int y) {
    p.setPen(QPen(Qt::white, 5));
    p.drawLine(x, y + 4, x + 11, y + 4);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(x, y + 4, x + 11, y + 4);
    p.setPen(QPen(QColor(0, 160, 0), 1));
    p.drawLine(x + 1, y + 4, x + 10, y + 4);
}

// An observation line in the colour of its kind, with end ticks.
void LineBadge(QPainter& p, const QColor& c, bool vertical) {
    const QLine l = vertical ? QLine(25, 18, 25, 30) : QLine(18, 25, 30, 25);
    p.setPen(QPen(Qt::black, 4));
    p.drawLine(l);
    p.setPen(QPen(c, 2));
    p.drawLine(l);
}

// Four arrows: the element follows the pointer.
void MoveArrows(QPainter& p) {
    const QPolygon up({QPoint(15, 1), QPoint(11, 6), QPoint(19, 6)});
    for (int k = 0; k < 4; ++k) {
        QTransform t;
        t.translate(15, 15);
        t.rotate(90 * k);
        t.translate(-15, -15);
        Outlined(p, t.map(up), Qt::black);
    }
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(15, 6, 15, 24);
    p.drawLine(6, 15, 24, 15);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(15, 6, 15, 24);
    p.drawLine(6, 15, 24, 15);
}

void HourGlass(QPainter& p) {
    const QPolygon glass({QPoint(8, 3), QPoint(23, 3), QPoint(23, 6), QPoint(17, 15), QPoint(23, 24),
                          QPoint(23, 27), QPoint(8, 27), QPoint(8, 24), QPoint(14, 15), QPoint(8, 6)});
    Outlined(p, glass, Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 160, 60));
    p.drawPolygon(QPolygon({QPoint(11, 24), QPoint(20, 24), QPoint(15, 19)}));
    p.drawPolygon(QPolygon({QPoint(11, 7), QPoint(20, 7), QPoint(15, 12)}));
}

} // namespace

QPixmap ToolCursorImage(int role) {
    QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (role) {
    case CUR_POINT:
        CrossHair(p), PointBadge(p, 21, 21);
        break;
    case CUR_THEO:
        CrossHair(p), TheoBadge(p, 20, 20);
        break;
    case CUR_SBAR:
        CrossHair(p), SBarBadge(p, 19, 21);
        break;
    case CUR_DIRECT:
        CrossHair(p), LineBadge(p, QColor(0, 0, 255), false);
        break;
    case CUR_DIST:
        CrossHair(p), LineBadge(p, QColor(255, 0, 0), false);
        break;
    case CUR_HEIGHT:
        CrossHair(p), LineBadge(p, QColor(255, 255, 0), true);
        break;
    case CUR_COLL:
        CrossHair(p), LineBadge(p, QColor(0, 255, 0), false);
        break;
    case CUR_MOVETHEO:
        MoveArrows(p), TheoBadge(p, 21, 21);
        break;
    case CUR_MOVEPT:
        MoveArrows(p), PointBadge(p, 22, 22);
        break;
    case CUR_MOVESBAR:
        MoveArrows(p), SBarBadge(p, 19, 23);
        break;
    case CUR_HOURGLASS:
        HourGlass(p);
        break;
    default:
        Arrow(p);
        break;
    }
    p.end();
    return QPixmap::fromImage(img);
}

const QCursor& ToolCursorFor(int role) {
    static const std::array<QCursor, CUR_COUNT> cursors = [] {
        std::array<QCursor, CUR_COUNT> c;
        for (int i = 0; i < CUR_COUNT; ++i) {
            const bool tip = i == CUR_ARROW;
            c[static_cast<std::size_t>(i)] = QCursor(ToolCursorImage(i), tip ? 1 : 15, tip ? 1 : 15);
        }
        return c;
    }();
    return cursors[static_cast<std::size_t>(role >= 0 && role < CUR_COUNT ? role : CUR_ARROW)];
}

} // namespace kivo::views
