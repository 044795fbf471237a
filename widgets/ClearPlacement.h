// Where a window that opens goes so that it hides nothing the user is
// working on: a place on the screen that covers none of the areas to keep
// clear, the nearest such place to a wanted point.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// What an opening window should leave in view, in screen coordinates.
struct ClearArea {
    // The screen's available area.
    QRect screen;
    QList<QRect> keepClear;
    // Where the window should open when nothing is in the way.
    QPoint near;
    // What the desktop adds around a window (title bar, borders).
    QSize frame;
};

// A rectangle of `wanted` size (cut to the screen) inside `screen`: of the
// places beside each area to keep clear and at the screen's edges, the one
// that covers the least of those areas, and of those the nearest to `near`.
QRect clearPlacement(const QRect& screen, const QList<QRect>& keepClear, const QSize& wanted, const QPoint& near);

// Opens `window` clear of `area`: a window the user placed before
// (`userPlaced`) stays where it is unless it covers an area to keep clear,
// and then moves as little as it must; any other opens near `area.near`,
// at least as large as its layout needs to show everything in full.
void placeClear(QWidget* window, bool userPlaced, const ClearArea& area);
