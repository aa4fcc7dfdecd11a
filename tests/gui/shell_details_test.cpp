// Small things of the shell a user meets on the way: menu accelerators, the text view's Home and
// End keys, the status bar after Close, the About box's version line.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include "app/about_dialog.h"
#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/recent_files.h"
#include "app/text_window.h"
#include "forms_app.h"
#include "model/command_ids.h"
#include "support/test_support.h"
#include "views/view_window.h"

using namespace kivo;
using namespace kivo::app;
namespace cmd = kivo::cmd;

namespace {

// The mnemonic of a menu text: the character after a single '&' ("&&" is a plain ampersand), or
// 0 when it has none.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

// Every menu of the bar, filled as when it opens: no two entries share a mnemonic, and no entry
// has more than one.
void ExpectUniqueMnemonics(QMenuBar* bar) {
    QMap<QChar, QString> titles;
    for (QAction* a : bar->actions()) {
        QMenu* menu = a->menu();
        if (!menu) continue;
        const QChar t = Mnemonic(a->text());
        EXPECT_FALSE(t.isNull()) << a->text().toStdString();
        EXPECT_FALSE(titles.contains(t)) << a->text().toStdString() << " and " << titles[t].toStdString();
        titles[t] = a->text();
        emit menu->aboutToShow();
        QMap<QChar, QString> seen;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator()) continue;
            const QString text = item->text().section(QLatin1Char('\t'), 0, 0);
            const QChar m = Mnemonic(text);
            if (m.isNull()) continue;
            EXPECT_FALSE(seen.contains(m))
                << a->text().toStdString() << ": " << text.toStdString() << " and " << seen[m].toStdString();
            seen[m] = text;
            EXPECT_EQ(QString(text).remove(QStringLiteral("&&")).count(QLatin1Char('&')), 1)
                << "one mnemonic in " << text.toStdString();
        }
    }
}

// A project with a listing of `lines` lines.
std::string WriteProject(const std::string& path, int lines) {
    kivoMDIClient doc;
    doc.CreateMemory();
    doc.objScale1 = doc.objScale2 = doc.objScale3 = 1;
    doc.xMin = doc.yMin = doc.zMin = 0;
    doc.xMax = doc.yMax = doc.zMax = 10;
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.NewTheo("Theo1_0", "T10", 1, 0, 2, 5, 1, 0, 0, 0, 0);
    doc.NewPoint("Point1", "P1", 5, 8, 1, 0);
    for (int i = 0; i < 4; ++i)
        doc.mdiFlags[i] = 2;
    doc.OpenName = path;
    EXPECT_TRUE(doc.WriteSimFile());
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "listing line " + std::to_string(i) + "\r\n";
    test::writeText(ChangeFileExt(path, ".OUT"), text);
    return path;
}

class ShellDetails : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<kivoApp>();
        app->InitMainWindow(false);
        frame = app->frame();
        frame->resize(1200, 900);
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        app->doc().bFileDirty = false;
        app.reset();
    }
    test::TempDir dir;
    std::unique_ptr<kivoApp> app;
    kivoDecoratedMDIFrame* frame = nullptr;
};

} // namespace

TEST_F(ShellDetails, EveryMenuHasUniqueAccelerators) {
    for (const QString& p : RecentFiles::List())
        RecentFiles::Remove(p);
    ExpectUniqueMnemonics(frame->menuBar()); // without a project
    // A recent file whose name holds an ampersand adds no mnemonic of its own.
    const std::string path = WriteProject(dir.file("R&D.SIM"), 5);
    app->OpenProject(QString::fromStdString(path));
    QApplication::processEvents();
    ExpectUniqueMnemonics(frame->menuBar()); // the project's menus, recent files and windows listed
    EXPECT_EQ(frame->Action(cmd::Tile)->text(), "&Tile\tShift+F4");
    for (const QString& p : RecentFiles::List())
        RecentFiles::Remove(p);
}

TEST_F(ShellDetails, TextViewHomeAndEndGoToTheFirstAndLastLines) {
    app->OpenProject(QString::fromStdString(WriteProject(dir.file("NET.SIM"), 300)));
    frame->child(3)->showNormal();
    frame->child(3)->resize(500, 300);
    frame->mdiArea()->setActiveSubWindow(frame->child(3));
    QApplication::processEvents();
    TTextWindow* text = frame->textWindow();
    QScrollBar* vb = text->verticalScrollBar();
    ASSERT_GT(vb->maximum(), 200);
    QTest::keyClick(text, Qt::Key_End);
    EXPECT_EQ(vb->value(), vb->maximum());
    EXPECT_EQ(text->thumbPos, vb->maximum());
    QTest::keyClick(text, Qt::Key_Home);
    EXPECT_EQ(vb->value(), 0);
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(vb->value(), vb->maximum());
    QTest::keyClick(text, Qt::Key_PageUp);
    EXPECT_EQ(vb->value(), vb->maximum() - vb->pageStep());
    QTest::keyClick(text, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(vb->value(), 0);
}

TEST_F(ShellDetails, CloseClearsThePointerCoordinates) {
    app->OpenProject(QString::fromStdString(WriteProject(dir.file("NET.SIM"), 0)));
    frame->child(0)->showNormal();
    frame->child(0)->resize(600, 500);
    frame->mdiArea()->setActiveSubWindow(frame->child(0));
    QApplication::processEvents();
    auto* coords = frame->findChild<QLabel*>(QStringLiteral("statusCoords"));
    ASSERT_NE(coords, nullptr);
    QTest::mouseMove(frame->view(0)->viewport(), QPoint(100, 100));
    ASSERT_FALSE(coords->text().isEmpty());
    frame->Command(cmd::FileClose);
    EXPECT_FALSE(app->doc().bFileOpen);
    EXPECT_EQ(coords->text(), "");
}

TEST(About, VersionLineIsSingleSpaced) {
    kivoAboutDlg about(kivoAboutDlg::About);
    auto* line = about.findChild<QLabel*>(QStringLiteral("ctl22001"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "KIVO 2.0.0");
}
