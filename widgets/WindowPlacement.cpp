#include "widgets/WindowPlacement.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QWidget>

#include "widgets/SettingsStore.h"

WindowPlacement::WindowPlacement(QWidget* window, QString prefix, SettingsStore& settings)
    : window_(window), prefix_(std::move(prefix)), settings_(settings) {}

void WindowPlacement::load() {
    // Each value is applied before the next is read, so a bad one only
    // costs its own property.
    window_->move(window_->x(), settings_.readInt(prefix_ + "Top", window_->y()));
    window_->move(settings_.readInt(prefix_ + "Left", window_->x()), window_->y());
    window_->resize(settings_.readInt(prefix_ + "Width", window_->width()), window_->height());
    window_->resize(window_->width(), settings_.readInt(prefix_ + "Height", window_->height()));
}

void WindowPlacement::store() {
    settings_.writeInt(prefix_ + "Top", window_->y());
    settings_.writeInt(prefix_ + "Left", window_->x());
    settings_.writeInt(prefix_ + "Width", window_->width());
    settings_.writeInt(prefix_ + "Height", window_->height());
}

bool WindowPlacement::userPlaced() const {
    for (const char* value : {"Top", "Left", "Width", "Height"})
        if (settings_.contains(prefix_ + value)) return true;
    return false;
}

void WindowPlacement::moved() {
    if (window_->isVisible()) store();
}

bool WindowPlacement::resized() {
    ++resizeCount_;
    if (resizeCount_ <= 1) return false;
    store();
    return true;
}

const QStringList& storedPlacementNames() {
    static const QStringList names = [] {
        QStringList all;
        for (const char* prefix : {"TextEdit_", "ShowSource_", "AttribEdit_", "CommentEdit_", "PIEditor_",
                                   "XMLForm_", "Organiser_"})
            for (const char* value : {"Top", "Left", "Width", "Height"}) all << QString(prefix) + value;
        return all;
    }();
    return names;
}

const char* const TextFramePlacePrefix = "TextFrame_";
const char* const NodeDetailsPlacePrefix = "NodeDetails_";

void forgetStoredPlacements(SettingsStore& settings) {
    settings.remove(storedPlacementNames());
    QStringList panels;
    for (const char* prefix : {TextFramePlacePrefix, NodeDetailsPlacePrefix})
        for (const char* value : {"Place", "Area", "Top", "Left", "Width", "Height"})
            panels << QString(prefix) + value;
    settings.remove(panels);
}

void fitGridColumn(QTableWidget* grid, int column, int referenceWidth) {
    if (grid->columnCount() == 1) {
        grid->setColumnWidth(0, grid->width() - 25);
        return;
    }
    grid->setColumnWidth(column, referenceWidth - grid->columnWidth(0) - 25);
}
