#include "widgets/UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "document/FileError.h"

namespace {

const char* const FileErrorCaption = "File Error";

}  // namespace

void UserDialogs::showFileError(QWidget* parent, const FileError& error) {
    inform(parent, error.message(), FileErrorCaption);
}

bool UserDialogs::askAfterFileError(QWidget* parent, const FileError& error, const QString& question) {
    return message(parent, error.message() + "\n\n" + question, FileErrorCaption, Buttons::YesNo) == Answer::Yes;
}

UserDialogs::Answer QtUserDialogs::message(QWidget* parent, const QString& text, const QString& caption,
                                           Buttons buttons) {
    if (buttons == Buttons::Ok) {
        QMessageBox::information(parent, caption, text, QMessageBox::Ok);
        return Answer::Ok;
    }
    const QMessageBox::StandardButtons offered =
        buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    switch (QMessageBox::question(parent, caption, text, offered, QMessageBox::Yes)) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

int QtUserDialogs::choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers) buttons.append(box.addButton(answer, QMessageBox::AcceptRole));
    if (!buttons.isEmpty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.first()));
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

QString QtUserDialogs::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList labels;
    for (int i = 0; i < parts.size(); i += 2) labels << parts.at(i);
    return labels.join(";;");
}

namespace {

QString startPath(const UserDialogs::FileRequest& request) {
    if (request.fileName.isEmpty()) return request.folder;
    if (request.folder.isEmpty() || QFileInfo(request.fileName).isAbsolute()) return request.fileName;
    return QDir(request.folder).filePath(request.fileName);
}

}  // namespace

QString QtUserDialogs::openFileName(QWidget* parent, const FileRequest& request) {
    return QFileDialog::getOpenFileName(parent, request.title, startPath(request), toQtFilter(request.filter));
}

QString QtUserDialogs::saveFileName(QWidget* parent, const FileRequest& request) {
    return QFileDialog::getSaveFileName(
        parent, request.title, startPath(request), toQtFilter(request.filter), nullptr,
        request.askBeforeReplacing ? QFileDialog::Options() : QFileDialog::Options(QFileDialog::DontConfirmOverwrite));
}
