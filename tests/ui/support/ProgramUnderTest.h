// The program's windows as the entry point puts them together, with the
// settings store in a temporary folder and scripted dialogs.
#pragma once

#include <memory>

#include <QTemporaryDir>

#include "support/ScriptedDialogs.h"
#include "app/ActionTable.h"
#include "app/Program.h"
#include "app/MainWindow.h"
#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "document/DocumentTreeModel.h"
#include "document/Selection.h"
#include "editors/TextEditorWindow.h"
#include "tree/DocumentTreeView.h"
#include "widgets/SettingsStore.h"

// Commands in the columns of data-driven tests.
Q_DECLARE_METATYPE(Command)

class LargeTextEdit;
class QLineEdit;
class QModelIndex;
namespace corvantis {
class DOMNode;
}

class ProgramUnderTest {
public:
    // A fresh settings store; `programFolder` empty: a temporary folder
    // holding no Example.xml.
    explicit ProgramUnderTest(const QString& programFolder = QString());
    ~ProgramUnderTest();

    // Ends the run and starts the program again on the same settings store
    // and recovery folder. The close prompt is not asked: work still unsaved
    // is left behind as after a crash.
    void restart();
    // Ends the run as the program's exit does, after its window has closed.
    void end() { program_.reset(); }
    // Constructs the windows and runs the first activation.
    void start();
    // Before start: settings as an earlier version left them, a place stored
    // and no layout named, so the windows keep their floating arrangement.
    void keepEarlierPlaces();
    // Writes the file, starts, and opens it with File > Open, its dialog
    // answering with the file.
    void startAndOpen(const QString& name, const QByteArray& bytes);

    QString folder() const { return files_.path(); }
    QString pathOf(const QString& name) const { return files_.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

    MainWindow& window() const { return program_->window(); }
    Document& document() const { return program_->document(); }
    Autosave& autosave() { return program_->autosave(); }
    QString recoveryFolder() const { return files_.filePath("recovery"); }
    // The document as Save would write it.
    QByteArray written() const;
    TextEditorWindow& textEditor() const { return program_->textEditor(); }
    LargeTextEdit* memo() const;
    ScriptedDialogs dialogs;
    SettingsStore& settings() { return *settings_; }

    // The tree as the user sees it, whatever view shows it. A row is named
    // by its caption: the first shown row, top to bottom, that carries it.
    QString topCaption() const;
    QStringList shownCaptions() const;
    bool shows(const QString& caption) const;
    QStringList childCaptions(const QString& caption) const;
    QString currentCaption() const;
    bool isExpanded(const QString& caption) const;
    void setExpanded(const QString& caption, bool expanded);
    // The row's place in the viewport; empty when it is scrolled or folded away.
    QRect rectOf(const QString& caption) const;
    // The image and selected image the row shows.
    std::pair<int, int> imagesOf(const QString& caption) const;
    // The caption of the row marked for copy or cut; empty for none.
    QString markedCaption() const;
    corvantis::DOMNode* nodeOf(const QString& caption) const;
    // The node behind the current row, or null.
    corvantis::DOMNode* currentNode() const;
    // Makes the row current as the arrow keys do: no click.
    void select(const QString& caption);
    void selectTop();
    void selectNone();
    // Selects and clicks the row, as the user does.
    void click(const QString& caption);
    void clickTop();
    // The label editor the tree has open, or null.
    QLineEdit* labelEditor() const;
    // The main window active and the tree holding the keyboard focus, so
    // keys reach it as they reach it from the user.
    bool focusTree();
    // Types `text` into the text frame at its end.
    void type(const QString& text);
    // Closes the main window; true when it closed.
    bool close();

private:
    QModelIndex row(const QString& caption) const;
    void clickRow(const QModelIndex& row);

    QTemporaryDir files_;
    QTemporaryDir store_;
    QString programFolder_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<Program> program_;
};
