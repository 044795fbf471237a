// The filter field above the tree: as words are typed, the tree shows only
// the folders that hold them all, with the folders above them dimmed.
// Down or Return goes to the filtered tree. Escape clears the field and
// closes the bar; the full tree comes back with the folder chosen last still
// selected. The filter is a view of the
// document, never a change to it.
#pragma once

#include <QWidget>

class DocumentTreeModel;
class QLineEdit;
class Selection;

class FilterBar : public QWidget {
    Q_OBJECT
public:
    FilterBar(Selection& selection, QWidget* parent = nullptr);

    // Shows the bar with its words selected for typing over.
    void open();
    // Clears the field, shows the full tree and hides the bar.
    void closeBar();

    QLineEdit* FilterEdit() const { return edit_; }

signals:
    // Closed by its own key or button: the tree takes the keyboard.
    void closed();
    // Down or Return in the field: the tree takes the keyboard, filtered.
    void leftForTree();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setQuery(const QString& query);

    Selection& selection_;
    DocumentTreeModel& rows_;
    QLineEdit* edit_;
};
