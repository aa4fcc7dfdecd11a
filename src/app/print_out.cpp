#include "app/print_out.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGraphicsView>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <cmath>
#include <memory>

#include "adjustment/kivoMDIClient.h"
#include "adjustment/precision.h"
#include "views/view_render.h"

namespace kivo::app {

namespace {

// Printable area of the printer's page in device pixels and millimetres. The millimetres are
// taken unrounded, so that the printout is true to scale to a fraction of a pixel.
struct PageSize {
    int horzRes, vertRes;
    double horzSize, vertSize;
};
PageSize PageOf(QPrinter& printer) {
    const QRectF mm = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    return {printer.width(), printer.height(), mm.width(), mm.height()};
}

// Everything a view prints is drawn with one black dash-dot-dot pen. A single device pixel is
// a fiftieth of a millimetre on a 1200 dpi printer, too faint to see, so the pen is about
// 0.15 mm wide and its pattern (in pen widths) gives a dash of about 1.5 mm.
QPen PrintPen(const PrintLayout& L) {
    const double pixelsPerMm = L.horzRes / L.horzSize;
    QPen pen(Qt::black, std::max(1.0, std::round(pixelsPerMm * 0.15)), Qt::CustomDashLine, Qt::FlatCap,
             Qt::MiterJoin);
    pen.setDashPattern({10, 4, 2, 4, 2, 4});
    return pen;
}

} // namespace

bool PrintAll(Printout& out, QPrinter& printer) {
    QPainter p;
    if (!p.begin(&printer)) return false;
    out.SetPrintParams(printer);
    bool ok = true;
    for (int page = 1; ok && out.HasPage(page); ++page) {
        if (page > 1) ok = printer.newPage();
        if (ok) out.PrintPage(p, page);
    }
    ok = p.end() && ok;
    return ok && printer.printerState() != QPrinter::Error;
}

bool PrintAndReport(QWidget* parent, Printout& out, QPrinter& printer) {
    if (PrintAll(out, printer)) return true;
    const QString text =
        printer.outputFormat() == QPrinter::PdfFormat
            ? QStringLiteral("The printout could not be written to %1.").arg(printer.outputFileName())
            : QStringLiteral("The printout could not be sent to the printer %1.").arg(printer.printerName());
    QMessageBox::warning(parent, QStringLiteral("KIVO"), text);
    return false;
}

// ---- TKIVOOut ------------------------------------------------------------------------------------

TKIVOOut::TKIVOOut(const QString& title, const kivoMDIClient& doc, int view)
    : Printout(title), doc_(doc), view_(view) {}

void TKIVOOut::SetPrintParams(QPrinter& printer) {
    const PageSize s = PageOf(printer);
    L.SetPrintParams(doc_, view_, s.horzRes, s.vertRes, s.horzSize, s.vertSize);
}

void TKIVOOut::PrintPage(QPainter& p, int page) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(QApplication::font());
    p.setPen(PrintPen(L));
    p.setBrush(Qt::NoBrush);
    int hPage, vPage;
    PrintLayout::PageTile(page, L.vPgMax, &hPage, &vPage);
    L.SetPrinterParms(doc_, hPage, vPage);
    // Each tile shows its part of the drawing: whatever falls outside its printable area belongs
    // to a neighbouring page, and the limit box outline appears in pieces on the tiles it crosses.
    p.setClipRect(QRect(L.printOriginX, L.printOriginY, L.hPrintable, L.vPrintable));

    double uMin, uMax, wMin, wMax;
    switch (view_) {
    case 0:
        uMin = doc_.xMin, uMax = doc_.xMax, wMin = doc_.yMin, wMax = doc_.yMax;
        break;
    case 1:
        uMin = doc_.xMin, uMax = doc_.xMax, wMin = doc_.zMin, wMax = doc_.zMax;
        break;
    default:
        uMin = doc_.yMin, uMax = doc_.yMax, wMin = doc_.zMin, wMax = doc_.zMax;
        break;
    }
    int left, top, right, bottom;
    L.ModelPrPos(uMin, wMax, view_, &left, &top);
    L.ModelPrPos(uMax, wMin, view_, &right, &bottom);
    p.drawLine(left, top, right, top);
    p.drawLine(right, top, right, bottom);
    p.drawLine(right, bottom, left, bottom);
    p.drawLine(left, bottom, left, top);

    PrntLines(p);
    if (doc_.bEllipse) {
        // Printed whenever the switch is on; before an adjustment all axes are 0 and nothing shows.
        for (int i = 0; i < doc_.nMaxTheos; ++i)
            if (doc_.theoList[i].flags & ELEM_INUSE) PrntEllipse(p, doc_.theoList[i]);
        for (int i = 0; i < doc_.nMaxPoints; ++i)
            if (doc_.pointList[i].flags & ELEM_INUSE) PrntEllipse(p, doc_.pointList[i]);
    }
    if (doc_.bName) PrntNames(p);
    p.restore();
}

// PrntPtDirect, PrntSBDirect, PrntCollimate: lines from each theodolite to its targets, in list
// order, without the screen's one-pixel shifts and colours.
void TKIVOOut::PrntLines(QPainter& p) {
    auto line = [&](const COMMON& a, const COMMON& b) {
        int h1, v1, h2, v2;
        L.CalcObjectPrPos(a, view_, &h1, &v1);
        L.CalcObjectPrPos(b, view_, &h2, &v2);
        p.drawLine(h1, v1, h2, v2);
    };
    auto lists = [&](auto member, const auto& targets) {
        for (int i = 0; i < doc_.nMaxTheos; ++i) {
            const THEODOLITE& t = doc_.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            const auto& list = t.*member;
            for (int k = 0; k < list.size(); ++k)
                line(t, targets[list[k].target]);
        }
    };
    if (doc_.bDirect) {
        lists(&THEODOLITE::ptList, doc_.pointList);
        lists(&THEODOLITE::sbList, doc_.sbarList);
    }
    if (doc_.bCollimate) lists(&THEODOLITE::thList, doc_.theoList);
}

// The screen's ellipse at printer scale, but only when both axes are non-zero.
// At 95 % it is scaled as on the screen, and with a tolerance drawn in the colour of its verdict.
void TKIVOOut::PrntEllipse(QPainter& p, const COMMON& e) {
    const double f = doc_.precision.ellipseFactor();
    const double A = e.A[view_] * f, B = e.B[view_] * f;
    if (A == 0 || B == 0) return;
    int h, v;
    L.CalcObjectPrPos(e, view_, &h, &v);
    const Judgement j = Judge(doc_, e);
    const QPen pen = p.pen();
    if (j != Judgement::None) {
        QPen judged = pen;
        judged.setColor(j == Judgement::Within ? QColor(0, 160, 0) : QColor(230, 0, 0));
        p.setPen(judged);
    }
    views::DrawEllipseShape(p, doc_.TrigTable, h, v, A, B, e.phi[view_], L.hPrEllScale, L.vPrEllScale);
    p.setPen(pen);
}

// PrntTheoName, PrntPointName, PrntSBarName: top-left corner nameOffset (3 mm) right of and above
// the element.
void TKIVOOut::PrntNames(QPainter& p) {
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(Qt::black);
    auto one = [&](const COMMON& e) {
        if (!(e.flags & ELEM_INUSE)) return;
        const char* text = doc_.bAbbreviate ? e.abbrev : e.name;
        if (!*text) return;
        int h, v;
        L.CalcObjectPrPos(e, view_, &h, &v);
        p.drawText(QPoint(h + L.nameOffset, v - L.nameOffset + fm.ascent()), QString::fromLatin1(text));
    };
    for (int i = 0; i < doc_.nMaxTheos; ++i)
        one(doc_.theoList[i]);
    for (int i = 0; i < doc_.nMaxPoints; ++i)
        one(doc_.pointList[i]);
    for (int i = 0; i < doc_.nMaxSBars; ++i)
        one(doc_.sbarList[i]);
}

// ---- TTextOut ------------------------------------------------------------------------------------

TTextOut::TTextOut(const QString& title, const kivoMDIClient& doc) : Printout(title), doc_(doc) {}

QFont TTextOut::PrintFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(9);
    return f;
}

void TTextOut::SetPrintParams(QPrinter& printer) {
    const QFontMetrics fm(PrintFont(), &printer);
    TextHeight = fm.height() + fm.leading();
    LinesPerPage = kivo::LinesPerPage(printer.height(), TextHeight);
    TotalLines = doc_.bValFile ? doc_.maxLines : 0;
    // Without a listing one page says so, as the window does.
    totalPages_ = doc_.bValFile ? TextPages(TotalLines, LinesPerPage) : 1;
}

void TTextOut::PrintPage(QPainter& p, int page) {
    p.save();
    p.setFont(PrintFont());
    p.setPen(Qt::black);
    const int ascent = p.fontMetrics().ascent();
    if (!doc_.bValFile) {
        p.drawText(QPoint(2, ascent), QStringLiteral("No valid output file available"));
    } else {
        const int first = (page - 1) * LinesPerPage;
        for (int j = 0; j < LinesPerPage && first + j < TotalLines; ++j)
            p.drawText(QPoint(2, j * TextHeight + ascent),
                       QString::fromLatin1(doc_.fileBuffer[static_cast<std::size_t>(first + j)].c_str()));
    }
    p.restore();
}

// ---- Preview and commands ------------------------------------------------------------------------

TPreviewWindow::TPreviewWindow(Printout& out, const QString& windowTitle, QPrinter* printer, QWidget* parent)
    : QPrintPreviewDialog(printer, parent), out_(out), windowTitle_(windowTitle.left(128)) {
    setObjectName(QStringLiteral("printPreview"));
    out_.SetPrintParams(*this->printer());
    preview_ = findChild<QPrintPreviewWidget*>();
    // The preview draws its pages through the same call; printing from the preview's own Print
    // button comes here with the real printer, which may fail.
    connect(this, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pr) { PrintAndReport(this, out_, *pr); });
    if (preview_) {
        // The page shown changes with the navigation buttons, the page field and scrolling; all
        // of them move the preview's scroll bars.
        auto follow = [this] {
            if (preview_->currentPage() != CurrentPage) UpdateCaption(preview_->currentPage());
        };
        connect(preview_, &QPrintPreviewWidget::previewChanged, this, follow);
        if (auto* view = preview_->findChild<QGraphicsView*>()) {
            connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
            connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
        }
    }
    UpdateCaption(1);
}

void TPreviewWindow::UpdateCaption(int page) {
    CurrentPage = page;
    setWindowTitle(QString::asprintf("%s - Print preview - Page %d of %d",
                                     windowTitle_.toLocal8Bit().constData(), page, out_.TotalPages()));
}

QPrinter& AppPrinter() {
    static std::unique_ptr<QPrinter> printer;
    if (!printer) printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

void CmFilePrint(QWidget* parent, Printout& out) {
    QPrinter& printer = AppPrinter();
    printer.setDocName(out.title());
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false); // no page range: all pages
    if (dialog.exec() != QDialog::Accepted) return;
    PrintAndReport(parent, out, printer);
}

void CmFilePrintPreview(QWidget* parent, Printout& out, const QString& windowTitle) {
    QPrinter& printer = AppPrinter();
    printer.setDocName(out.title());
    TPreviewWindow preview(out, windowTitle, &printer, parent);
    preview.exec();
}

} // namespace kivo::app
