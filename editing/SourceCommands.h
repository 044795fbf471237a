// The main window's two commands that exchange a subtree with XML text:
// Insert From File reads an XML file in under the selected element, and Save
// To Show Source shows the selected subtree's XML in the source viewer.
#pragma once

#include <QObject>

class TVelmorant;
namespace corvantis {
class DOMNode;
}
class TXMLSource;
class UserDialogs;

class SourceCommands : public QObject {
    Q_OBJECT
public:
    SourceCommands(TVelmorant& window, UserDialogs& dialogs, TXMLSource& viewer);

    // Connects the window's menu items, pop-up items and tool buttons.
    void attach();

public slots:
    // Adds everything the chosen file holds under the selected element, after
    // its children. Nothing for no selection or the document node.
    void LoadFromFileButtonClick();
    // Shows the selected element and its subtree as XML in the viewer.
    void SaveToViewButtonClick();

private:
    void showFileError();
    // Selects the node's tree item and shows its details, as a click does.
    void selectAndShow(const corvantis::DOMNode* node);

    TVelmorant& window_;
    UserDialogs& dialogs_;
    TXMLSource& viewer_;
};
