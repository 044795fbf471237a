// TextEditorWindow: the floating "Text Editor" window that hosts the text frame beside the
// main window. It lives for the whole run; closing it only hides it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "widgets/WindowPlacement.h"

class DockablePanel;
class SettingsStore;
class TextFrame;

class TextEditorWindow : public QWidget {
    Q_OBJECT
public:
    explicit TextEditorWindow(SettingsStore& settings, QWidget* parent = nullptr);

    // Null only once the frame, docked elsewhere, went with that window.
    TextFrame* frame() const;
    // The frame can be dragged out of this window, docked into the main
    // window or left floating.
    DockablePanel* frameDocking() const { return frameDocking_; }
    // Shows the window the frame is in now: this one while it holds the frame.
    void showFrame();
    int resizeCount() const { return placement_.resizeCount(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QPointer<TextFrame> frame_;
    DockablePanel* frameDocking_;
    WindowPlacement placement_;
};
