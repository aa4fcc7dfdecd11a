// Drives the desktop program the way a new user would and saves pictures on the way:
//   editing_tour OUTDIR
// File > New through the Project and Parameter forms, three theodolites and a dozen points placed
// with the tools, directions and distances drawn, a few points lifted in the side view, Calculate,
// and a double click on a theodolite. Run it under a display (xvfb-run).

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/kivo_app.h"
#include "app/main_frame.h"
#include "app/mdi_child.h"
#include "app/text_window.h"
#include "forms/form_base.h"
#include "model/command_ids.h"
#include "views/tool_cursors.h"
#include "views/view_window.h"

using namespace kivo;
namespace cmd = kivo::cmd;

namespace {

QDir out;

void Save(QWidget* w, const QString& name) {
    w->grab().save(out.filePath(name + QStringLiteral(".png")));
}

// Answers the next modal form: `fill` may set fields; the form is saved as a picture, then OK.
void AnswerForm(const QString& name, std::function<void(QWidget*)> fill = {}) {
    QTimer::singleShot(50, [name, fill] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        if (fill) fill(w);
        QApplication::processEvents();
        Save(w, name);
        static_cast<QDialog*>(w)->accept();
    });
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QTest::qWait(30);
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc != 2) return 1;
    out = QDir(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    QDir::setCurrent(out.absolutePath()); // the new project, its input and listing go here

    app::kivoApp app;
    app.InitMainWindow(false);
    app::kivoDecoratedMDIFrame* frame = app.frame();
    frame->resize(1300, 950);
    frame->show();
    kivoMDIClient& doc = app.doc();
    Settle();

    // File > New: the two forms.
    AnswerForm(QStringLiteral("form-project"), [](QWidget* w) {
        w->findChild<QLineEdit*>(forms::CtlName(forms::ctl::ProjectName))
            ->setText(QStringLiteral("Assembly hall 4"));
        w->findChild<QLineEdit*>(forms::CtlName(forms::ctl::ProjectTask))
            ->setText(QStringLiteral("Jig survey design"));
        w->findChild<QLineEdit*>(forms::CtlName(forms::ctl::ProjectDate))
            ->setText(QStringLiteral("2024-05-02"));
        AnswerForm(QStringLiteral("form-parameters"));
    });
    frame->Action(cmd::FileNew)->trigger();
    Settle();
    frame->mdiArea()->tileSubWindows();
    Settle();
    Save(frame, QStringLiteral("tour-1-new"));

    views::TKIVOWindow* plan = frame->view(0);
    QWidget* port = plan->viewport();
    frame->mdiArea()->setActiveSubWindow(frame->child(0));
    Settle();
    auto box = [&](views::TKIVOWindow* v) {
        const KRect client{0, 0, v->viewport()->width(), v->viewport()->height()};
        return doc.VisibleLimitBox(v->view(), v->horzOrigin, v->vertOrigin, client);
    };
    const KRect b = box(plan);
    auto at = [&](double fx, double fy) {
        return QPoint(b.left + static_cast<int>(fx * (b.right - b.left)),
                      b.top + static_cast<int>(fy * (b.bottom - b.top)));
    };

    // Three theodolites around the object, a dozen points on it.
    frame->Action(cmd::TheoTool)->trigger();
    const QPoint theos[3] = {at(0.12, 0.15), at(0.88, 0.2), at(0.5, 0.9)};
    for (const QPoint& p : theos)
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, p);
    QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(-5, -5));
    frame->Action(cmd::PointTool)->trigger();
    std::vector<QPoint> points;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            points.push_back(at(0.3 + 0.13 * c, 0.38 + 0.12 * r));
    for (const QPoint& p : points)
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, p);
    QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(-5, -5));
    Settle();
    Save(frame, QStringLiteral("tour-2-placed"));

    // Directions from every theodolite to every point, and the collimations between them.
    frame->Action(cmd::DirTool)->trigger();
    QTest::mouseClick(port, Qt::LeftButton, {}, theos[0]);
    QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, theos[1]);
    QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, theos[2]);
    Settle();
    Save(plan, QStringLiteral("tour-3-sources-marked"));
    for (const QPoint& p : points)
        QTest::mouseClick(port, Qt::LeftButton, {}, p);
    for (const QPoint& t : theos)
        QTest::mouseClick(port, Qt::LeftButton, {}, t);
    QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(-5, -5));
    // Distances from the first theodolite to the corners of the object, and along one edge.
    frame->Action(cmd::DistTool)->trigger();
    QTest::mouseClick(port, Qt::LeftButton, {}, theos[0]);
    for (int i : {0, 3, 8, 11})
        QTest::mouseClick(port, Qt::LeftButton, {}, points[static_cast<std::size_t>(i)]);
    QTest::mouseClick(port, Qt::LeftButton, Qt::ControlModifier, points[0]);
    QTest::mouseClick(port, Qt::LeftButton, {}, points[3]);
    QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(-5, -5));
    Settle();
    Save(frame, QStringLiteral("tour-4-measured"));

    // Lift the theodolites in the side view and move two points in the end view, by dragging; each
    // view is first scrolled to where the network is, as a user would.
    auto centre = [&](views::TKIVOWindow* v, const COMMON& c) {
        v->horizontalScrollBar()->setValue(c.hcoord[v->view()] - v->viewport()->width() / 2);
        v->verticalScrollBar()->setValue(c.vcoord[v->view()] - v->viewport()->height() / 2);
        Settle();
    };
    auto drag = [&](views::TKIVOWindow* v, int kind, int slot, QPoint by) {
        const COMMON& c = doc.Common(kind, slot);
        const QPoint from(c.hcoord[v->view()] + v->horzOrigin, c.vcoord[v->view()] + v->vertOrigin);
        QTest::mousePress(v->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(v->viewport(), from + by);
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, from + by);
    };
    views::TKIVOWindow* side = frame->view(1);
    views::TKIVOWindow* end = frame->view(2);
    centre(side, doc.pointList[5]);
    centre(end, doc.pointList[5]);
    for (int i = 0; i < doc.nMaxTheos; ++i)
        drag(side, SEL_THEO, i, QPoint(0, -30 - 10 * i));
    drag(end, SEL_POINT, 4, QPoint(0, -20));
    drag(end, SEL_POINT, 8, QPoint(0, 15));
    Settle();
    Save(frame, QStringLiteral("tour-5-dragged"));

    // Save (the listing is shown for a project on disk), then Calculate: ellipses in the views, the
    // listing in the text view.
    doc.SaveAs(out.filePath(QStringLiteral("HALL4.SIM")).toStdString());
    frame->Action(cmd::Ellipse)->setEnabled(true);
    if (!doc.bEllipse) frame->Action(cmd::Ellipse)->trigger();
    frame->Action(cmd::Calculate)->trigger();
    Settle();
    Save(frame, QStringLiteral("tour-6-calculated"));
    for (int i = 0; i < 4; ++i)
        Save(frame->child(i), QStringLiteral("tour-view%1").arg(i));

    // A double click on a theodolite in the plan view opens its form.
    frame->mdiArea()->setActiveSubWindow(frame->child(0));
    Settle();
    const COMMON& t = doc.theoList[0];
    const QPoint tp(t.hcoord[0] + plan->horzOrigin, t.vcoord[0] + plan->vertOrigin);
    AnswerForm(QStringLiteral("form-theodolite"));
    QTest::mouseClick(port, Qt::LeftButton, {}, tp);
    QTest::mouseDClick(port, Qt::LeftButton, {}, tp);
    Settle();
    std::printf("theodolites %d, points %d, distances %d, status \"%s\"\n", doc.nNumTheos, doc.nNumPoints,
                doc.nNumDists, frame->statusText().toLocal8Bit().constData());
    // The twelve tool cursors, three times their size, on the canvas colour and on grey.
    QImage sheet(12 * 100, 200, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        p.fillRect(0, 100, sheet.width(), 100, QColor(128, 128, 128));
        for (int i = 0; i < CUR_COUNT; ++i)
            for (int row = 0; row < 2; ++row)
                p.drawPixmap(i * 100 + 2, row * 100 + 2, views::ToolCursorImage(i).scaled(96, 96));
    }
    sheet.save(out.filePath(QStringLiteral("cursors.png")));
    doc.bFileDirty = false;
    return 0;
}
