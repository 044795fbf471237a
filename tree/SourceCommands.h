// The commands that exchange a subtree with XML text: Insert From File
// reads an XML file in under the selected element, as one undoable step;
// Paste with no folder marked reads the clipboard's XML the same way; Save
// To Show Source shows the selected subtree's XML in the source viewer.
#pragma once

#include <QObject>
#include <string_view>

#include "core/Dom.h"

class Document;
class TreeSelection;
class TXMLSource;
class UserDialogs;
class QWidget;

class SourceCommands : public QObject {
    Q_OBJECT
public:
    SourceCommands(Document& document, TreeSelection& selection, UserDialogs& dialogs, TXMLSource& viewer,
                   QWidget* dialogParent);

public slots:
    // Adds everything the chosen file holds under the selected element, after
    // its children. Nothing for no selection or the document node.
    void LoadFromFileButtonClick();
    // Shows the selected element and its subtree as XML in the viewer.
    void SaveToViewButtonClick();
    // Puts what the clipboard's XML holds at `position` relative to the
    // selected folder, under the rules of a paste.
    void PasteFromClipboard(corvantis::InsertPosition position);

private:
    // Reads `xml` apart from the tree and puts what it holds at `place` as
    // one step named `step`, showing the whole tree; an end tag too many is
    // reported as found in `source`. Returns the first element put there,
    // or null.
    corvantis::DOMNode* insertXml(corvantis::NodePlace place, std::string_view xml, const QString& step,
                                  const QString& source, const QString& caption);

    Document& document_;
    TreeSelection& selection_;
    UserDialogs& dialogs_;
    TXMLSource& viewer_;
    QWidget* dialogParent_;
};
