#pragma once
// The undo history of the open project: every change the document reports (Host::NetworkChanged)
// becomes a command on a QUndoStack holding the network images before and after it. The Edit
// menu's Undo and Redo name the change; the stack's clean state is the saved project, so undoing
// back to it clears the changed mark and leaving it sets the mark.

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <memory>

class QAction;

namespace kivo {
class kivoMDIClient;
class NetworkImage;
} // namespace kivo

namespace kivo::app {

class UndoHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int kDepth = 100;

    UndoHistory(kivoMDIClient& doc, QObject* parent);

    QUndoStack& stack() { return stack_; }
    // "Undo <change>" / "Redo <change>", disabled "Undo" / "Redo" when there is none; Ctrl+Z and
    // Alt+Backspace, Ctrl+Y and Ctrl+Shift+Z. Neither acts while a change is still running (a drag).
    QAction* undoAction() const { return undo_; }
    QAction* redoAction() const { return redo_; }

    // A change that ended; `wasDirty`: the project was marked changed before it.
    void Push(const std::string& name, std::shared_ptr<const NetworkImage> before,
              std::shared_ptr<const NetworkImage> after, bool wasDirty);
    // The project was saved: the network as it is now is the clean state.
    void Saved();
    // A change to the project file that is not undone (a display toggle): no state on the stack is
    // the saved project any more.
    void UntrackedChange();
    // A project was opened, created or closed: the history starts empty and clean.
    void Clear();

private:
    kivoMDIClient& doc_;
    QUndoStack stack_;
    QAction* undo_;
    QAction* redo_;
    bool clearing_ = false;
};

} // namespace kivo::app
