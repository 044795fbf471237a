// The program as the entry point puts it together: the open document, the
// store of unsaved work and its autosave, the main window and the text
// editor beside it, on the settings store and the dialogs it is given.
// Closing the main window ends the application's loop.
#pragma once

#include <memory>

#include <QString>

class Autosave;
class Document;
class RecoveryStore;
class SettingsStore;
class TextEditorWindow;
class VersionStore;
class MainWindow;
class UserQuestions;

class Program {
public:
    // Where the program finds its help page and example document (empty:
    // beside the program), and where it keeps unsaved work (empty: the
    // user's data folder); the versions of saved files are kept beside it.
    struct Places {
        QString programFolder;
        QString recoveryFolder;
    };

    // `startupFile` empty: the remembered file, as on a plain start.
    Program(SettingsStore& settings, UserQuestions& dialogs, const QString& startupFile, const Places& places = {});
    // The windows go as usual, settings and all, and so does unsaved work
    // the user chose to drop; work still unsaved stays for recovery. The
    // document's memory is left to the system, which takes a large document
    // back at once where freeing it node by node would keep the user
    // waiting. Builds that check memory free it like everything else.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Tells of crashes since the last start, then shows the main window; its
    // first activation opens the file.
    void show();
    MainWindow& window() { return *window_; }
    TextEditorWindow& textEditor() { return *textEditor_; }
    Document& document() { return *document_; }
    Autosave& autosave() { return *autosave_; }

private:
    void announceCrashes();

    UserQuestions& dialogs_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<RecoveryStore> recovery_;
    std::unique_ptr<Autosave> autosave_;
    std::unique_ptr<VersionStore> versions_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<TextEditorWindow> textEditor_;
};
