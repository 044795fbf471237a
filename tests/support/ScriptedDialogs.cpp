#include "support/ScriptedDialogs.h"

#include <QPrinter>

QStringList ScriptedDialogs::captions() const {
    QStringList all;
    for (const Message& m : messages) all << m.caption;
    return all;
}

bool ScriptedDialogs::showedFileError(const QString& path, const QString& reason) const {
    if (messages.isEmpty()) return false;
    const Message& last = messages.last();
    return last.caption == "File Error" && last.text.contains("\n\n" + path + "\n") && last.text.contains(reason);
}

void ScriptedDialogs::clear() {
    messages.clear();
    openRequests.clear();
    saveRequests.clear();
    printDialogs = 0;
    previews = 0;
}

UserQuestions::Answer ScriptedDialogs::message(const QString& text, const QString& caption, Buttons buttons) {
    messages.append({text, caption, buttons, {}});
    if (buttons == Buttons::Ok) return Answer::Ok;
    return answers_.isEmpty() ? Answer::Cancel : answers_.dequeue();
}

int ScriptedDialogs::choose(const QString& text, const QString& caption, const QStringList& answers) {
    messages.append({text, caption, Buttons::Ok, answers});
    return choices_.isEmpty() ? -1 : choices_.dequeue();
}

QString ScriptedDialogs::openFileName(const FileRequest& request) {
    openRequests.append(request);
    return files_.isEmpty() ? QString() : files_.dequeue();
}

QString ScriptedDialogs::saveFileName(const FileRequest& request) {
    saveRequests.append(request);
    return files_.isEmpty() ? QString() : files_.dequeue();
}

bool ScriptedDialogs::printToScriptedFile(QPrinter& printer) {
    if (printFiles_.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printFiles_.dequeue());
    return true;
}

bool ScriptedDialogs::setUpPrinter(QPrinter& printer) {
    ++printDialogs;
    return printToScriptedFile(printer);
}

void ScriptedDialogs::previewPrint(QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    ++previews;
    if (printToScriptedFile(printer)) paint(&printer);
}
