// Every message box and file dialog of the program goes through UserDialogs,
// so that each command, with its prompts and refusals, can be driven without
// a person: tests install a scripted implementation, the program the real one.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;
struct FileError;

class UserDialogs {
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
    };

    virtual ~UserDialogs() = default;

    virtual Answer message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons) = 0;
    // A question with answers of its own, the first the default: the index
    // of the one chosen, or -1 when the box was closed without an answer.
    virtual int choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& answers) = 0;
    // The chosen file's full path, or an empty text when the user cancelled.
    virtual QString openFileName(QWidget* parent, const FileRequest& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileRequest& request) = 0;

    // Convenience for the many one-button messages.
    void inform(QWidget* parent, const QString& text, const QString& caption) {
        message(parent, text, caption, Buttons::Ok);
    }
    // The "File Error" message: what failed, on which file, and why.
    void showFileError(QWidget* parent, const FileError& error);
    // The same, asking `question` below it; true for Yes.
    bool askAfterFileError(QWidget* parent, const FileError& error, const QString& question);
};

// The real dialogs: QMessageBox and QFileDialog.
class QtUserDialogs : public UserDialogs {
public:
    Answer message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons) override;
    int choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& answers) override;
    QString openFileName(QWidget* parent, const FileRequest& request) override;
    QString saveFileName(QWidget* parent, const FileRequest& request) override;

    // "A (*.X)|*.X|B (*.*)|*.*" becomes "A (*.X);;B (*.*)": the labels carry
    // their patterns, which is what QFileDialog reads.
    static QString toQtFilter(const QString& filter);
};
