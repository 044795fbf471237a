#include "tree/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "document/Document.h"
#include "document/DocumentTreeModel.h"
#include "document/Selection.h"

namespace {

QToolButton* makeButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

FindBar::FindBar(Document& document, Selection& selection, QWidget* parent)
    : QWidget(parent),
      document_(document),
      selection_(selection),
      search_(document),
      edit_(new QLineEdit(this)),
      matchCase_(new QCheckBox(tr("Match case"), this)),
      wholeWord_(new QCheckBox(tr("Whole word"), this)),
      count_(new QLabel(this)) {
    setObjectName("FindBar");
    edit_->setObjectName("FindEdit");
    edit_->setPlaceholderText(tr("Find"));
    edit_->setClearButtonEnabled(true);
    edit_->installEventFilter(this);
    matchCase_->setObjectName("MatchCaseCheck");
    wholeWord_->setObjectName("WholeWordCheck");
    count_->setObjectName("FindCountLabel");
    QToolButton* previous =
        makeButton(this, "FindPreviousButton", QStyle::SP_ArrowUp, tr("Previous match (Shift+F3)"));
    QToolButton* next = makeButton(this, "FindNextButton", QStyle::SP_ArrowDown, tr("Next match (F3)"));
    QToolButton* close =
        makeButton(this, "FindCloseButton", QStyle::SP_TitleBarCloseButton, tr("Close (Escape)"));

    // The options go on a line of their own, so that the field keeps room
    // for a word even in the main window's narrow first size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* query = new QHBoxLayout;
    query->setSpacing(4);
    query->addWidget(edit_, 1);
    query->addWidget(count_);
    query->addWidget(previous);
    query->addWidget(next);
    query->addWidget(close);
    auto* choices = new QHBoxLayout;
    choices->setSpacing(8);
    choices->addWidget(matchCase_);
    choices->addWidget(wholeWord_);
    choices->addStretch(1);
    layout->addLayout(query);
    layout->addLayout(choices);

    connect(edit_, &QLineEdit::textEdited, this, &FindBar::queryChanged);
    connect(matchCase_, &QCheckBox::toggled, this, &FindBar::queryChanged);
    connect(wholeWord_, &QCheckBox::toggled, this, &FindBar::queryChanged);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(close, &QToolButton::clicked, this, [this] {
        closeBar();
        emit closed();
    });
    connect(&search_, &DocumentSearch::progressed, this, &FindBar::showCount);
    connect(&search_, &DocumentSearch::reached, this, &FindBar::reached);
    hide();
}

corvantis::SearchOptions FindBar::options() const {
    return {matchCase_->isChecked(), wholeWord_->isChecked()};
}

void FindBar::open() {
    // From the Text Editor too: the bar is in the main window.
    window()->activateWindow();
    show();
    search_.setQuery(edit_->text(), options());
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
}

void FindBar::closeBar() {
    hide();
    search_.setQuery(QString(), {});
}

void FindBar::queryChanged() {
    search_.setQuery(edit_->text(), options());
    // As the query is typed, the first match from the selected folder on.
    if (!edit_->text().isEmpty()) find(DocumentSearch::Direction::Forward);
}

void FindBar::find(DocumentSearch::Direction direction) {
    if (isHidden()) open();
    // Text typed for a folder goes in before the selection moves to another.
    if (edit_->text().isEmpty() || !document_.commitPendingEdits()) return;
    direction_ = direction;
    search_.go(direction, selection_.currentNode());
}

void FindBar::reached(const corvantis::SearchMatch& match, bool wrapped) {
    selection_.select(match.folder());
    emit matchShown(match);
    if (wrapped) emit this->wrapped(direction_ == DocumentSearch::Direction::Forward);
}

void FindBar::showCount() {
    if (search_.query().isEmpty()) {
        count_->clear();
        return;
    }
    // While the walk goes on, the count is a lower bound.
    count_->setText(tr("%1 of %2%3")
                        .arg(search_.currentIndex() + 1)
                        .arg(search_.count())
                        .arg(search_.isFinished() ? QString() : QString("+")));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers().testFlag(Qt::ShiftModifier))
                findPrevious();
            else
                findNext();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            closeBar();
            emit closed();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
