// The two commands that exchange a subtree with XML text: Insert From File
// reads an XML file in under the selected element, as one undoable step,
// and Save To Show Source shows the selected subtree's XML in the source
// viewer.
#pragma once

#include <QObject>

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
    // Adds what the chosen file holds under the selected element, after its
    // children, as readInsertedXml (InsertedXml.h) makes it ready. Nothing
    // for no selection or the document node.
    void LoadFromFileButtonClick();
    // Shows the selected element and its subtree as XML in the viewer.
    void SaveToViewButtonClick();

private:
    Document& document_;
    TreeSelection& selection_;
    UserDialogs& dialogs_;
    TXMLSource& viewer_;
    QWidget* dialogParent_;
};
