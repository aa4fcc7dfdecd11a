#pragma once
// TTextWindow: the engine's listing, scrolled vertically by lines and horizontally by pixels.

#include <QAbstractScrollArea>
#include <QSize>

class QLabel;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::app {

class TTextWindow : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TTextWindow(kivoMDIClient& doc, QWidget* parent = nullptr);

    void SetupWindow();
    void CalcScrollBars();
    // The listing was loaded or discarded: back to the first line, new ranges, repaint.
    void Reload();
    // Shows or takes away the bar above the listing that says it describes an earlier state of
    // the network (kivoMDIClient::ListingCurrent); the listing keeps its place.
    void UpdateListingMark();
    // The bar: shown while the listing is out of date.
    QLabel* listingMark() const { return mark_; }
    static const char* const kOutOfDateText;
    void SetTrackSize(bool on) { trackSize_ = on; }

    int lineHeight = 0; // pixels per line: height and leading of the window's default font
    int lineLength = 0; // pixels: the longest listing line while a listing is loaded, else 0
    int horzOrigin = 0;
    int thumbPos = 0;

    // The listing font: "Courier", 10 pixels high, normal weight.
    static QFont ListingFont();
    // Width in pixels the listing's longest line takes in the window (its margin included).
    static int ListingWidth(const kivoMDIClient& doc);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    kivoMDIClient& doc_;
    bool trackSize_ = false;
    QSize sizeSeen_;
    QLabel* mark_ = nullptr;
};

} // namespace kivo::app
