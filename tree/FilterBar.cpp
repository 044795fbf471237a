#include "tree/FilterBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include "document/DocumentFilter.h"
#include "document/DocumentTreeModel.h"
#include "document/Selection.h"

FilterBar::FilterBar(Selection& selection, QWidget* parent)
    : QWidget(parent), selection_(selection), rows_(selection.rows()), edit_(new QLineEdit(this)) {
    setObjectName("FilterBar");
    edit_->setObjectName("FilterEdit");
    edit_->setPlaceholderText(tr("Filter: words, or name=value"));
    edit_->setToolTip(tr("Shows only the folders holding every word, in any case; name=value asks for an "
                         "attribute named exactly name whose value holds value (Escape shows every folder)"));
    edit_->installEventFilter(this);
    auto* close = new QToolButton(this);
    close->setObjectName("FilterCloseButton");
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setToolTip(tr("Show every folder (Escape)"));
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(edit_, 1);
    layout->addWidget(close);

    connect(edit_, &QLineEdit::textChanged, this, &FilterBar::setQuery);
    connect(close, &QToolButton::clicked, this, [this] {
        closeBar();
        emit closed();
    });
    hide();
}

void FilterBar::open() {
    window()->activateWindow();
    show();
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
}

void FilterBar::closeBar() {
    edit_->clear();
    hide();
}

void FilterBar::setQuery(const QString& query) {
    rows_.filter().setQuery(query);
    selection_.showChosen();
}

bool FilterBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Escape:
            closeBar();
            emit closed();
            return true;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit leftForTree();
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}
