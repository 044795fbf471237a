// File > Export…, Print… and Print Preview…: the selected folder with
// everything below it, or the whole document while its top row (or no row)
// is current, as a file of its own or on paper. Paper shows the page the
// HTML export makes, laid out by printableExport (Export.h).
#pragma once

#include <QObject>
#include <QString>

#include "core/Dom.h"

class Document;
class Selection;
class UserQuestions;

class ExportCommands : public QObject {
    Q_OBJECT
public:
    ExportCommands(Document& document, Selection& selection, UserQuestions& dialogs, QObject* parent = nullptr);

public slots:
    // Asks for the file; its extension (.html, .md or .pdf) says what is
    // written. An existing file is replaced only when the user agrees.
    void exportSelection();
    void print();
    void printPreview();

signals:
    // What was written or printed, for the status bar.
    void note(const QString& text);

private:
    // The folder the commands take, null for the whole document. Read
    // again after each dialog: the document may change while one is open.
    const corvantis::DOMNode* exportedFolder() const;
    // "'Work'", or "the whole document".
    QString nameOf(const corvantis::DOMNode* top) const;

    Document& document_;
    Selection& selection_;
    UserQuestions& dialogs_;
};
