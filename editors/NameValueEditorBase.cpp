#include "editors/NameValueEditorBase.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

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
}

void NameValueEditorBase::showRows(const std::vector<QStringList>& rows) {
    grid()->showRows(rows);
    nameEdit_->clear();
    valueMemo_->clear();
}

void NameValueEditorBase::rowChosen() {
    const int row = chosenRow();
    nameEdit_->setText(grid()->cell(0, row));
    valueMemo_->setPlainText(grid()->cell(1, row));
}
