#include "../common/xmlproxy/TreeTestSupport.h"

#include "ParseNodeSink.h"
#include "Trace.h"
#include "Tracer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using orvtest::element;
using orvtest::text;
using orvtest::writtenCopy;

// Counts its own release, so the tests see when a tree goes.
struct Counted : Node {
    Counted(const char16_t* i_Name, int& o_Released, std::vector<Node*> i_Children = {})
        : Node(String(i_Name), nullptr, 1, 1, 0), released(o_Released)
    {
        for (Node* child : i_Children)
            addChild(child);
    }
    ~Counted() override { ++released; }
    int& released;
};

TEST(ParseNodeSinkTest, SectionsAreFoundAtAnyDepthByTheirExactNameAndCopiedByIndex)
{
    ParseNodeSink sink;
    EXPECT_EQ(0, sink.onNodeTree(nullptr));
    // Names that differ only in case replace nothing.
    for (Node* tree : {element(u"Hardware", {element(u"cpu")}),
                       element(u"wrap", {element(u"deeper", {element(u"XSE"), element(u"NetConfig")})}),
                       element(u"FSScan"), element(u"holder", {text(u"Vpd")}), element(u"UseSignatures"),
                       element(u"NetSignatures"), element(u"hardware"), element(u"VPD")})
        EXPECT_EQ(0, sink.onNodeTree(tree));
    const struct { int index; const char* expected; } cases[] = {
        {1, "<Hardware>\n <cpu/></Hardware>\n"}, {2, "<XSE/>"}, {3, "<FSScan/>"}, {4, "Vpd"}, {7, "<UseSignatures/>"},
        {8, "<NetSignatures/>"}, {9, "<NetConfig/>"}, {0, "(null)"}, {5, "(null)"}, {6, "(null)"}, {10, "(null)"},
        {-1, "(null)"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, writtenCopy(sink.getNode(c.index))) << "index " << c.index;
    // Every call makes a new copy for the caller, without the parent link of the original.
    std::unique_ptr<Node> one(sink.getNode(2)), two(sink.getNode(2));
    EXPECT_NE(one.get(), two.get());
    EXPECT_EQ(nullptr, one->getParent());
    EXPECT_EQ(nullptr, ParseNodeSink().getNode(1));
}

// Every delivered tree is released exactly once, as soon as no sink refers into it any more;
// the sanitizer build turns a double release or a leak into a failure.
TEST(ParseNodeSinkTest, TreesGoWhenTheLastSinkThatKeepsOneOfTheirSectionsLetsGo)
{
    int released = 0;
    auto counted = [&released](const char16_t* i_Name, std::vector<Node*> i_Children = {}) {
        return new Counted(i_Name, released, i_Children);
    };
    {
        ParseNodeSink sink;
        sink.onNodeTree(counted(u"other", {counted(u"child")}));
        EXPECT_EQ(2, released); // no section in it
        sink.onNodeTree(counted(u"wrap", {counted(u"XSE"), counted(u"FSScan")}));
        sink.onNodeTree(counted(u"XSE"));
        EXPECT_EQ(2, released); // the first tree still holds the FSScan section
        sink.onNodeTree(counted(u"FSScan"));
        EXPECT_EQ(5, released);

        auto copy = std::make_unique<ParseNodeSink>(sink);
        sink.onNodeTree(counted(u"FSScan", {counted(u"new")}));
        EXPECT_EQ(5, released);
        EXPECT_EQ("<FSScan/>", writtenCopy(copy->getNode(3)));
        EXPECT_EQ("<FSScan>\n <new/></FSScan>\n", writtenCopy(sink.getNode(3)));
        copy.reset();
        EXPECT_EQ(6, released);

        ParseNodeSink assigned;
        assigned.onNodeTree(counted(u"Vpd"));
        EXPECT_EQ(&assigned, &(assigned = sink));
        EXPECT_EQ(7, released);
        EXPECT_EQ(nullptr, assigned.getNode(4));
        assigned = assigned;
        sink = ParseNodeSink();
        EXPECT_EQ(7, released);
        EXPECT_EQ("<XSE/>", writtenCopy(assigned.getNode(2)));
    }
    EXPECT_EQ(10, released);
}

TEST(ParseNodeSinkTest, DeeplyNestedTreeIsExaminedWithoutExhaustingTheStack)
{
    Node* root = element(u"root");
    Node* innermost = root;
    for (int i = 0; i < 200000; ++i) {
        innermost->addChild(element(u"level"));
        innermost = innermost->getFirstChild();
    }
    innermost->addChild(element(u"UseSignatures"));
    ParseNodeSink sink;
    sink.onNodeTree(root);
    EXPECT_EQ("<UseSignatures/>", writtenCopy(sink.getNode(7)));
}

// Each message is traced as before and also kept as data, with the trace level as its severity;
// a message that arrives with its column keeps it, and a host's sink that overrides the
// level's own operation still hears the message.
TEST(ParseNodeSinkTest, MessagesAreTracedAndKeptWithLevelLineAndColumn)
{
    using Operation = int (ParseNodeSink::*)(const String&, int);
    const struct { Operation operation; NodeSink::Level level; const char* label; int result; } cases[] = {
        {&ParseNodeSink::onWarning, NodeSink::LEVEL_WARNING, "ParseNodeSink::onWarning", XMLPROXY_SUCCESS},
        {&ParseNodeSink::onError, NodeSink::LEVEL_ERROR, "ParseNodeSink::onError", XMLPROXY_NULL_STRING},
        {&ParseNodeSink::onCriticalError, NodeSink::LEVEL_CRITICAL, "ParseNodeSink::onCriticalError",
         XMLPROXY_NULL_STRING}};
    struct HostSink : ParseNodeSink {
        int onWarning(const String& i_Message, int i_Line) override { return ParseNodeSink::onWarning(i_Message, i_Line) + 5; }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<TraceRecord> records;
        const Tracer::Receiver previous =
            Tracer::setReceiver([&records](const TraceRecord& i_Record) { records.push_back(i_Record); });
        ParseNodeSink sink;
        EXPECT_EQ(c.result, (sink.*c.operation)(String(u"x \u00e9"), 7));
        EXPECT_EQ(c.result, sink.onMessage(c.level, String(u"x \u00e9"), 7, 3));
        HostSink host;
        EXPECT_EQ(c.result + (c.level == NodeSink::LEVEL_WARNING ? 5 : 0), host.onMessage(c.level, String(u"y"), 1, 2));
        Tracer::setReceiver(previous);
        ASSERT_EQ(3u, records.size());
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(c.label, records[i].label);
            EXPECT_EQ(static_cast<int>(c.level), records[i].level);
            EXPECT_EQ(2, records[i].component);
            EXPECT_EQ("Message is x \xc3\xa9 at line 7", records[i].text);
        }
        const ParseNodeSink copy(sink); // the copy carries what the sink received
        ASSERT_EQ(2u, copy.getDiagnostics().size());
        for (int i = 0; i < 2; ++i) {
            const ParseNodeSink::Diagnostic& kept = copy.getDiagnostics()[i];
            EXPECT_EQ(static_cast<int>(c.level), kept.severity);
            EXPECT_EQ(7, kept.line);
            EXPECT_EQ(i == 0 ? 0 : 3, kept.column);
            EXPECT_EQ(String(u"x \u00e9"), kept.message);
        }
        ASSERT_EQ(1u, host.getDiagnostics().size());
        EXPECT_EQ(2, host.getDiagnostics()[0].column);
    }
    // A document full of errors keeps the list bounded; the first ones stay.
    ParseNodeSink sink;
    const Tracer::Receiver previous = Tracer::setReceiver([](const TraceRecord&) {});
    for (int line = 1; line <= ParseNodeSink::MAX_DIAGNOSTICS + 1; ++line)
        sink.onError(String(u"e"), line);
    sink.onMessage(NodeSink::LEVEL_ERROR, String(u"past the bound"), 1, 9); // its column lands nowhere
    Tracer::setReceiver(previous);
    ASSERT_EQ(static_cast<std::size_t>(ParseNodeSink::MAX_DIAGNOSTICS), sink.getDiagnostics().size());
    EXPECT_EQ(ParseNodeSink::MAX_DIAGNOSTICS, sink.getDiagnostics().back().line);
    EXPECT_EQ(0, sink.getDiagnostics().back().column);
}

} // namespace
