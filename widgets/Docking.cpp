#include "widgets/Docking.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QDockWidget>
#include <QDrag>
#include <QDropEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>

#include "widgets/DragRunner.h"
#include "widgets/SettingsStore.h"

namespace {

const char* const PanelFormat = "application/x-corvantis-panel";

// The dragged panel travels with the drag; only a drag started in this
// program carries it, so nothing from outside can dock.
class PanelMimeData : public QMimeData {
    Q_OBJECT
public:
    explicit PanelMimeData(DockablePanel* panel) : panel_(panel) { setData(PanelFormat, QByteArray()); }
    DockablePanel* panel() const { return panel_; }

private:
    QPointer<DockablePanel> panel_;
};

DockablePanel* draggedPanel(const QDropEvent* event) {
    const auto* data = qobject_cast<const PanelMimeData*>(event->mimeData());
    return data ? data->panel() : nullptr;
}

// Closing the floating window sends the panel home instead of hiding it.
class FloatingWindow : public QWidget {
public:
    // No owner window: the panel's home may itself be a floating panel that
    // goes away while this window still holds something.
    explicit FloatingWindow(DockablePanel* panel) : QWidget(nullptr, Qt::Tool | Qt::WindowCloseButtonHint), panel_(panel) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

protected:
    void closeEvent(QCloseEvent*) override {
        if (panel_) QMetaObject::invokeMethod(panel_, &DockablePanel::returnHome, Qt::QueuedConnection);
    }

private:
    QPointer<DockablePanel> panel_;
};

}  // namespace

DockablePanel::DockablePanel(QWidget* panel, const QList<QWidget*>& handles, const QString& caption)
    : QObject(panel->parentWidget()),
      panel_(panel),
      homeParent_(panel->parentWidget()),
      homeLayout_(qobject_cast<QBoxLayout*>(panel->parentWidget()->layout())),
      caption_(caption) {
    if (homeLayout_) homeIndex_ = std::max(0, homeLayout_->indexOf(panel));
    for (QWidget* handle : handles) handle->installEventFilter(this);
}

DockablePanel::~DockablePanel() {
    // Away from home nothing else owns the panel for good.
    if (place_ != Place::Home) {
        delete container_;
        delete panel_;
    }
}

bool DockablePanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pressed_ = mouse->button() == Qt::LeftButton;
        pressedAt_ = mouse->globalPosition().toPoint();
        break;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (pressed_ && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->globalPosition().toPoint() - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
            pressed_ = false;
            startDrag(static_cast<QWidget*>(watched));
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        pressed_ = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void DockablePanel::startDrag(QWidget* handle) {
    if (!panel_) return;
    // The toolkit deletes a finished drag itself; the handle owns one a test
    // runner leaves behind.
    auto* drag = new QDrag(handle);
    drag->setMimeData(new PanelMimeData(this));
    drag->setPixmap(panel_->grab().scaledToWidth(std::min(panel_->width(), 200)));
    if (runDrag(drag, Qt::MoveAction) == Qt::IgnoreAction && panel_) floatAt(QCursor::pos());
}

QWidget* DockablePanel::leaveContainer() {
    QWidget* old = container_;
    container_ = nullptr;
    if (old) old->hide();
    return old;
}

void DockablePanel::dockInto(QMainWindow* site, Qt::DockWidgetArea area) {
    if (!panel_) return;
    QWidget* old = leaveContainer();
    auto* dock = new QDockWidget(site);
    dock->setObjectName(panel_->objectName() + "Dock");
    dock->setWindowTitle(caption_);
    // Moved by its own handles like any other panel: no title bar of its own.
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    dock->setWidget(panel_);
    site->addDockWidget(area, dock);
    panel_->show();
    dock->show();
    container_ = dock;
    site_ = site;
    place_ = Place::Docked;
    delete old;
    emit placeChanged(place_);
}

void DockablePanel::floatAt(const QPoint& globalTopLeft) {
    if (!panel_) return;
    const QSize size = panel_->size();
    QWidget* old = leaveContainer();
    auto* window = new FloatingWindow(this);
    window->setWindowTitle(caption_);
    window->layout()->addWidget(panel_);
    panel_->show();
    window->resize(size);
    window->move(globalTopLeft);
    window->show();
    container_ = window;
    place_ = Place::Floating;
    delete old;
    emit placeChanged(place_);
}

void DockablePanel::returnHome() {
    if (!panel_ || place_ == Place::Home || !homeParent_) return;
    QWidget* old = leaveContainer();
    panel_->setParent(homeParent_);
    if (homeLayout_) homeLayout_->insertWidget(std::min(homeIndex_, homeLayout_->count()), panel_);
    panel_->show();
    place_ = Place::Home;
    delete old;
    emit placeChanged(place_);
}

void DockablePanel::setWindowVisible(bool visible) {
    if (!panel_) return;
    QWidget* holder = place_ == Place::Docked ? container_.data() : panel_->window();
    if (holder) holder->setVisible(visible);
}

QDockWidget* DockablePanel::dock() const {
    return place_ == Place::Docked ? static_cast<QDockWidget*>(container_.data()) : nullptr;
}

void DockablePanel::storePlace(SettingsStore& settings, const QString& prefix) const {
    settings.writeInt(prefix + "Place", static_cast<int>(place_));
    if (place_ == Place::Docked && site_ && container_)
        settings.writeInt(prefix + "Area",
                          site_->dockWidgetArea(static_cast<QDockWidget*>(container_.data())));
    if (place_ == Place::Floating && container_) {
        settings.writeInt(prefix + "Top", container_->y());
        settings.writeInt(prefix + "Left", container_->x());
        settings.writeInt(prefix + "Width", container_->width());
        settings.writeInt(prefix + "Height", container_->height());
    }
}

void DockablePanel::restorePlace(SettingsStore& settings, const QString& prefix, QMainWindow* site,
                                 bool dockByDefault, Qt::DockWidgetArea defaultArea) {
    const int fallback = static_cast<int>(dockByDefault ? Place::Docked : Place::Home);
    switch (static_cast<Place>(settings.readInt(prefix + "Place", fallback))) {
        case Place::Docked: {
            // An edge the window does not have docks at the bottom.
            auto area =
                static_cast<Qt::DockWidgetArea>(settings.readInt(prefix + "Area", defaultArea));
            if (area != Qt::LeftDockWidgetArea && area != Qt::RightDockWidgetArea &&
                area != Qt::TopDockWidgetArea)
                area = Qt::BottomDockWidgetArea;
            dockInto(site, area);
            break;
        }
        case Place::Floating:
            if (!panel_) return;
            panel_->resize(settings.readInt(prefix + "Width", panel_->width()),
                           settings.readInt(prefix + "Height", panel_->height()));
            floatAt(QPoint(settings.readInt(prefix + "Left", 0), settings.readInt(prefix + "Top", 0)));
            break;
        default:
            break;
    }
}

DockSite::DockSite(QMainWindow* window) : QObject(window), window_(window) {
    window->setAcceptDrops(true);
    window->setDockOptions(window->dockOptions() | QMainWindow::AnimatedDocks);
    window->installEventFilter(this);
}

Qt::DockWidgetArea DockSite::nearestEdge(const QWidget* window, const QPoint& point) {
    const int toLeft = point.x();
    const int toRight = window->width() - point.x();
    const int toTop = point.y();
    const int toBottom = window->height() - point.y();
    const int nearest = std::min({toLeft, toRight, toTop, toBottom});
    if (nearest == toBottom) return Qt::BottomDockWidgetArea;
    if (nearest == toRight) return Qt::RightDockWidgetArea;
    if (nearest == toLeft) return Qt::LeftDockWidgetArea;
    return Qt::TopDockWidgetArea;
}

bool DockSite::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!draggedPanel(drag)) return false;
        drag->setDropAction(Qt::MoveAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        DockablePanel* panel = draggedPanel(drop);
        if (!panel) return false;
        panel->dockInto(window_, nearestEdge(window_, drop->position().toPoint()));
        drop->setDropAction(Qt::MoveAction);
        drop->accept();
        return true;
    }
    default:
        return false;
    }
}

#include "Docking.moc"
