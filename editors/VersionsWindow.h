// File > Versions: the versions of the open document, the newest first, with
// when each was saved, its size and its number of folders. The one selected
// can be shown in the source viewer or restored as the document. Why the
// last save could keep no version is said above the list.
#pragma once

#include <QDialog>
#include <QList>
#include <QTimer>

#include "document/VersionStore.h"

class DocumentFiles;
class QLabel;
class QPushButton;
class QTreeWidget;
class SourceViewer;

class VersionsWindow : public QDialog {
    Q_OBJECT
public:
    VersionsWindow(DocumentFiles& files, SourceViewer& viewer, QWidget* parent = nullptr);

    // Lists the versions anew and shows the window.
    void showVersions();
    QTreeWidget* list() const { return list_; }
    QLabel* problem() const { return problem_; }

public slots:
    void showSelected();
    // The window closes once the version is the document.
    void restoreSelected();

private:
    void refill();
    // Counting reads a whole version: one at a time, between other events,
    // so the list is there at once and the window stays responsive.
    void countNextFolders();
    const Version* selected() const;

    DocumentFiles& files_;
    SourceViewer& viewer_;
    QLabel* problem_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* show_ = nullptr;
    QPushButton* restore_ = nullptr;
    QList<Version> versions_;
    int counted_ = 0;
    QTimer counting_;
};
