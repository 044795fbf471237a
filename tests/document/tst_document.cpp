// The document and its undo history, without any window: random command
// sequences undo to the bytes first read and redo to the bytes last written,
// the tree stays sound and the tree model and a filter's rows stay
// consistent after every step; the steps a user relies on behave as they
// should; and running out of memory while a document is read in leaves the
// open one as it was.
#include <QAbstractItemModelTester>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <QAbstractListModel>
#include <memory>
#include <new>
#include <random>
#include <unordered_map>
#include <vector>

#include "FaultyFileSystem.h"
#include "checks/DomChecks.h"
#include "core/AllocationLimit.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "document/DocumentFilter.h"
#include "document/DocumentSearch.h"
#include "document/DocumentTreeModel.h"
#include "document/InsertedXml.h"
#include "document/ReadFile.h"

using corvantis::AllocationLimit;

using corvantis::DOMNode;
using corvantis::NodePlace;
using corvantis::StringObject;

namespace {

const QByteArray Notes =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<Notes><Work a=\"1\" b=\"2\">office<Task>call</Task><!--c--><?p d?><Meeting/></Work>"
    "<Home><Garden>roses</Garden><Kitchen><Shelf/></Kitchen></Home></Notes>\r\n";

QByteArray written(const Document& document) {
    const StringObject text = document.dom().serialize();
    return QByteArray(text.data(), static_cast<qsizetype>(text.length()));
}

// The same without the writer's line breaks and indentation.
QString compact(const Document& document) {
    return QString::fromLatin1(written(document)).remove(QRegularExpression("\r\n *"));
}

// Sound, numbered from whatever base the last read or renumbering gave.
QString problemOf(const Document& document) {
    const DOMNode* top = document.dom().rootElement();
    return QString::fromStdString(corvantis::checks::treeProblem(document.dom(), top ? top->elementNumber() : 0));
}

DOMNode* find(const Document& document, const char* name) {
    for (const DOMNode* node : corvantis::checks::elementsBelow(document.documentNode()))
        if (node->nodeName().equals(name)) return const_cast<DOMNode*>(node);
    return nullptr;
}

// What XML text holds, as the children of a node in no tree.
std::unique_ptr<DOMNode> fragmentOf(Document& document, const char* xml) {
    corvantis::DOMError error;
    return document.readFragment(xml, std::strlen(xml), error);
}

std::unique_ptr<DOMNode> newFolder(Document& document) {
    std::unique_ptr<DOMNode> folder = document.newNode(corvantis::ELEMENT);
    folder->setNodeName("NewFolder");
    return folder;
}

// What is wrong with a filter's rows: each must be a folder of the
// document, in document order, at its depth, below its parent's row.
QString filterProblem(const Document& document, const DocumentFilter& filter) {
    std::unordered_map<const DOMNode*, std::size_t> order;
    for (const DOMNode* node : corvantis::checks::elementsBelow(document.documentNode())) order.emplace(node, order.size());
    std::vector<const DOMNode*> above;
    std::size_t next = 0;
    for (std::size_t i = 0; i < filter.rows().size(); ++i) {
        const DocumentFilter::Row& row = filter.rows()[i];
        const auto place = order.find(row.folder);
        if (place == order.end()) return QString("row %1 is no folder of the document").arg(i);
        if (place->second < next) return QString("row %1 is out of document order").arg(i);
        next = place->second + 1;
        int depth = 0;
        for (const DOMNode* up = row.folder; up->nodeType() == corvantis::ELEMENT; up = up->parentNode()) ++depth;
        if (depth != row.depth) return QString("row %1 is at depth %2, not %3").arg(i).arg(row.depth).arg(depth);
        above.resize(static_cast<std::size_t>(depth - 1), nullptr);
        if (depth > 1 && above.back() != row.folder->parentNode()) return QString("row %1 has no parent row").arg(i);
        above.push_back(row.folder);
        if (filter.rowOf(row.folder) != static_cast<int>(i)) return QString("row %1 is not found as itself").arg(i);
    }
    return QString();
}

// A filter's rows as a list model, as a view lists them.
class FilterRowsModel : public QAbstractListModel {
public:
    explicit FilterRowsModel(DocumentFilter& filter) : filter_(filter) {
        connect(&filter, &DocumentFilter::aboutToReset, this, [this] { beginResetModel(); });
        connect(&filter, &DocumentFilter::reset, this, [this] { endResetModel(); });
        connect(&filter, &DocumentFilter::rowsAboutToBeInserted, this,
                [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
        connect(&filter, &DocumentFilter::rowsInserted, this, [this] { endInsertRows(); });
        connect(&filter, &DocumentFilter::rowsAboutToBeRemoved, this,
                [this](int first, int last) { beginRemoveRows(QModelIndex(), first, last); });
        connect(&filter, &DocumentFilter::rowsRemoved, this, [this] { endRemoveRows(); });
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(filter_.rows().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || role != Qt::DisplayRole) return QVariant();
        return filter_.rows()[static_cast<std::size_t>(index.row())].depth;
    }

private:
    DocumentFilter& filter_;
};

// Draws commands at random over a document and pushes them.
class RandomCommands {
public:
    RandomCommands(Document& document, DocumentTreeModel& model, unsigned seed)
        : document_(document), model_(model), random_(seed) {}

    void step() {
        const std::vector<const DOMNode*> elements = corvantis::checks::elementsBelow(document_.documentNode());
        if (elements.empty()) {
            top();
            return;
        }
        auto* target = const_cast<DOMNode*>(elements[pick(elements.size())]);
        auto* other = const_cast<DOMNode*>(elements[pick(elements.size())]);
        switch (pick(12)) {
            case 0: insert(target); break;
            case 1: copy(other, target); break;
            case 2: move(other, target); break;
            case 3: remove(target); break;
            case 4: rename(target); break;
            case 5: type(target); break;
            case 6: attribute(target); break;
            case 7: leaf(target); break;
            case 8: fragment(target); break;
            case 9: fold(); break;
            case 10:
                swap(target);
                break;
            default: document_.undo(); break;  // a step undone now and then, then overwritten
        }
    }

private:
    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
    corvantis::InsertPosition position() { return static_cast<corvantis::InsertPosition>(pick(4)); }
    StringObject text() { return StringObject(std::string("t") + std::string(pick(4), "ab&<"[pick(4)])); }

    void top() {
        const NodePlace place = document_.dom().placeFor(document_.documentNode(), corvantis::Under);
        document_.push(std::make_unique<PlaceSubtree>(document_, newFolder(document_), place, "top"));
    }
    void insert(DOMNode* target) {
        if (const NodePlace place = document_.dom().placeFor(target, position()))
            document_.push(std::make_unique<PlaceSubtree>(document_, newFolder(document_), place, "insert", target));
    }
    void copy(DOMNode* source, DOMNode* target) {
        const NodePlace place = document_.dom().placeFor(target, position());
        if (!place || !source->parentNode() || corvantis::checks::elementCount(document_.documentNode()) > 300) return;
        std::unique_ptr<DOMNode> copy = document_.copyOf(source);
        document_.push(std::make_unique<PlaceSubtree>(document_, std::move(copy), place, "copy", target));
    }
    void move(DOMNode* source, DOMNode* target) {
        const corvantis::InsertPosition at = position();
        if (!source->parentNode() || !document_.dom().placeFor(target, at)) return;
        for (const DOMNode* up = target; up; up = up->parentNode())
            if (up == source) return;
        document_.push(std::make_unique<MoveSubtree>(document_, source, target, at, "move"));
    }
    void remove(DOMNode* node) { document_.push(std::make_unique<RemoveSubtree>(document_, node, "delete")); }
    void rename(DOMNode* node) { document_.push(std::make_unique<RenameElement>(document_, node, StringObject("R"), "rename")); }
    void type(DOMNode* node) { document_.push(std::make_unique<SetElementText>(document_, node, text(), "typing")); }
    void attribute(DOMNode* node) {
        const StringObject name(pick(2) ? "a" : "z");
        const int at = node->attributes()->indexOf(name);
        if (at >= 0 && pick(2))
            document_.push(std::make_unique<RemoveAttribute>(document_, node, at, "remove attribute"));
        else
            document_.push(std::make_unique<SetAttribute>(document_, node, name, text(), "set attribute"));
    }
    void leaf(DOMNode* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            DOMNode* child = node->childAt(i);
            if (child->nodeType() != corvantis::COMMENT) continue;
            if (pick(2))
                document_.push(std::make_unique<SetNodeValue>(document_, child, text(), "update comment"));
            else
                document_.push(std::make_unique<RemoveSubtree>(document_, child, "delete comment", node));
            return;
        }
        auto comment = std::make_unique<DOMNode>(corvantis::COMMENT, nullptr);
        comment->setNodeValue(text());
        document_.push(std::make_unique<PlaceSubtree>(document_, std::move(comment), NodePlace{node, node->childCount()}, "comment"));
    }
    void fragment(DOMNode* node) {
        const char xml[] = "<?q r?><In><Deep/></In><!--x-->";
        if (const NodePlace place = document_.dom().placeFor(node, position()))
            document_.push(std::make_unique<InsertFragment>(document_, place,
                                              fragmentOf(document_, xml), "file"));
    }
    // With the next element sibling, whatever stands between them.
    void swap(DOMNode* node) {
        DOMNode* parent = node->parentNode();
        for (int i = parent->childNodes()->indexOf(node) + 1; i < parent->childCount(); ++i) {
            if (parent->childAt(i)->nodeType() != corvantis::ELEMENT) continue;
            document_.push(std::make_unique<SwapElements>(document_, node, parent->childAt(i), "swap"));
            return;
        }
    }
    void fold() {
        if (model_.rowCount() == 0) return;
        const QModelIndex row = model_.index(static_cast<int>(pick(static_cast<std::size_t>(model_.rowCount()))), 0);
        switch (pick(4)) {
            case 0: model_.setExpanded(row, !model_.isExpanded(row)); break;
            case 1: model_.expandSubtree(row); break;
            case 2: model_.collapseAll(); break;
            default: model_.expandAll(); break;
        }
    }

    Document& document_;
    DocumentTreeModel& model_;
    std::mt19937 random_;
};

}  // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void randomStepsUndoToTheFirstBytesAndRedoToTheLast() {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            Document document;
            DocumentTreeModel model(document);
            QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
            DocumentFilter filter(document);
            FilterRowsModel filtered(filter);
            QAbstractItemModelTester filteredTester(&filtered, QAbstractItemModelTester::FailureReportingMode::QtTest);
            filter.setQuery("r");
            document.load(Notes, "Notes.XML", "Notes.XML");
            const QByteArray first = written(document);
            RandomCommands commands(document, model, seed);
            for (int step = 0; step < 60; ++step) {
                commands.step();
                QCOMPARE(problemOf(document), QString());
                QCOMPARE(filterProblem(document, filter), QString());
            }
            const QByteArray last = written(document);
            const int steps = document.history().index();
            while (document.history().canUndo()) document.undo();
            QCOMPARE(written(document), first);
            QVERIFY(!document.hasUnsavedChanges());
            while (document.history().index() < steps) document.redo();
            QCOMPARE(written(document), last);
            QCOMPARE(problemOf(document), QString());
            QCOMPARE(filterProblem(document, filter), QString());
            // The rows are those of a fresh model over the same document.
            DocumentTreeModel fresh(document);
            model.expandAll();
            QCOMPARE(model.rowCount(), fresh.rowCount());
            for (int row = 0; row < model.rowCount(); ++row)
                QCOMPARE(model.nodeAt(model.index(row, 0)), fresh.nodeAt(fresh.index(row, 0)));
        }
    }

    void typingMergesIntoOneStepAndTypingBackChangesNothing() {
        Document document;
        document.load(Notes, "Notes.XML", "Notes.XML");
        DOMNode* garden = find(document, "Garden");
        document.push(std::make_unique<SetElementText>(document, garden, StringObject("roses and"), "typing"));
        document.push(std::make_unique<SetElementText>(document, garden, StringObject("roses and tulips"), "typing"));
        QCOMPARE(document.history().count(), 1);
        document.push(std::make_unique<SetElementText>(document, garden, StringObject("roses"), "typing"));
        QCOMPARE(document.history().count(), 0);
        QVERIFY(!document.hasUnsavedChanges());
        // Typed into a folder that had no text, and emptied again: no empty text is left behind.
        DOMNode* shelf = find(document, "Shelf");
        const QByteArray before = written(document);
        document.push(std::make_unique<SetElementText>(document, shelf, StringObject("x"), "typing"));
        document.push(std::make_unique<SetElementText>(document, shelf, StringObject(""), "typing"));
        QCOMPARE(shelf->childCount(), 0);
        QCOMPARE(written(document), before);
    }

    void aSaveEndsMergingAndUndoingToItMakesTheDocumentUnchanged() {
        Document document;
        document.load(Notes, "Notes.XML", "Notes.XML");
        DOMNode* garden = find(document, "Garden");
        document.push(std::make_unique<SetElementText>(document, garden, StringObject("a"), "typing"));
        document.saved("Notes.XML");
        document.push(std::make_unique<SetElementText>(document, garden, StringObject("ab"), "typing"));
        QCOMPARE(document.history().count(), 2);
        QVERIFY(document.hasUnsavedChanges());
        document.undo();
        QVERIFY(!document.hasUnsavedChanges());
    }

    void anUndoneAttributeDeleteReturnsToItsPlace() {
        Document document;
        document.load(Notes, "Notes.XML", "Notes.XML");
        const QByteArray before = written(document);
        DOMNode* work = find(document, "Work");
        document.push(std::make_unique<RemoveAttribute>(document, work, 0, "delete"));
        QVERIFY(compact(document).contains("<Work b=\"2\">"));
        document.undo();
        QCOMPARE(written(document), before);
    }

    void aMoveBeforeAnEarlierSiblingAndItsUndo() {
        Document document;
        document.load(Notes, "Notes.XML", "Notes.XML");
        const QByteArray before = written(document);
        document.push(std::make_unique<MoveSubtree>(document, find(document, "Meeting"), find(document, "Task"), corvantis::Before, "move"));
        QVERIFY(compact(document).contains("office<Meeting/><Task>"));
        document.undo();
        QCOMPARE(written(document), before);
    }

    void swappedSiblingsTakeEachOthersPlacesAndLeaveTheRestWhereItWas() {
        Document document;
        DocumentTreeModel model(document);
        document.load(Notes, "Notes.XML", "Notes.XML");
        const QByteArray before = written(document);
        document.push(std::make_unique<SwapElements>(document, find(document, "Meeting"), find(document, "Task"), "up"));
        QVERIFY(compact(document).contains("office<Meeting/><!--c--><?p d?><Task>call</Task></Work>"));
        QCOMPARE(model.nodeAt(model.index(3, 0)), find(document, "Meeting"));
        document.undo();
        QCOMPARE(written(document), before);
        // After and a fragment placed beside a folder, as a drop or a paste puts them.
        document.push(std::make_unique<MoveSubtree>(document, find(document, "Task"), find(document, "Meeting"),
                                      corvantis::After, "drop"));
        const char xml[] = "<Clip/><!--k-->";
        document.push(std::make_unique<InsertFragment>(document,
                                         document.dom().placeFor(find(document, "Garden"), corvantis::Before),
                                         fragmentOf(document, xml), "paste"));
        QVERIFY(
            compact(document).contains("<Meeting/><Task>call</Task></Work><Home><Clip/><!--k--><Garden>"));
        document.undo();
        document.undo();
        QCOMPARE(written(document), before);
    }

    void undoAndRedoSelectWhatTheStepConcerns() {
        Document document;
        document.load(Notes, "Notes.XML", "Notes.XML");
        DOMNode* garden = find(document, "Garden");
        std::vector<DOMNode*> selected;
        connect(&document, &Document::selectionRequested, this, [&](DOMNode* node) { selected.push_back(node); });
        document.push(std::make_unique<RemoveSubtree>(document, garden, "delete"));
        document.undo();
        QCOMPARE(selected, std::vector<DOMNode*>{garden});
        QVERIFY(document.dom().contains(garden));
    }

    void aFoldedFolderHidesItsRowsAndRevealOpensIt() {
        Document document;
        DocumentTreeModel model(document);
        document.load(Notes, "Notes.XML", "Notes.XML");
        const int all = model.rowCount();
        const QModelIndex home = model.indexOf(find(document, "Home"));
        model.setExpanded(home, false);
        QCOMPARE(model.rowCount(), all - 3);
        // A change inside the folded folder adds no row.
        document.push(std::make_unique<PlaceSubtree>(document, newFolder(document), NodePlace{find(document, "Kitchen"), 1}, "insert"));
        QCOMPARE(model.rowCount(), all - 3);
        const QModelIndex shelf = model.reveal(find(document, "Shelf"));
        QCOMPARE(model.nodeAt(shelf), find(document, "Shelf"));
        // The rows are a flat list: screen readers learn the level and folding from each row.
        QCOMPARE(shelf.data(Qt::AccessibleDescriptionRole).toString(), QString("level 5"));
        QCOMPARE(model.indexOf(find(document, "Home")).data(Qt::AccessibleDescriptionRole).toString(),
                 QString("level 3, expanded"));
        QCOMPARE(model.rowCount(), all + 1);
        model.collapseAll();
        QCOMPARE(model.rowCount(), 1);
    }
};

namespace {

const QByteArray Offices =
    "<Notes><Work>office<Task>call office</Task><!--office hours--></Work>"
    "<Home a=\"Office\">office</Home><Garden/></Notes>";

// Searches with a document of its own, selecting each match's folder as
// the find bar does, and records where each go ended.
class Finding {
public:
    explicit Finding(const QByteArray& xml, std::size_t sliceSize = 4 << 20) : search(document) {
        document.load(xml, "Notes.XML", "Notes.XML");
        selected = document.documentNode();
        search.setSliceSize(sliceSize);
        QObject::connect(
            &search, &DocumentSearch::reached, [this](const corvantis::SearchMatch& match, bool wrapped) {
                selected = match.folder();
                reached << QString::fromLatin1(selected->nodeName().data()) + (wrapped ? " (wrapped)" : "");
            });
    }
    void find(const QString& query, corvantis::SearchOptions options = {}) {
        search.setQuery(query, options);
        finish();
    }
    // The walk and every go waiting for it done.
    void finish() {
        while (!search.isFinished()) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    void select(const char* name) { selected = ::find(document, name); }
    QString go(DocumentSearch::Direction direction) {
        reached.clear();
        search.go(direction, selected);
        finish();
        return reached.join(", ");
    }
    // "n of m"
    QString position() const {
        return QString("%1 of %2").arg(search.currentIndex() + 1).arg(search.count());
    }

    Document document;
    DocumentSearch search;
    const DOMNode* selected = nullptr;
    QStringList reached;
};

constexpr auto Forward = DocumentSearch::Direction::Forward;
constexpr auto Backward = DocumentSearch::Direction::Backward;

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void matchesFollowDocumentOrderAndWrapAtEitherEnd() {
        Finding finding(Offices);
        finding.find("OFFICE");
        QCOMPARE(finding.search.count(), 5);
        QStringList visited;
        for (int i = 0; i < 6; ++i) visited << finding.go(Forward);
        QCOMPARE(visited, QStringList({"Work", "Task", "Work", "Home", "Home", "Work (wrapped)"}));
        QCOMPARE(finding.position(), QString("1 of 5"));
        QCOMPARE(finding.go(Backward), QString("Home (wrapped)"));
        QCOMPARE(finding.position(), QString("5 of 5"));
        QCOMPARE(finding.go(Backward), QString("Home"));
    }

    void withoutACurrentMatchTheSelectedFolderIsWhereTheSearchGoesOn() {
        Finding finding(Offices);
        finding.find("office");
        // Forward from a folder includes its own matches; backward stops before them.
        finding.select("Home");
        QCOMPARE(finding.go(Forward), QString("Home"));
        QCOMPARE(finding.position(), QString("4 of 5"));
        finding.select("Garden");
        QCOMPARE(finding.go(Backward), QString("Home"));
        QCOMPARE(finding.position(), QString("5 of 5"));
        finding.select("Task");
        QCOMPARE(finding.go(Backward), QString("Work"));
        finding.select("Garden");
        QCOMPARE(finding.go(Forward), QString("Work (wrapped)"));
        finding.select("Notes");
        QCOMPARE(finding.go(Backward), QString("Home (wrapped)"));
        // Whole words and case.
        finding.find("office", {true, true});
        QCOMPARE(finding.search.count(), 4);
        finding.find("offic", {false, true});
        QCOMPARE(finding.search.count(), 0);
        QCOMPARE(finding.go(Forward), QString());
        QCOMPARE(finding.position(), QString("0 of 0"));
        // A character the document cannot hold is found nowhere.
        finding.find(QString::fromUtf8("\xE2\x82\xAC"));
        QCOMPARE(finding.search.count(), 0);
    }

    void aChangeStartsTheSearchAnewAndTheCurrentMatchStaysCurrent() {
        Finding finding(Offices);
        finding.find("office");
        finding.select("Home");
        finding.go(Forward);
        finding.go(Forward);
        QCOMPARE(finding.position(), QString("5 of 5"));
        // Home moves before Work: its matches come first now.
        finding.document.push(std::make_unique<SwapElements>(finding.document, find(finding.document, "Home"),
                                               find(finding.document, "Work"), "up"));
        QCOMPARE(finding.search.count(), 0);
        finding.finish();
        QCOMPARE(finding.position(), QString("2 of 5"));
        QCOMPARE(finding.go(Forward), QString("Work"));
        // The current match's folder goes: the search goes on from the selection.
        finding.document.push(std::make_unique<RemoveSubtree>(finding.document, find(finding.document, "Work"), "delete"));
        finding.finish();
        QCOMPARE(finding.position(), QString("0 of 2"));
        finding.select("Garden");
        QCOMPARE(finding.go(Forward), QString("Home (wrapped)"));
    }

    void aGoWaitsForTheWalkAndAChangeDuringTheWalkCountsAfresh() {
        Finding finding(Offices, 1);
        finding.search.setQuery("office", {});
        QCoreApplication::processEvents();
        QVERIFY(!finding.search.isFinished());
        finding.search.go(Backward, find(finding.document, "Work"));
        QVERIFY(finding.reached.isEmpty());
        // Renamed while the walk is under way: the renamed text is not counted twice.
        finding.document.push(std::make_unique<RenameElement>(finding.document, find(finding.document, "Garden"),
                                                StringObject("Office"), "rename"));
        finding.finish();
        QCOMPARE(finding.search.count(), 6);
        QCOMPARE(finding.reached, QStringList({"Office (wrapped)"}));
    }
};

// A document far larger than the memory the tests below allow the model.
QByteArray largeDocument() {
    QByteArray xml = "<?xml version=\"1.0\"?>\r\n<Notes>";
    for (int i = 0; i < 2000; ++i) xml += "<Day n=\"" + QByteArray::number(i) + "\">a text of its own</Day>";
    return xml + "</Notes>\r\n";
}

constexpr std::size_t kMemoryAllowed = 64 << 10;

QString sizeOf(const QByteArray& bytes) { return QLocale().formattedDataSize(bytes.size(), 1); }

// An open document with a step to undo, and what tells it was left alone.
class OpenDocument {
public:
    OpenDocument() {
        document.load(Notes, "Notes.XML", "Notes.XML");
        document.push(std::make_unique<RenameElement>(document, find(document, "Garden"), StringObject("Orchard"), "rename"));
        before = written(document);
        replacements.clear();
    }
    void verifyUnchanged() {
        QCOMPARE(written(document), before);
        QCOMPARE(document.fileName(), QString("Notes.XML"));
        QCOMPARE(document.history().count(), 1);
        QVERIFY(document.hasUnsavedChanges());
        QCOMPARE(replacements.count(), 0);
    }

    Document document;
    QByteArray before;
    QSignalSpy replacements{&document, &Document::aboutToReplace};
};

class OutOfMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void anOpenThatRunsOutOfMemoryNamesTheFileAndKeepsTheOpenDocument() {
        OpenDocument open;
        const QByteArray large = largeDocument();
        FileError failure;
        {
            AllocationLimit limit = AllocationLimit::ofBytes(kMemoryAllowed);
            failure = open.document.load(large, "/home/me/Large.XML", "Large.XML");
            QVERIFY(limit.refusals() > 0);
            QCOMPARE(limit.blocksHeld(), 0);
        }
        QVERIFY(failure.isError());
        QCOMPARE(failure.path, QString("/home/me/Large.XML"));
        QVERIFY2(failure.message().contains(sizeOf(large)), qPrintable(failure.message()));
        open.verifyUnchanged();
        // Given the memory, the same file opens.
        QVERIFY(!open.document.load(large, "/home/me/Large.XML", "Large.XML").isError());
        QCOMPARE(corvantis::checks::elementCount(open.document.documentNode()), std::size_t{2001});
    }

    void aRecoveryThatRunsOutOfMemoryKeepsTheWorkForTheNextStart() {
        OpenDocument open;
        const QByteArray large = largeDocument();
        FileError failure;
        {
            AllocationLimit limit = AllocationLimit::ofBytes(kMemoryAllowed);
            failure = open.document.loadRecovered(large, "/home/me/Large.XML", std::nullopt, FileContent::Xml);
        }
        QVERIFY(failure.isError());
        QCOMPARE(failure.path, QString("/home/me/Large.XML"));
        QVERIFY2(failure.reason.contains(sizeOf(large)) && failure.reason.contains("next start"), qPrintable(failure.reason));
        open.verifyUnchanged();
    }

    void anInsertedFileOrPasteThatRunsOutOfMemoryIsRefusedWithItsSize() {
        OpenDocument open;
        const QByteArray large = largeDocument();
        InsertedXml file, pasted;
        {
            AllocationLimit limit = AllocationLimit::ofBytes(kMemoryAllowed);
            file = readInsertedXml(open.document, large, "Large.XML");
            pasted = readInsertedXml(open.document, large, "The clipboard's XML", InsertedFrom::Clipboard);
            QCOMPARE(limit.blocksHeld(), 0);
        }
        QVERIFY(!file.nodes);
        QCOMPARE(file.refusalCaption, QString("File Error"));
        QVERIFY2(file.refusal.contains("Large.XML") && file.refusal.contains(sizeOf(large)), qPrintable(file.refusal));
        QVERIFY(!pasted.nodes);
        QCOMPARE(pasted.refusalCaption, QString("Paste Error"));
        QVERIFY2(pasted.refusal.contains("The clipboard's XML") && pasted.refusal.contains(sizeOf(large)),
                 qPrintable(pasted.refusal));
        open.verifyUnchanged();
    }

    // What was read went in with the step, and goes with it when the step
    // itself cannot be made.
    void aStepThatRunsOutOfMemoryChangesNothingAndIsDropped() {
        OpenDocument open;
        AllocationLimit counting;
        {
            InsertedXml inserted = readInsertedXml(open.document, "<Plan/><Trip/>", "Trips.XML");
            const NodePlace place = open.document.dom().placeFor(find(open.document, "Meeting"), corvantis::Under);
            AllocationLimit failing = AllocationLimit::failingAt(1);
            QVERIFY_THROWS_EXCEPTION(
                std::bad_alloc, open.document.push(std::make_unique<InsertFragment>(open.document, place, std::move(inserted.nodes), "insert")));
        }
        {
            AllocationLimit failing = AllocationLimit::failingAt(1);
            QVERIFY_THROWS_EXCEPTION(std::bad_alloc, open.document.push(std::make_unique<MoveSubtree>(open.document, find(open.document, "Task"),
                                                                                       find(open.document, "Shelf"),
                                                                                       corvantis::Under, "move")));
        }
        QCOMPARE(counting.blocksHeld(), 0);
        open.verifyUnchanged();
        QCOMPARE(problemOf(open.document), QString());
    }

    // Too large for memory before it is even read in: the file's size,
    // as the system gives it, is what is named.
    void aFileTooLargeToHoldIsNamedWithItsSize() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer stops the program at an allocation it cannot make");
#endif
        QTemporaryDir folder;
        const QString path = folder.filePath("Huge.XML");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<Huge/>") == 7);
        file.close();
        FaultyFileSystem system;
        system.claimedSize = qint64{1} << 50;
        const FileSystem::Replacement replacement(system);
        QByteArray bytes;
        FileError error;
        QCOMPARE(readWholeFile(path, bytes, error), ReadResult::CannotRead);
        QCOMPARE(error.path, path);
        QVERIFY2(error.reason.contains(QLocale().formattedDataSize(system.claimedSize, 1)), qPrintable(error.reason));
    }
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int status = 0;
    {
        DocumentTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        OutOfMemoryTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        SearchTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_document.moc"
