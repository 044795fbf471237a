// Every top-level window remembers its position and size in the settings
// store: four decimal values named by the window's prefix, "Top", "Left",
// "Width" and "Height". A window loads them when it is constructed and stores
// them from its resize handler, except for the first resize it handles (the
// one the toolkit delivers while the window comes up), and whenever it is
// moved while shown.
#pragma once

#include <QString>
#include <QStringList>

class QTableWidget;
class QWidget;
class SettingsStore;

class WindowPlacement {
public:
    WindowPlacement(QWidget* window, QString prefix, SettingsStore& settings);

    // Reads Top, Left, Width and Height in that order, each defaulting to the
    // window's current value, and applies each at once.
    void load();
    void store();
    // Some of the window's place is stored: the user moved or sized it.
    bool userPlaced() const;

    // The resize rule: counts the notification and stores the placement from
    // the second one on. Returns true when it stored.
    bool resized();
    // A shown window that moved keeps its new place.
    void moved();
    // The next resize is counted as the first again (a tool window shown anew).
    void resetCount() { resizeCount_ = 0; }
    int resizeCount() const { return resizeCount_; }

private:
    QWidget* window_;
    QString prefix_;
    SettingsStore& settings_;
    int resizeCount_ = 0;
};

// The 28 placement values the reset command deletes, in its order.
const QStringList& storedPlacementNames();
// Where the text frame and the node details were docked or floating; the
// reset forgets them too.
extern const char* const TextFramePlacePrefix;
extern const char* const NodeDetailsPlacePrefix;
// Deletes every stored placement, so the next start uses the design places.
void forgetStoredPlacements(SettingsStore& settings);

// The grid fill rule: `column` becomes referenceWidth - width of column 0 - 25;
// for a grid with a single column, column 0 becomes the grid's width - 25.
void fitGridColumn(QTableWidget* grid, int column, int referenceWidth);
