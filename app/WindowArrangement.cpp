#include "app/WindowArrangement.h"

#include <QAbstractItemView>
#include <QDockWidget>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include "widgets/Docking.h"
#include "widgets/SettingsStore.h"
#include "widgets/WindowPlacement.h"

namespace {

const char* const LayoutName = "WindowLayout";
const char* const OneWindow = "OneWindow";
const char* const Floating = "Floating";

bool earlierPlacesStored(const SettingsStore& settings) {
    for (const QString& name : storedPlacementNames())
        if (settings.contains(name)) return true;
    return settings.contains(QString(TextFramePlacePrefix) + "Place");
}

QRect availableScreen(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

}  // namespace

WindowArrangement::WindowArrangement(SettingsStore& settings) : settings_(settings) {
    QString layout = settings_.readText(LayoutName, QString());
    if (layout != OneWindow && layout != Floating) {
        layout = earlierPlacesStored(settings_) ? Floating : OneWindow;
        settings_.writeText(LayoutName, layout);
    }
    oneWindow_ = layout == OneWindow;
}

void WindowArrangement::placeMainWindow(QMainWindow& window) const {
    if (!oneWindow_) {
        window.move(5, 2);
        window.resize(324, 439);
        return;
    }
    const QRect screen = availableScreen(window);
    const QSize size(screen.width() * 2 / 3, screen.height() * 2 / 3);
    window.resize(size);
    window.move(screen.center() - QPoint(size.width() / 2, size.height() / 2));
}

void WindowArrangement::placePanels(QMainWindow& window, DockablePanel& frame, DockablePanel& details) const {
    const bool desktopPlaces = QGuiApplication::platformName().startsWith("wayland");
    const Qt::DockWidgetArea beside = oneWindow_ ? Qt::RightDockWidgetArea : Qt::BottomDockWidgetArea;
    frame.restorePlace(settings_, TextFramePlacePrefix, &window, oneWindow_ || desktopPlaces, beside);
    details.restorePlace(settings_, NodeDetailsPlacePrefix, &window, oneWindow_, Qt::RightDockWidgetArea);
    // The docks take the toolkit's shares; the text gets the larger part.
    QDockWidget* text = frame.dock();
    if (!text || window.dockWidgetArea(text) != Qt::RightDockWidgetArea) return;
    window.resizeDocks({text}, {window.width() * 3 / 5}, Qt::Horizontal);
    if (QDockWidget* below = details.dock(); below && window.dockWidgetArea(below) == Qt::RightDockWidgetArea)
        window.resizeDocks({text, below}, {window.height() * 3 / 5, window.height() * 2 / 5}, Qt::Vertical);
}

void WindowArrangement::storePanels(const DockablePanel& frame, const DockablePanel& details) const {
    frame.storePlace(settings_, TextFramePlacePrefix);
    details.storePlace(settings_, NodeDetailsPlacePrefix);
}

ClearArea WindowArrangement::clearArea(const QMainWindow& window, const QAbstractItemView& tree, const QWidget* other) {
    ClearArea area;
    area.screen = availableScreen(window);
    // Over what lies beside the tree, the text rather than other folders.
    const QRect outer = window.frameGeometry();
    const int treeRight = tree.viewport()->mapToGlobal(QPoint(tree.viewport()->width(), 0)).x();
    area.near = treeRight < outer.right() - 100 ? QRect(QPoint(treeRight, outer.top()), outer.bottomRight()).center()
                                                 : outer.center();
    area.frame = window.frameGeometry().size() - window.size();
    // The whole width of the row, wherever its name ends.
    const QRect row = tree.visualRect(tree.currentIndex());
    const QRect shown = QRect(0, row.top(), tree.viewport()->width(), row.height()) & tree.viewport()->rect();
    if (row.isValid() && !shown.isEmpty())
        area.keepClear << QRect(tree.viewport()->mapToGlobal(shown.topLeft()), shown.size());
    if (other && other->isVisible()) area.keepClear << other->frameGeometry();
    return area;
}
