#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace kivo::app {

ProjectRCVersion::ProjectRCVersion()
    : productName(QStringLiteral("KIVO")), productVersion(QStringLiteral("2.0.0")),
      legalCopyright(QStringLiteral("Copyright (C) the Kivo developers")), specialBuild(QString()) {}

namespace {

QLabel* Label(QWidget* parent, const QString& text, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignHCenter);
    return l;
}

} // namespace

kivoAboutDlg::kivoAboutDlg(Kind kind, QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    if (kind == About) {
        setObjectName(QStringLiteral("aboutBox"));
        setWindowTitle(QStringLiteral("About KIVO"));
        auto* icon = new QLabel(this);
        icon->setPixmap(QPixmap(QStringLiteral(":/icons/1003.png")).scaled(48, 48));
        icon->setAlignment(Qt::AlignHCenter);
        layout->addWidget(icon);
        QFont big = font();
        big.setPointSize(big.pointSize() + 4);
        big.setBold(true);
        QLabel* product = Label(this, QStringLiteral("KIVO - Design of Theodolite Measurement Networks"));
        product->setFont(big);
        layout->addWidget(product);
        layout->addWidget(Label(this, QStringLiteral("Version 2.0.0")));
        const ProjectRCVersion v;
        // Product name, build name and version, one blank between those present.
        QStringList line;
        for (const QString& part : {v.productName, QString(), v.productVersion})
            if (!part.isEmpty()) line << part;
        layout->addWidget(Label(this, line.join(QLatin1Char(' ')), "ctl22001"));
        layout->addWidget(Label(this, v.legalCopyright, "ctl22002"));
        QLabel* special = Label(this, v.specialBuild, "ctl22003");
        special->setVisible(!v.specialBuild.isEmpty());
        layout->addWidget(special);
        layout->addSpacing(8);
        layout->addWidget(
            Label(this, QStringLiteral("This program and its documentation are the property of\n"
                                       "the Kivo developers. All rights reserved.\n"
                                       "Use is subject to the terms of its licence.")));
    } else {
        setObjectName(QStringLiteral("disclaimerBox"));
        setWindowTitle(QStringLiteral("KIVO - Disclaimer"));
        auto* text =
            new QLabel(QStringLiteral("KIVO predicts the precision that a planned measurement network\n"
                                      "would reach. Its results are estimates computed from the design\n"
                                      "coordinates and the standard deviations entered by the user;\n"
                                      "they are not measurements and do not replace them.\n"
                                      "\n"
                                      "The program is provided \"as is\", without warranty of any kind,\n"
                                      "express or implied, including fitness for a particular purpose.\n"
                                      "The authors are not liable for any damage or loss arising from\n"
                                      "the use of the program or of its results.\n"
                                      "\n"
                                      "Check every network design against the requirements of the task\n"
                                      "and the instruments before measuring, and verify the results of\n"
                                      "the adjustment of the actual observations."),
                       this);
        layout->addWidget(text);
    }
    layout->addWidget(buttons);
}

} // namespace kivo::app
