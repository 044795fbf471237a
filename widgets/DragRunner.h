// Runs a drag that a widget has started and returns what the drop target
// did with it: the toolkit's own drag loop, unless a test stands in for it
// (that loop waits for a real mouse).
#pragma once

#include <Qt>
#include <functional>

class QDrag;

using DragRunner = std::function<Qt::DropAction(QDrag* drag, Qt::DropActions actions)>;

Qt::DropAction runDrag(QDrag* drag, Qt::DropActions actions);
// Null puts the toolkit's loop back.
void setDragRunner(DragRunner runner);
