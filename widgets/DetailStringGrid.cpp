#include "widgets/DetailStringGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QSignalBlocker>

DetailStringGrid::DetailStringGrid(const QStringList& headings, const std::vector<int>& columnWidths,
                                   int rowHeight, QWidget* parent)
    : QTableWidget(0, static_cast<int>(columnWidths.size()), parent), hasHeadingRow_(!headings.isEmpty()) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setVisible(hasHeadingRow_);
    horizontalHeader()->installEventFilter(this);
    viewport()->installEventFilter(this);
    for (int column = 0; column < columnCount(); ++column) setColumnWidth(column, columnWidths[column]);
    if (hasHeadingRow_) setHeadings(headings);
    showRows({});
}

void DetailStringGrid::setHeadings(const QStringList& headings) {
    for (int column = 0; column < columnCount() && column < headings.size(); ++column)
        setHorizontalHeaderItem(column, new QTableWidgetItem(headings[column]));
}

QString DetailStringGrid::heading(int column) const {
    const QTableWidgetItem* item = horizontalHeaderItem(column);
    return item ? item->text() : QString();
}

void DetailStringGrid::showRows(const std::vector<QStringList>& rows) {
    // Refilling is not the user moving to another cell: listeners of the
    // current-cell signals must not see it.
    const QSignalBlocker quiet(this);
    const int shown = rows.empty() ? 1 : static_cast<int>(rows.size());
    clearContents();
    setRowCount(shown);
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const QStringList& texts = rows[static_cast<std::size_t>(row)];
        for (int column = 0; column < columnCount() && column < texts.size(); ++column)
            setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    // Like any string grid, there is always a current cell; without one the
    // view would pick one itself on focus and report it as the user's choice.
    setCurrentCell(0, 0);
    viewport()->update();
}

void DetailStringGrid::highlightRow(int row) {
    const QSignalBlocker quiet(this);
    // Once a grid has had a current cell, focus no longer picks one by
    // itself; the arrow keys start at the first row.
    if (row < 0)
        setCurrentIndex(QModelIndex());
    else
        setCurrentCell(row, 0);
}

QString DetailStringGrid::cell(int column, int row) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

bool DetailStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == viewport() || watched == horizontalHeader()))
        emit mouseReleased();
    return QTableWidget::eventFilter(watched, event);
}
