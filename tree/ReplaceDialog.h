// Edit > Replace: a window beside the tree with what to find and what to put
// in its place, in folder names, texts and attribute values. Replace
// replaces the match shown (selecting its folder) and shows the next one;
// the first press only shows one. Replace All replaces every match. Each is
// one step of the undo history. A find text that cannot be used (an
// expression that is not valid, or one that can match an empty text) is
// said beside the field, and nothing is replaced.
#pragma once

#include <QDialog>
#include <optional>

#include "core/Search.h"

class Document;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Selection;
class TextReplacer;
struct ReplaceOutcome;
struct ReplacePosition;

class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    ReplaceDialog(Document& document, Selection& selection, QWidget* parent = nullptr);

    // Shows the window (it does not stop work in the main window) with the
    // find text selected for typing over.
    void showDialog();

    void replace();
    void replaceAll();
    void findNext();

    QLineEdit* FindEdit() const { return find_; }
    QLineEdit* ReplaceEdit() const { return replacement_; }
    QCheckBox* MatchCaseCheck() const { return matchCase_; }
    QCheckBox* WholeWordCheck() const { return wholeWord_; }
    QCheckBox* RegularExpressionCheck() const { return expression_; }
    QPushButton* ReplaceButton() const { return replace_; }
    QPushButton* ReplaceAllButton() const { return replaceAll_; }
    // Why the find text cannot be used; empty when it can.
    QLabel* ProblemLabel() const { return problem_; }
    // What the last Replace or Replace All did.
    QLabel* ResultLabel() const { return result_; }

signals:
    // The match's folder is selected; the window shows the match itself.
    void matchShown(const corvantis::SearchMatch& match);

private:
    TextReplacer replacer() const;
    // A new find text or choice: the match shown no longer counts.
    void checkFind();
    // Says beside the field whether the find text (with the replacement)
    // can be used.
    void showProblem();
    // Shows the first match from `from` on; returns what to say about it
    // (no match, or the search went on from the top).
    QString showNextFrom(const TextReplacer& replacer, const ReplacePosition& from);
    // How many were replaced and skipped.
    static QString saidOf(const ReplaceOutcome& outcome);

    Document& document_;
    Selection& selection_;
    QLineEdit* find_;
    QLineEdit* replacement_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QCheckBox* expression_;
    QPushButton* replace_;
    QPushButton* replaceAll_;
    QPushButton* findNext_;
    QLabel* problem_;
    QLabel* result_;
    // The match Replace replaces next, while its folder is the current one.
    std::optional<corvantis::SearchMatch> shown_;
};
