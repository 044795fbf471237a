// The action table: every command is one action, reached from each menu,
// pop-up menu and tool button the layout puts it in, and from nowhere else;
// every menu item keeps its words and has an Alt letter of its own.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include "app/ActionTable.h"
#include "support/ProgramUnderTest.h"

namespace {

const Menu AllMenus[] = {Menu::File,    Menu::Recent,    Menu::Edit,           Menu::EditAdd,
                         Menu::EditPaste, Menu::View, Menu::Options, Menu::Help, Menu::TreePopup,
                         Menu::TreePopupInsert, Menu::TreePopupPaste};

QList<Command> allCommands() {
    QList<Command> all;
    for (int i = 0; i < int(Command::Count); ++i) all << Command(i);
    return all;
}

// The letter after the single "&" of a caption ("&&" is a written "&"); none: 0.
QChar altLetter(const QString& caption) {
    QChar letter;
    int marks = 0;
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        letter = caption[i + 1].toLower();
        ++marks;
    }
    return marks == 1 ? letter : QChar();
}

QStringList wordsOf(const QMenu* menu) {
    QStringList all;
    for (const QAction* action : menu->actions())
        all << (action->isSeparator() ? "-" : QString(action->text()).remove(QRegularExpression("&(?!&)")));
    return all;
}

}  // namespace

class ActionTableTest : public QObject {
    Q_OBJECT
private slots:
    void everyCommandIsOneActionReachableFromEachPlaceItShouldBe() {
        ProgramUnderTest program;
        program.start();
        MainWindow& window = program.window();
        QSet<QAction*> distinct;
        const QList<QToolButton*> buttons = window.findChildren<QToolButton*>();
        for (const Command command : allCommands()) {
            QAction* action = window.action(command);
            QVERIFY(action);
            distinct.insert(action);
            const QList<Menu> places = ActionTable::menusOf(command);
            for (const Menu menu : AllMenus)
                QCOMPARE(window.menu(menu)->actions().count(action), places.contains(menu) ? 1 : 0);
            int onButtons = 0;
            for (const QToolButton* button : buttons) onButtons += button->defaultAction() == action;
            QCOMPARE(onButtons, ActionTable::hasToolButton(command) ? 1 : 0);
            // Somewhere to reach it from.
            QVERIFY(!places.isEmpty() || onButtons == 1);
        }
        QCOMPARE(distinct.size(), int(Command::Count));
        // The insert and paste buttons drop down the Edit menu's own Add and Paste.
        QList<QMenu*> dropped;
        for (const QToolButton* button : buttons)
            if (button->menu()) dropped << button->menu();
        QCOMPARE(dropped.count(window.menu(Menu::EditAdd)), 1);
        QCOMPARE(dropped.count(window.menu(Menu::EditPaste)), 1);
    }

    void everyMenuItemKeepsItsWordsAndHasAnAltLetterOfItsOwn() {
        ProgramUnderTest program;
        program.start();
        MainWindow& window = program.window();
        QStringList bar;
        QSet<QChar> barLetters;
        for (const QAction* menu : window.menuBar()->actions()) {
            bar << QString(menu->text()).remove('&');
            barLetters.insert(altLetter(menu->text()));
        }
        QCOMPARE(bar, QStringList({"File", "Edit", "View", "Options", "Help"}));
        QCOMPARE(barLetters.size(), 5);
        for (const Menu menu : AllMenus) {
            if (menu == Menu::Recent) continue;
            QSet<QChar> letters;
            for (const QAction* item : window.menu(menu)->actions()) {
                if (item->isSeparator()) continue;
                const QChar letter = altLetter(item->text());
                QVERIFY2(!letter.isNull(), qPrintable(item->text()));
                QVERIFY2(!letters.contains(letter), qPrintable(item->text()));
                letters.insert(letter);
            }
        }
        QCOMPARE(wordsOf(window.menu(Menu::File)), QStringList({"Open", "New", "Save", "Save As", "Versions…", "Recent", "-", "Export…",
                                                                "Print Preview…", "Print…", "-", "Exit"}));
        QCOMPARE(wordsOf(window.menu(Menu::Edit)),
                 QStringList({"Add", "Delete", "Copy", "Cut", "Paste", "Move Up", "Move Down", "-", "Edit Node Name",
                              "Refresh", "-", "Undo", "Redo", "-", "Find", "Find Next", "Find Previous", "Replace…"}));
        QCOMPARE(wordsOf(window.menu(Menu::TreePopup)),
                 QStringList({"Insert New Node", "Delete Node", "-", "Edit Node Name", "Copy Tree", "Cut Tree",
                              "Paste Tree", "Move Up", "Move Down", "-", "Insert From File", "Save To Show Source",
                              "Export…"}));
    }

    void theKeysShowBesideTheItemsOfThePopUpMenusToo() {
        ProgramUnderTest program;
        program.start();
        for (const Command command : {Command::AddUnder, Command::DeleteFolder, Command::PasteUnder})
            QVERIFY(program.window().action(command)->isShortcutVisibleInContextMenu());
    }
};

QTEST_MAIN(ActionTableTest)
#include "tst_action_table.moc"
