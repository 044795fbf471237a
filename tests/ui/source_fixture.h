// What the source viewer tests share: the program with a document open, and
// the commands as the user reaches them.
#pragma once

#include <QAction>
#include <QDir>

#include "core/Dom.h"
#include "editors/SourceViewer.h"
#include "support/ProgramUnderTest.h"

inline QByteArray bytesOf(const corvantis::StringObject& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.length()));
}

inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class SourceProgram {
public:
    ProgramUnderTest program;

    // Starts with the New document.
    void start() { program.start(); }
    // Starts with `name` written from `bytes` and opened.
    void open(const QString& name, const QByteArray& bytes) {
        program.writeFile(name, bytes);
        start();
        program.dialogs.chooseFile(program.pathOf(name));
        program.window().files().open();
        program.dialogs.clear();
    }

    MainWindow& window() { return program.window(); }
    Document& document() { return program.document(); }
    ScriptedDialogs& dialogs() { return program.dialogs; }
    SourceViewer& viewer() { return *window().sourceViewer(); }

    void select(const QString& caption) { program.click(caption); }
    void viewSource() { window().action(Command::ViewSource)->trigger(); }
    void saveToShowSource() { window().action(Command::SaveToShowSource)->trigger(); }
    void insertFromFile(const QString& name) {
        program.dialogs.chooseFile(program.pathOf(name));
        window().action(Command::InsertFromFile)->trigger();
    }
    void cancelInsertFromFile() {
        program.dialogs.cancelFileDialog();
        window().action(Command::InsertFromFile)->trigger();
    }
    // The viewer's Save As to `name` in the test folder.
    void saveViewerAs(const QString& name) {
        program.dialogs.chooseFile(program.pathOf(name));
        viewer().saveTextAs();
    }
    // The main window's Save As to `name` in the test folder.
    bool saveDocumentAs(const QString& name) {
        program.dialogs.chooseFile(program.pathOf(name));
        return window().files().saveAs();
    }
    QStringList children(const QString& caption) { return program.childCaptions(caption); }
};
