#include "editors/TextEditorWindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "widgets/Docking.h"
#include "editors/TextFrame.h"

TextEditorWindow::TextEditorWindow(SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint),
      frame_(new TextFrame(this)),
      placement_(this, "TextEdit_", settings) {
    setObjectName("TT");
    setWindowTitle("Text Editor");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame_);
    frameDocking_ = new DockablePanel(frame_.data(), {frame_->caption()}, "Text");
    // Right of the main window with room for the desktop's frames.
    move(370, 2);
    resize(258, 169);
    placement_.load();
    // Without its frame the window would stand empty.
    connect(frameDocking_, &DockablePanel::placeChanged, this,
            [this](DockablePanel::Place place) { setVisible(place == DockablePanel::Place::Home); });
}

TextFrame* TextEditorWindow::frame() const { return frame_; }

void TextEditorWindow::showFrame() { frameDocking_->setWindowVisible(true); }

void TextEditorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placement_.resized();
}

void TextEditorWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    placement_.moved();
}
