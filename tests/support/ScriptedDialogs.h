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

    // Record
    QList<Message> messages;
    QList<FileRequest> openRequests;
    QList<FileRequest> saveRequests;
    QStringList captions() const;
    // The last message is the "File Error" about `path`, with `reason` below
    // the line that says what failed.
    bool showedFileError(const QString& path, const QString& reason) const;
    void clear();

    Answer message(const QString& text, const QString& caption, Buttons buttons) override;
    int choose(const QString& text, const QString& caption, const QStringList& answers) override;
    QString openFileName(const FileRequest& request) override;
    QString saveFileName(const FileRequest& request) override;

private:
    QQueue<Answer> answers_;
    QQueue<int> choices_;
    QQueue<QString> files_;
};
