#include "ScriptedDialogs.h"

QStringList ScriptedDialogs::captions() const {
    QStringList all;
    for (const Message& m : messages) all << m.caption;
    return all;
}

void ScriptedDialogs::clear() {
    messages.clear();
    openRequests.clear();
    saveRequests.clear();
}

UserDialogs::Answer ScriptedDialogs::message(QWidget*, const QString& text, const QString& caption, Buttons buttons) {
    messages.append({text, caption, buttons, {}});
    if (buttons == Buttons::Ok) return Answer::Ok;
    return answers_.isEmpty() ? Answer::Cancel : answers_.dequeue();
}

int ScriptedDialogs::choose(QWidget*, const QString& text, const QString& caption, const QStringList& answers) {
    messages.append({text, caption, Buttons::Ok, answers});
    return choices_.isEmpty() ? -1 : choices_.dequeue();
}

QString ScriptedDialogs::openFileName(QWidget*, const FileRequest& request) {
    openRequests.append(request);
    return files_.isEmpty() ? QString() : files_.dequeue();
}

QString ScriptedDialogs::saveFileName(QWidget*, const FileRequest& request) {
    saveRequests.append(request);
    return files_.isEmpty() ? QString() : files_.dequeue();
}
