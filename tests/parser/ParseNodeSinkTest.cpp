#include "Node.h"
#include "ParseNodeSink.h"
#include "TextNode.h"
#include "Trace.h"
#include "Tracer.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A node that counts its own destruction, so the tests can see when a tree is released.
class CountedNode : public Node {
public:
    CountedNode(const char* name, int& released) : Node(String(name), nullptr, 1, 1, 0), m_Released(released) {}
    ~CountedNode() override { ++m_Released; }

private:
    int& m_Released;
};

Node* element(const char* name, std::vector<Node*> children = {}, int line = 1)
{
    Node* node = new Node(String(name), nullptr, line, 1, 0);
    for (Node* child : children) {
        child->setParent(node);
        node->addChild(child);
    }
    return node;
}

Node* counted(const char* name, int& released, std::vector<Node*> children = {})
{
    Node* node = new CountedNode(name, released);
    for (Node* child : children)
        node->addChild(child);
    return node;
}

std::string written(Node* node)
{
    std::unique_ptr<Node> owned(node);
    if (!owned)
        return "(null)";
    std::ostringstream out;
    owned->write(out, 0);
    return out.str();
}

TEST(ParseNodeSinkTest, SectionsAreFoundAtAnyDepthAndCopiedByIndex)
{
    ParseNodeSink sink;
    EXPECT_EQ(sink.onNodeTree(nullptr), 0);
    EXPECT_EQ(sink.onNodeTree(element("Hardware", {element("cpu")})), 0);
    EXPECT_EQ(sink.onNodeTree(element("wrap", {element("deeper", {element("XSE"), element("NetConfig")})})), 0);
    EXPECT_EQ(sink.onNodeTree(element("FSScan")), 0);
    EXPECT_EQ(sink.onNodeTree(element("holder", {new TextNode(String("Vpd"), 2, 3, 0)})), 0);
    sink.onNodeTree(element("UseSignatures"));
    sink.onNodeTree(element("NetSignatures"));

    struct Case {
        int index;
        const char* expected;
    };
    const Case cases[] = {{1, "<Hardware>\n <cpu/></Hardware>\n"}, {2, "<XSE/>"},
                          {3, "<FSScan/>"},                     {4, "Vpd"},
                          {7, "<UseSignatures/>"},             {8, "<NetSignatures/>"},
                          {9, "<NetConfig/>"},                 {0, "(null)"},
                          {5, "(null)"},                       {6, "(null)"},
                          {10, "(null)"},                      {-1, "(null)"}};
    for (const Case& c : cases)
        EXPECT_EQ(written(sink.getNode(c.index)), c.expected) << "index " << c.index;
}

TEST(ParseNodeSinkTest, EachCopyIsNewAndBelongsToTheCaller)
{
    ParseNodeSink sink;
    EXPECT_EQ(sink.getNode(1), nullptr);
    sink.onNodeTree(element("Hardware", {element("cpu")}, 4));
    std::unique_ptr<Node> one(sink.getNode(1));
    std::unique_ptr<Node> two(sink.getNode(1));
    ASSERT_TRUE(one && two);
    EXPECT_NE(one.get(), two.get());
    EXPECT_EQ(one->getLine(), 4);
    EXPECT_EQ(one->getParent(), nullptr);
    EXPECT_EQ(sink.getNode(2), nullptr);
}

TEST(ParseNodeSinkTest, LaterSectionInPreOrderReplacesTheEarlierOne)
{
    ParseNodeSink sink;
    // Within one tree: the Vpd inside the first child comes before the second Vpd.
    sink.onNodeTree(element("Vpd", {element("a", {element("Vpd", {element("inner")})}), element("Vpd", {element("last")})}));
    EXPECT_EQ(written(sink.getNode(4)), "<Vpd>\n <last/></Vpd>\n");
    // A later tree replaces it again.
    sink.onNodeTree(element("Vpd", {element("next")}));
    EXPECT_EQ(written(sink.getNode(4)), "<Vpd>\n <next/></Vpd>\n");
}

TEST(ParseNodeSinkTest, SectionNamesAreCaseSensitive)
{
    ParseNodeSink sink;
    sink.onNodeTree(element("hardware"));
    sink.onNodeTree(element("VPD"));
    EXPECT_EQ(sink.getNode(1), nullptr);
    EXPECT_EQ(sink.getNode(4), nullptr);
}

// Ownership: every delivered tree is released exactly once, as soon as no sink refers into
// it any more. The sanitizer build turns a double release or a leak into a failure.
TEST(ParseNodeSinkTest, TreeWithoutSectionIsReleasedAtOnce)
{
    int released = 0;
    ParseNodeSink sink;
    sink.onNodeTree(counted("other", released, {counted("child", released)}));
    EXPECT_EQ(released, 2);
}

TEST(ParseNodeSinkTest, TreeLivesAsLongAsOneOfItsSectionsIsKept)
{
    int released = 0;
    {
        ParseNodeSink sink;
        // Two sections in one tree; replacing one of them keeps the tree for the other.
        sink.onNodeTree(counted("wrap", released, {counted("XSE", released), counted("FSScan", released)}));
        sink.onNodeTree(counted("XSE", released));
        EXPECT_EQ(released, 0);
        sink.onNodeTree(counted("FSScan", released));
        EXPECT_EQ(released, 3); // the first tree, now without a kept section
        std::unique_ptr<Node> copy(sink.getNode(3));
        EXPECT_NE(copy, nullptr);
    }
    EXPECT_EQ(released, 5);
}

TEST(ParseNodeSinkTest, CopiesShareTheSectionsUntilTheLastOneGoes)
{
    int released = 0;
    auto original = std::make_unique<ParseNodeSink>();
    original->onNodeTree(counted("Hardware", released, {counted("cpu", released)}));
    ParseNodeSink copy(*original);
    original.reset();
    EXPECT_EQ(released, 0);
    EXPECT_EQ(written(copy.getNode(1)), "<Hardware>\n <cpu/></Hardware>\n");

    ParseNodeSink assigned;
    assigned.onNodeTree(counted("Vpd", released));
    assigned = copy;
    EXPECT_EQ(released, 1); // the Vpd tree: no sink refers to it any more
    EXPECT_EQ(assigned.getNode(4), nullptr);
    assigned = assigned;
    copy = ParseNodeSink();
    EXPECT_EQ(released, 1);
    EXPECT_EQ(written(assigned.getNode(1)), "<Hardware>\n <cpu/></Hardware>\n");
    assigned = ParseNodeSink();
    EXPECT_EQ(released, 3);
}

TEST(ParseNodeSinkTest, CopyKeepsItsSectionsWhenTheOriginalReceivesNewOnes)
{
    int released = 0;
    ParseNodeSink first;
    first.onNodeTree(counted("NetConfig", released));
    ParseNodeSink second(first);
    first.onNodeTree(counted("NetConfig", released, {counted("new", released)}));
    EXPECT_EQ(released, 0);
    EXPECT_EQ(written(second.getNode(9)), "<NetConfig/>");
    EXPECT_EQ(written(first.getNode(9)), "<NetConfig>\n <new/></NetConfig>\n");
}

TEST(ParseNodeSinkTest, DeeplyNestedTreeIsExaminedWithoutExhaustingTheStack)
{
    const int depth = 200000;
    Node* root = element("root");
    Node* innermost = root;
    for (int i = 0; i < depth; ++i) {
        Node* child = element("level");
        child->setParent(innermost);
        innermost->addChild(child);
        innermost = child;
    }
    innermost->addChild(element("UseSignatures"));
    ParseNodeSink sink;
    sink.onNodeTree(root);
    EXPECT_EQ(written(sink.getNode(7)), "<UseSignatures/>");
}

class TraceCapture {
public:
    TraceCapture()
    {
        m_Previous = Tracer::setReceiver([this](const TraceRecord& record) { records.push_back(record); });
    }
    ~TraceCapture() { Tracer::setReceiver(m_Previous); }

    std::vector<TraceRecord> records;

private:
    Tracer::Receiver m_Previous;
};

TEST(ParseNodeSinkTest, MessagesAreTracedWithLabelLevelAndLine)
{
    struct Case {
        int (ParseNodeSink::*operation)(const String&, int);
        const char* label;
        int level;
        int result;
    };
    const Case cases[] = {{&ParseNodeSink::onWarning, "ParseNodeSink::onWarning", 2, XMLPROXY_SUCCESS},
                          {&ParseNodeSink::onError, "ParseNodeSink::onError", 1, -1009},
                          {&ParseNodeSink::onCriticalError, "ParseNodeSink::onCriticalError", 0, -1009}};
    for (const Case& c : cases) {
        TraceCapture capture;
        ParseNodeSink sink;
        EXPECT_EQ((sink.*c.operation)(String(u"x \u00e9"), 7), c.result) << c.label;
        ASSERT_EQ(capture.records.size(), 1u) << c.label;
        EXPECT_EQ(capture.records[0].label, c.label);
        EXPECT_EQ(capture.records[0].level, c.level);
        EXPECT_EQ(capture.records[0].component, 2);
        EXPECT_EQ(capture.records[0].text, "Message is x \xc3\xa9 at line 7");
    }
}

} // namespace
