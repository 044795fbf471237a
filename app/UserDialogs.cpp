#include "app/UserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>

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

// The extension of a file type's first pattern: "Markdown (*.md)" gives
// "md"; "All Files (*.*)" none.
QString extensionOf(const QString& fileType) {
    static const QRegularExpression pattern(R"(\(\*\.(\w+))");
    return pattern.match(fileType).captured(1);
}

}  // namespace

QString UserDialogs::openFileName(const FileRequest& request) {
    return QFileDialog::getOpenFileName(parentWindow(), request.title, startPath(request), toQtFilter(request.filter));
}

QString UserDialogs::saveFileName(const FileRequest& request) {
    if (request.addChosenExtension) {
        QFileDialog dialog(parentWindow(), request.title, startPath(request), toQtFilter(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.askBeforeReplacing);
        dialog.setDefaultSuffix(extensionOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& fileType) { dialog.setDefaultSuffix(extensionOf(fileType)); });
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }
    return QFileDialog::getSaveFileName(
        parentWindow(), request.title, startPath(request), toQtFilter(request.filter), nullptr,
        request.askBeforeReplacing ? QFileDialog::Options() : QFileDialog::Options(QFileDialog::DontConfirmOverwrite));
}

bool UserDialogs::setUpPrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, parentWindow());
    return dialog.exec() == QDialog::Accepted;
}

void UserDialogs::previewPrint(QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dialog(&printer, parentWindow());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}
