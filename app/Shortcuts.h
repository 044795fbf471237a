// The main window's keyboard shortcuts, all in one place so that none can
// clash with another. A shortcut only starts the command its menu item
// starts; the menus show it beside the caption.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class MainWindow;

struct CommandShortcut {
    const char* action;  // the object name of the main window's action
    QList<QKeySequence> keys;
};

// Every command that has a shortcut, with its keys on this desktop.
QList<CommandShortcut> commandShortcuts();

// Puts the shortcuts on the window's actions; the file commands work from
// the text editor window too. Those that act on the selected tree node
// (rename, delete, copy, cut, paste, insert) only work while the tree has the
// keyboard focus, so the same keys still edit text in a field. Return in the
// tree shows the selected node's details. Needs the text editor attached.
void applyShortcuts(MainWindow& window);
