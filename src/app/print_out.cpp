#include "app/print_out.h"

#include <QAction>
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
#include <QToolBar>
#include <cmath>
#include <memory>

#include "adjustment/kivoMDIClient.h"
#include "adjustment/precision.h"
#include "model/form_values.h"
#include "views/symbols.h"
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

// The screen's line colours (collimations green, directions blue) for a colour printer: solid, as
// the views draw them, at the width of the black pen.
QPen ColourPen(const PrintLayout& L, const QColor& c) {
    QPen pen = PrintPen(L);
    pen.setStyle(Qt::SolidLine);
    pen.setColor(c);
    return pen;
}

// The views' symbols are drawn for a screen of 96 dots per inch; on paper they keep that size.
double SymbolZoom(const PrintLayout& L) {
    return L.horzSize > 0 ? (L.horzRes / L.horzSize) / (96.0 / 25.4) : 1.0;
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
    colour_ = printer.colorMode() == QPrinter::Color;
    if (fitToPage) {
        // Two lines of the print font: the footer and a gap above it.
        const QFontMetrics fm(QApplication::font(), &printer);
        L.SetFitToPage(doc_, view_, s.horzRes, s.vertRes, s.horzSize, s.vertSize, 2 * fm.height());
    } else {
        L.SetPrintParams(doc_, view_, s.horzRes, s.vertRes, s.horzSize, s.vertSize);
    }
}

QString TKIVOOut::FooterText() const {
    // The plane's two axes: plan 1 and 2, side 1 and 3, end 2 and 3.
    const int axes[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    const char* unit = doc_.units == UNITS_METERS ? "m"
                       : doc_.units == UNITS_MM   ? "mm"
                       : doc_.units == UNITS_FEET ? "feet"
                                                  : "in";
    auto scale = [&](int k, double s) {
        return QStringLiteral("%1: 1 cm = %2 %3")
            .arg(QChar::fromLatin1(AxisLetter(doc_.label, doc_.axisType, axes[view_][k])))
            .arg(QString::number(s, 'g', 6), QString::fromLatin1(unit));
    };
    const double hs = L.fitHScale > 0 ? L.fitHScale : (view_ == 2 ? doc_.objScale2 : doc_.objScale1);
    const double vs = L.fitVScale > 0 ? L.fitVScale : (view_ == 0 ? doc_.objScale2 : doc_.objScale3);
    return QStringLiteral("%1 - %2 - Scale %3, %4")
        .arg(title(), QString::fromLatin1(doc_.szViewNames[view_]), scale(0, hs), scale(1, vs));
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
    if (colour_) PrntSymbols(p);
    if (doc_.bName) PrntNames(p);
    if (fitToPage) {
        p.setClipping(false);
        p.setPen(Qt::black);
        const QFontMetrics fm = p.fontMetrics();
        p.drawText(QPoint(L.printOriginX, L.vertRes - fm.descent()), FooterText());
    }
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
    const QPen black = p.pen();
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
        if (colour_) p.setPen(ColourPen(L, QColor(0, 0, 255)));
        lists(&THEODOLITE::ptList, doc_.pointList);
        lists(&THEODOLITE::sbList, doc_.sbarList);
    }
    if (doc_.bCollimate) {
        if (colour_) p.setPen(ColourPen(L, QColor(0, 255, 0)));
        lists(&THEODOLITE::thList, doc_.theoList);
    }
    p.setPen(black);
}

void TKIVOOut::PrntSymbols(QPainter& p) {
    using views::Symbol;
    const double zoom = SymbolZoom(L);
    const QPen before = p.pen();
    auto one = [&](const COMMON& e, Symbol s, const QColor& pen, const QColor& brush) {
        if (!(e.flags & ELEM_INUSE)) return;
        int h, v;
        L.CalcObjectPrPos(e, view_, &h, &v);
        if (doc_.bObject) {
            const QImage& img = views::SymbolImage(s);
            const QPoint off = views::SymbolOffset(s);
            p.drawImage(
                QRectF(h + off.x() * zoom, v + off.y() * zoom, img.width() * zoom, img.height() * zoom), img);
        } else {
            // The views' dot: four pixels across, outlined in the kind's colour.
            p.setPen(ColourPen(L, pen));
            p.setBrush(brush);
            p.drawEllipse(QRectF(h - 2 * zoom, v - 2 * zoom, 3 * zoom, 3 * zoom));
            p.setBrush(Qt::NoBrush);
        }
    };
    for (int i = 0; i < doc_.nMaxTheos; ++i)
        one(doc_.theoList[i], Symbol::Theo, QColor(0, 255, 0), Qt::black);
    for (int i = 0; i < doc_.nMaxPoints; ++i) {
        const bool fixed = (doc_.pointList[i].coordStat & 0x2A) != 0;
        one(doc_.pointList[i], fixed ? Symbol::PointFixed : Symbol::Point, QColor(255, 255, 0), Qt::black);
    }
    for (int i = 0; i < doc_.nMaxSBars; ++i)
        one(doc_.sbarList[i], Symbol::SBar, QColor(255, 0, 0), QColor(255, 255, 0));
    p.setPen(before);
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
        for (int j = 0; j < LinesPerPage && first + j < TotalLines; ++j) {
            const std::string_view line = doc_.fileBuffer[static_cast<std::size_t>(first + j)];
            p.drawText(QPoint(2, j * TextHeight + ascent),
                       QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
        }
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
    if (auto* view = dynamic_cast<TKIVOOut*>(&out_)) {
        // Fit to Page: one page with the whole limit box, on landscape paper when the box is wider
        // than tall; off again, the printer's orientation comes back.
        fit_ = new QAction(QStringLiteral("Fit to Page"), this);
        fit_->setObjectName(QStringLiteral("fitToPage"));
        fit_->setCheckable(true);
        fit_->setToolTip(QStringLiteral("One page holding the whole limit box"));
        if (auto* bar = findChild<QToolBar*>()) {
            bar->addSeparator();
            bar->addAction(fit_);
        }
        connect(fit_, &QAction::toggled, this, [this, view](bool on) {
            QPrinter* pr = this->printer();
            view->fitToPage = on;
            QPageLayout::Orientation o;
            if (on) {
                orientation_ = pr->pageLayout().orientation();
                o = WiderThanTall(view->doc(), view->view()) ? QPageLayout::Landscape : QPageLayout::Portrait;
            } else {
                o = static_cast<QPageLayout::Orientation>(orientation_);
            }
            pr->setPageOrientation(o);
            // The preview's own orientation buttons show the paper as it now is.
            for (QAction* a : findChildren<QAction*>()) {
                const QString text = a->text().remove(QLatin1Char('&'));
                if (text == QLatin1String("Landscape")) a->setChecked(o == QPageLayout::Landscape);
                if (text == QLatin1String("Portrait")) a->setChecked(o == QPageLayout::Portrait);
            }
            if (preview_) preview_->updatePreview();
            out_.SetPrintParams(*pr);
            UpdateCaption(1);
            if (preview_) preview_->setCurrentPage(1);
        });
    }
    UpdateCaption(1);
}

TPreviewWindow::~TPreviewWindow() {
    if (fit_ && fit_->isChecked() && printer())
        printer()->setPageOrientation(static_cast<QPageLayout::Orientation>(orientation_));
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
    if (auto* view = dynamic_cast<TKIVOOut*>(&out)) {
        // A view zoomed in far tiles over more sheets than anybody means to print.
        view->fitToPage = false;
        view->SetPrintParams(printer);
        if (view->TotalPages() > kManyPages) {
            const auto answer = QMessageBox::question(
                parent, QStringLiteral("KIVO"),
                QStringLiteral("At its drawing scale the view fills %1 pages. Print it on one page instead?")
                    .arg(view->TotalPages()),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
            if (answer == QMessageBox::Cancel) return;
            view->fitToPage = answer == QMessageBox::Yes;
        }
    }
    PrintAndReport(parent, out, printer);
}

void CmFilePrintPreview(QWidget* parent, Printout& out, const QString& windowTitle) {
    QPrinter& printer = AppPrinter();
    printer.setDocName(out.title());
    TPreviewWindow preview(out, windowTitle, &printer, parent);
    // Hundreds of tiles are not worth drawing to look at: such a view opens fitted to a page.
    if (preview.fitAction() && out.TotalPages() > kManyPages) preview.fitAction()->setChecked(true);
    preview.exec();
}

} // namespace kivo::app
