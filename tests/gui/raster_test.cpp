// The direct pixel path of the views against QPainter: the same pixels, line by line and for a
// whole picture.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <random>

#include "adjustment/kivoMDIClient.h"
#include "views/raster_canvas.h"
#include "views/view_render.h"

using namespace kivo;

namespace {

QPen LinePen() {
    QPen pen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return pen;
}

int Differences(const QImage& a, const QImage& b, QPoint* first = nullptr) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                if (n++ == 0 && first) *first = {x, y};
            }
    return n;
}

} // namespace

TEST(RasterLine, SamePixelsAsThePainter) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> c(0, 63), shortStep(-3, 3);
    const QRect all(0, 0, 64, 64);
    for (int i = 0; i < 4000; ++i) {
        // Long lines in every direction, and short ones where the rounding matters most.
        int x1 = c(rng), y1 = c(rng), x2, y2;
        if (i % 3 == 0) {
            x2 = std::clamp(x1 + shortStep(rng), 0, 63);
            y2 = std::clamp(y1 + shortStep(rng), 0, 63);
        } else {
            x2 = c(rng);
            y2 = c(rng);
        }
        QImage expected(64, 64, QImage::Format_RGB32), actual(64, 64, QImage::Format_RGB32);
        expected.fill(Qt::white);
        actual.fill(Qt::white);
        {
            QPainter p(&expected);
            p.setPen(LinePen());
            p.drawLine(x1, y1, x2, y2);
        }
        views::RasterLine(x1, y1, x2, y2, all, [&](int x, int y) { actual.setPixel(x, y, qRgb(0, 0, 0)); });
        QPoint at;
        ASSERT_EQ(Differences(expected, actual, &at), 0)
            << "line (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") first differs at " << at.x()
            << "," << at.y();
    }
}

TEST(RasterLine, ClippedLineKeepsItsPixels) {
    // Pixels of a line clipped to a rectangle are the unclipped line's pixels inside it.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> c(-200, 400);
    const QRect clip(37, 21, 90, 70), big(-1000, -1000, 3000, 3000);
    for (int i = 0; i < 2000; ++i) {
        const int x1 = c(rng), y1 = c(rng), x2 = c(rng), y2 = c(rng);
        std::vector<QPoint> whole, part;
        views::RasterLine(x1, y1, x2, y2, big, [&](int x, int y) {
            if (clip.contains(x, y)) whole.push_back({x, y});
        });
        views::RasterLine(x1, y1, x2, y2, clip, [&](int x, int y) { part.push_back({x, y}); });
        ASSERT_EQ(whole, part) << x1 << "," << y1 << " " << x2 << "," << y2;
    }
}

namespace {

// A network with every kind of line, selected and fixed elements, names and ellipses.
struct Busy {
    kivoMDIClient doc;
    Busy() {
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 2;
        doc.ellScale = 0.5;
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = doc.yMax = doc.zMax = 40;
        doc.bBound = doc.bHGrid = doc.bVGrid = true;
        doc.bCollimate = doc.bDirect = doc.bDistance = doc.bHeight = true;
        doc.bEllipse = doc.bValEllip = true;
        doc.bName = true;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> u(0, 40);
        for (int i = 0; i < 60; ++i) {
            const std::string name = "P" + std::to_string(i * 37);
            doc.NewPoint(name.c_str(), "ab", u(rng), u(rng), u(rng), i % 5 == 0 ? 0x2A : 0);
            doc.pointList[i].A[0] = 0.5 + (i % 3);
            doc.pointList[i].B[0] = 0.2 * (i % 4);
            doc.pointList[i].phi[0] = 17.0 * i;
        }
        for (int t = 0; t < 6; ++t) {
            const std::string name = "Th" + std::to_string(t);
            doc.NewTheo(name.c_str(), "T", 0, t, u(rng), u(rng), u(rng), 0, 0, 0, 0);
        }
        doc.NewSBar("Bar1", "B", 20, 20, 20, 1, 0, 100);
        for (int t = 0; t < 6; ++t) {
            THEODOLITE& th = doc.theoList[t];
            for (int o = 0; o < 6; ++o)
                if (o != t) th.thList.Append(CONNECT1{o, OBS_IDEAL, 0, 0, 0});
            for (int k = 0; k < 60; k += 2)
                th.ptList.Append(CONNECT1{k, OBS_IDEAL, 0, 0, 0});
            for (int k = 1; k < 60; k += 3)
                th.dsList.Append(CONNECT3{k, OBS_IDEAL, 0, 0});
            for (int k = 0; k < 60; k += 7)
                th.hdList.Append(CONNECT6{k, OBS_IDEAL, 0, 0});
            th.sbList.Append(CONNECT2{0, OBS_IDEAL, 0, 0, 0, 0, 0});
            th.SyncCounts();
        }
        for (int k = 0; k < 50; k += 5) {
            doc.AddPtDistance(CONNECT4{k, k + 3, OBS_INUSE | OBS_IDEAL, 0, 0});
            doc.AddPtHeight(CONNECT5{k + 1, k + 9, OBS_INUSE | OBS_IDEAL, 0, 0});
        }
        doc.pointList.Mark(4, true);
        doc.theoList.Mark(2, true);
    }
    // Painted through the direct path (plain image) or through QPainter (a clip rectangle set,
    // which the direct path leaves to the painter).
    QImage Paint(bool direct, const QRect& area, const views::Highlight& hl) {
        QImage img(area.size(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        if (!direct) p.setClipRect(img.rect());
        p.translate(-area.topLeft());
        views::DrawView(p, doc, 0, area, hl);
        return img;
    }
};

} // namespace

TEST(RasterLine, WholePictureMatchesThePainter) {
    Busy b;
    const QRect whole(0, 0, b.doc.hExtent[0], b.doc.vExtent[0]);
    const views::Highlight hl{SEL_PTDIRECT, 1, 4};
    for (const QRect& area : {whole, QRect(57, 33, 120, 90)}) {
        const QImage direct = b.Paint(true, area, hl), painted = b.Paint(false, area, hl);
        QPoint at;
        EXPECT_EQ(Differences(direct, painted, &at), 0) << "first difference at " << at.x() << "," << at.y();
    }
}
