// What a command asks the user and tells them: message boxes and file
// dialogs behind one interface, so that every command, with its questions
// and refusals, can run without a person. The program answers through real
// dialogs (UserDialogs), tests from a script. This layer knows no windows:
// the dialogs find their own.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct FileError;
// Print Support's printer: only the window layer makes one and draws on it.
class QPrinter;

class UserQuestions {
public:
    enum class Buttons { Ok, YesNoCancel, YesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    // A file dialog as the commands describe it. `filter` is written in the
    // "label|pattern|label|pattern" form, e.g. "XML files (*.XML)|*.XML".
    struct FileRequest {
        QString title;
        QString filter;
        QString fileName;
        QString folder;
        // False when the command asks itself before it replaces a file (it
        // may write another name than the one chosen): the save dialog then
        // does not ask.
        bool askBeforeReplacing = true;
        // A name typed without an extension gets the one of the file type
        // chosen in the dialog ("*.md": ".md").
        bool addChosenExtension = false;
    };

    virtual ~UserQuestions() = default;

    virtual Answer message(const QString& text, const QString& caption, Buttons buttons) = 0;
    // A question with answers of its own, the first the default: the index
    // of the one chosen, or -1 when the box was closed without an answer.
    virtual int choose(const QString& text, const QString& caption, const QStringList& answers) = 0;
    // The chosen file's full path, or an empty text when the user cancelled.
    virtual QString openFileName(const FileRequest& request) = 0;
    virtual QString saveFileName(const FileRequest& request) = 0;
    // The print dialog for `printer`: true when the user chose to print,
    // with the printer set up as chosen. One that cannot ask declines.
    virtual bool setUpPrinter(QPrinter& printer);
    // The print preview of the pages `paint` draws on a printer, from which
    // the user may print them. One that cannot show it shows nothing.
    virtual void previewPrint(QPrinter& printer, const std::function<void(QPrinter*)>& paint);

    // Convenience for the many one-button messages.
    void inform(const QString& text, const QString& caption) { message(text, caption, Buttons::Ok); }
    // The "File Error" message: what failed, on which file, and why.
    void showFileError(const FileError& error);
    // The same, asking `question` below it; true for Yes.
    bool askAfterFileError(const FileError& error, const QString& question);
};
