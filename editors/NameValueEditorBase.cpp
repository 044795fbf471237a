#include "editors/NameValueEditorBase.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

NameValueEditorBase::NameValueEditorBase(const DetailEditorContext& context, corvantis::DOMNode* node,
                                         const DetailEditorDesign& design, const QString& nameLabel)
    : DetailEditorBase(context, node, design) {
    nameEdit_ = new QLineEdit(this);
    valueMemo_ = new QPlainTextEdit(this);
    valueMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    valueMemo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    valueMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fieldsLayout()->addWidget(new QLabel(nameLabel, this), 0, 0);
    fieldsLayout()->addWidget(nameEdit_, 0, 1);
    fieldsLayout()->addWidget(new QLabel("Value:", this), 1, 0, Qt::AlignTop);
    fieldsLayout()->addWidget(valueMemo_, 1, 1);
    fieldsLayout()->setColumnStretch(1, 1);
    fieldsLayout()->setRowStretch(1, 1);
    connect(nameEdit_, &QLineEdit::textChanged, this, &NameValueEditorBase::followName);
}

void NameValueEditorBase::setDeleteItem(QAction* item) {
    deleteItem_ = item;
    followName();
}

void NameValueEditorBase::showRows(const std::vector<QStringList>& rows) {
    grid()->showRows(rows);
    nameEdit_->clear();
    valueMemo_->clear();
    followName();
}

void NameValueEditorBase::chooseRowNamed(const QString& name) {
    const int row = rowNamed(name);
    if (row < 0) return;
    grid()->highlightRow(row);
    rowChosen();
}

void NameValueEditorBase::rowChosen() {
    const int row = chosenRow();
    nameEdit_->setText(grid()->cell(0, row));
    valueMemo_->setPlainText(grid()->cell(1, row));
}

int NameValueEditorBase::rowNamed(const QString& name) const {
    if (name.isEmpty()) return -1;
    const int current = grid()->currentRow();
    if (current >= 0 && grid()->cell(0, current) == name) return current;
    for (int row = 0; row < grid()->rowCount(); ++row)
        if (grid()->cell(0, row) == name) return row;
    return -1;
}

void NameValueEditorBase::followName() {
    const int row = rowNamed(nameEdit_->text());
    grid()->highlightRow(row);
    deleteButton()->setEnabled(row >= 0);
    if (deleteItem_) deleteItem_->setEnabled(row >= 0);
}
