// Drag-and-dock for panels that can leave the window they were built in.
// The user drags a panel by one of its handles with the left mouse button;
// dropped on a dock site the panel docks there, dropped anywhere else it
// floats in a small window of its own. Closing that small window puts the
// panel back where it started.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

class QBoxLayout;
class QDockWidget;
class QDrag;
class QMainWindow;
class QWidget;
class SettingsStore;

class DockablePanel : public QObject {
    Q_OBJECT
public:
    enum class Place { Home, Docked, Floating };

    // `panel` sits in a box layout of its parent, which is its home. Pressing
    // the left mouse button on one of `handles` (the panel or parts of it that
    // are not for typing) and moving starts the drag. `caption` names the
    // floating window. The object belongs to the home parent; should the panel
    // be away from home when it goes, the panel goes with it.
    DockablePanel(QWidget* panel, const QList<QWidget*>& handles, const QString& caption);
    ~DockablePanel() override;

    QWidget* panel() const { return panel_; }
    Place place() const { return place_; }

    void dockInto(QMainWindow* site, Qt::DockWidgetArea area);
    void floatAt(const QPoint& globalTopLeft);
    void returnHome();
    // Shows or hides whatever holds the panel now: its home window, its
    // dock in the window it docked into, or its floating window.
    void setWindowVisible(bool visible);
    // The dock the panel sits in while docked; null elsewhere.
    QDockWidget* dock() const;

    // Keeps where the panel is under `prefix` ("Place", "Area" of a docked
    // panel, the floating window's "Top", "Left", "Width" and "Height").
    void storePlace(SettingsStore& settings, const QString& prefix) const;
    // Puts the panel where storePlace left it; with nothing stored, docked
    // into `site` at `defaultArea` when `dockByDefault`, else at home.
    void restorePlace(SettingsStore& settings, const QString& prefix, QMainWindow* site, bool dockByDefault,
                      Qt::DockWidgetArea defaultArea = Qt::BottomDockWidgetArea);

signals:
    // The panel docked, floats or came home.
    void placeChanged(Place place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startDrag(QWidget* handle);
    // Takes the panel out of the container it is in now; returns the
    // container, which the caller deletes once the panel has a new one.
    QWidget* leaveContainer();

    QPointer<QWidget> panel_;
    QPointer<QWidget> homeParent_;
    QPointer<QBoxLayout> homeLayout_;
    int homeIndex_ = 0;
    QString caption_;
    Place place_ = Place::Home;
    QPointer<QWidget> container_;  // the dock widget or floating window
    QPointer<QMainWindow> site_;   // where it is docked
    QPoint pressedAt_;
    bool pressed_ = false;
};

// Makes a main window a dock site: a panel dropped on it docks at the edge
// nearest to the drop point.
class DockSite : public QObject {
    Q_OBJECT
public:
    explicit DockSite(QMainWindow* window);

    // The window's edge nearest to a point in its own coordinates.
    static Qt::DockWidgetArea nearestEdge(const QWidget* window, const QPoint& point);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow* window_;
};
