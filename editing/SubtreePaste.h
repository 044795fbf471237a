// Copy, cut and paste of subtrees. Copy and Cut only mark the selected
// element's tree item; a paste then places a copy of the marked subtree, or
// moves the subtree itself, beside or under the selected element.
#pragma once

#include "core/Dom.h"

class QTreeWidgetItem;
class TVelmorant;
class UserDialogs;

class SubtreePaste {
public:
    enum MarkMode : int { NoMark = 0, CutMark = 4, CopyMark = 5 };

    SubtreePaste(TVelmorant& window, UserDialogs& dialogs);

    void CopyPOPMnuClick() { markSelected(CopyMark); }
    void CutPOPMnuClick() { markSelected(CutMark); }
    // Pops up the paste positions.
    void PasteButtonClick();
    void Before2Click() { paste(corvantis::Before); }
    void AtEnd2Click() { paste(corvantis::AtEnd); }
    void Under2Click() { paste(corvantis::Under); }
    // Every item but the marked one shows the normal images.
    void ResetItemImages();

    // Drops the mark when `removed` is about to leave the tree and the
    // marked item is it or lies below it.
    void forgetMarkWithin(const QTreeWidgetItem* removed);

private:
    void markSelected(MarkMode mode);
    void paste(corvantis::InsertPosition position);

    TVelmorant& window_;
    UserDialogs& dialogs_;
};
