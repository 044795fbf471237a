#include "document/HistoryActions.h"

#include <QAction>

#include "document/Document.h"

namespace {

// A step's name is shown as it is, an "&" in a folder's name included.
QString shown(const QString& step) { return QString(step).replace("&", "&&"); }

}  // namespace

HistoryActions::HistoryActions(Document& document, QObject* parent)
    : QObject(parent), document_(document), undo_(new QAction(this)), redo_(new QAction(this)) {
    connect(undo_, &QAction::triggered, &document_, &Document::undo);
    connect(redo_, &QAction::triggered, &document_, &Document::redo);
    connect(&document_.history(), &QUndoStack::indexChanged, this, &HistoryActions::update);
    // Typing starts and ends with a change of the modified state.
    connect(&document_, &Document::modifiedChanged, this, &HistoryActions::update);
    update();
}

void HistoryActions::update() {
    const QUndoStack& history = document_.history();
    const bool typing = document_.isTyping();
    undo_->setEnabled(typing || history.canUndo());
    undo_->setText(typing                ? tr("&Undo Typing")
                   : history.canUndo() ? tr("&Undo %1").arg(shown(history.undoText()))
                                       : tr("&Undo"));
    const bool redoable = !typing && history.canRedo();
    redo_->setEnabled(redoable);
    redo_->setText(redoable ? tr("&Redo %1").arg(shown(history.redoText())) : tr("&Redo"));
}
