// The program as the entry point puts it together: the open document, the
// main window and the text editor beside it, on the settings store and the
// dialogs it is given. Closing the main window ends the application's loop.
#pragma once

#include <memory>

#include <QString>

class Document;
class SettingsStore;
class TTT;
class TVelmorant;
class UserDialogs;

class Program {
public:
    // `startupFile` empty: the remembered file, as on a plain start.
    Program(SettingsStore& settings, UserDialogs& dialogs, const QString& startupFile);
    // The windows go as usual, settings and all; the document's memory is
    // left to the system, which takes a large document back at once where
    // freeing it node by node would keep the user waiting. Builds that check
    // memory free it like everything else.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Shows the main window; its first activation opens the file.
    void show();
    TVelmorant& window() { return *window_; }

private:
    std::unique_ptr<Document> document_;
    std::unique_ptr<TVelmorant> window_;
    std::unique_ptr<TTT> textEditor_;
};
