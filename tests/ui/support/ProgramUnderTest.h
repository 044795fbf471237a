// The program's windows as the entry point puts them together, with the
// settings store in a temporary folder and scripted dialogs.
#pragma once

#include <memory>

#include <QTemporaryDir>

#include "ScriptedDialogs.h"
#include "app/SettingsStore.h"
#include "app/Treeorganizer.h"
#include "editing/Texteditor.h"

class QPlainTextEdit;
class QTreeWidgetItem;

class ProgramUnderTest {
public:
    // A fresh settings store; `programFolder` empty: a temporary folder
    // holding no Example.xml.
    explicit ProgramUnderTest(const QString& programFolder = QString());
    ~ProgramUnderTest();

    // Ends the run and starts the program again on the same settings store.
    void restart();
    // Constructs the windows and runs the first activation.
    void start();
    // Writes the file, starts, and opens it with File > Open, its dialog
    // answering with the file.
    void startAndOpen(const QString& name, const QByteArray& bytes);

    QString folder() const { return files_.path(); }
    QString pathOf(const QString& name) const { return files_.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

    TVelmorant& window() { return *window_; }
    TTT& textEditor() { return *textEditor_; }
    QPlainTextEdit* memo() const;
    ScriptedDialogs dialogs;
    SettingsStore& settings() { return *settings_; }

    // The tree item whose caption is `caption` (first found, depth first).
    QTreeWidgetItem* item(const QString& caption) const;
    // Selects and clicks the item, as the user does.
    void click(QTreeWidgetItem* item);
    // Types `text` into the text frame at its end.
    void type(const QString& text);
    // Closes the main window; true when it closed.
    bool close();

private:
    QTemporaryDir files_;
    QTemporaryDir store_;
    QString programFolder_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<TVelmorant> window_;
    std::unique_ptr<TTT> textEditor_;
};
