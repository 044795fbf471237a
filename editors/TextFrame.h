// TextFrame: the panel in which the selected element's text is typed. It
// shows the text, the element's path and the document's file name.
#pragma once

#include <QFrame>

class DockablePanel;
class QLabel;
class QPlainTextEdit;

class TextFrame : public QFrame {
    Q_OBJECT
public:
    explicit TextFrame(QWidget* parent = nullptr);

    QLabel* caption() const { return label2_; }
    QPlainTextEdit* textEdit() const { return textMemo_; }
    QWidget* filePanel() const { return panel2_; }
    QLabel* fileNameLabel() const { return fileNameLabel_; }
    QLabel* pathLabel() const { return pathLabel_; }
    // The file and path panel can leave the frame on its own.
    DockablePanel* filePanelDocking() const { return panel2Docking_; }

    // Replaces the memo's text without counting it as an edit.
    void showText(const QString& text);

signals:
    // The user changed the memo's text: typed, deleted, pasted or dropped.
    void textEdited();

private:
    QLabel* label2_;
    QPlainTextEdit* textMemo_;
    QWidget* panel2_;
    QLabel* fileNameLabel_;
    QLabel* pathLabel_;
    DockablePanel* panel2Docking_;
    bool showing_ = false;
};
