// Find and replace in folder names, texts and attribute values: what a
// Replace All changes (and what it leaves), that it is one step whose undo
// gives back the bytes read, the refusals that change nothing, and Replace
// going from one match to the next.
#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "document/Document.h"
#include "document/DocumentReplace.h"
#include "document/DocumentTreeModel.h"

Q_DECLARE_METATYPE(ReplaceOptions)

namespace {

QByteArray written(const Document& document) {
    const corvantis::StringObject text = document.dom().serialize();
    return QByteArray(text.data(), static_cast<qsizetype>(text.length()));
}

// The document's text without the writer's line breaks and indentation, and without the declaration.
QString compact(const Document& document) {
    return document.text()
        .toText(document.dom().serialize(document.dom().rootElement()))
        .remove(QRegularExpression("\r\n *"));
}

const QByteArray Utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
const QByteArray Latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";

ReplaceOptions plain() { return {}; }
ReplaceOptions matchCase() { return {true, false, false}; }
ReplaceOptions wholeWord() { return {false, true, false}; }
ReplaceOptions expression() { return {true, false, true}; }

}  // namespace

class ReplaceTest : public QObject {
    Q_OBJECT
private slots:
    void replaceAllChangesNamesTextsAndValuesOnly_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<ReplaceOptions>("options");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("replaced");
        QTest::addColumn<int>("skipped");
        QTest::newRow("any case, accented letters too; attribute names, comments and instructions stay")
            << Utf8 + "<K\xC3\xBC" "che k\xC3\xBC" "che=\"K\xC3\xBC" "CHE\">k\xC3\xBC" "che<!--k\xC3\xBC" "che-->"
                      "<?k\xC3\xBC" "che k\xC3\xBC" "che?></K\xC3\xBC" "che>"
            << QString::fromUtf8("KÜCHE") << "Room" << plain()
            << QString::fromUtf8("<Room küche=\"Room\">Room<!--küche--><?küche küche?></Room>") << 3 << 0;
        QTest::newRow("match case") << Utf8 + "<r>Plan plan PLAN</r>" << "plan" << "idea" << matchCase()
                                    << "<r>Plan idea PLAN</r>" << 1 << 0;
        QTest::newRow("whole words") << Utf8 + "<r a=\"plan planet\">plan_b plan, planning plan</r>" << "plan"
                                     << "idea" << wholeWord() << "<r a=\"idea planet\">plan_b idea, planning idea</r>"
                                     << 3 << 0;
        QTest::newRow("a regular expression's groups in the replacement")
            << Utf8 + "<r><mail to=\"anna@home\">bob@work, \\1</mail></r>" << "(\\w+)@(\\w+)" << "\\2:\\1\\\\\\0"
            << expression() << "<r><mail to=\"home:anna\\anna@home\">work:bob\\bob@work, \\1</mail></r>" << 2 << 0;
        QTest::newRow("names that would not be valid are left and counted")
            << Utf8 + "<a><ab>a b</ab><ba/></a>" << "a" << "1" << matchCase() << "<a><ab>1 b</ab><b1/></a>" << 2 << 2;
        QTest::newRow("a CDATA section that would hold its end is left")
            << Utf8 + "<r><![CDATA[x]]>x</r>" << "x" << "]]>" << plain() << "<r><![CDATA[x]]>]]&gt;</r>" << 1 << 1;
        // The file writes them as references.
        QTest::newRow("texts and values take characters ISO-8859-1 cannot hold")
            << Latin1 + "<r p=\"EUR\">10 EUR</r>" << "EUR" << QString::fromUtf8("€") << matchCase()
            << QString::fromUtf8("<r p=\"€\">10 €</r>") << 2 << 0;
        QTest::newRow("a replacement that looks like a reference is characters")
            << Utf8 + "<r p=\"A\">A</r>" << "A" << "&#65;" << matchCase() << "<r p=\"&amp;#65;\">&amp;#65;</r>" << 2 << 0;
        QTest::newRow("a kept reference goes whole or not at all")
            << Utf8 + "<!DOCTYPE r [<!ENTITY nbsp \"&#160;\">]><r>nb &nbsp;</r>" << "nb" << "x" << matchCase()
            << "<r>x &nbsp;</r>" << 1 << 0;
        QTest::newRow("a replacement that matches again is not replaced again")
            << Utf8 + "<r>aa</r>" << "a" << "aa" << plain() << "<r>aaaa</r>" << 2 << 0;
    }

    void replaceAllChangesNamesTextsAndValuesOnly() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(ReplaceOptions, options);
        QFETCH(QString, result);
        QFETCH(int, replaced);
        QFETCH(int, skipped);
        Document document;
        document.load(xml, "r.xml", "r.xml");
        const TextReplacer replacer(find, replacement, options, document.text());
        QCOMPARE(replacer.problem(), QString());
        const ReplaceOutcome outcome = replaceAll(document, replacer);
        QCOMPARE(compact(document), result);
        QCOMPARE(outcome.status, ReplaceOutcome::Status::Done);
        QCOMPARE(outcome.replaced, replaced);
        QCOMPARE(outcome.skipped, skipped);
    }

    void replaceAllIsOneStepWhoseUndoGivesBackTheBytesRead() {
        QByteArray xml = Utf8 + "<Notes>";
        for (int i = 0; i < 300; ++i)
            xml += "<Task done=\"no\" owner=\"Ann\">ask Ann about the plan<!--Ann--><Sub>Ann's plan</Sub></Task>";
        xml += "</Notes>\r\n";
        Document document;
        DocumentTreeModel model(document);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        document.load(xml, "n.xml", "n.xml");
        const QByteArray before = written(document);
        QSignalSpy captions(&model, &QAbstractItemModel::dataChanged);
        const ReplaceOutcome outcome = replaceAll(document, TextReplacer("ann", "Anne-Marie", plain(), document.text()));
        QCOMPARE(outcome.replaced, 900);
        QCOMPARE(document.history().count(), 1);
        QCOMPARE(document.history().undoText(), QString::fromUtf8("Replace All 'ann' → 'Anne-Marie' (900)"));
        QCOMPARE(captions.count(), 1);
        const QByteArray after = written(document);
        QVERIFY(after.contains("<Task done=\"no\" owner=\"Anne-Marie\">ask Anne-Marie about the plan<!--Ann-->"));
        document.undo();
        QCOMPARE(written(document), before);
        QVERIFY(!document.hasUnsavedChanges());
        document.redo();
        QCOMPARE(written(document), after);
    }

    void whatCannotBeReplacedIsRefusedBeforeAnythingChanges_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<ReplaceOptions>("options");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("refusal");
        const QByteArray notes = Utf8 + "<r><a>abc</a></r>";
        QTest::newRow("nothing to find") << notes << "" << "x" << plain() << "Type the text" << QString();
        QTest::newRow("an expression that is not valid") << notes << "a(b" << "x" << expression()
                                                         << "(at character 4)" << QString();
        QTest::newRow("an expression that matches an empty text") << notes << "x*" << "y" << expression()
                                                                  << "empty text" << QString();
        QTest::newRow("an empty match found only in the document") << notes << "(?=b)" << "y" << expression()
                                                                   << QString() << "matched an empty text";
        QTest::newRow("a group the expression does not have") << notes << "(a)b" << "\\2" << expression()
                                                              << "group \\2, but the expression has 1" << QString();
        QTest::newRow("a character the encoding cannot hold in a name")
            << Latin1 + "<r><a>abc</a></r>" << "a" << QString::fromUtf8("€") << matchCase() << QString()
            << QString::fromUtf8("cannot hold € in a folder name (in r/a)");
    }

    void whatCannotBeReplacedIsRefusedBeforeAnythingChanges() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(ReplaceOptions, options);
        QFETCH(QString, problem);
        QFETCH(QString, refusal);
        Document document;
        document.load(xml, "r.xml", "r.xml");
        const QByteArray before = written(document);
        const TextReplacer replacer(find, replacement, options, document.text());
        QVERIFY2(problem.isEmpty() ? replacer.problem().isEmpty() : replacer.problem().contains(problem),
                 qPrintable(replacer.problem()));
        const ReplaceOutcome all = replaceAll(document, replacer);
        QCOMPARE(all.status, ReplaceOutcome::Status::Refused);
        QVERIFY2(all.message.contains(problem.isEmpty() ? refusal : problem), qPrintable(all.message));
        QCOMPARE(written(document), before);
        QCOMPARE(document.history().count(), 0);
    }

    void replaceGoesFromOneMatchToTheNextAndWrapsAround() {
        Document document;
        document.load(Utf8 + "<r><a x=\"cat\">cat cat</a><cat>cat</cat></r>", "r.xml", "r.xml");
        const TextReplacer replacer("cat", "dog", plain(), document.text());
        const corvantis::DOMNode* a = document.dom().rootElement()->childAt(0);
        // From the selected folder "cat", which is after "a".
        std::optional<ReplaceFound> found =
            findReplaceable(document, replacer, ReplacePosition::startOf(a->parentNode()->childAt(1)));
        QVERIFY(found && !found->wrapped);
        QCOMPARE(found->match.part, std::int32_t{corvantis::SearchMatch::NamePart});
        QStringList steps;
        for (int i = 0; i < 5 && found; ++i) {
            const ReplaceOutcome outcome = replaceOne(document, replacer, found->match);
            QCOMPARE(outcome.replaced, 1);
            steps << compact(document) + (found->wrapped ? " (wrapped)" : "");
            found = findReplaceable(document, replacer, outcome.next);
        }
        QVERIFY(!found);
        QCOMPARE(steps, QStringList({"<r><a x=\"cat\">cat cat</a><dog>cat</dog></r>",
                                     "<r><a x=\"cat\">cat cat</a><dog>dog</dog></r>",
                                     "<r><a x=\"dog\">cat cat</a><dog>dog</dog></r> (wrapped)",
                                     "<r><a x=\"dog\">dog cat</a><dog>dog</dog></r>",
                                     "<r><a x=\"dog\">dog dog</a><dog>dog</dog></r>"}));
        QCOMPARE(document.history().count(), 5);
        QCOMPARE(document.history().undoText(), QString::fromUtf8("Replace 'cat' → 'dog'"));
        // A match the document no longer has replaces nothing.
        document.undo();
        const corvantis::SearchMatch gone{a->childAt(0), 0, corvantis::SearchMatch::ValuePart, 0, 3};
        QCOMPARE(replaceOne(document, replacer, gone).status, ReplaceOutcome::Status::NotFound);
        QCOMPARE(compact(document), "<r><a x=\"dog\">dog cat</a><dog>dog</dog></r>");
    }

    void aReadOnlyDocumentIsNotChanged() {
        Document document;
        document.load(Utf8 + "<r>a</r>", "r.xml", "r.xml");
        document.setReadOnly(true);
        QCOMPARE(replaceAll(document, TextReplacer("a", "b", plain(), document.text())).status,
                 ReplaceOutcome::Status::Refused);
        QCOMPARE(compact(document), "<r>a</r>");
    }
};

QTEST_GUILESS_MAIN(ReplaceTest)
#include "tst_replace.moc"
