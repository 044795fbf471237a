// TTT: the floating "Text Editor" window that hosts the text frame beside the
// main window. It lives for the whole run; closing it only hides it.
#pragma once

#include <QWidget>

#include "editors/WindowPlacement.h"

class SettingsStore;
class TTextFrame;

class TTT : public QWidget {
    Q_OBJECT
public:
    explicit TTT(SettingsStore& settings, QWidget* parent = nullptr);

    TTextFrame* TT() const { return frame_; }
    int ResizeCount() const { return placement_.resizeCount(); }

signals:
    // Reported to the main window, which marks the text and document changed.
    void TextTyped();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void TTTextMemoKeyPress();

    TTextFrame* frame_;
    WindowPlacement placement_;
};
