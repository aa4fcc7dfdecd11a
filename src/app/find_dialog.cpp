#include "app/find_dialog.h"

#include <QCompleter>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace kivo::app {

QString AskElementName(QWidget* parent, const QStringList& names) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("findElementDialog"));
    dialog.setWindowTitle(QStringLiteral("Find Element"));
    auto* layout = new QFormLayout(&dialog);
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("findName"));
    edit->setMinimumWidth(200);
    auto* completer = new QCompleter(names, edit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    edit->setCompleter(completer);
    layout->addRow(QStringLiteral("&Name:"), edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return edit->text().trimmed();
}

} // namespace kivo::app
