// The questions of UserQuestions for tests: answers come from a script, every prompt is recorded.
// A prompt nobody scripted is answered with Cancel (or an empty file name)
// and recorded, so a test sees it instead of hanging on a modal box.
#pragma once

#include <QList>
#include <QQueue>
#include <QString>

#include "document/UserQuestions.h"

class ScriptedDialogs : public UserQuestions {
public:
    struct Message {
        QString text;
        QString caption;
        Buttons buttons;
        QStringList answers;  // a question with answers of its own
    };

    // Script
    void answer(Answer answer) { answers_.enqueue(answer); }
    // The index of the answer to a question with answers of its own.
    void choose(int answer) { choices_.enqueue(answer); }
    void chooseFile(const QString& path) { files_.enqueue(path); }
    void cancelFileDialog() { files_.enqueue(QString()); }
    // The next print dialog or preview sets its printer to write a PDF file
    // at `path`; the dialog is accepted, the preview painted onto it.
    void printTo(const QString& path) { printFiles_.enqueue(path); }

    // Record
    QList<Message> messages;
    QList<FileRequest> openRequests;
    QList<FileRequest> saveRequests;
    int printDialogs = 0;
    int previews = 0;
    QStringList captions() const;
    // The last message is the "File Error" about `path`, with `reason` below
    // the line that says what failed.
    bool showedFileError(const QString& path, const QString& reason) const;
    void clear();

    Answer message(const QString& text, const QString& caption, Buttons buttons) override;
    int choose(const QString& text, const QString& caption, const QStringList& answers) override;
    QString openFileName(const FileRequest& request) override;
    QString saveFileName(const FileRequest& request) override;
    bool setUpPrinter(QPrinter& printer) override;
    void previewPrint(QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;

private:
    // Sets `printer` to the scripted PDF file; false when none is scripted.
    bool printToScriptedFile(QPrinter& printer);

    QQueue<Answer> answers_;
    QQueue<int> choices_;
    QQueue<QString> files_;
    QQueue<QString> printFiles_;
};
