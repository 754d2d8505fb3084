#include "DefaultSAXHandler.h"
#include "SmallBlockPool.h"
#include "TreeTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// <r y="1">r-text<s z="1">s-text<a x="1"><b/>t</a><c/></s></r>, with an end tag for c
// that names another element: matching tags is the parser's business.
struct Event { char kind; /* '<' start, '>' end, 't' text */ const char16_t* name; const char16_t* attribute; };
const Event kDocument[] = {{'<', u"r", u"y"},  {'t', u"r-text", nullptr}, {'<', u"s", u"z"},
                           {'t', u"s-text", nullptr}, {'<', u"a", u"x"},  {'<', u"b", nullptr},
                           {'>', u"b", nullptr}, {'t', u"t", nullptr},     {'>', u"a", nullptr},
                           {'<', u"c", nullptr}, {'>', u"not c", nullptr}, {'>', u"s", nullptr},
                           {'>', u"r", nullptr}};
constexpr std::size_t kWhole = std::size(kDocument);

// Feeds the first i_Count events through the unit entry points, as the Xerces adapter does
// (the String ones are driven by the deep-tree test), and ends the document. Event i reports
// line i + 1, column 1 and sequence i + 1; texts carry junk behind their length, and elements
// without attributes come bare.
void feed(SAXHandler& io_Handler, std::size_t i_Count)
{
    io_Handler.startDocument();
    for (std::size_t i = 0; i < i_Count; ++i) {
        const Event& e = kDocument[i];
        const int at = static_cast<int>(i) + 1;
        const std::u16string padded = std::u16string(e.name) + u"junk";
        const std::size_t length = padded.size() - 4;
        if (e.kind == '<' && e.attribute != nullptr)
            io_Handler.startElementUnits(padded.c_str(), length, orvtest::attributes({{e.attribute, u"1"}}), at, 1, at);
        else if (e.kind == '<')
            io_Handler.startBareElementUnits(padded.c_str(), length, at, 1, at);
        else if (e.kind == '>')
            io_Handler.endElementUnits(padded.c_str(), length);
        else
            io_Handler.charactersUnits(padded.c_str(), length, at, 1, at);
    }
    io_Handler.endDocument();
}

} // namespace

TEST(DefaultSAXHandler, DeliversEachTreeAtTheSkipDepthWhenItsEndTagArrives)
{
    const std::vector<std::string> unbalanced{"critical@0: Malformed XML: inconsistent depth at end of document"};
    const struct {
        int skipDepth;
        std::size_t events;
        std::string trees;
        std::vector<std::string> messages;
    } cases[] = {
        {2, kWhole, "<a x=\"1\">\n <b/>t</a>\n<c/>", {}},
        {2, 9, "<a x=\"1\">\n <b/>t</a>\n", unbalanced}, // delivered before the document is over
        {0, 8, "", unbalanced},                          // never delivered, released with the handler
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("skip depth " + std::to_string(c.skipDepth) + ", " + std::to_string(c.events) + " events");
        const std::size_t before = SmallBlockPool::liveBlocks(); // counted in builds without a leak checker
        auto sink = std::make_unique<orvtest::RecordingSink>();
        auto handler = std::make_unique<DefaultSAXHandler>(sink.get(), c.skipDepth);
        feed(*handler, c.events);
        EXPECT_EQ(c.trees, sink->writtenTrees());
        EXPECT_EQ(c.messages, sink->messages);
        if (c.skipDepth == 2 && c.events == kWhole) {
            // Element children link to their parent, texts do not; copies have no numbers.
            // Copied first: describing a bare element makes its table.
            std::unique_ptr<Node> copy(sink->trees[0]->clone());
            EXPECT_EQ("a@5:1#5{x=1#1}[b@6:1#6^ \"t\"@8:1#8]", orvtest::describe(*sink->trees[0]));
            EXPECT_EQ("a@5:1#0{x=1#0}[b@6:1#0 \"t\"@8:1#0]", orvtest::describe(*copy));
            EXPECT_EQ(0, handler->getDepth());
        }
        handler.reset();
        sink.reset();
        EXPECT_EQ(before, SmallBlockPool::liveBlocks());
    }
}

TEST(DefaultSAXHandler, TableOfAnElementWhoseNodeCannotBeMadeIsFreed)
{
    const std::size_t before = SmallBlockPool::liveBlocks();
    orvtest::RecordingSink sink;
    DefaultSAXHandler handler(&sink, 0);
    // No name can be that long: making it fails after the node's memory was allocated.
    EXPECT_THROW(handler.startElementUnits(u"a", std::u16string().max_size() + 1,
                                           orvtest::attributes({{u"x", u"1"}}), 1, 1, 1),
                 std::bad_alloc);
    EXPECT_EQ(before, SmallBlockPool::liveBlocks());
    EXPECT_EQ(0, handler.getDepth());
}
