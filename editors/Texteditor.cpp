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
    move(326, 5);
    resize(258, 169);
    placement_.load();
    connect(frame_, &TTextFrame::TextEdited, this, &TTT::TTTextMemoKeyPress);
}

TTextFrame* TTT::TT() const { return frame_; }

void TTT::showFrame() { frameDocking_->showWindow(); }

void TTT::TTTextMemoKeyPress() { emit TextTyped(); }

void TTT::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placement_.resized();
}
