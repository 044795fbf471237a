// The live filter over the open document: what a query shows, that its rows
// come a slice at a time, and how they follow edits while the filter is on
// (a folder that stops matching stays; one that comes in is shown).
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "document/Commands.h"
#include "document/Document.h"
#include "document/DocumentFilter.h"

using corvantis::DOMNode;

namespace {

const QByteArray Notes =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<Notes><Work tag=\"job\"><Task owner=\"Ann\">Call the plumber</Task><Task>write the plan</Task></Work>"
    "<Home><Garden tag=\"Outdoor work\">roses<Bed>tulips</Bed></Garden><K\xFC" "che>\xC9TAG\xC8RE</K\xFC" "che></Home>"
    "</Notes>\r\n";

// The rows as "name" for a match, "(name)" above one, "+name" come in, indented by depth.
QStringList rowsOf(const Document& document, const DocumentFilter& filter) {
    QStringList rows;
    for (const DocumentFilter::Row& row : filter.rows()) {
        const QString name = document.text().toText(row.folder->nodeName());
        const QString shown = row.shown == DocumentFilter::Shown::Match   ? name
                              : row.shown == DocumentFilter::Shown::Above ? "(" + name + ")"
                                                                           : "+" + name;
        rows << QString(row.depth - 1, ' ') + shown;
    }
    return rows;
}

DOMNode* folder(const Document& document, std::initializer_list<int> places) {
    DOMNode* node = document.dom().rootElement();
    for (const int place : places) node = node->childAt(place);
    return node;
}

}  // namespace

class FilterTest : public QObject {
    Q_OBJECT
private slots:
    void aQueryShowsTheFoldersHoldingAllItsTermsAndThoseAbove_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("a word, any case") << "PLAN" << QStringList{"(Notes)", " (Work)", "  Task"};
        QTest::newRow("every word in one folder") << "call ann" << QStringList{"(Notes)", " (Work)", "  Task"};
        QTest::newRow("quotes keep a blank") << "\"the plan\"" << QStringList{"(Notes)", " (Work)", "  Task"};
        QTest::newRow("an attribute's value in any case") << "tag=WORK" << QStringList{"(Notes)", " (Home)", "  Garden"};
        QTest::newRow("an attribute, any value") << "tag=" << QStringList{"(Notes)", " Work", " (Home)", "  Garden"};
        QTest::newRow("an attribute value in quotes") << "tag=\"outdoor work\"" << QStringList{"(Notes)", " (Home)", "  Garden"};
        QTest::newRow("an attribute's name must be exact") << "TAG=job" << QStringList{};
        QTest::newRow("a word that starts with =") << "=job" << QStringList{};
        QTest::newRow("accented letters in either case")
            << QString::fromUtf8("küche étagère") << QStringList{"(Notes)", " (Home)", QString::fromUtf8("  Küche")};
        QTest::newRow("a character the document cannot hold") << QString::fromUtf8("plan €") << QStringList{};
    }

    void aQueryShowsTheFoldersHoldingAllItsTermsAndThoseAbove() {
        QFETCH(QString, query);
        QFETCH(QStringList, rows);
        Document document;
        document.load(Notes, "n.xml", "n.xml");
        DocumentFilter filter(document);
        filter.setQuery(query);
        QVERIFY(filter.isActive());
        QVERIFY(filter.isFinished());
        QCOMPARE(rowsOf(document, filter), rows);
    }

    void aBlankQueryFiltersNothing() {
        Document document;
        document.load(Notes, "n.xml", "n.xml");
        DocumentFilter filter(document);
        filter.setQuery("plan");
        filter.setQuery("  \t");
        QVERIFY(!filter.isActive());
        QVERIFY(filter.rows().empty());
    }

    void rowsComeASliceAtATimeAndAnEditWaitsForTheRest() {
        QByteArray xml = "<r>";
        for (int i = 0; i < 2000; ++i) xml += i % 100 == 7 ? "<a><b>needle</b></a>" : "<a><b>hay</b></a>";
        xml += "</r>";
        Document document;
        document.load(xml, "n.xml", "n.xml");
        DocumentFilter filter(document);
        filter.setSliceSize(4096);
        QSignalSpy finished(&filter, &DocumentFilter::finished);
        filter.setQuery("needle");
        // The first match is there before any event is handled.
        QVERIFY(!filter.isFinished());
        QVERIFY(!filter.rows().empty());
        QCOMPARE(rowsOf(document, filter).mid(0, 3), QStringList({"(r)", " (a)", "  b"}));
        // A change waits for the walk, which must not read a changing tree.
        document.push(std::make_unique<RenameElement>(document, folder(document, {7, 0}), corvantis::StringObject("c"), "rename"));
        QVERIFY(filter.isFinished());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(filter.rows().size(), std::size_t{1 + 20 * 2});
    }

    void aFolderThatStopsMatchingStaysUntilTheQueryChanges() {
        Document document;
        document.load(Notes, "n.xml", "n.xml");
        DocumentFilter filter(document);
        filter.setQuery("plan");
        DOMNode* task = folder(document, {0, 1});
        document.push(std::make_unique<SetElementText>(document, task, corvantis::StringObject("write"), "typing"));
        QCOMPARE(rowsOf(document, filter), QStringList({"(Notes)", " (Work)", "  Task"}));
        filter.setQuery("plan ");
        QCOMPARE(rowsOf(document, filter), QStringList());
    }

    void aFolderThatComesInIsShownWithTheFoldersAboveIt() {
        Document document;
        document.load(Notes, "n.xml", "n.xml");
        DocumentFilter filter(document);
        filter.setQuery("plan");
        // A new folder under one the filter hid.
        std::unique_ptr<DOMNode> made = document.newNode(corvantis::ELEMENT);
        made->setNodeName("NewFolder");
        DOMNode* bed = folder(document, {1, 0, 1});
        document.push(std::make_unique<PlaceSubtree>(document, std::move(made), corvantis::NodePlace{bed, 1}, "insert"));
        QCOMPARE(rowsOf(document, filter),
                 QStringList({"(Notes)", " (Work)", "  Task", " (Home)", "  (Garden)", "   (Bed)", "    +NewFolder"}));
        // A match deleted and brought back.
        DOMNode* task = folder(document, {0, 1});
        document.push(std::make_unique<RemoveSubtree>(document, task, "delete"));
        QCOMPARE(rowsOf(document, filter).mid(0, 3), QStringList({"(Notes)", " (Work)", " (Home)"}));
        document.undo();
        QCOMPARE(rowsOf(document, filter).mid(0, 3), QStringList({"(Notes)", " (Work)", "  Task"}));
        // A moved folder goes with its rows, and what is inside it that matches.
        document.push(std::make_unique<MoveSubtree>(document, folder(document, {0}), folder(document, {1, 1}), corvantis::After, "move"));
        QCOMPARE(rowsOf(document, filter), QStringList({"(Notes)", " (Home)", "  (Garden)", "   (Bed)", "    +NewFolder",
                                                        "  +Work", "   Task"}));
    }

    void aDocumentReadAnewIsFilteredAnew() {
        Document document;
        document.load(Notes, "n.xml", "n.xml");
        DocumentFilter filter(document);
        filter.setQuery("roses");
        QSignalSpy reset(&filter, &DocumentFilter::reset);
        document.load("<x><y>roses</y><z/></x>", "m.xml", "m.xml");
        QVERIFY(reset.count() >= 1);
        QCOMPARE(rowsOf(document, filter), QStringList({"(x)", " y"}));
    }
};

QTEST_GUILESS_MAIN(FilterTest)
#include "tst_filter.moc"
