// What the node details tests share: a document read from XML text, the
// services the details window and editors take from the main window, with
// scripted message boxes that record what they were asked to show.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "core/Dom.h"
#include "document/Document.h"
#include "document/DocumentTreeModel.h"
#include "document/Selection.h"
#include "editors/DetailEditorContext.h"
#include "support/ScriptedDialogs.h"
#include "widgets/SettingsStore.h"

struct DetailFixture {
    QTemporaryDir folder;
    SettingsStore settings{folder.filePath("settings.ini")};
    ScriptedDialogs dialogs;
    Document document;
    DocumentTreeModel rows{document};
    Selection selection{rows};
    DetailEditorContext context{document, selection, dialogs, settings, {}};
    const corvantis::DOM& dom = document.dom();

    explicit DetailFixture(const char* xml) { document.load(QByteArray(xml), "Notes.XML", "Corvantis"); }
    bool changed() const { return document.hasUnsavedChanges(); }

    QString lastCaption() const {
        return dialogs.messages.isEmpty() ? QString() : dialogs.messages.back().caption;
    }
    QString lastMessage() const {
        return dialogs.messages.isEmpty() ? QString() : dialogs.messages.back().text;
    }
    corvantis::DOMNode* documentNode() const { return dom.documentNode(); }
    corvantis::DOMNode* root() const { return dom.rootElement(); }
    // What Save writes.
    QByteArray saved() const {
        const corvantis::StringObject text = dom.serialize();
        std::string storage;
        const std::string_view file = document.fileBytes(text, storage);
        return QByteArray(file.data(), static_cast<qsizetype>(file.size()));
    }
};

inline QByteArray bytes(const corvantis::StringObject& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.length()));
}

// The texts of a grid's data rows, column by column, rows joined by "|".
template <class Grid>
QStringList rowsOf(const Grid* grid) {
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column) cells << grid->cell(column, row);
        rows << cells.join("=");
    }
    return rows;
}

// Runs `step` on the modal editor the next command opens, once it is up,
// and closes it with OK.
template <class Editor, class Step>
void whenOpened(Step step) {
    QTimer::singleShot(0, [step] {
        auto* editor = qobject_cast<Editor*>(QApplication::activeModalWidget());
        QVERIFY(editor);
        step(editor);
        editor->closeEditor();
    });
}
