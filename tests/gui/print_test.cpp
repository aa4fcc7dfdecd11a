// Printing a small project to PDF and stepping through the preview.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "adjustment/kivoMDIClient.h"
#include "app/print_out.h"
#include "forms_app.h"
#include "views/symbols.h"

using namespace kivo;

namespace {

struct Small {
    kivoMDIClient doc;
    Small() {
        doc.objScale1 = doc.objScale2 = doc.objScale3 = 1; // 1 cm = 1 unit
        doc.xMin = doc.yMin = doc.zMin = 0;
        doc.xMax = 30, doc.yMax = 20, doc.zMax = 10; // a plan of 30 x 20 cm: tiles over A4 pages
        doc.bCollimate = doc.bDirect = doc.bName = doc.bEllipse = true;
        doc.SetScaleFactors();
        doc.SetWindowParms();
        doc.CreateMemory();
        doc.TrigInit();
        doc.NewTheo("T1", "T1", 0, 1, 2, 2, 1, 0, 0, 0, 0);
        doc.NewTheo("T2", "T2", 0, 2, 28, 18, 1, 0, 0, 0, 0);
        doc.NewPoint("P1", "P1", 15, 10, 5, 0);
        doc.theoList[0].thList.Append(CONNECT1{1, OBS_IDEAL, 0, 0, 0});
        doc.theoList[0].ptList.Append(CONNECT1{0, OBS_IDEAL, 0, 0, 0});
        doc.theoList[0].SyncCounts();
        doc.pointList[0].A[0] = 0.5, doc.pointList[0].B[0] = 0.2;
        doc.bValFile = true;
        for (int i = 0; i < 130; ++i)
            doc.fileBuffer.push_back("listing line " + std::to_string(i + 1));
        doc.maxLines = 130;
        doc.OpenName = "SMALL.SIM";
    }
};

// Pages of a PDF by pdfinfo (poppler-utils); -1 when it could not be read.
int PdfPages(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) return -1;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

TEST(Print, ViewAndListingToPdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo not installed";
    Small s;
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);

    app::TKIVOOut plan(QStringLiteral("SMALL.SIM"), s.doc, 0);
    printer.setOutputFileName(dir.filePath("plan.pdf"));
    ASSERT_TRUE(app::PrintAll(plan, printer));
    // 30 cm plus the borders across a page about 19 cm wide, 20 cm plus borders down about 27.
    EXPECT_EQ(plan.L.hPgMax, 2);
    EXPECT_EQ(plan.L.vPgMax, 1);
    EXPECT_EQ(PdfPages(dir.filePath("plan.pdf")), 2);
    // True to scale: one unit is one centimetre of paper at the printer's resolution.
    EXPECT_NEAR(plan.L.hPrObjScale[0], printer.resolution() / 2.54, 0.01 * printer.resolution() / 2.54);

    app::TTextOut text(QStringLiteral("SMALL.SIM"), s.doc);
    printer.setOutputFileName(dir.filePath("listing.pdf"));
    ASSERT_TRUE(app::PrintAll(text, printer));
    const int expected = (130 + text.LinesPerPage - 1) / text.LinesPerPage;
    EXPECT_GE(text.LinesPerPage, 40);
    EXPECT_EQ(text.TotalPages(), expected);
    EXPECT_EQ(PdfPages(dir.filePath("listing.pdf")), expected);
}

TEST(Print, FitToPageInThePreviewAndInColour) {
    Small s;                      // a plan of 30 x 20 cm: two portrait pages true to scale
    s.doc.axisType = 0;           // axes named x, y, z
    s.doc.pointList[0].yReal = 5; // off the collimation, which would cover the direction
    s.doc.pointList[0].A[0] = 0;  // no ellipse across the page
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    app::TKIVOOut plan(QStringLiteral("SMALL.SIM"), s.doc, 0);
    app::TPreviewWindow preview(plan, QStringLiteral("Plan View"), &printer);
    preview.show();
    QApplication::processEvents();
    ASSERT_NE(preview.fitAction(), nullptr);
    preview.fitAction()->setChecked(true);
    QApplication::processEvents();
    // Wider than tall: landscape, one page, the scale in the footer.
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    for (QAction* a : preview.findChildren<QAction*>())
        if (a->text().remove('&') == QStringLiteral("Landscape")) {
            EXPECT_TRUE(a->isChecked());
        }
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Plan View - Print preview - Page 1 of 1"));
    EXPECT_EQ(preview.previewWidget()->pageCount(), 1);
    EXPECT_GT(plan.L.fitHScale, 1); // 30 cm do not fit across 28: a little coarser
    EXPECT_LT(plan.L.fitHScale, 1.2);
    EXPECT_EQ(
        plan.FooterText(),
        QStringLiteral("SMALL.SIM - Plan View - Scale X: 1 cm = %1 m, Y: 1 cm = %1 m").arg(plan.L.fitHScale));
    preview.fitAction()->setChecked(false);
    QApplication::processEvents();
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Plan View - Print preview - Page 1 of 2"));
    preview.close();

    // Zoomed in far (1 cm = 1 cm), the plan would tile over hundreds of pages: the preview
    // opens fitted to one.
    s.doc.objScale1 = s.doc.objScale2 = 0.01;
    app::TKIVOOut fine(QStringLiteral("SMALL.SIM"), s.doc, 0);
    fine.SetPrintParams(printer);
    EXPECT_GT(fine.TotalPages(), app::kManyPages);
    app::AppPrinter().setPageSize(QPageSize(QPageSize::A4));
    bool seen = false;
    test::WhenModal([&seen](QWidget* w) {
        auto* shown = qobject_cast<app::TPreviewWindow*>(w);
        ASSERT_NE(shown, nullptr);
        seen = true;
        EXPECT_TRUE(shown->fitAction()->isChecked());
        EXPECT_TRUE(shown->windowTitle().endsWith(QStringLiteral("Page 1 of 1")))
            << shown->windowTitle().toStdString();
        shown->close();
    });
    app::AppPrinter().setPageOrientation(QPageLayout::Portrait);
    app::CmFilePrintPreview(nullptr, fine, QStringLiteral("Plan View"));
    EXPECT_TRUE(seen);
    EXPECT_EQ(app::AppPrinter().pageLayout().orientation(), QPageLayout::Portrait); // turned back
    s.doc.objScale1 = s.doc.objScale2 = 1;

    // On a colour printer the symbols and the screen's line colours appear; in grey scale neither.
    auto render = [&](QPrinter::ColorMode mode) {
        QPrinter pr(QPrinter::ScreenResolution);
        pr.setOutputFormat(QPrinter::PdfFormat);
        pr.setPageSize(QPageSize(QPageSize::A4));
        pr.setPageOrientation(QPageLayout::Landscape);
        pr.setColorMode(mode);
        plan.fitToPage = true;
        plan.SetPrintParams(pr);
        QImage img(pr.width(), pr.height(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        plan.PrintPage(p, 1);
        return img;
    };
    auto count = [](const QImage& img, QRgb c) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixel(x, y) == c;
        return n;
    };
    const QImage colour = render(QPrinter::Color), grey = render(QPrinter::GrayScale);
    EXPECT_GT(count(colour, qRgb(0, 0, 255)), 50); // the direction T1 -> P1
    EXPECT_GT(count(colour, qRgb(0, 255, 0)), 50); // the collimation T1 -> T2
    EXPECT_EQ(count(grey, qRgb(0, 0, 255)), 0);
    EXPECT_EQ(count(grey, qRgb(0, 255, 0)), 0);
    int h, v;
    plan.L.CalcObjectPrPos(s.doc.pointList[0], 0, &h, &v);
    const QImage sym = views::SymbolImage(views::Symbol::Point);
    const QPoint off = views::SymbolOffset(views::Symbol::Point);
    // The point's symbol image, pixel for pixel at a screen-resolution printer.
    int same = 0, opaque = 0;
    for (int y = 0; y < sym.height(); ++y)
        for (int x = 0; x < sym.width(); ++x)
            if (qAlpha(sym.pixel(x, y)) == 255) {
                ++opaque;
                same += colour.pixel(h + off.x() + x, v + off.y() + y) == (sym.pixel(x, y) | 0xFF000000u);
            }
    EXPECT_GT(same, opaque * 8 / 10);
}

TEST(Print, AFileThatCannotBeWrittenIsReported) {
    Small s;
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString file = dir.filePath("no-such-folder/plan.pdf");
    printer.setOutputFileName(file);
    app::TKIVOOut plan(QStringLiteral("SMALL.SIM"), s.doc, 0);
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    EXPECT_FALSE(app::PrintAndReport(nullptr, plan, printer));
    EXPECT_TRUE(shown.contains(file)) << shown.toStdString();
}

TEST(Print, PreviewCaptionFollowsThePage) {
    Small s;
    app::TKIVOOut plan(QStringLiteral("SMALL.SIM"), s.doc, 0);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    app::TPreviewWindow preview(plan, QStringLiteral("Plan View"), &printer);
    preview.show();
    QApplication::processEvents();
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Plan View - Print preview - Page 1 of 2"));
    ASSERT_NE(preview.previewWidget(), nullptr);
    preview.previewWidget()->setCurrentPage(2);
    QApplication::processEvents();
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Plan View - Print preview - Page 2 of 2"));
    EXPECT_EQ(preview.CurrentPage, 2);
    preview.close();
}
