// Where the program's windows stand. A first start arranges one window: the
// main window at two thirds of the available screen, centred, with the text
// frame docked beside the tree and the node details docked below the text
// frame. Settings of an earlier version, places stored but no
// "WindowLayout", keep their floating windows. Either way every place the
// user chooses later is kept. The windows that open over the main window
// (the node editors and the source viewer) open clear of the tree's
// selected row and of each other.
#pragma once

#include "widgets/ClearPlacement.h"

class DockablePanel;
class QAbstractItemView;
class QMainWindow;
class QWidget;
class SettingsStore;

class WindowArrangement {
public:
    // Decides the layout and records it as "WindowLayout", so later starts
    // keep it whatever places they find stored.
    explicit WindowArrangement(SettingsStore& settings);

    bool isOneWindow() const { return oneWindow_; }
    // Where the main window stands before its stored place is read.
    void placeMainWindow(QMainWindow& window) const;
    // The text frame and the node details where they were last; with
    // nothing stored, docked into `window` in one window, at home (the
    // frame docked where the desktop places windows itself) otherwise.
    void placePanels(QMainWindow& window, DockablePanel& frame, DockablePanel& details) const;
    void storePanels(const DockablePanel& frame, const DockablePanel& details) const;

    // What a window opening over `window` leaves in view: the row current in
    // `tree` and `other` while it is shown. It opens over what stands beside
    // the tree (the text frame), or over the middle of a window that is all
    // tree.
    static ClearArea clearArea(const QMainWindow& window, const QAbstractItemView& tree, const QWidget* other);

private:
    SettingsStore& settings_;
    bool oneWindow_ = true;
};
