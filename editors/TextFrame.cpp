#include "editors/TextFrame.h"

#include <QLabel>
#include <QVBoxLayout>

#include "widgets/Docking.h"
#include "widgets/Hints.h"
#include "widgets/LargeTextEdit.h"

namespace {

void useInfoBackground(QWidget* widget) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    widget->setPalette(palette);
}

}  // namespace

TextFrame::TextFrame(QWidget* parent) : QFrame(parent) {
    setObjectName("TT");
    resize(367, 259);

    label2_ = new QLabel("Text", this);
    label2_->setObjectName("Label2");
    label2_->setAlignment(Qt::AlignCenter);
    label2_->setFixedHeight(13);
    useInfoBackground(label2_);

    // Any text, however long, shows at once and wraps at the frame's width.
    textMemo_ = new LargeTextEdit(this);
    textMemo_->setObjectName("TextMemo");
    textMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    applyHint(textMemo_, "Edit this Text to make changes|Edit the text here and changes are recorded");

    panel2_ = new QWidget(this);
    panel2_->setObjectName("Panel2");
    panel2_->setFixedHeight(31);
    useInfoBackground(panel2_);
    fileNameLabel_ = new QLabel(panel2_);
    fileNameLabel_->setObjectName("FileNameLabel");
    fileNameLabel_->move(4, 2);
    pathLabel_ = new QLabel(panel2_);
    pathLabel_->setObjectName("PathLabel");
    pathLabel_->move(4, 14);
    for (QLabel* label : {fileNameLabel_, pathLabel_}) {
        label->setFixedHeight(14);
        label->setMinimumWidth(360);
        label->setTextFormat(Qt::PlainText);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(label2_);
    layout->addWidget(textMemo_, 1);
    layout->addWidget(panel2_);
    panel2Docking_ = new DockablePanel(panel2_, {panel2_, fileNameLabel_, pathLabel_}, "File and Path");

    connect(textMemo_, &LargeTextEdit::textEdited, this, &TextFrame::textEdited);
}
