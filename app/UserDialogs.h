// The program's real message boxes and file dialogs. Each belongs to the
// window the user is working in: the open modal editor, else the active
// window, else the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "document/UserQuestions.h"

class UserDialogs : public UserQuestions {
public:
    // The window a dialog belongs to when no window of the program is active.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    Answer message(const QString& text, const QString& caption, Buttons buttons) override;
    int choose(const QString& text, const QString& caption, const QStringList& answers) override;
    QString openFileName(const FileRequest& request) override;
    QString saveFileName(const FileRequest& request) override;
    bool setUpPrinter(QPrinter& printer) override;
    void previewPrint(QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;

    // "A (*.X)|*.X|B (*.*)|*.*" becomes "A (*.X);;B (*.*)": the labels carry
    // their patterns, which is what QFileDialog reads.
    static QString toQtFilter(const QString& filter);

private:
    QWidget* parentWindow() const;

    QPointer<QWidget> mainWindow_;
};
