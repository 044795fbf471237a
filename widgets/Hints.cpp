#include "widgets/Hints.h"

#include <QAction>
#include <QWidget>

Hint splitHint(const QString& hint) {
    const qsizetype bar = hint.indexOf('|');
    if (bar < 0) return {hint, hint};
    return {hint.left(bar), hint.mid(bar + 1)};
}

void applyHint(QWidget* control, const QString& hint) {
    const Hint parts = splitHint(hint);
    control->setToolTip(parts.toolTip);
    control->setStatusTip(parts.statusText);
}

void applyHint(QAction* action, const QString& hint) {
    const Hint parts = splitHint(hint);
    action->setToolTip(parts.toolTip);
    action->setStatusTip(parts.statusText);
}
