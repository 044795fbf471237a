// Renaming an element by editing its label in the tree view: the "Edit Node
// Name" command, and the checks when a label edit begins and ends.
#pragma once

#include <QString>

class QTreeWidgetItem;
class TVelmorant;
class UserDialogs;

class NodeRenaming {
public:
    NodeRenaming(TVelmorant& window, UserDialogs& dialogs);

    // Makes the selected element current and opens its label for editing.
    void EditNodeNamePOPMnuClick();
    // Whether the label of `item` may be edited: only elements have names to change.
    bool TreeViewEditing(QTreeWidgetItem* item);
    // The user confirmed `typed` as the label of `item`; returns the label to show.
    QString TreeViewEdited(QTreeWidgetItem* item, const QString& typed);

private:
    TVelmorant& window_;
    UserDialogs& dialogs_;
    // The edited label as it was when the edit began.
    QString savedLabelText_;
};
