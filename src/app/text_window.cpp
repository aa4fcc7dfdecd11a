#include "app/text_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "adjustment/kivoMDIClient.h"

namespace kivo::app {

const char* const TTextWindow::kOutOfDateText =
    "Out of date: this listing belongs to an earlier geometry of the network. Calculate (F5) writes a "
    "new one.";

TTextWindow::TTextWindow(kivoMDIClient& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc) {
    setObjectName(QStringLiteral("textView"));
    setFrameShape(QFrame::NoFrame);
    // The bar stands above the listing, outside what scrolls, so that it is seen wherever the
    // listing is scrolled to.
    mark_ = new QLabel(QString::fromLatin1(kOutOfDateText), this);
    mark_->setObjectName(QStringLiteral("listingOutOfDate"));
    mark_->setStyleSheet(QStringLiteral("QLabel { background: #ffd54a; color: black; font-weight: bold; "
                                        "padding: 3px 6px; border-bottom: 1px solid #a07800; }"));
    mark_->setWordWrap(true);
    mark_->hide();
    horizontalScrollBar()->setTracking(false);
    verticalScrollBar()->setTracking(false);
    horizontalScrollBar()->setSingleStep(20); // pixels
    verticalScrollBar()->setSingleStep(1);    // lines
    SetupWindow();
}

QFont TTextWindow::ListingFont() {
    QFont f(QStringLiteral("Courier"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPixelSize(10);
    f.setWeight(QFont::Normal);
    return f;
}

void TTextWindow::SetupWindow() {
    const QFontMetrics fm(viewport()->font());
    lineHeight = std::max(1, fm.height() + fm.leading());
    lineLength = doc_.maxLines != 0 ? ListingWidth(doc_) : 0;
    CalcScrollBars();
    UpdateListingMark();
}

int TTextWindow::ListingWidth(const kivoMDIClient& doc) {
    // The listing font has a fixed pitch: the line with the most characters is the widest.
    if (doc.fileBuffer.empty()) return 0;
    std::string_view longest;
    for (const std::string_view line : doc.fileBuffer)
        if (line.size() > longest.size()) longest = line;
    // Lines are drawn from x = 2.
    return 2 + QFontMetrics(ListingFont())
                   .horizontalAdvance(
                       QString::fromLatin1(longest.data(), static_cast<qsizetype>(longest.size())));
}

void TTextWindow::UpdateListingMark() {
    const bool stale = doc_.bValFile && !doc_.ListingCurrent();
    // The text wraps in a narrow window: the bar takes the lines it needs.
    const int height =
        stale ? std::max(mark_->heightForWidth(width()), mark_->minimumSizeHint().height()) : 0;
    mark_->setGeometry(0, 0, width(), height);
    mark_->setVisible(stale);
    if (viewportMargins().top() == height) return;
    setViewportMargins(0, height, 0, 0);
    CalcScrollBars();
    viewport()->update();
}

void TTextWindow::Reload() {
    thumbPos = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    SetupWindow();
    viewport()->update();
}

void TTextWindow::CalcScrollBars() {
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // The viewport and the bars as they are laid out (a bar shows or goes for a new range only
    // later).
    const QSize client = viewport()->size();
    thumbPos = vb->value();
    horzOrigin = -hb->value();
    int winLines = 0;
    ScrollRanges r{0, 0};
    if (doc_.bValFile)
        r = CalcTextScrollRanges(lineLength, doc_.maxLines, lineHeight, client.width(), client.height(),
                                 !vb->isVisibleTo(this), !hb->isVisibleTo(this), bar, bar, winLines);
    else
        winLines = client.height() / lineHeight;
    doc_.winLines = winLines;
    if (doc_.maxLines - thumbPos < winLines) thumbPos = std::max(0, r.maxV);
    hb->setRange(0, std::max(0, r.maxH));
    vb->setRange(0, std::max(0, r.maxV));
    vb->setValue(thumbPos);
    hb->setPageStep(std::max(1, client.width() * 7 / 10));
    vb->setPageStep(std::max(1, winLines - 1)); // a page is one line less than a window
    thumbPos = vb->value();
    horzOrigin = -hb->value();
}

void TTextWindow::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    p.fillRect(e->rect(), Qt::white);
    p.setFont(ListingFont());
    p.setPen(Qt::black);
    const QFontMetrics fm = p.fontMetrics();
    if (!doc_.bValFile) {
        p.drawText(QPoint(10, 10 + fm.ascent()), QStringLiteral("No valid output file available"));
        return;
    }
    thumbPos = verticalScrollBar()->value();
    horzOrigin = -horizontalScrollBar()->value();
    // Line spacing is the window font's line height, not the listing font's own.
    const int first = std::max(0, e->rect().top() / lineHeight);
    const int last = std::min(doc_.winLines, e->rect().bottom() / lineHeight + 1);
    for (int i = first; i < last && thumbPos + i < doc_.maxLines; ++i) {
        const std::string_view line = doc_.fileBuffer[static_cast<std::size_t>(thumbPos + i)];
        p.drawText(QPoint(horzOrigin + 2, i * lineHeight + fm.ascent()),
                   QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    }
}

void TTextWindow::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateListingMark();
    CalcScrollBars();
    viewport()->update();
    // The out-of-date bar resizes the viewport, which arrives here too: only a change of the window's
    // own size is one the project file stores.
    const bool resized = size() != sizeSeen_;
    sizeSeen_ = size();
    if (trackSize_ && resized) {
        doc_.bFileDirty = true;
        doc_.host().UntrackedChange();
    }
}

void TTextWindow::keyPressEvent(QKeyEvent* e) {
    // Home and End, with or without Control, go to the first and the last page of the listing (the
    // scroll area itself knows only the arrows and the page keys).
    QScrollBar* vb = verticalScrollBar();
    switch (e->key()) {
    case Qt::Key_Home:
        vb->setValue(vb->minimum());
        e->accept();
        return;
    case Qt::Key_End:
        vb->setValue(vb->maximum());
        e->accept();
        return;
    default:
        QAbstractScrollArea::keyPressEvent(e);
    }
}

void TTextWindow::scrollContentsBy(int, int) {
    thumbPos = verticalScrollBar()->value();
    horzOrigin = -horizontalScrollBar()->value();
    viewport()->update();
}

} // namespace kivo::app
