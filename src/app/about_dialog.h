#pragma once
// kivoAboutDlg: the About box (template 22000) and the Disclaimer box (template 22004).

#include <QDialog>

namespace kivo::app {

class kivoAboutDlg : public QDialog {
    Q_OBJECT
public:
    enum Kind { About, Disclaimer };
    kivoAboutDlg(Kind kind, QWidget* parent = nullptr);
};

// The program's version information (product name, version, copyright, special build), the
// values the About box shows in its controls 22001 .. 22003.
struct ProjectRCVersion {
    QString productName, productVersion, legalCopyright, specialBuild;
    ProjectRCVersion();
};

} // namespace kivo::app
