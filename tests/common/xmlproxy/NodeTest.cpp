#include "TreeTestSupport.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

using orvtest::attributes;
using orvtest::element;
using orvtest::text;

TEST(NodeWrite, GivesTheExactBytesOfEachShape)
{
    const struct { const char* what; Node* node; int indent; std::string expected; } cases[] = {
        {"empty element, indented, nothing after it", element(u"e"), 3, "   <e/>"},
        {"attributes in the order added, all escaped",
         element(u"e", {}, attributes({{u"b", u"\"1\"\n"}, {u"a", u"<\t\u00E9>\x01"}})), 0,
         "<e b=\"&quot;1&quot;&#10;\" a=\"&lt;&#9;\xC3\xA9&gt;\"/>"},
        {"text first: no line break after the start tag, no indentation before the end tag",
         element(u"r", {text(u"t"), element(u"c"), text(u"u")}), 2, "  <r>t   <c/>u</r>\n"},
        {"consecutive texts stay apart; controls vanish", element(u"p", {text(u"x\x01"), text(u"\r\n")}), 0,
         "<p>x&#13;&#10;</p>\n"},
        {"a text node alone: escaped, never indented", text(u"<hi>"), 5, "&lt;hi&gt;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Node> node(c.node);
        std::ostringstream out;
        EXPECT_EQ(0, node->write(out, c.indent));
        EXPECT_EQ(c.expected, out.str());
    }
}

namespace {

// A host's own kind of element: it writes a marker, answers with a result of its own, makes
// copies of its kind, and counts the live ones.
struct HostNode : Node {
    explicit HostNode(int i_Result, std::vector<Node*> i_Children = {})
        : Node(String(u"host"), nullptr, 0, 0, 0), result(i_Result)
    {
        ++live;
        for (Node* child : i_Children)
            addChild(child);
    }
    ~HostNode() override { --live; }
    Node* clone() const override { return new HostNode(result); }
    int write(std::ostream& o_Out, int i_Indent) const override { return (o_Out << "[host " << i_Indent << "]", result); }
    int result;
    static int live;
};
int HostNode::live = 0;

} // namespace

// Deleting a root deletes every node below it once, through the virtual destructor.
TEST(NodeWrite, HostSubclassesWriteCopyAndDeleteThemselvesAndANonZeroResultStopsTheSiblings)
{
    const struct { Node* tree; int result; std::string expected; } cases[] = {
        {element(u"r", {element(u"a"), new HostNode(0, {new HostNode(0), element(u"x")}), element(u"b")}), 0,
         "<r>\n <a/>[host 1] <b/></r>\n"},
        // No later sibling at any level is written; every end tag is.
        {element(u"r", {element(u"a", {new HostNode(7), element(u"x")}), element(u"b")}), 7,
         "<r>\n <a>\n[host 2] </a>\n</r>\n"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Node> tree(c.tree);
        std::unique_ptr<Node> copy(tree->clone());
        for (const Node* node : {tree.get(), copy.get()}) {
            std::ostringstream out;
            EXPECT_EQ(c.result, node->write(out, 0));
            EXPECT_EQ(c.expected, out.str());
        }
    }
    EXPECT_EQ(0, HostNode::live);
}

static_assert(std::is_same<std::iterator_traits<Node::ChildList::iterator>::iterator_category,
                           std::bidirectional_iterator_tag>::value &&
                  !std::is_copy_constructible<Node::ChildList>::value && !std::is_copy_assignable<Node::ChildList>::value,
              "a host steps back from end(); a copy would share the node's children");

// Every walk agrees, whatever the number of children; 300,000 children walked backwards by
// their sibling links take as long as forwards.
TEST(NodeChildList, WalksForwardsAndBackwardsFromEitherEnd)
{
    for (int count : {0, 1, 2, 3, 300000}) {
        SCOPED_TRACE(count);
        Node parent(String(u"p"), nullptr, 1, 1, 0);
        std::vector<Node*> children, bySiblings;
        for (int i = 0; i < count; ++i)
            parent.addChild(children.emplace_back(i % 2 == 0 ? element(u"e") : text(u"t")));
        Node::ChildList* list = nullptr;
        ASSERT_EQ(0, parent.getChildren(list));
        for (Node* child = list->back(); child != nullptr; child = child->getPreviousSibling())
            bySiblings.push_back(child);
        EXPECT_EQ(children, std::vector<Node*>(list->cbegin(), list->cend()));
        EXPECT_EQ(std::vector<Node*>(children.rbegin(), children.rend()), bySiblings);
        EXPECT_EQ(bySiblings, std::vector<Node*>(list->rbegin(), list->rend()));
    }
}

namespace {

// Runs i_Body on a thread with a 256 KiB stack, which one frame per level of a deep tree
// would overflow.
void onSmallStack(std::function<void()> i_Body)
{
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 256 * 1024));
    pthread_t thread;
    auto run = [](void* i_Job) -> void* {
        (*static_cast<std::function<void()>*>(i_Job))();
        return nullptr;
    };
    ASSERT_EQ(0, pthread_create(&thread, &attributes, run, &i_Body));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

} // namespace

// Level i writes i spaces and "<d>\n", and but for the innermost, which writes "<d/>", i spaces
// and "</d>\n"; the innermost's parent closes on the same line. A million levels are only
// copied and released: writing them would take a terabyte.
TEST(Node, DeepTreesAreCopiedWrittenAndReleasedWithoutRecursion)
{
    onSmallStack([] {
        for (std::size_t depth : {std::size_t(4000), std::size_t(1000000)}) {
            SCOPED_TRACE(depth);
            std::unique_ptr<Node> root(element(u"d"));
            Node* deepest = root.get();
            for (std::size_t level = 1; level < depth; ++level, deepest = deepest->getFirstChild())
                deepest->addChild(element(u"d"));
            std::unique_ptr<Node> copy(root->clone());
            std::size_t levels = 0;
            for (const Node* node = copy.get(); node != nullptr; node = node->getFirstChild())
                ++levels;
            EXPECT_EQ(depth, levels);
            if (depth > 4000)
                continue;
            std::ostringstream out;
            EXPECT_EQ(0, copy->write(out, 0));
            EXPECT_EQ(depth * (depth - 1) + (depth - 1) * 8 + 4, out.str().size());
        }
    });
}
