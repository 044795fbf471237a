// What the node details window and its modal editors need from the main
// window: the one funnel that changes the document, the message boxes, the
// settings store that keeps window placements and the open document's text
// encoding. All are owned by the main window and outlive every editor; `text`
// refers to the main window's own DocumentText, which it reassigns when a
// document of another encoding is opened.
#pragma once

class DocumentChanges;
class DocumentText;
class SettingsStore;
class UserDialogs;

struct DetailEditorContext {
    DocumentChanges& changes;
    UserDialogs& dialogs;
    SettingsStore& settings;
    const DocumentText& text;
};
