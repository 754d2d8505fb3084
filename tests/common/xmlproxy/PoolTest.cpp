// The process-wide pool behind nodes and tables: trees built, copied and released on several
// threads at once, each released on another thread than the one that built it, leave no
// block handed out and no chunk held. Release while the program exits is run under valgrind
// by the host in host/.
#include "Node.h"
#include "NodeAttributes.h"
#include "SmallBlockPool.h"
#include "TextNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

// Each tree holds every kind of block the pool hands out for a parsed tree: elements with
// tables, text nodes, and the tables' vectors.
TEST(PoolTest, TreesBuiltAndReleasedAcrossThreadsLeaveNothingBehind)
{
    const std::size_t before = SmallBlockPool::liveBlocks();
    auto work = [] {
        for (int round = 0; round < 100; ++round) {
            auto tree = std::make_unique<Node>(String(u"UseSignatures"), nullptr, 1, 1, 1);
            for (int i = 0; i < 25; ++i) {
                auto* table = new NodeAttributes(1);
                table->addAttribute(u"name", (u"value " + std::u16string(std::size_t(i), u'x')).c_str(), u"7");
                Node* child = new Node(String(u"Signature"), table, 2, 3, 4);
                tree->addChild(child);
                child->addChild(new TextNode(String(u"a text longer than the inline units"), 2, 5, 6));
            }
            std::unique_ptr<Node> copy;
            std::thread([&tree, &copy] { copy.reset(tree->clone()); tree.reset(); }).join();
            ASSERT_EQ(25, copy->getChildCount());
        }
    };
    std::thread first(work);
    std::thread second(work);
    work();
    first.join();
    second.join();
    EXPECT_EQ(before, SmallBlockPool::liveBlocks());
    if (before == 0) {
        EXPECT_LE(SmallBlockPool::chunkBytes(), 64u * 1024u);
    }
}
