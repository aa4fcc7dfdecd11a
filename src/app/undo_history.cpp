#include "app/undo_history.h"

#include <QAction>
#include <QUndoCommand>

#include "adjustment/kivoMDIClient.h"

namespace kivo::app {

namespace {

// One change: the images of the network before and after it.
class NetworkCommand : public QUndoCommand {
public:
    NetworkCommand(kivoMDIClient& doc, const QString& name, std::shared_ptr<const NetworkImage> before,
                   std::shared_ptr<const NetworkImage> after)
        : QUndoCommand(name), doc_(doc), before_(std::move(before)), after_(std::move(after)) {}

    void undo() override { doc_.RestoreNetwork(before_, *after_); }
    void redo() override {
        // Pushed once the change is done: the first redo has nothing to do.
        if (done_) doc_.RestoreNetwork(after_, *before_);
        done_ = true;
    }

private:
    kivoMDIClient& doc_;
    std::shared_ptr<const NetworkImage> before_, after_;
    bool done_ = false;
};

// A change's name as menu text: an ampersand is no mnemonic.
QString MenuText(const QString& verb, const QString& change) {
    if (change.isEmpty()) return verb;
    return verb + QLatin1Char(' ') + QString(change).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

UndoHistory::UndoHistory(kivoMDIClient& doc, QObject* parent) : QObject(parent), doc_(doc) {
    stack_.setUndoLimit(kDepth);
    undo_ = new QAction(QStringLiteral("Undo"), this);
    undo_->setObjectName(QStringLiteral("CmEditUndo"));
    undo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    undo_->setStatusTip(QStringLiteral("Takes back the last change"));
    undo_->setEnabled(false);
    redo_ = new QAction(QStringLiteral("Redo"), this);
    redo_->setObjectName(QStringLiteral("CmEditRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redo_->setStatusTip(QStringLiteral("Makes the change taken back again"));
    redo_->setEnabled(false);

    connect(undo_, &QAction::triggered, this, [this] {
        if (!doc_.InChange()) stack_.undo();
    });
    connect(redo_, &QAction::triggered, this, [this] {
        if (!doc_.InChange()) stack_.redo();
    });
    connect(&stack_, &QUndoStack::canUndoChanged, undo_, &QAction::setEnabled);
    connect(&stack_, &QUndoStack::canRedoChanged, redo_, &QAction::setEnabled);
    connect(&stack_, &QUndoStack::undoTextChanged, this,
            [this](const QString& text) { undo_->setText(MenuText(QStringLiteral("Undo"), text)); });
    connect(&stack_, &QUndoStack::redoTextChanged, this,
            [this](const QString& text) { redo_->setText(MenuText(QStringLiteral("Redo"), text)); });
    connect(&stack_, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (!clearing_) doc_.bFileDirty = !clean;
    });
}

void UndoHistory::Push(const std::string& name, std::shared_ptr<const NetworkImage> before,
                       std::shared_ptr<const NetworkImage> after, bool wasDirty) {
    // Changed before with nothing on the stack to take back: the saved state is out of reach.
    const bool unreachable = wasDirty && stack_.isClean();
    stack_.push(new NetworkCommand(doc_, QString::fromStdString(name), std::move(before), std::move(after)));
    if (unreachable) stack_.resetClean();
    doc_.bFileDirty = true;
}

void UndoHistory::Saved() {
    stack_.setClean();
}

void UndoHistory::UntrackedChange() {
    stack_.resetClean();
}

void UndoHistory::Clear() {
    clearing_ = true;
    stack_.clear();
    clearing_ = false;
}

} // namespace kivo::app
