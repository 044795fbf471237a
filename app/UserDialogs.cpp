#include "app/UserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

QWidget* UserDialogs::parentWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return mainWindow_;
}

UserQuestions::Answer UserDialogs::message(const QString& text, const QString& caption, Buttons buttons) {
    if (buttons == Buttons::Ok) {
        QMessageBox::information(parentWindow(), caption, text, QMessageBox::Ok);
        return Answer::Ok;
    }
    const QMessageBox::StandardButtons offered = buttons == Buttons::YesNo
                                                     ? QMessageBox::Yes | QMessageBox::No
                                                     : QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    switch (QMessageBox::question(parentWindow(), caption, text, offered, QMessageBox::Yes)) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

int UserDialogs::choose(const QString& text, const QString& caption, const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parentWindow());
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers) buttons.append(box.addButton(answer, QMessageBox::AcceptRole));
    if (!buttons.isEmpty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.first()));
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

QString UserDialogs::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList labels;
    for (int i = 0; i < parts.size(); i += 2) labels << parts.at(i);
    return labels.join(";;");
}

namespace {

QString startPath(const UserQuestions::FileRequest& request) {
    // Ending in a separator, a folder that has gone is not offered as the file's name.
    if (request.fileName.isEmpty()) return request.folder.isEmpty() ? QString() : request.folder + '/';
    if (request.folder.isEmpty() || QFileInfo(request.fileName).isAbsolute()) return request.fileName;
    return QDir(request.folder).filePath(request.fileName);
}

}  // namespace

QString UserDialogs::openFileName(const FileRequest& request) {
    return QFileDialog::getOpenFileName(parentWindow(), request.title, startPath(request), toQtFilter(request.filter));
}

QString UserDialogs::saveFileName(const FileRequest& request) {
    return QFileDialog::getSaveFileName(
        parentWindow(), request.title, startPath(request), toQtFilter(request.filter), nullptr,
        request.askBeforeReplacing ? QFileDialog::Options() : QFileDialog::Options(QFileDialog::DontConfirmOverwrite));
}
