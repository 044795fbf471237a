// The main window's tree-editing commands: insert a "NewFolder" element
// before, after or under the selected one, delete the selected subtree,
// rename in place, and copy, cut and paste subtrees. Each changes the
// document through the window's DocumentChanges and keeps the tree view in
// step with it.
#pragma once

#include <QObject>

#include "core/Dom.h"
#include "editing/NodeRenaming.h"
#include "editing/SubtreePaste.h"

class TVelmorant;
class UserDialogs;

class TreeEditing : public QObject {
    Q_OBJECT
public:
    // Connects the window's menus, pop-up menus and tool buttons, and makes
    // the tree's labels editable in place.
    TreeEditing(TVelmorant& window, UserDialogs& dialogs);

public slots:
    void BeforePOPMnuClick() { insert(corvantis::Before); }
    void AtEndPOPMnuClick() { insert(corvantis::AtEnd); }
    void UnderPOPMnuClick() { insert(corvantis::Under); }
    void DeletePOPMnuClick();
    // Pops up the insert positions.
    void SpeedButton1Click();

private:
    void connectCommands();
    void insert(corvantis::InsertPosition position);

    TVelmorant& window_;
    NodeRenaming renaming_;
    SubtreePaste paste_;
};
