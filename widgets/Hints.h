// Hints in the "short|long" form: the part before the bar is the tool tip,
// the part after it the text the window's status bar shows while the mouse is
// over the control. A hint without a bar serves as both.
#pragma once

#include <QString>

class QAction;
class QWidget;

struct Hint {
    QString toolTip;
    QString statusText;
};

Hint splitHint(const QString& hint);
void applyHint(QWidget* control, const QString& hint);
void applyHint(QAction* action, const QString& hint);
