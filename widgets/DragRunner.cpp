#include "widgets/DragRunner.h"

#include <QDrag>

namespace {

DragRunner& testRunner() {
    static DragRunner runner;
    return runner;
}

}  // namespace

Qt::DropAction runDrag(QDrag* drag, Qt::DropActions actions) {
    return testRunner() ? testRunner()(drag, actions) : drag->exec(actions);
}

void setDragRunner(DragRunner runner) { testRunner() = std::move(runner); }
