#pragma once
// Entry point of the modal forms: the shell and the mouse tools open forms through here.

#include "model/host.h"

class QWidget;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::forms {

// Runs the form `id` modally on the document; true when it was confirmed with OK.
bool RunForm(FormId id, kivoMDIClient& doc, QWidget* parent);

} // namespace kivo::forms
