// TextFrame: the panel in which the selected element's text is typed. It
// shows the text, the element's path and the document's file name.
#pragma once

#include <QFrame>

class DockablePanel;
class LargeTextEdit;
class QLabel;

class TextFrame : public QFrame {
    Q_OBJECT
public:
    explicit TextFrame(QWidget* parent = nullptr);

    QLabel* caption() const { return label2_; }
    LargeTextEdit* textEdit() const { return textMemo_; }
    QWidget* filePanel() const { return panel2_; }
    QLabel* fileNameLabel() const { return fileNameLabel_; }
    QLabel* pathLabel() const { return pathLabel_; }
    // The file and path panel can leave the frame on its own.
    DockablePanel* filePanelDocking() const { return panel2Docking_; }

signals:
    // The user changed the memo's text: typed, deleted, pasted or dropped.
    void textEdited();

private:
    QLabel* label2_;
    LargeTextEdit* textMemo_;
    QWidget* panel2_;
    QLabel* fileNameLabel_;
    QLabel* pathLabel_;
    DockablePanel* panel2Docking_;
};
