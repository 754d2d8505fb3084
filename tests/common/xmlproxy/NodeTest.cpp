#include "Node.h"
#include "NodeAttributes.h"
#include "TextNode.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

NodeAttributes* attributes(std::initializer_list<std::pair<const char16_t*, const char16_t*>> pairs)
{
    auto table = std::make_unique<NodeAttributes>(1);
    int sequence = 1;
    for (const auto& pair : pairs)
        EXPECT_EQ(XMLPROXY_SUCCESS,
                  table->addAttribute(String(pair.first), String(pair.second), String::valueOf(sequence++)));
    return table.release();
}

Node* element(const char16_t* name, NodeAttributes* table = nullptr, int line = 0, int column = 0,
              int sequence = 0)
{
    return new Node(String(name), table, line, column, sequence);
}

Node* child(Node* parent, Node* node)
{
    node->setParent(parent);
    parent->addChild(node);
    return node;
}

Node* text(Node* parent, const char16_t* content)
{
    Node* node = new TextNode(String(content), 0, 0, 0);
    parent->addChild(node);
    return node;
}

std::string written(const Node& node, int indent = 0, int* result = nullptr)
{
    std::ostringstream out;
    const int status = node.write(out, indent);
    if (result != nullptr)
        *result = status;
    return out.str();
}

// Counts deletions so that a test can see every node go exactly once.
struct CountedNode : Node {
    static int s_Deleted;
    explicit CountedNode(const char16_t* name) : Node(String(name), nullptr, 0, 0, 0) {}
    ~CountedNode() override { ++s_Deleted; }
};
int CountedNode::s_Deleted = 0;

// A stream that only counts what it is given.
class CountingBuffer : public std::streambuf {
public:
    std::size_t count = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override
    {
        count += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type c) override
    {
        ++count;
        return c;
    }
};

} // namespace

TEST(NodeWrite, IndentsElementsAndKeepsEmptyElementsOnTheLine)
{
    std::unique_ptr<Node> config(element(u"config"));
    child(config.get(), element(u"a", attributes({{u"x", u"&"}})));
    Node* b = child(config.get(), element(u"b"));
    text(b, u"hi");
    EXPECT_EQ("<config>\n <a x=\"&amp;\"/> <b>hi</b>\n</config>\n", written(*config));
}

TEST(NodeWrite, ExactBytesOfNestedShapes)
{
    struct Case {
        const char* what;
        std::function<Node*()> build;
        int indent;
        std::string expected;
    };
    const Case cases[] = {
        {"lone empty element", [] { return element(u"e"); }, 0, "<e/>"},
        {"empty element indented", [] { return element(u"e"); }, 3, "   <e/>"},
        {"attributes in the order added, all escaped",
         [] { return element(u"e", attributes({{u"b", u"\"1\"\n"}, {u"a", u"<\t\u00E9>"}})); }, 0,
         "<e b=\"&quot;1&quot;&#10;\" a=\"&lt;&#9;\xC3\xA9&gt;\"/>"},
        {"empty table writes like no table", [] { return element(u"e", new NodeAttributes(1)); }, 0, "<e/>"},
        {"text first, then elements: no line break, no closing indentation",
         [] {
             Node* r = element(u"r");
             text(r, u"t");
             child(r, element(u"c"));
             text(r, u"u");
             return r;
         },
         2, "  <r>t   <c/>u</r>\n"},
        {"element first, then text",
         [] {
             Node* r = element(u"r");
             Node* s = child(r, element(u"s"));
             child(s, element(u"c"));
             text(r, u"a&b");
             return r;
         },
         1, " <r>\n  <s>\n   <c/>  </s>\na&amp;b </r>\n"},
        {"consecutive texts are not merged and controls vanish",
         [] {
             Node* r = element(u"p");
             text(r, u"x\x01");
             text(r, u"\r\n");
             return r;
         },
         0, "<p>x&#13;&#10;</p>\n"},
        {"names escaped and non-ASCII as UTF-8",
         [] { return element(u"\u00E9l\u00E8ve", attributes({{u"\u00FC", u"\u20AC"}})); }, 0,
         "<\xC3\xA9l\xC3\xA8ve \xC3\xBC=\"\xE2\x82\xAC\"/>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Node> node(c.build());
        int result = -1;
        EXPECT_EQ(c.expected, written(*node, c.indent, &result));
        EXPECT_EQ(0, result);
    }
}

TEST(NodeWrite, NamesPassThroughTheNarrowFormTextDoesNot)
{
    // A 0 unit ends the narrow form of a name; in a text it is a control character and is
    // dropped.
    const char16_t name[] = {u'a', 0, u'b'};
    const char16_t content[] = {u'x', 0, u'y'};
    Node node(String(name, 3), nullptr, 0, 0, 0);
    node.addChild(new TextNode(String(content, 3), 0, 0, 0));
    EXPECT_EQ("<a>xy</a>\n", written(node));
}

TEST(TextNode, WritesItsTextEscapedWithoutIndentation)
{
    TextNode node(String(u"<hi>"), 4, 2, 9);
    int result = -1;
    EXPECT_EQ("&lt;hi&gt;", written(node, 5, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(Node::NODE_TEXT, node.getType());
    ASSERT_NE(nullptr, node.getAttributes());
    EXPECT_EQ(0, node.getAttributes()->getCount());
    EXPECT_EQ(1, node.getAttributes()->getBlockSize());
    EXPECT_EQ(4, node.getLine());
    EXPECT_EQ(2, node.getColumn());
    EXPECT_EQ(9, node.getSequence());
}

TEST(Node, CloneCopiesContentAndOrderButNotSequencesOrParents)
{
    std::unique_ptr<Node> root(element(u"r", attributes({{u"a", u"1"}, {u"b", u"2"}}), 1, 2, 3));
    Node* first = child(root.get(), element(u"f", nullptr, 4, 5, 6));
    text(first, u"t");
    child(first, element(u"g", attributes({{u"c", u"3"}}), 7, 8, 9));
    child(root.get(), element(u"s", nullptr, 10, 11, 12));

    std::unique_ptr<Node> copy(root->clone());
    EXPECT_EQ(written(*root), written(*copy));

    // Walk both trees side by side.
    std::vector<std::pair<const Node*, const Node*>> pending{{root.get(), copy.get()}};
    int visited = 0;
    while (!pending.empty()) {
        auto [original, duplicate] = pending.back();
        pending.pop_back();
        ++visited;
        EXPECT_NE(original, duplicate);
        EXPECT_EQ(original->getName(), duplicate->getName());
        EXPECT_EQ(original->getType(), duplicate->getType());
        EXPECT_EQ(original->getLine(), duplicate->getLine());
        EXPECT_EQ(original->getColumn(), duplicate->getColumn());
        EXPECT_EQ(0, duplicate->getSequence());
        EXPECT_EQ(nullptr, duplicate->getParent());
        ASSERT_EQ(original->getChildCount(), duplicate->getChildCount());
        if (original->getAttributes() == nullptr) {
            EXPECT_EQ(nullptr, duplicate->getAttributes());
        } else {
            ASSERT_NE(nullptr, duplicate->getAttributes());
            EXPECT_NE(original->getAttributes(), duplicate->getAttributes());
            for (int i = 0; i < duplicate->getAttributes()->getCount(); ++i) {
                String sequence;
                ASSERT_EQ(XMLPROXY_SUCCESS, duplicate->getAttributes()->getSequence(i, sequence));
                EXPECT_EQ(u"0", sequence.units());
            }
        }
        auto o = original->getChildList().begin();
        for (Node* d : duplicate->getChildList())
            pending.emplace_back(*o++, d);
    }
    EXPECT_EQ(5, visited);
}

TEST(Node, DeletingTheRootDeletesEveryNodeOnceThroughTheVirtualDestructor)
{
    CountedNode::s_Deleted = 0;
    auto* root = new CountedNode(u"r");
    Node::ChildList* none = nullptr;
    EXPECT_EQ(0, root->getChildren(none));
    EXPECT_TRUE(none->empty());
    Node* a = child(root, new CountedNode(u"a"));
    child(a, new CountedNode(u"b"));
    child(child(a, new CountedNode(u"c")), new CountedNode(u"d"));
    child(root, new CountedNode(u"e"));
    Node::ChildList* children = nullptr;
    root->getChildren(children);
    EXPECT_EQ(2, children->size());
    EXPECT_EQ(root, a->getParent());
    delete root;
    EXPECT_EQ(6, CountedNode::s_Deleted);
}

TEST(Node, AMillionLevelsAreBuiltClonedAndDeletedWithoutRecursion)
{
    constexpr int depth = 1000000;
    std::unique_ptr<Node> root(element(u"d"));
    Node* deepest = root.get();
    for (int level = 1; level < depth; ++level)
        deepest = child(deepest, element(u"d"));
    text(deepest, u"bottom");

    std::unique_ptr<Node> copy(root->clone());
    int levels = 0;
    const Node* node = copy.get();
    while (node->getType() == Node::NODE_ELEMENT) {
        ++levels;
        node = node->getFirstChild();
        ASSERT_NE(nullptr, node);
    }
    EXPECT_EQ(depth, levels);
    EXPECT_EQ(u"bottom", node->getName().units());
    copy.reset();
    root.reset();
}

namespace {

struct DeepWrite {
    const Node* node;
    std::size_t bytes;
    int result;
};

void* writeOnSmallStack(void* argument)
{
    auto* job = static_cast<DeepWrite*>(argument);
    CountingBuffer buffer;
    std::ostream out(&buffer);
    job->result = job->node->write(out, 0);
    job->bytes = buffer.count;
    return nullptr;
}

} // namespace

TEST(NodeWrite, DeepTreeIsWrittenWithoutRecursion)
{
    // Deep enough that one stack frame per level would overflow the small stack below.
    constexpr std::size_t depth = 4000;
    std::unique_ptr<Node> root(element(u"d"));
    Node* deepest = root.get();
    for (std::size_t level = 1; level < depth; ++level)
        deepest = child(deepest, element(u"d"));

    DeepWrite job{root.get(), 0, -1};
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 256 * 1024));
    pthread_t thread;
    ASSERT_EQ(0, pthread_create(&thread, &attributes, writeOnSmallStack, &job));
    ASSERT_EQ(0, pthread_join(thread, nullptr));
    pthread_attr_destroy(&attributes);

    // Level i: i spaces, "<d>\n", and for all but the innermost i spaces and "</d>\n";
    // the innermost writes "<d/>" and its parent's closing tag has no line of its own.
    const std::size_t indentation = depth * (depth - 1) / 2;
    const std::size_t expected = indentation + (depth - 1) * 4 + 4 + indentation - (depth - 1) +
                                 (depth - 1) * 5;
    EXPECT_EQ(0, job.result);
    EXPECT_EQ(expected, job.bytes);
}
