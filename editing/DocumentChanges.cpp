#include "editing/DocumentChanges.h"

void DocumentChanges::apply(const std::function<void()>& change) {
    try {
        change();
    } catch (...) {
        // Part of the change may have happened: the document must count as changed.
        unsaved_ = true;
        emit documentChanged();
        throw;
    }
    unsaved_ = true;
    emit documentChanged();
}

void DocumentChanges::markUnsaved() { unsaved_ = true; }

void DocumentChanges::markSaved() { unsaved_ = false; }
