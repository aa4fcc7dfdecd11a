#pragma once
// Printing and preview of the graphic views (TKIVOOut) and of the listing (TTextOut).
//
// A printout computes its pages for a printer (SetPrintParams), says which pages it has and
// draws one page on a painter opened on that printer. PrintAll sends every page to a printer,
// which may be a PDF file; TPreviewWindow shows them page by page.

#include <QPrintPreviewDialog>
#include <QString>

#include "model/print_layout.h"

class QAction;
class QPainter;
class QPrinter;
class QWidget;
class QPrintPreviewWidget;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::app {

class Printout {
public:
    explicit Printout(QString title) : title_(std::move(title)) {}
    virtual ~Printout() = default;
    const QString& title() const { return title_; }
    // Page parameters for the printer's page (device pixels and millimetres).
    virtual void SetPrintParams(QPrinter& printer) = 0;
    virtual int TotalPages() const = 0;
    bool HasPage(int page) const { return page >= 1 && page <= TotalPages(); }
    // Draws page `page` (from 1) on a painter opened on the printer.
    virtual void PrintPage(QPainter& p, int page) = 0;

private:
    QString title_;
};

// Prints every page; false when the printer could not be opened (say, an unwritable PDF file),
// refused a page or ended in its error state.
bool PrintAll(Printout& out, QPrinter& printer);
// PrintAll, and a message box naming the PDF file or the printer when it fails.
bool PrintAndReport(QWidget* parent, Printout& out, QPrinter& printer);

// The printout of the plan (0), side (1) or end (2) view: true to scale, tiled over pages.
class TKIVOOut : public Printout {
public:
    TKIVOOut(const QString& title, const kivoMDIClient& doc, int view);
    void SetPrintParams(QPrinter& printer) override;
    int TotalPages() const override { return L.TotalPages; }
    void PrintPage(QPainter& p, int page) override;
    int view() const { return view_; }
    const kivoMDIClient& doc() const { return doc_; }

    PrintLayout L;
    // One page holding the whole limit box at the largest scale that fits, the scale in a footer.
    bool fitToPage = false;
    // The footer of a fitted page: title, view and the scales of its two axes.
    QString FooterText() const;

private:
    void PrntLines(QPainter& p);
    void PrntEllipse(QPainter& p, const COMMON& e);
    void PrntNames(QPainter& p);
    // On a colour printer: the element symbols (or dots) as the views show them.
    void PrntSymbols(QPainter& p);

    bool colour_ = false; // the printer prints in colour

    const kivoMDIClient& doc_;
    int view_;
};

// The printout of the loaded listing: as many lines per page as the font's line height allows.
class TTextOut : public Printout {
public:
    TTextOut(const QString& title, const kivoMDIClient& doc);
    void SetPrintParams(QPrinter& printer) override;
    int TotalPages() const override { return totalPages_; }
    void PrintPage(QPainter& p, int page) override;

    int TextHeight = 0, LinesPerPage = 0, TotalLines = 0;

    // The listing is tabular: a fixed-pitch font keeps its columns.
    static QFont PrintFont();

private:
    const kivoMDIClient& doc_;
    int totalPages_ = 0;
};

// The preview frame: one page at a time, its caption "<window title> - Print preview - Page n of m".
class TPreviewWindow : public QPrintPreviewDialog {
    Q_OBJECT
public:
    TPreviewWindow(Printout& out, const QString& windowTitle, QPrinter* printer, QWidget* parent = nullptr);
    // The paper turned by Fit to Page turns back: the fit belongs to this preview only.
    ~TPreviewWindow() override;
    void UpdateCaption(int page);
    int CurrentPage = 1;
    QPrintPreviewWidget* previewWidget() const { return preview_; }
    // The "Fit to Page" switch of a view's preview (null for the listing).
    QAction* fitAction() const { return fit_; }

private:
    Printout& out_;
    QString windowTitle_;
    QPrintPreviewWidget* preview_ = nullptr;
    QAction* fit_ = nullptr;
    int orientation_ = 0; // the printer's orientation before Fit to Page turned it
};

// The program's printer, created on first use.
QPrinter& AppPrinter();

// A view printed true to scale on more pages than this is offered on one page instead (Print),
// or previewed fitted to one page from the start (Print Preview).
constexpr int kManyPages = 100;

// The Print and Print Preview commands on a printout: the print dialog then all pages, or the
// preview frame (modal).
void CmFilePrint(QWidget* parent, Printout& out);
void CmFilePrintPreview(QWidget* parent, Printout& out, const QString& windowTitle);

} // namespace kivo::app
