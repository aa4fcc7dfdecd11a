#pragma once
// Edit > Find Element: asks for the name of a theodolite, point or scale bar (as the forms name
// them, as the views label them, or a station as the listing names it; case ignored), offering the
// names and labels of the project as the user types.

#include <QString>
#include <QStringList>

class QWidget;

namespace kivo::app {

// The name typed (trimmed), or an empty string when the dialog was cancelled.
QString AskElementName(QWidget* parent, const QStringList& names);

} // namespace kivo::app
