// The benchmark documents must be what their names promise, or the numbers
// measure something else: these tests read them with pugixml and check shape,
// size and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <pugixml.hpp>
#include <set>
#include <stdexcept>
#include <string>

#include "bench/DocumentGenerator.h"
#include "core/Dom.h"

namespace gen = corvantis::bench;

namespace {

pugi::xml_document readWithPugixml(const std::string& xml) {
    pugi::xml_document document;
    const auto result = document.load_buffer(xml.data(), xml.size(), pugi::parse_full);
    EXPECT_EQ(result.status, pugi::status_ok) << result.description() << " at " << result.offset;
    return document;
}

pugi::xml_node rootOf(const pugi::xml_document& document) { return document.document_element(); }

// Levels below `top`, `top` itself being level 1; walked without recursion.
int deepestLevel(pugi::xml_node top) {
    int deepest = 0;
    int level = 1;
    pugi::xml_node node = top;
    while (node) {
        if (node.type() == pugi::node_element) {
            deepest = std::max(deepest, level);
        }
        if (node.first_child()) {
            node = node.first_child();
            ++level;
            continue;
        }
        while (node && node != top && !node.next_sibling()) {
            node = node.parent();
            --level;
        }
        node = (node && node != top) ? node.next_sibling() : pugi::xml_node();
    }
    return deepest;
}

bool everyLineEndsInCrLf(const std::string& xml) {
    for (std::size_t i = xml.find('\n'); i != std::string::npos; i = xml.find('\n', i + 1)) {
        if (i == 0 || xml[i - 1] != '\r') {
            return false;
        }
    }
    return true;
}

std::size_t elementCount(const pugi::xml_document& document) { return document.select_nodes("//*").size(); }

}  // namespace

TEST(DocumentGenerator, GivesTheSameBytesForTheSameArguments) {
    EXPECT_EQ(gen::notesDocument(200'000, 7), gen::notesDocument(200'000, 7));
    EXPECT_NE(gen::notesDocument(200'000, 7), gen::notesDocument(200'000, 8));
    EXPECT_EQ(gen::textDocument(3, 10'000, 7), gen::textDocument(3, 10'000, 7));
    EXPECT_EQ(gen::mixedDocument(50'000, 7), gen::mixedDocument(50'000, 7));
}

TEST(DocumentGenerator, NotesAreAnOrganiserOfTheAskedSize) {
    const std::size_t size = 2'000'000;
    const std::string xml = gen::notesDocument(size);
    EXPECT_GE(xml.size(), size);
    EXPECT_LT(xml.size(), size + size / 10);
    EXPECT_TRUE(everyLineEndsInCrLf(xml));

    const auto document = readWithPugixml(xml);
    const pugi::xml_node organiser = rootOf(document);
    ASSERT_STREQ(organiser.name(), "Organiser");
    for (pugi::xml_node branch : organiser.children("Folder")) {
        const int levels = deepestLevel(branch) + 1;  // the Organiser is the first level
        EXPECT_GE(levels, 3);
        EXPECT_LE(levels, 8);
    }
    std::set<std::string> kinds;
    std::size_t comments = 0;
    std::size_t instructions = 0;
    for (const pugi::xpath_node& found : document.select_nodes("//node()")) {
        const pugi::xml_node node = found.node();
        if (node.type() == pugi::node_comment) {
            ++comments;
        } else if (node.type() == pugi::node_pi) {
            ++instructions;
        } else if (node.type() == pugi::node_element && node != organiser) {
            kinds.insert(node.name());
            const auto attributes = node.attributes();
            EXPECT_LE(std::distance(attributes.begin(), attributes.end()), 3) << node.name();
        }
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"Appointment", "Contact", "Folder", "Note", "Task"}));
    EXPECT_GT(comments, 10u);
    EXPECT_GT(instructions, 10u);
}

TEST(DocumentGenerator, CorvantisAndPugixmlReadTheSameElements) {
    const std::string xml = gen::notesDocument(1'000'000);
    corvantis::DOM dom("Corvantis");
    ASSERT_EQ(dom.parse(xml.data(), xml.size()), 1);
    EXPECT_EQ(static_cast<std::size_t>(dom.elementIndex().count()), elementCount(readWithPugixml(xml)));
}

TEST(DocumentGenerator, WideDocumentHasTheSiblingsUnderOneRoot) {
    const auto document = readWithPugixml(gen::wideDocument(10'000));
    const auto items = rootOf(document).children("Item");
    EXPECT_EQ(std::distance(items.begin(), items.end()), 10'000);
    EXPECT_EQ(elementCount(document), 10'001u);
}

TEST(DocumentGenerator, DeepDocumentNestsEveryLevel) {
    const auto document = readWithPugixml(gen::deepDocument(5'000));
    EXPECT_EQ(deepestLevel(rootOf(document)), 5'000);
    EXPECT_EQ(elementCount(document), 5'000u);
    EXPECT_STREQ(document.select_node("//Level[not(Level)]").node().child_value(), "bottom");
}

TEST(DocumentGenerator, TextDocumentHoldsLargeTextNodesOfEachKind) {
    const std::size_t nodeBytes = 100'000;
    const std::string xml = gen::textDocument(3, nodeBytes);
    const auto document = readWithPugixml(xml);
    std::set<std::string> kinds;
    for (pugi::xml_node text : rootOf(document).children("Text")) {
        kinds.insert(text.attribute("kind").value());
        const std::string value = text.child_value();
        // Escaped text shrinks when "&amp;" becomes "&".
        EXPECT_GT(value.size(), nodeBytes / 2);
        EXPECT_LT(value.size(), nodeBytes + 32);
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"escaped", "lines", "plain"}));
    EXPECT_GT(std::string(document.select_node("//Text[@kind='escaped']").node().child_value()).find('&'),
              0u);
}

TEST(DocumentGenerator, MixedDocumentInterleavesTextAndElements) {
    const auto document = readWithPugixml(gen::mixedDocument(100'000));
    EXPECT_GT(document.select_nodes("//Para[text() and *]").size(), 100u);
}

TEST(DocumentGenerator, ManyAttributesSitOnOneElement) {
    const auto document = readWithPugixml(gen::manyAttributesDocument(100'000));
    const pugi::xml_node element = rootOf(document).child("Element");
    const auto attributes = element.attributes();
    EXPECT_EQ(std::distance(attributes.begin(), attributes.end()), 100'000);
    EXPECT_STREQ(element.attribute("a99999").value(), "99999");
}

TEST(DocumentGenerator, NotesSizeComesFromTheEnvironment) {
    unsetenv("CORVANTIS_BENCH_NOTES_MB");
    EXPECT_EQ(gen::notesBytesFromEnvironment(), std::size_t{100} << 20);
    setenv("CORVANTIS_BENCH_NOTES_MB", "0.5", 1);
    EXPECT_EQ(gen::notesBytesFromEnvironment(), std::size_t{512} << 10);
    for (const char* wrong : {"0", "-3", "ten", "5MB"}) {
        setenv("CORVANTIS_BENCH_NOTES_MB", wrong, 1);
        EXPECT_THROW(gen::notesBytesFromEnvironment(), std::invalid_argument) << wrong;
    }
    unsetenv("CORVANTIS_BENCH_NOTES_MB");
}
