#pragma once
// The help viewer: a window of HTML pages compiled into the resources, opened at a context number
// (resources/help/<number>.html), at the contents or at the page on using help.

#include <QWidget>

class QTextBrowser;

namespace kivo::app {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Opens the page of a context number; false (and the contents shown) when there is none.
    bool OpenContext(int context);
    void OpenContents();
    void OpenUsingHelp();
    // Opens a page by its resource path (the forms' pages, ":/forms_help/ctx_<N>.html").
    void OpenPage(const QString& page);
    // The page shown, as a resource path (":/help/108.html").
    QString CurrentPage() const;
    static bool HasPage(int context);

private:
    void Show(const QString& page);
    QTextBrowser* browser_;
};

} // namespace kivo::app
