// TXMLSource: the source viewer. A non-modal window that shows XML text in an
// editable field made for large text, and saves that text, exactly as the
// field holds it, under a name of the user's choice. Edits made here never
// flow back into the document; the window says so.
//
// The main window creates it once and destroys it with itself.
#pragma once

#include <QMainWindow>
#include <functional>

#include "core/StringObject.h"
#include "widgets/WindowPlacement.h"

class Document;
class LargeTextEdit;
class SettingsStore;
class UserDialogs;

class TXMLSource : public QMainWindow {
    Q_OBJECT
public:
    // Loads the placement "ShowSource_". The window starts hidden. The text
    // is kept in the open document's encoding, and Save As starts in the
    // document's folder.
    TXMLSource(SettingsStore& settings, UserDialogs& dialogs, const Document& document, QWidget* parent = nullptr);

    // Replaces the field's whole text by the XML `make` returns and shows the
    // window, or just refills it when it is already shown. The old text goes
    // first, so two large texts are never held at once.
    void ShowText(const std::function<corvantis::StringObject()>& make);

    LargeTextEdit* ViewSource() const { return viewSource_; }
    // The field's text as the document holds text: its encoding, CR LF
    // between lines (Save As writes it as the document's file stores text).
    // False when the field holds characters that encoding cannot store:
    // `unstorable` names them.
    bool SourceBytes(corvantis::StringObject& bytes, QString& unstorable) const;
    int ResizeCount() const { return placement_.resizeCount(); }

public slots:
    // Menu "Save As": writes the field's text to the chosen file, keeping a
    // backup of a file it replaces.
    void SaveAs1Click();
    // Menu "Close": hides the window; its text stays until the next fill.
    void Close1Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    UserDialogs& dialogs_;
    const Document& document_;
    WindowPlacement placement_;
    LargeTextEdit* viewSource_ = nullptr;
};
