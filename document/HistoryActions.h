// Undo and Redo as actions that follow the document's history the way
// QUndoStack's own actions do, naming the step they take back or make
// again, and that know about text still being typed: Undo then takes the
// typing back first ("Undo Typing") and there is nothing to redo.
#pragma once

#include <QObject>

class Document;
class QAction;

class HistoryActions : public QObject {
    Q_OBJECT
public:
    HistoryActions(Document& document, QObject* parent);

    QAction* undo() const { return undo_; }
    QAction* redo() const { return redo_; }

private:
    void update();

    Document& document_;
    QAction* undo_;
    QAction* redo_;
};
