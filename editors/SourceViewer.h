// SourceViewer: the source viewer. A non-modal window that shows XML text in an
// editable field made for large text, and saves that text, exactly as the
// field holds it, under a name of the user's choice. Edits made here never
// flow back into the document; the window says so.
//
// The main window creates it once and destroys it with itself.
#pragma once

#include <QMainWindow>
#include <functional>

#include "core/StringObject.h"
#include "document/DocumentText.h"
#include "widgets/ClearPlacement.h"
#include "widgets/WindowPlacement.h"

class Document;
class LargeTextEdit;
class SettingsStore;
class UserQuestions;

class SourceViewer : public QMainWindow {
    Q_OBJECT
public:
    // Loads the placement "ShowSource_". The window starts hidden. The text
    // is shown as the document's file holds it (its file text: a character
    // ISO-8859-1 cannot hold as a character reference), and Save As starts
    // in the document's folder.
    SourceViewer(SettingsStore& settings, UserQuestions& dialogs, const Document& document, QWidget* parent = nullptr);

    // Replaces the field's whole text by the XML `make` returns (the
    // writer's output) and shows the window, or just refills it when it is
    // already shown. The old text goes first, so two large texts are never
    // held at once.
    void showText(const std::function<corvantis::StringObject()>& make);
    // Each time the window comes up it opens clear of what `area` names.
    void openClearOf(std::function<ClearArea()> area) { clearArea_ = std::move(area); }

    LargeTextEdit* textField() const { return viewSource_; }
    // The field's text as the document's file holds text: its encoding, CR
    // LF between lines (Save As writes it with the file's byte-order mark, in
    // UTF-16 for a UTF-16 file). False when the field holds characters that
    // encoding cannot store: `unstorable` names them.
    bool sourceBytes(corvantis::StringObject& bytes, QString& unstorable) const;
    int resizeCount() const { return placement_.resizeCount(); }

public slots:
    // Menu "Save As": writes the field's text to the chosen file, keeping a
    // backup of a file it replaces.
    void saveTextAs();
    // Menu "Close": hides the window; its text stays until the next fill.
    void hideWindow();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    UserQuestions& dialogs_;
    const Document& document_;
    // How the field's bytes read: as the document's file holds its text.
    DocumentText fileText_;
    WindowPlacement placement_;
    std::function<ClearArea()> clearArea_;
    LargeTextEdit* viewSource_ = nullptr;
};
