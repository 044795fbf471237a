// The find bar under the tree: what is typed is searched for as it is
// typed, and the first match from the selected folder on is shown; Enter
// and Shift+Enter go to the next and previous match. The match's folder is
// selected (folded folders above it open); the bar says "n of m". Escape
// closes it. The bar never hides a folder.
#pragma once

#include <QWidget>

#include "document/DocumentSearch.h"

class Document;
class QCheckBox;
class QLabel;
class QLineEdit;
class Selection;

class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(Document& document, Selection& selection, QWidget* parent = nullptr);

    // Shows the bar with its text selected for typing over, and searches
    // for that text again.
    void open();
    // Hides the bar; the search stops.
    void closeBar();
    // Go to the next / previous match; a closed bar opens first.
    void findNext() { find(DocumentSearch::Direction::Forward); }
    void findPrevious() { find(DocumentSearch::Direction::Backward); }

    QLineEdit* FindEdit() const { return edit_; }
    QCheckBox* MatchCaseCheck() const { return matchCase_; }
    QCheckBox* WholeWordCheck() const { return wholeWord_; }
    // "n of m"; empty while nothing is searched for.
    QLabel* CountLabel() const { return count_; }
    DocumentSearch& search() { return search_; }

signals:
    // The match's folder is selected; the window shows the match itself.
    void matchShown(const corvantis::SearchMatch& match);
    // The search went on from the other end of the document.
    void wrapped(bool forward);
    // Closed by its own key or button: the tree takes the keyboard.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void queryChanged();
    void find(DocumentSearch::Direction direction);
    void reached(const corvantis::SearchMatch& match, bool wrapped);
    void showCount();
    corvantis::SearchOptions options() const;

    Document& document_;
    Selection& selection_;
    DocumentSearch search_;
    DocumentSearch::Direction direction_ = DocumentSearch::Direction::Forward;
    QLineEdit* edit_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QLabel* count_;
};
