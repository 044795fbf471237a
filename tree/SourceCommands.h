// The commands that exchange a subtree with XML text: Insert From File
// reads an XML file in under the selected element, as one undoable step;
// Paste with no folder marked reads the clipboard's XML the same way; Save
// To Show Source shows the selected subtree's XML in the source viewer.
#pragma once

#include <QObject>

#include "core/Dom.h"
#include "document/InsertedXml.h"

class Document;
class Selection;
class SourceViewer;
class UserQuestions;

class SourceCommands : public QObject {
    Q_OBJECT
public:
    SourceCommands(Document& document, Selection& selection, UserQuestions& dialogs, SourceViewer& viewer,
                   QObject* parent = nullptr);

public slots:
    // Adds what the chosen file holds under the selected element, after its
    // children, as readInsertedXml (InsertedXml.h) makes it ready. Nothing
    // for no selection or the document node.
    void insertFromFile();
    // Shows the selected element and its subtree as XML in the viewer.
    void showSubtreeSource();
    // Puts what the clipboard's XML holds at `position` relative to the
    // selected folder, under the rules of a paste.
    void pasteFromClipboard(corvantis::InsertPosition position);

private:
    // Puts what `inserted` holds at `place` as one step named `step`,
    // showing the whole tree, or tells why it was refused; an end tag too
    // many is reported as found in `source`. Returns the first element put
    // there, or null.
    corvantis::DOMNode* insert(InsertedXml inserted, corvantis::NodePlace place, const QString& step,
                               const QString& source, const QString& caption);

    Document& document_;
    Selection& selection_;
    UserQuestions& dialogs_;
    SourceViewer& viewer_;
};
