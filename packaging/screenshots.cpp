// corvantis_screenshots OUTPUT_FOLDER PROGRAM_FOLDER
//
// Renders the program's windows to PNG files for the README, without a
// display (run it with QT_QPA_PLATFORM=offscreen): the one window of a first
// start with the example document, each modal editor, the source viewer, the
// Edit menu, the File menu, File > Recent, the find bar, the filtered tree,
// the replace window, the text editor and the node details undocked into
// windows of their own, and the main window with the text frame docked at its
// bottom. PROGRAM_FOLDER holds Example.xml. The settings live in a scratch
// folder, so the user's own are never touched.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/MainWindow.h"
#include "core/Dom.h"
#include "document/Document.h"
#include "document/Selection.h"
#include "editors/TextEditorWindow.h"
#include "editors/NodeDetailsWindow.h"
#include "tree/DocumentTreeView.h"
#include "document/DocumentTreeModel.h"
#include "tree/FilterBar.h"
#include "tree/FindBar.h"
#include "tree/ReplaceDialog.h"
#include "widgets/Docking.h"
#include "widgets/SettingsStore.h"
#include "document/UserQuestions.h"

namespace {

// A message box, which nobody could answer here, goes to the terminal; no
// file dialog is ever needed.
class TerminalDialogs : public UserQuestions {
public:
    Answer message(const QString& text, const QString& caption, Buttons) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return Answer::Ok;
    }
    int choose(const QString& text, const QString& caption, const QStringList&) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return -1;
    }
    QString openFileName(const FileRequest&) override { return QString(); }
    QString saveFileName(const FileRequest&) override { return QString(); }
};

class Screenshots {
public:
    explicit Screenshots(const QString& folder) : folder_(folder) {}

    void save(QWidget* window, const QString& name) {
        if (!window || !window->grab().save(folder_ + "/" + name + ".png")) {
            std::fprintf(stderr, "could not render %s\n", qPrintable(name));
            failed_ = true;
            return;
        }
        std::printf("%s/%s.png\n", qPrintable(folder_), qPrintable(name));
    }

    // Presses a button that opens a modal editor, renders the editor and
    // closes it again.
    void saveModal(QPushButton* opener, const QString& name) {
        bool rendered = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* editor = QApplication::activeModalWidget()) {
                save(editor, name);
                rendered = true;
                editor->close();
            }
        });
        opener->click();
        if (!rendered) {
            std::fprintf(stderr, "%s did not open\n", qPrintable(name));
            failed_ = true;
        }
    }

    // Renders a menu together with the submenu it has open, as they stand
    // on the screen.
    void saveMenus(QMenu* menu, QMenu* submenu, const QString& name) {
        const QRect both = menu->geometry().united(submenu->geometry());
        QPixmap picture(both.size());
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.drawPixmap(menu->geometry().topLeft() - both.topLeft(), menu->grab());
        painter.drawPixmap(submenu->geometry().topLeft() - both.topLeft(), submenu->grab());
        painter.end();
        if (!picture.save(folder_ + "/" + name + ".png")) {
            std::fprintf(stderr, "could not render %s\n", qPrintable(name));
            failed_ = true;
            return;
        }
        std::printf("%s/%s.png\n", qPrintable(folder_), qPrintable(name));
    }

    bool failed() const { return failed_; }

private:
    QString folder_;
    bool failed_ = false;
};

// The element with the most to show: attributes, comments and processing
// instructions count, text breaks a tie.
const corvantis::DOMNode* richestElement(const DocumentTreeView* tree) {
    const corvantis::DOMNode* best = nullptr;
    int bestScore = -1;
    for (int row = 0; row < tree->model()->rowCount(); ++row) {
        const corvantis::DOMNode* node = tree->nodeAt(tree->model()->index(row, 0));
        if (!node || !node->parentNode()) continue;
        int score = 2 * node->attributeCount();
        for (int i = 0; i < node->childCount(); ++i) {
            const int kind = node->childAt(i)->nodeType();
            if (kind == corvantis::COMMENT || kind == corvantis::PROCESSING_INSTRUCTION) score += 2;
            if (kind == corvantis::TEXT) score += 1;
        }
        if (score > bestScore) {
            best = node;
            bestScore = score;
        }
    }
    return best;
}

QWidget* visibleTopLevel(const char* className) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->inherits(className)) return widget;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: corvantis_screenshots OUTPUT_FOLDER PROGRAM_FOLDER\n");
        return 2;
    }
    const QString programFolder = QString::fromLocal8Bit(argv[2]) + "/";
    Screenshots screenshots(QString::fromLocal8Bit(argv[1]));

    QTemporaryDir store;
    SettingsStore settings(store.filePath("MyBusiness.ini"));
    settings.writeBool("UseAsXML", true);
    // Documents of an earlier session, for File > Recent; the example joins them.
    const char* const earlier[] = {"/home/you/Documents/Diary.XML", "/home/you/Documents/Recipes.XML",
                                   "/home/you/Work/Projects.XML"};
    for (int i = 0; i < 3; ++i) settings.writeText(QString("RecentFile%1").arg(i + 1), QString(earlier[i]));
    // The first start opens the example document beside the program.
    TerminalDialogs dialogs;
    Document document;
    MainWindow window(settings, dialogs, document, programFolder);
    TextEditorWindow textEditor(settings);
    window.attachTextEditor(&textEditor);
    window.show();
    window.startUp();
    // The first start's two thirds of a 1280×800 screen.
    window.resize(853, 533);

    DocumentTreeView* tree = window.treeView();
    const corvantis::DOMNode* chosen = richestElement(tree);
    if (!chosen) {
        std::fprintf(stderr, "Example.xml has no element to show\n");
        return 1;
    }
    window.selection().select(chosen);
    QApplication::processEvents();

    screenshots.save(&window, "main-window");
    screenshots.saveModal(window.detailsWindow()->editAttributesButton(), "attributes-editor");
    screenshots.saveModal(window.detailsWindow()->editCommentsButton(), "comments-editor");
    screenshots.saveModal(window.detailsWindow()->editInstructionsButton(), "pi-editor");

    window.action(Command::ViewSource)->trigger();
    QApplication::processEvents();
    screenshots.save(visibleTopLevel("SourceViewer"), "source-viewer");

    QMenu* edit = window.menu(Menu::Edit);
    edit->popup(window.mapToGlobal(QPoint(40, 20)));
    QApplication::processEvents();
    screenshots.save(edit, "edit-menu");
    edit->hide();

    QMenu* file = window.menu(Menu::File);
    file->popup(window.mapToGlobal(QPoint(4, 20)));
    QApplication::processEvents();
    screenshots.save(file, "file-menu");
    QMenu* recent = window.menu(Menu::Recent);
    const QRect item = file->actionGeometry(recent->menuAction());
    recent->popup(file->mapToGlobal(QPoint(file->width() - 4, item.top())));
    QApplication::processEvents();
    screenshots.saveMenus(file, recent, "recent-files");
    recent->hide();
    file->hide();

    // A word typed into the find bar: its first match is selected.
    window.action(Command::Find)->trigger();
    for (const QChar letter : QString("plan")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(letter));
        QCoreApplication::sendEvent(window.findBar()->FindEdit(), &press);
    }
    QElapsedTimer searching;
    searching.start();
    while (!window.findBar()->search().isFinished() && searching.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    screenshots.save(&window, "find-bar");
    window.findBar()->closeBar();

    // The tree narrowed down to the folders holding a word.
    window.action(Command::Filter)->trigger();
    window.filterBar()->FilterEdit()->setText("plan");
    searching.restart();
    while (!window.selection().rows().filter().isFinished() && searching.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    screenshots.save(&window, "filter");
    window.filterBar()->closeBar();

    // The replace window showing the first match of a word.
    window.action(Command::Replace)->trigger();
    ReplaceDialog* replace = window.replaceDialog();
    replace->FindEdit()->setText("plan");
    replace->ReplaceEdit()->setText("project");
    replace->findNext();
    QApplication::processEvents();
    screenshots.save(replace, "replace");
    replace->hide();

    // The text frame and the details undocked, each in its own window.
    textEditor.frameDocking()->returnHome();
    window.detailsWindow()->panelDocking()->returnHome();
    QApplication::processEvents();
    screenshots.save(&textEditor, "text-editor");
    screenshots.save(window.detailsWindow(), "node-details");

    // The text frame dragged into the bottom of the main window.
    textEditor.frameDocking()->dockInto(&window, Qt::BottomDockWidgetArea);
    window.resize(380, 640);
    QApplication::processEvents();
    screenshots.save(&window, "main-window-docked");

    return screenshots.failed() ? 1 : 0;
}
