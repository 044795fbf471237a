// TTextFrame: the panel in which the selected element's text is typed. It
// shows the text, the element's path and the document's file name.
#pragma once

#include <QFrame>

class DockablePanel;
class LargeTextEdit;
class QLabel;

class TTextFrame : public QFrame {
    Q_OBJECT
public:
    explicit TTextFrame(QWidget* parent = nullptr);

    QLabel* Label2() const { return label2_; }
    LargeTextEdit* TextMemo() const { return textMemo_; }
    QWidget* Panel2() const { return panel2_; }
    QLabel* FileNameLabel() const { return fileNameLabel_; }
    QLabel* PathLabel() const { return pathLabel_; }
    // The file and path panel can leave the frame on its own.
    DockablePanel* Panel2Docking() const { return panel2Docking_; }

signals:
    // The user changed the memo's text: typed, deleted, pasted or dropped.
    void TextEdited();

private:
    QLabel* label2_;
    LargeTextEdit* textMemo_;
    QWidget* panel2_;
    QLabel* fileNameLabel_;
    QLabel* pathLabel_;
    DockablePanel* panel2Docking_;
};
