#pragma once
// The cursors of the mouse tools (ToolCursor roles of the document), drawn in code once.

#include <QCursor>
#include <QPixmap>

namespace kivo::views {

// The cursor of a role (CUR_ARROW .. CUR_HOURGLASS); roles out of range give the arrow.
const QCursor& ToolCursorFor(int role);
// The 32 x 32 image of a role, for tests and the help pages.
QPixmap ToolCursorImage(int role);

} // namespace kivo::views
