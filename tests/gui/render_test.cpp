// The picture of a small network, checked pixel by pixel where the drawing rules fix the result.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "adjustment/kivoMDIClient.h"
#include "views/view_render.h"

using namespace kivo;

namespace {

const QRgb kWhite = qRgb(255, 255, 255), kBlack = qRgb(0, 0, 0);

// 96 dots per inch (the host's default screen); 1 unit per centimetre, nothing but elements shown.
struct Net {
    kivoMDIClient doc;
    Net() {
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
        doc.ellScale = 1;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 10;
        doc.bBound = doc.bHGrid = doc.bVGrid = false;
        doc.bName = false;
        doc.bObject = true;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
    }
    QImage Render(const views::Highlight& hl = {}) {
        QImage img(doc.hExtent[0], doc.vExtent[0], QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        views::DrawView(p, doc, 0, img.rect(), hl);
        return img;
    }
    QPoint Pos(const COMMON& e) const { return {e.hcoord[0], e.vcoord[0]}; }
};

bool DarkNear(const QImage& img, QPoint c, int r = 1) {
    for (int y = c.y() - r; y <= c.y() + r; ++y)
        for (int x = c.x() - r; x <= c.x() + r; ++x)
            if (img.rect().contains(x, y) && img.pixel(x, y) == kBlack) return true;
    return false;
}

} // namespace

TEST(Render, ElementsLeftOutCarryTheirOwnMarkFixedOnesDoNot) {
    Net n;
    n.doc.NewTheo("T", "T", 0, 0, 2, 5, 0, 0, 0, 0, 0);
    n.doc.NewPoint("P", "P", 5, 5, 0, 0);
    n.doc.NewPoint("F", "F", 8, 2, 0, 0x2A); // fixed: no ellipse either, but not left out
    n.doc.NewSBar("S", "S", 5, 8, 0, 1, 0, 100);
    const QRgb mark = views::kLeftOutColour.rgb();
    EXPECT_NE(mark, qRgb(230, 0, 0)) << "not the colour of an ellipse out of tolerance";
    auto marked = [&](const QImage& img, const COMMON& e) {
        int count = 0;
        const QPoint c = n.Pos(e);
        for (int y = c.y() - 10; y <= c.y() + 10; ++y)
            for (int x = c.x() - 10; x <= c.x() + 10; ++x)
                count += img.rect().contains(x, y) && img.pixel(x, y) == mark;
        return count;
    };
    QImage plain = n.Render();
    for (const COMMON* e : std::initializer_list<const COMMON*>{&n.doc.theoList[0], &n.doc.pointList[0],
                                                                &n.doc.pointList[1], &n.doc.sbarList[0]})
        EXPECT_EQ(marked(plain, *e), 0) << e->name;

    n.doc.leftOutMarks = {{SEL_THEO, 0}, {SEL_POINT, 0}, {SEL_SBAR, 0}};
    QImage img = n.Render();
    EXPECT_GT(marked(img, n.doc.theoList[0]), 30);
    EXPECT_GT(marked(img, n.doc.pointList[0]), 30);
    EXPECT_GT(marked(img, n.doc.sbarList[0]), 30);
    EXPECT_EQ(marked(img, n.doc.pointList[1]), 0);
    EXPECT_EQ(img.pixel(n.Pos(n.doc.pointList[0])), qRgb(255, 0, 0)) << "the symbol stays visible";
}

// The legend explains the left-out mark with the mark itself, also where no tolerance is set.
TEST(Render, LegendShowsTheLeftOutMark) {
    Net n;
    n.doc.NewPoint("P", "P", 5, 5, 0, 0);
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        EXPECT_TRUE(views::DrawPrecisionLegend(p, n.doc, img.rect()).isEmpty()) << "nothing to explain";
    }
    n.doc.leftOutMarks = {{SEL_POINT, 0}};
    QPainter p(&img);
    const QRect box = views::DrawPrecisionLegend(p, n.doc, img.rect());
    p.end();
    ASSERT_FALSE(box.isEmpty());
    int marked = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            marked += img.pixel(x, y) == views::kLeftOutColour.rgb();
    EXPECT_GT(marked, 30);
}

TEST(Render, SymbolPixels) {
    Net n;
    n.doc.NewTheo("T", "T", 0, 0, 2, 5, 0, 0, 0, 0, 0);
    n.doc.NewPoint("P", "P", 5, 5, 0, 0);
    n.doc.NewPoint("F", "F", 8, 5, 0, 0x20); // only z fixed
    n.doc.NewSBar("S", "S", 5, 8, 0, 1, 0, 100);
    const QPoint t = n.Pos(n.doc.theoList[0]), p = n.Pos(n.doc.pointList[0]), f = n.Pos(n.doc.pointList[1]);
    const QPoint s = n.Pos(n.doc.sbarList[0]);
    QImage img = n.Render();
    // Theodolite: image corner at (h - 7, v - 6).
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 2, -6 + 1)), qRgb(0, 255, 0)); // leg
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 5, -6 + 1)), kWhite);          // head, unselected
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 4, -6 + 1)), kBlack);          // mask opaque, colour black
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 6, -6 + 3)), qRgb(0, 255, 0)); // dot
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 1, -6 + 9)), qRgb(0, 255, 0)); // base
    // Point: corner at (h - 5, v - 4); red centre, cyan when a coordinate is fixed.
    EXPECT_EQ(img.pixel(p), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(p + QPoint(-5, 0)), kBlack);  // frame
    EXPECT_EQ(img.pixel(p + QPoint(-5, -4)), kWhite); // clipped corner shows the canvas
    EXPECT_EQ(img.pixel(f), qRgb(0, 255, 255));
    EXPECT_EQ(img.pixel(f + QPoint(-2, 0)), qRgb(0, 255, 255));
    // Scale bar: corner at (h - 10, v - 4); yellow centres of the end squares, black post.
    EXPECT_EQ(img.pixel(s + QPoint(-10 + 1, -4 + 1)), qRgb(255, 255, 0));
    EXPECT_EQ(img.pixel(s + QPoint(-10 + 0, -4 + 0)), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(s + QPoint(-10 + 9, -4 + 4)), kBlack);
    EXPECT_EQ(img.pixel(s + QPoint(-10 + 9, -4 + 6)), kWhite); // inside the stand's V

    // Selected variants.
    n.doc.theoList.Mark(0, true);
    n.doc.pointList.Mark(0, true);
    n.doc.sbarList.Mark(0, true);
    img = n.Render();
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 5, -6 + 1)), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(p + QPoint(-5, 0)), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(s + QPoint(-10 + 1, -4 + 1)), qRgb(0, 0, 255));

    // Dots without symbols: a selected theodolite looks like any other.
    n.doc.bObject = false;
    img = n.Render();
    EXPECT_EQ(img.pixel(t + QPoint(-7 + 2, -6 + 1)), kWhite);
    EXPECT_NE(img.pixel(t + QPoint(-1, -1)), kWhite);
    EXPECT_EQ(img.pixel(t + QPoint(-3, -3)), kWhite);
}

TEST(Render, DirectionAndDistanceLieTwoPixelsApart) {
    Net n;
    n.doc.NewTheo("T", "T", 0, 0, 1, 5, 0, 0, 0, 0, 0);
    n.doc.NewPoint("P", "P", 9, 5, 0, 0); // level with the theodolite
    n.doc.theoList[0].ptList.Append(CONNECT1{0, OBS_IDEAL, 0, 0, 0});
    n.doc.theoList[0].dsList.Append(CONNECT3{0, OBS_IDEAL, 0, 0});
    n.doc.bDirect = n.doc.bDistance = true;
    const QPoint t = n.Pos(n.doc.theoList[0]);
    const int mid = (t.x() + n.Pos(n.doc.pointList[0]).x()) / 2;
    QImage img = n.Render();
    EXPECT_EQ(img.pixel(mid, t.y() + 1), qRgb(0, 0, 255)); // direction: one below
    EXPECT_EQ(img.pixel(mid, t.y() - 1), qRgb(255, 0, 0)); // distance: one above
    EXPECT_EQ(img.pixel(mid, t.y()), kWhite);
    // Highlighted, the direction turns magenta over everything else.
    img = n.Render({SEL_PTDIRECT, 0, 0});
    EXPECT_EQ(img.pixel(mid, t.y() + 1), qRgb(255, 0, 255));
    EXPECT_EQ(img.pixel(mid, t.y() - 1), qRgb(255, 0, 0));
}

TEST(Render, EllipseAxesFollowPhi) {
    Net n;
    n.doc.NewPoint("P", "P", 5, 5, 0, 0);
    n.doc.bValEllip = n.doc.bEllipse = true;
    n.doc.bObject = false;
    OBJECTPOINT& e = n.doc.pointList[0];
    const double ps = n.doc.hEllScale; // pixels per ellipse unit (37.8 at 96 dpi)
    e.A[0] = 2, e.B[0] = 0.5, e.phi[0] = 0;
    const QPoint c = n.Pos(e);
    QImage img = n.Render();
    const int a = static_cast<int>(2 * ps), b = static_cast<int>(0.5 * ps);
    EXPECT_EQ(img.pixel(c.x() + a / 2, c.y()), kBlack); // major axis horizontal
    // Minor axis vertical (sin of the rounded pi is a hair below zero: its upper end truncates to
    // the column left of the centre, so the axis leans by one column).
    EXPECT_TRUE(DarkNear(img, {c.x(), c.y() - b / 2}));
    EXPECT_TRUE(DarkNear(img, {c.x(), c.y() + b / 2}));
    EXPECT_EQ(img.pixel(c.x() + 2, c.y() + b / 2), kWhite);
    EXPECT_TRUE(DarkNear(img, {c.x() + a - 1, c.y()})); // outline at the end of the major axis
    EXPECT_EQ(img.pixel(c.x() + a / 2, c.y() - a / 2), kWhite);

    e.phi[0] = 50; // 45 degrees: the right-hand end turns upwards
    img = n.Render();
    const int d = static_cast<int>(a * 0.7071 / 2);
    EXPECT_TRUE(DarkNear(img, {c.x() + d, c.y() - d}));
    EXPECT_TRUE(DarkNear(img, {c.x() - d, c.y() + d}));
    EXPECT_FALSE(DarkNear(img, {c.x() + d, c.y() + d}));
    // Both axes zero: no ellipse at all.
    e.A[0] = e.B[0] = 0;
    img = n.Render();
    EXPECT_FALSE(DarkNear(img, {c.x() + d, c.y() - d}));
}

TEST(Render, GridLinesAndLabels) {
    Net n;
    n.doc.bVGrid = true;
    n.doc.hInterval = 2.5;
    QImage img = n.Render();
    // First vertical line at x = 2.5: column trunc((2.5 - hBase) * scale).
    const int x = static_cast<int>((2.5 - n.doc.hBase[0]) * n.doc.hObjScale[0]);
    int dark = 0;
    for (int y = n.doc.vBordPix; y < n.doc.vExtent[0] - n.doc.vBordPix; ++y)
        dark += img.pixel(x, y) == kBlack;
    EXPECT_GT(dark, 10); // dotted
    EXPECT_LT(dark, n.doc.vExtent[0] - 2 * n.doc.vBordPix);
    // The label "2.5" centred above, top at row 0.
    bool label = false;
    const QFontMetrics fm(QGuiApplication::font());
    for (int yy = 0; yy < fm.height() && !label; ++yy)
        for (int xx = x - 12; xx <= x + 12; ++xx)
            label |= qGray(img.pixel(xx, yy)) < 128;
    EXPECT_TRUE(label);
    // No horizontal grid: nothing left of the box in the middle rows.
    EXPECT_EQ(img.pixel(2, n.doc.vExtent[0] / 2), kWhite);
}

TEST(Render, CanvasOfTheWholeView) {
    Net n;
    n.doc.bBound = true;
    const QImage img = views::RenderCanvas(n.doc, 1);
    EXPECT_EQ(img.width(), n.doc.hExtent[1]);
    EXPECT_EQ(img.height(), n.doc.vExtent[1]);
    // The limit box: its left edge is the first border column (dash-dot-dot: mostly black).
    int dark = 0;
    for (int y = n.doc.vBordPix; y < n.doc.vExtent[1] - n.doc.vBordPix; ++y)
        dark += img.pixel(n.doc.hBordPix, y) == kBlack;
    EXPECT_GT(dark, (n.doc.vExtent[1] - 2 * n.doc.vBordPix) / 3);
    EXPECT_EQ(img.pixel(n.doc.hBordPix - 1, n.doc.vExtent[1] / 2), kWhite);
    // Right and bottom exclusive: the right edge is column hExtent - hBordPix - 1.
    int right = 0;
    for (int y = n.doc.vBordPix; y < n.doc.vExtent[1] - n.doc.vBordPix; ++y)
        right += img.pixel(n.doc.hExtent[1] - n.doc.hBordPix - 1, y) == kBlack;
    EXPECT_GT(right, 0);
    for (int y = 0; y < n.doc.vExtent[1]; ++y)
        EXPECT_EQ(img.pixel(n.doc.hExtent[1] - n.doc.hBordPix, y), kWhite);
}
