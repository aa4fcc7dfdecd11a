#include "views/raster_canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace kivo::views {

RasterTarget RasterTargetOf(QPainter& p, const QRect& clip) {
    QPaintDevice* dev = p.device();
    if (!dev || dev->devType() != QInternal::Image) return {};
    auto* img = static_cast<QImage*>(dev);
    if (img->format() != QImage::Format_RGB32 && img->format() != QImage::Format_ARGB32_Premultiplied)
        return {};
    if (img->devicePixelRatio() != 1.0 || p.hasClipping() || p.opacity() != 1.0 ||
        p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return {};
    const QTransform& m = p.worldTransform();
    if (m.type() > QTransform::TxTranslate) return {};
    const double tx = m.dx(), ty = m.dy();
    if (tx != std::floor(tx) || ty != std::floor(ty) || std::fabs(tx) > 1e8 || std::fabs(ty) > 1e8) return {};
    RasterTarget t;
    t.image = img;
    t.dx = static_cast<int>(tx);
    t.dy = static_cast<int>(ty);
    t.rect = clip.translated(t.dx, t.dy) & img->rect();
    t.bits = img->bits(); // detaches once, before any pixel is written
    t.stride = img->bytesPerLine();
    return t;
}

namespace {

std::uint64_t HashSegments(const std::vector<Segment>& segments, const QRect& area) {
    // FNV-1a over the coordinates and colours.
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint32_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(static_cast<std::uint32_t>(area.left())), mix(static_cast<std::uint32_t>(area.top()));
    mix(static_cast<std::uint32_t>(area.width())), mix(static_cast<std::uint32_t>(area.height()));
    for (const Segment& s : segments) {
        mix(static_cast<std::uint32_t>(s.x1)), mix(static_cast<std::uint32_t>(s.y1));
        mix(static_cast<std::uint32_t>(s.x2)), mix(static_cast<std::uint32_t>(s.y2));
        mix(s.colour);
    }
    return h;
}

void Rasterise(const std::vector<Segment>& segments, const QRect& area, std::uint8_t* px) {
    const int left = area.left(), top = area.top(), w = area.width();
    for (const Segment& s : segments)
        RasterLine(s.x1, s.y1, s.x2, s.y2, area,
                   [&](int x, int y) { px[static_cast<std::size_t>(y - top) * w + (x - left)] = s.colour; });
}

void CompositeIndexes(const std::uint8_t* px, const QRect& area, const RasterTarget& t, const QRgb* palette) {
    const QRect r = t.rect.translated(-t.dx, -t.dy) & area; // canvas pixels
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const std::uint8_t* src =
            px + static_cast<std::size_t>(y - area.top()) * area.width() + (r.left() - area.left());
        QRgb* dst = t.Row(y + t.dy) + r.left() + t.dx;
        for (int x = 0; x < r.width(); ++x)
            if (src[x]) dst[x] = palette[src[x]];
    }
}

// Above this many pixels a layer is not kept (and only the target's rectangle is drawn).
constexpr qint64 kMaxKeptPixels = 32ll * 1024 * 1024;

} // namespace

void LineLayer::Draw(const std::vector<Segment>& segments, const RasterTarget& t, const QRect& area,
                     const QRgb* palette) {
    const QRect need = t.rect.translated(-t.dx, -t.dy);
    if (need.isEmpty()) return;
    const QRect keep = area | need;
    if (static_cast<qint64>(keep.width()) * keep.height() > kMaxKeptPixels) {
        std::vector<std::uint8_t> px(static_cast<std::size_t>(need.width()) * need.height(), 0);
        Rasterise(segments, need, px.data());
        CompositeIndexes(px.data(), need, t, palette);
        return;
    }
    if (!area_.contains(need) || HashSegments(segments, area_) != key_) {
        area_ = keep;
        key_ = HashSegments(segments, area_);
        px_.assign(static_cast<std::size_t>(area_.width()) * area_.height(), 0);
        Rasterise(segments, area_, px_.data());
    }
    CompositeIndexes(px_.data(), area_, t, palette);
}

LineLayer& LineLayerOf(const void* doc, int view) {
    struct Kept {
        const void* doc = nullptr;
        LineLayer layer;
    };
    static Kept kept[3];
    Kept& k = kept[std::clamp(view, 0, 2)];
    if (k.doc != doc) k = Kept{doc, {}};
    return k.layer;
}

void TargetLine(const RasterTarget& t, int x1, int y1, int x2, int y2, QRgb colour) {
    colour |= 0xFF000000u;
    RasterLine(x1, y1, x2, y2, t.rect, [&](int x, int y) { t.Row(y)[x] = colour; });
}

void TargetBlit(const RasterTarget& t, int x, int y, const QImage& argb) {
    const QRect r = QRect(x, y, argb.width(), argb.height()) & t.rect;
    for (int row = r.top(); row <= r.bottom(); ++row) {
        const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(row - y)) + (r.left() - x);
        QRgb* dst = t.Row(row) + r.left();
        for (int i = 0; i < r.width(); ++i)
            if (qAlpha(src[i]) == 255) dst[i] = src[i];
    }
}

namespace {

// Texts as the painter draws them in one font, black over an opaque white cell. Drawn at whole-
// pixel positions a text sets the same pattern of pixels wherever it goes, and where it sets a
// pixel the colour does not depend on what lay beneath (the white cell is filled first; glyph
// pixels outside it that are not fully opaque make the text one the painter must draw). So each
// name is shaped and rasterised once, here, and copied on later paints.
struct TextCache {
    struct Entry {
        bool usable = false;
        int left = 0, top = 0, width = 0, height = 0; // relative to the cell's top-left corner
        std::vector<std::uint8_t> grey;               // the pixels set (black ink over white: greys)
        std::vector<std::uint8_t> set;                // per pixel: set at all; empty when all are
    };
    QFont font;
    std::unordered_map<std::string, Entry> texts;

    const Entry& Get(const char* text) {
        auto it = texts.find(text);
        if (it != texts.end()) return it->second;
        if (texts.size() > 200000) texts.clear(); // a bound far above any network's names
        const QFontMetrics fm(font);
        const QString s = QString::fromLatin1(text);
        const int margin = fm.height() + 4;
        // Pure red marks the pixels the text leaves alone; the text itself only makes greys.
        const QRgb untouched = qRgb(255, 0, 0);
        QImage img(fm.horizontalAdvance(s) + 2 * margin, fm.height() + 2 * margin, QImage::Format_RGB32);
        img.fill(untouched);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.setFont(font);
            p.setPen(Qt::black);
            p.setBackgroundMode(Qt::OpaqueMode);
            p.setBackground(Qt::white);
            p.drawText(QPoint(margin, margin + fm.ascent()), s);
        }
        Entry e;
        int x0 = img.width(), x1 = -1, y0 = img.height(), y1 = -1;
        bool greysOnly = true;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = row[x];
                if (c == untouched) continue;
                if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c)) greysOnly = false;
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        }
        if (greysOnly && x1 >= 0) {
            e.usable = true;
            e.left = x0 - margin, e.top = y0 - margin, e.width = x1 - x0 + 1, e.height = y1 - y0 + 1;
            e.grey.resize(static_cast<std::size_t>(e.width) * e.height);
            std::vector<std::uint8_t> set(e.grey.size(), 1);
            bool holes = false;
            for (int y = 0; y < e.height; ++y) {
                const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y0 + y)) + x0;
                for (int x = 0; x < e.width; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * e.width + x;
                    if (row[x] == untouched)
                        set[i] = 0, holes = true;
                    else
                        e.grey[i] = static_cast<std::uint8_t>(qRed(row[x]));
                }
            }
            if (holes) e.set = std::move(set);
        } else if (x1 < 0) {
            e.usable = true; // draws nothing
        }
        return texts.emplace(text, std::move(e)).first->second;
    }
};

TextCache& Texts(const QFont& font) {
    static TextCache cache;
    if (cache.font != font) {
        cache.font = font;
        cache.texts.clear();
    }
    return cache;
}

} // namespace

bool TargetText(const RasterTarget& t, const QFont& font, int x, int y, const char* text) {
    const TextCache::Entry& e = Texts(font).Get(text);
    if (!e.usable) return false;
    const QRect r = QRect(x + e.left, y + e.top, e.width, e.height) & t.rect;
    for (int row = r.top(); row <= r.bottom(); ++row) {
        const std::size_t first =
            static_cast<std::size_t>(row - y - e.top) * e.width + (r.left() - x - e.left);
        const std::uint8_t* grey = e.grey.data() + first;
        const std::uint8_t* set = e.set.empty() ? nullptr : e.set.data() + first;
        QRgb* dst = t.Row(row) + r.left();
        for (int i = 0; i < r.width(); ++i)
            if (!set || set[i]) dst[i] = 0xFF000000u | (grey[i] * 0x010101u);
    }
    return true;
}

} // namespace kivo::views
