// A read-only string grid for the node details: a fixed heading row (shown as
// the table's header, so it stays in view while the rows scroll) or none, and
// data rows filled whole from a list. A grid never shows fewer than one data
// row, so an empty list leaves one empty row to click.
#pragma once

#include <QStringList>
#include <QTableWidget>
#include <vector>

class DetailStringGrid : public QTableWidget {
    Q_OBJECT
public:
    // `headings` empty: no heading row, `columnWidths.size()` columns.
    DetailStringGrid(const QStringList& headings, const std::vector<int>& columnWidths, int rowHeight,
                     QWidget* parent = nullptr);

    bool hasHeadingRow() const { return hasHeadingRow_; }
    void setHeadings(const QStringList& headings);
    QString heading(int column) const;

    // One row per entry, each entry's texts column by column; one empty row
    // when `rows` is empty.
    void showRows(const std::vector<QStringList>& rows);
    // Empty for a cell that was never written.
    QString cell(int column, int row) const;
    // Makes `row` the current, highlighted one, or highlights none for -1,
    // without reporting it as the user's choice.
    void highlightRow(int row);

signals:
    // A mouse button was released over the cells or the heading row (after
    // a column border was dragged, for instance).
    void mouseReleased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hasHeadingRow_;
};
