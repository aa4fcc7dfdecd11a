// Printing a small project to PDF and stepping through the preview.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "adjustment/kivoMDIClient.h"
#include "app/print_out.h"

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
