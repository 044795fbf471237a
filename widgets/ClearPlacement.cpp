#include "widgets/ClearPlacement.h"

#include <QWidget>
#include <algorithm>
#include <limits>

namespace {

qint64 coveredArea(const QRect& place, const QList<QRect>& keepClear) {
    qint64 covered = 0;
    for (const QRect& area : keepClear) {
        const QRect overlap = place & area;
        covered += qint64(overlap.width()) * overlap.height();
    }
    return covered;
}

}  // namespace

QRect clearPlacement(const QRect& screen, const QList<QRect>& keepClear, const QSize& wanted, const QPoint& near) {
    const QSize size = wanted.boundedTo(screen.size());
    // The candidate edges: the screen's, centred on the wanted point, and
    // just beside each area on each side.
    QList<int> lefts{screen.left(), screen.right() + 1 - size.width(), near.x() - size.width() / 2};
    QList<int> tops{screen.top(), screen.bottom() + 1 - size.height(), near.y() - size.height() / 2};
    for (const QRect& area : keepClear) {
        lefts << area.right() + 1 << area.left() - size.width();
        tops << area.bottom() + 1 << area.top() - size.height();
    }
    QRect best;
    qint64 bestCovered = std::numeric_limits<qint64>::max();
    int bestDistance = std::numeric_limits<int>::max();
    for (const int left : lefts) {
        for (const int top : tops) {
            const QPoint topLeft(std::clamp(left, screen.left(), screen.right() + 1 - size.width()),
                                 std::clamp(top, screen.top(), screen.bottom() + 1 - size.height()));
            const QRect place(topLeft, size);
            const qint64 covered = coveredArea(place, keepClear);
            const int distance = (place.center() - near).manhattanLength();
            if (covered < bestCovered || (covered == bestCovered && distance < bestDistance)) {
                best = place;
                bestCovered = covered;
                bestDistance = distance;
            }
        }
    }
    return best;
}

void placeClear(QWidget* window, bool userPlaced, const ClearArea& area) {
    QSize size = window->size();
    QPoint near = area.near;
    if (userPlaced) {
        const QRect outer(window->pos(), size + area.frame);
        if (area.screen.contains(outer) && coveredArea(outer, area.keepClear) == 0) return;
        near = outer.center();
    } else {
        size = size.expandedTo(window->sizeHint());
    }
    const QRect outer = clearPlacement(area.screen, area.keepClear, size + area.frame, near);
    window->move(outer.topLeft());
    window->resize(outer.size() - area.frame);
}
