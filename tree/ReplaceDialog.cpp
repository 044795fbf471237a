#include "tree/ReplaceDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/Document.h"
#include "document/DocumentReplace.h"
#include "document/Selection.h"

ReplaceDialog::ReplaceDialog(Document& document, Selection& selection, QWidget* parent)
    : QDialog(parent),
      document_(document),
      selection_(selection),
      find_(new QLineEdit(this)),
      replacement_(new QLineEdit(this)),
      matchCase_(new QCheckBox(tr("Match &case"), this)),
      wholeWord_(new QCheckBox(tr("&Whole word"), this)),
      expression_(new QCheckBox(tr("Regular e&xpression"), this)),
      replace_(new QPushButton(tr("&Replace"), this)),
      replaceAll_(new QPushButton(tr("Replace &All"), this)),
      findNext_(new QPushButton(tr("Find &Next"), this)),
      problem_(new QLabel(this)),
      result_(new QLabel(this)) {
    setObjectName("ReplaceDialog");
    setWindowTitle(tr("Replace"));
    setModal(false);
    find_->setObjectName("ReplaceFindEdit");
    replacement_->setObjectName("ReplaceWithEdit");
    problem_->setObjectName("ReplaceProblemLabel");
    result_->setObjectName("ReplaceResultLabel");
    result_->setWordWrap(true);
    problem_->setWordWrap(true);
    QPalette warning = problem_->palette();
    warning.setColor(QPalette::WindowText, Qt::darkRed);
    problem_->setPalette(warning);
    expression_->setToolTip(tr("In the replacement, \\1 to \\99 stand for what the groups caught, \\0 for the "
                               "whole match"));

    auto* findLabel = new QLabel(tr("&Find:"), this);
    findLabel->setBuddy(find_);
    auto* withLabel = new QLabel(tr("Replace wit&h:"), this);
    withLabel->setBuddy(replacement_);
    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(find_, 0, 1);
    fields->addWidget(problem_, 1, 1);
    fields->addWidget(withLabel, 2, 0);
    fields->addWidget(replacement_, 2, 1);
    auto* choices = new QHBoxLayout;
    choices->addWidget(matchCase_);
    choices->addWidget(wholeWord_);
    choices->addWidget(expression_);
    choices->addStretch(1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(findNext_, QDialogButtonBox::ActionRole);
    buttons->addButton(replace_, QDialogButtonBox::ActionRole);
    buttons->addButton(replaceAll_, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(choices);
    layout->addWidget(result_);
    layout->addWidget(buttons);
    replace_->setDefault(true);

    connect(find_, &QLineEdit::textChanged, this, &ReplaceDialog::checkFind);
    // The match shown stays the one to replace whatever it is replaced by.
    connect(replacement_, &QLineEdit::textChanged, this, &ReplaceDialog::showProblem);
    for (QCheckBox* choice : {matchCase_, wholeWord_, expression_})
        connect(choice, &QCheckBox::toggled, this, &ReplaceDialog::checkFind);
    connect(replace_, &QPushButton::clicked, this, &ReplaceDialog::replace);
    connect(replaceAll_, &QPushButton::clicked, this, &ReplaceDialog::replaceAll);
    connect(findNext_, &QPushButton::clicked, this, &ReplaceDialog::findNext);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    // The match shown is replaced only while its folder is the one selected.
    connect(&selection_, &Selection::currentNodeChanged, this, [this](corvantis::DOMNode* current) {
        if (shown_ && current != shown_->folder()) shown_.reset();
    });
    connect(&document_, &Document::childrenAboutToLeave, this, [this](corvantis::DOMNode* parent, int first, int last) {
        if (shown_ && Document::isWithin(shown_->node, parent, first, last)) shown_.reset();
    });
    connect(&document_, &Document::aboutToReplace, this, [this] { shown_.reset(); });
    checkFind();
}

void ReplaceDialog::showDialog() {
    show();
    raise();
    activateWindow();
    find_->setFocus(Qt::ShortcutFocusReason);
    find_->selectAll();
}

TextReplacer ReplaceDialog::replacer() const {
    return TextReplacer(find_->text(), replacement_->text(),
                        {matchCase_->isChecked(), wholeWord_->isChecked(), expression_->isChecked()},
                        document_.text());
}

void ReplaceDialog::checkFind() {
    shown_.reset();
    showProblem();
}

void ReplaceDialog::showProblem() {
    const QString problem = find_->text().isEmpty() ? QString() : replacer().problem();
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    const bool usable = !find_->text().isEmpty() && problem.isEmpty();
    for (QPushButton* button : {replace_, replaceAll_, findNext_}) button->setEnabled(usable);
}

QString ReplaceDialog::showNextFrom(const TextReplacer& replacer, const ReplacePosition& from) {
    const std::optional<ReplaceFound> found = findReplaceable(document_, replacer, from);
    if (!found) return tr("No match.");
    selection_.select(found->match.folder());
    shown_ = found->match;
    emit matchShown(found->match);
    return found->wrapped ? tr("Passed the end of the document; continued from the top.") : QString();
}

void ReplaceDialog::findNext() {
    const TextReplacer replacing = replacer();
    if (!replacing.problem().isEmpty()) return;
    result_->setText(showNextFrom(replacing, shown_ ? ReplacePosition::after(*shown_)
                                                    : ReplacePosition::startOf(selection_.currentNode())));
}

void ReplaceDialog::replace() {
    const TextReplacer replacing = replacer();
    if (!replacing.problem().isEmpty()) return;
    if (!shown_) {
        result_->setText(showNextFrom(replacing, ReplacePosition::startOf(selection_.currentNode())));
        return;
    }
    const corvantis::SearchMatch match = *shown_;
    shown_.reset();
    const ReplaceOutcome outcome = replaceOne(document_, replacing, match);
    if (outcome.status == ReplaceOutcome::Status::Refused) {
        result_->setText(outcome.message);
        return;
    }
    const QString said = outcome.status == ReplaceOutcome::Status::Done ? saidOf(outcome) : QString();
    // A replacer is made anew for the document as it is now.
    result_->setText((said + " " + showNextFrom(replacer(), outcome.next)).trimmed());
}

void ReplaceDialog::replaceAll() {
    const TextReplacer replacing = replacer();
    if (!replacing.problem().isEmpty()) return;
    shown_.reset();
    const ReplaceOutcome outcome = ::replaceAll(document_, replacing);
    result_->setText(outcome.status == ReplaceOutcome::Status::Refused ? outcome.message
                     : outcome.status == ReplaceOutcome::Status::Done  ? saidOf(outcome)
                                                                       : tr("No match."));
}

QString ReplaceDialog::saidOf(const ReplaceOutcome& outcome) {
    const QLocale numbers(QLocale::English);
    QString text = outcome.replaced > 0 || outcome.skipped == 0
                       ? tr("%1 replaced.").arg(numbers.toString(outcome.replaced))
                       : QString();
    if (outcome.skipped > 0)
        text += (text.isEmpty() ? "" : " ") + tr("%1 skipped: the result would not be a valid name (or CDATA section).")
                          .arg(numbers.toString(outcome.skipped));
    return text;
}
