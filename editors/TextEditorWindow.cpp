#include "editors/Texteditor.h"

#include <QLabel>
#include <QVBoxLayout>

#include "widgets/Docking.h"
#include "editors/Textframedocker.h"

TTT::TTT(SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint),
      frame_(new TTextFrame(this)),
      placement_(this, "TextEdit_", settings) {
    setObjectName("TT");
    setWindowTitle("Text Editor");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame_);
    frameDocking_ = new DockablePanel(frame_.data(), {frame_->Label2()}, "Text");
    // Right of the main window with room for the desktop's frames.
    move(370, 2);
    resize(258, 169);
    placement_.load();
    connect(frame_, &TTextFrame::TextEdited, this, &TTT::TTTextMemoKeyPress);
    // Without its frame the window would stand empty.
    connect(frameDocking_, &DockablePanel::placeChanged, this,
            [this](DockablePanel::Place place) { setVisible(place == DockablePanel::Place::Home); });
}

TTextFrame* TTT::TT() const { return frame_; }

void TTT::showFrame() { frameDocking_->showWindow(); }

void TTT::TTTextMemoKeyPress() { emit TextTyped(); }

void TTT::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placement_.resized();
}

void TTT::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    placement_.moved();
}
