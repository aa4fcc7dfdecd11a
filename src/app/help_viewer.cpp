#include "app/help_viewer.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kivo::app {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QStringLiteral("KIVO Help"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/help")});
    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    connect(contents, &QPushButton::clicked, this, &HelpViewer::OpenContents);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(640, 560);
}

bool HelpViewer::HasPage(int context) {
    return QFile::exists(QStringLiteral(":/help/%1.html").arg(context));
}

void HelpViewer::Show(const QString& page) {
    browser_->setSource(QUrl(QStringLiteral("qrc") + page));
    show();
    raise();
    activateWindow();
}

bool HelpViewer::OpenContext(int context) {
    if (!HasPage(context)) {
        OpenContents();
        return false;
    }
    Show(QStringLiteral(":/help/%1.html").arg(context));
    return true;
}

void HelpViewer::OpenContents() {
    Show(QStringLiteral(":/help/index.html"));
}

void HelpViewer::OpenPage(const QString& page) {
    if (QFile::exists(page))
        Show(page);
    else
        OpenContents();
}

void HelpViewer::OpenUsingHelp() {
    Show(QStringLiteral(":/help/using.html"));
}

QString HelpViewer::CurrentPage() const {
    const QUrl url = browser_->source();
    return url.scheme() == QStringLiteral("qrc") ? QStringLiteral(":") + url.path() : url.toString();
}

} // namespace kivo::app
