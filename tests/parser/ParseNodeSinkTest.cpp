#include "../common/xmlproxy/TreeTestSupport.h"

#include "ParseNodeSink.h"
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
    // A section 200,000 levels down is found without exhausting the stack.
    Node* deep = element(u"UseSignatures");
    for (int i = 0; i < 200000; ++i)
        deep = element(u"level", {deep});
    // Names that differ only in case replace nothing.
    for (Node* tree : {element(u"Hardware", {element(u"cpu")}),
                       element(u"wrap", {element(u"deeper", {element(u"XSE"), element(u"NetConfig")})}),
                       element(u"FSScan"), element(u"holder", {text(u"Vpd")}), deep, element(u"NetSignatures"),
                       element(u"hardware"), element(u"VPD")})
        EXPECT_EQ(0, sink.onNodeTree(tree));
    std::string all;
    for (int index = -1; index <= 10; ++index)
        all += std::to_string(index) + "=" + writtenCopy(sink.getNode(index)) + "|";
    EXPECT_EQ("-1=(null)|0=(null)|1=<Hardware>\n <cpu/></Hardware>\n|2=<XSE/>|3=<FSScan/>|4=Vpd|5=(null)|6=(null)|"
              "7=<UseSignatures/>|8=<NetSignatures/>|9=<NetConfig/>|10=(null)|",
              all);
    // Every call makes a new copy for the caller, without the parent link of the original.
    std::unique_ptr<Node> one(sink.getNode(2)), two(sink.getNode(2));
    EXPECT_NE(one.get(), two.get());
    EXPECT_EQ(nullptr, one->getParent());
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
        EXPECT_EQ("<FSScan>\n <new/></FSScan>\n", writtenCopy(assigned.getNode(3)));
    }
    EXPECT_EQ(10, released);
}

// Each message is traced and also kept as data, with the trace level as its severity; a
// message that arrives with its column keeps it, and a host's sink that overrides the
// level's own operation still hears the message. A document full of errors keeps the list
// bounded; the first ones stay.
TEST(ParseNodeSinkTest, MessagesAreTracedAndKeptWithLevelLineAndColumn)
{
    struct HostSink : ParseNodeSink {
        int onWarning(const String& i_Message, int i_Line) override { return ParseNodeSink::onWarning(i_Message, i_Line) + 5; }
    };
    std::vector<std::string> traced;
    const Tracer::Receiver previous = Tracer::setReceiver([&traced](const TraceRecord& r) {
        traced.push_back(r.label + " " + std::to_string(r.level) + "/" + std::to_string(r.component) + ": " + r.text);
    });
    ParseNodeSink sink, full;
    HostSink host;
    const String x(u"x \u00e9");
    const std::vector<int> results{sink.onWarning(x, 7),
                                   sink.onError(x, 7),
                                   sink.onCriticalError(x, 7),
                                   sink.onMessage(NodeSink::LEVEL_WARNING, x, 7, 3),
                                   sink.onMessage(NodeSink::LEVEL_ERROR, x, 8, 3),
                                   sink.onMessage(NodeSink::LEVEL_CRITICAL, x, 9, 4),
                                   host.onMessage(NodeSink::LEVEL_WARNING, String(u"y"), 1, 2)};
    for (int line = 1; line <= ParseNodeSink::MAX_DIAGNOSTICS + 1; ++line)
        full.onError(String(u"e"), line);
    full.onMessage(NodeSink::LEVEL_ERROR, String(u"past the bound"), 1, 9); // its column lands nowhere
    Tracer::setReceiver(previous);
    EXPECT_EQ((std::vector<int>{XMLPROXY_SUCCESS, XMLPROXY_NULL_STRING, XMLPROXY_NULL_STRING, XMLPROXY_SUCCESS,
                                XMLPROXY_NULL_STRING, XMLPROXY_NULL_STRING, XMLPROXY_SUCCESS + 5}),
              results);
    EXPECT_EQ((std::vector<std::string>{"ParseNodeSink::onWarning 2/2: Message is x \xc3\xa9 at line 7",
                                        "ParseNodeSink::onError 1/2: Message is x \xc3\xa9 at line 7",
                                        "ParseNodeSink::onCriticalError 0/2: Message is x \xc3\xa9 at line 7"}),
              std::vector<std::string>(traced.begin(), traced.begin() + 3));
    EXPECT_EQ(7u + ParseNodeSink::MAX_DIAGNOSTICS + 2, traced.size()); // every message is traced
    const ParseNodeSink copy(sink); // the copy carries what the sink received
    std::string kept;
    for (const auto& d : copy.getDiagnostics())
        kept += std::to_string(d.severity) + "@" + std::to_string(d.line) + ":" + std::to_string(d.column) + " " +
                std::string(d.message) + "|";
    EXPECT_EQ("2@7:0 x \xc3\xa9|1@7:0 x \xc3\xa9|0@7:0 x \xc3\xa9|2@7:3 x \xc3\xa9|1@8:3 x \xc3\xa9|0@9:4 x \xc3\xa9|", kept);
    ASSERT_EQ(1u, host.getDiagnostics().size());
    EXPECT_EQ(2, host.getDiagnostics()[0].column);
    ASSERT_EQ(static_cast<std::size_t>(ParseNodeSink::MAX_DIAGNOSTICS), full.getDiagnostics().size());
    EXPECT_EQ(ParseNodeSink::MAX_DIAGNOSTICS, full.getDiagnostics().back().line);
    EXPECT_EQ(0, full.getDiagnostics().back().column);
}

} // namespace
