// The one funnel through which every command changes the document: it runs
// the change and marks the document as having unsaved changes. Keeping all
// changes here lets an undo history be added later without touching the
// command handlers.
#pragma once

#include <functional>

#include <QObject>

class DocumentChanges : public QObject {
    Q_OBJECT
public:
    explicit DocumentChanges(QObject* parent = nullptr) : QObject(parent) {}

    // Runs `change` and marks the document changed, also when the change
    // ends with an exception (part of it may have happened).
    void apply(const std::function<void()>& change);

    // Unsaved edits that are not yet in the document (text typed in the text
    // frame) mark it too.
    void markUnsaved();
    // After a complete save or load.
    void markSaved();
    bool hasUnsavedChanges() const { return unsaved_; }

signals:
    // The document changed through apply().
    void documentChanged();

private:
    bool unsaved_ = false;
};
