// The tree operations the editing commands use, and renumbering.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "checks/DomChecks.h"
#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

// <root><a x="1"><a1/><!--note--></a><b/><c/></root>, renumbered.
class TreeOps : public ::testing::Test {
protected:
    void SetUp() override {
        Parse(dom, "<root><a x=\"1\"><a1/><!--note--></a><b/><c/></root>");
        dom.renumberElements();
        root = dom.rootElement();
        a = root->childAt(0);
        b = root->childAt(1);
        c = root->childAt(2);
    }
    std::string Names(const DOMNode* parent) const {
        std::string names;
        for (int i = 0; i < parent->childCount(); ++i) names += Str(parent->childAt(i)->nodeName()) + ",";
        return names;
    }
    DOM dom{S("d")};
    DOMNode *root = nullptr, *a = nullptr, *b = nullptr, *c = nullptr;
};

}  // namespace

TEST_F(TreeOps, RenumberingGivesDocumentOrderNumbersPathsAndParents) {
    EXPECT_EQ(checks::treeProblem(dom), "");
    EXPECT_EQ(root->elementNumber(), 0);
    EXPECT_EQ(Str(a->childAt(0)->path()), "root/a/a1");
    a->childAt(1)->setParentNode(nullptr);  // renumbering repairs links below elements
    a->childAt(0)->setParentNode(root);
    dom.renumberElements();
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST_F(TreeOps, ANewFolderGoesWherePlaceForPutsIt) {
    DOMNode* under = InsertNewFolder(dom, root, Under);
    ASSERT_NE(under, nullptr);
    EXPECT_EQ(Str(under->nodeName()), "NewFolder");
    EXPECT_EQ(under->occurrence(), ' ');
    EXPECT_EQ(root->childAt(root->childCount() - 1), under);
    EXPECT_EQ(Str(under->path()), "root/NewFolder");
    EXPECT_EQ(under->elementNumber(), 5);

    DOMNode* before = InsertNewFolder(dom, a, Before);
    EXPECT_EQ(root->childAt(0), before);
    EXPECT_EQ(before->elementNumber(), 1);
    EXPECT_EQ(a->elementNumber(), 2);

    DOMNode* atEnd = InsertNewFolder(dom, a->childAt(0), AtEnd);  // after the comment too
    EXPECT_EQ(a->childAt(2), atEnd);
    EXPECT_EQ(Str(atEnd->path()), "root/a/NewFolder");
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST_F(TreeOps, ANewFolderIsRefusedBesideTheTopElement) {
    const std::string before = Str(dom.serialize());
    EXPECT_EQ(InsertNewFolder(dom, root, Before), nullptr);
    EXPECT_EQ(InsertNewFolder(dom, root, AtEnd), nullptr);
    EXPECT_EQ(InsertNewFolder(dom, dom.documentNode(), Under), nullptr);
    EXPECT_EQ(Str(dom.serialize()), before);
    EXPECT_EQ(dom.documentNode()->childCount(), 1);
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST_F(TreeOps, CopySubtreeIsDeepAndUnplaced) {
    a->setPrefix(S("p"));
    a->setOccurrence('+');
    a->attributeAt(0)->flag = 3;
    std::unique_ptr<DOMNode> copy(dom.copySubtree(a));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), a);
    EXPECT_EQ(copy->parentNode(), root);                     // names the source's parent ...
    EXPECT_EQ(root->childNodes()->indexOf(copy.get()), -1);  // ... but is in no list
    EXPECT_EQ(copy->ownerDocument(), &dom);
    EXPECT_EQ(Str(copy->prefix()), "p");
    EXPECT_EQ(copy->occurrence(), '+');
    EXPECT_EQ(copy->attributeAt(0)->flag, 3);
    EXPECT_EQ(Str(dom.serialize(copy.get())), Str(dom.serialize(a)));
    ASSERT_EQ(copy->childCount(), 2);
    EXPECT_EQ(copy->childAt(1)->nodeType(), COMMENT);
    EXPECT_EQ(copy->childAt(0)->parentNode(), copy.get());
    copy->childAt(0)->setNodeName(S("changed"));
    copy->setAttribute(S("x"), S("2"));
    EXPECT_EQ(Str(a->childAt(0)->nodeName()), "a1");
    EXPECT_EQ(Str(a->attributeAt(0)->value), "1");
    std::unique_ptr<DOMNode> leaf(dom.copySubtree(a->childAt(1)));
    EXPECT_EQ(Str(leaf->nodeValue()), "note");
}

TEST_F(TreeOps, PasteCopyLeavesSourceAndMakesIndependentCopies) {
    const std::string source = Str(dom.serialize(a));
    DOMNode* first = PasteCopy(dom, a, c, Under);
    DOMNode* second = PasteCopy(dom, a, c, Under);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->parentNode(), c);
    EXPECT_EQ(Str(dom.serialize(a)), source);
    EXPECT_EQ(Str(dom.serialize(first)), source);
    first->childAt(0)->setNodeName(S("renamed"));
    EXPECT_EQ(Str(dom.serialize(second)), source);
    EXPECT_EQ(Str(first->childAt(0)->path()), "root/c/a/renamed");
    EXPECT_EQ(checks::treeProblem(dom), "");
    EXPECT_EQ(dom.elementIndex().count(), 9);
}

TEST_F(TreeOps, PasteCopyIntoItsOwnSubtreeCopiesTheOldState) {
    DOMNode* pasted = PasteCopy(dom, a, a->childAt(0), Under);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(Str(dom.serialize(pasted)), "\r\n <a x=\"1\">\r\n      <a1/><!--note-->\r\n      \r\n </a>");
    EXPECT_EQ(Str(pasted->path()), "root/a/a1/a");
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST_F(TreeOps, PasteMoveKeepsIdentity) {
    EXPECT_EQ(PasteMoved(dom, c, a, Before), c);  // before a preceding sibling
    EXPECT_EQ(Names(root), "c,a,b,");
    EXPECT_EQ(PasteMoved(dom, c, b, AtEnd), c);  // to the end of the same parent
    EXPECT_EQ(Names(root), "a,b,c,");
    EXPECT_EQ(PasteMoved(dom, c, a, AtEnd), c);  // already last: stays last
    EXPECT_EQ(Names(root), "a,b,c,");
    EXPECT_EQ(PasteMoved(dom, a, b, Under), a);  // elsewhere
    EXPECT_EQ(Names(root), "b,c,");
    EXPECT_EQ(Names(b), "a,");
    EXPECT_EQ(a->parentNode(), b);
    EXPECT_EQ(Str(a->childAt(0)->path()), "root/b/a/a1");
    EXPECT_EQ(PasteMoved(dom, c, a->childAt(0), Before), c);  // before a first child
    EXPECT_EQ(Names(a), "c,a1,,");
    EXPECT_EQ(PasteMoved(dom, c, a->childAt(1), After), c);  // after its next sibling
    EXPECT_EQ(Names(a), "a1,c,,");
    EXPECT_EQ(checks::treeProblem(dom), "");
    EXPECT_EQ(dom.elementIndex().count(), 5);
}

TEST_F(TreeOps, PasteRefusals) {
    const std::string before = Str(dom.serialize());
    EXPECT_EQ(PasteCopy(dom, a, root, Before), nullptr);
    EXPECT_EQ(PasteMoved(dom, a, root, AtEnd), nullptr);  // moved source stays where it was
    EXPECT_EQ(PasteCopy(dom, a, dom.documentNode(), Under), nullptr);
    EXPECT_EQ(Str(dom.serialize()), before);
    EXPECT_EQ(a->parentNode(), root);
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST_F(TreeOps, ADeletedSubtreeLeavesTheNumbering) {
    EXPECT_FALSE(DeleteNode(dom, dom.documentNode()));
    const auto loose = std::make_unique<DOMNode>(ELEMENT, &dom);
    EXPECT_FALSE(DeleteNode(dom, loose.get()));  // in no tree: left to its owner
    EXPECT_TRUE(DeleteNode(dom, a->childAt(1)));  // a comment
    EXPECT_TRUE(DeleteNode(dom, a));
    EXPECT_EQ(Names(root), "b,c,");
    EXPECT_EQ(checks::treeProblem(dom), "");
    EXPECT_EQ(b->elementNumber(), 1);
    EXPECT_TRUE(DeleteNode(dom, root));  // the top-level element may go too
    EXPECT_EQ(dom.rootElement(), nullptr);
    EXPECT_EQ(dom.elementIndex().count(), 0);
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST_F(TreeOps, RenameShowsInPathsAtOnce) {
    a->setNodeName(S("Work"));
    EXPECT_EQ(Str(a->childAt(0)->path()), "root/Work/a1");
    root->setNodeName(S("Notes"));
    EXPECT_EQ(Str(a->path()), "Notes/Work");
}

TEST_F(TreeOps, PlacesForNewAndPastedElementsFollowTheRules) {
    EXPECT_EQ(dom.placeFor(a, Before).parent, root);
    EXPECT_EQ(dom.placeFor(b, Before).index, 1);
    EXPECT_EQ(dom.placeFor(a, AtEnd).index, 3);
    EXPECT_EQ(dom.placeFor(a, Under).parent, a);
    EXPECT_EQ(dom.placeFor(a, Under).index, 2);  // after the comment too
    EXPECT_EQ(dom.placeFor(a->childAt(0), After).index, 1);  // before the comment
    EXPECT_EQ(dom.placeFor(c, After).index, 3);
    for (InsertPosition beside : {Before, AtEnd, After}) EXPECT_FALSE(dom.placeFor(root, beside));
    for (InsertPosition any : {Before, AtEnd, Under, After})
        EXPECT_FALSE(dom.placeFor(dom.documentNode(), any));
    EXPECT_FALSE(dom.placeFor(nullptr, Under));
    // A document left without an element takes a new top element, and only one.
    ASSERT_TRUE(DeleteNode(dom, root));
    const NodePlace top = dom.placeFor(dom.documentNode(), Under);
    EXPECT_EQ(top.parent, dom.documentNode());
    EXPECT_FALSE(dom.placeFor(dom.documentNode(), Before));
}

TEST_F(TreeOps, DetachedSubtreesGoBackWhereTheyStoodAndNumberingFollows) {
    const StringObject before = dom.serialize();
    const NodePlace wasAt = dom.detach(a);
    EXPECT_EQ(wasAt.parent, root);
    EXPECT_EQ(wasAt.index, 0);
    EXPECT_EQ(a->parentNode(), nullptr);
    EXPECT_FALSE(dom.contains(a->childAt(0)));
    // Read after the change, the numbering no longer counts the subtree.
    EXPECT_EQ(dom.elementIndex().count(), 3);
    EXPECT_EQ(b->elementNumber(), 1);
    EXPECT_EQ(checks::treeProblem(dom), "");

    // Moved under c, a's path names its new place before anything renumbers.
    dom.attach(a, NodePlace{c, 0});
    EXPECT_EQ(Str(a->childAt(0)->path()), "root/c/a/a1");
    dom.attach(a, dom.detach(a));  // a no-op round trip
    dom.detach(a);
    dom.attach(a, wasAt);
    EXPECT_TRUE(dom.contains(a->childAt(0)));
    EXPECT_EQ(dom.serialize(), before);
    EXPECT_EQ(checks::treeProblem(dom), "");
    EXPECT_FALSE(dom.detach(dom.documentNode()));
}

TEST_F(TreeOps, AFragmentIsReadApartFromTheTree) {
    const StringObject before = dom.serialize();
    std::unique_ptr<DOMNode> fragment = dom.parseFragment("<?p d?><x><y/></x><z/>", 22);
    ASSERT_EQ(fragment->childCount(), 3);
    EXPECT_EQ(fragment->childAt(1)->ownerDocument(), &dom);
    EXPECT_EQ(dom.serialize(), before);
    EXPECT_EQ(dom.elementIndex().count(), 5);
    // An end tag that would close the holder stops the read.
    std::unique_ptr<DOMNode> cut = dom.parseFragment("<x/></q><lost/>", 15);
    EXPECT_EQ(dom.error().code, DOMError::TooManyEndTags);
    EXPECT_EQ(cut->childCount(), 1);
}

TEST_F(TreeOps, ARunOfChildrenMovesToAnyPosition) {
    std::unique_ptr<DOMNode> fragment = dom.parseFragment("<?p d?><x/>text<z/>", 19);
    dom.moveChildren(fragment.get(), 1, 2, root, 1);  // <x/> and the text, before b
    EXPECT_EQ(Names(root), "a,x,,b,c,");
    EXPECT_EQ(root->textChild(0)->parentNode(), root);
    EXPECT_EQ(Names(fragment.get()), "p,z,");
    dom.moveChildren(root, 1, 2, fragment.get(), 1);  // and back
    EXPECT_EQ(Names(fragment.get()), "p,x,,z,");
    EXPECT_FALSE(root->hasTextChild());
    dom.moveChildren(fragment.get(), 0, 100, root, 100);  // a count past the end takes the rest
    EXPECT_EQ(Names(root), "a,b,c,p,x,,z,");
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST(Attributes, ARemovedAttributeGoesBackToItsPlace) {
    DOMNode element(ELEMENT, nullptr);
    for (const char* name : {"a", "b", "c"}) element.setAttribute(S(name), S("v"));
    const Attr removed = *element.attributeAt(1);
    ASSERT_TRUE(element.removeAttribute(S("b")));
    element.insertAttributeAt(1, removed);
    EXPECT_EQ(Str(element.attributeAt(1)->name), "b");
    EXPECT_TRUE(element.setAttribute(S("b"), S("w")));  // found by name again
    EXPECT_EQ(element.attributeCount(), 3);
}
