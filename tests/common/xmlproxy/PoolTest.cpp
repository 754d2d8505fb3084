// The process-wide pool behind nodes and tables: trees built and released on several threads
// at once leave no block handed out and no chunk held. Release while the program exits is
// run under valgrind by the host in host/.
#include "Node.h"
#include "NodeAttributes.h"
#include "SmallBlockPool.h"
#include "TextNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

constexpr std::size_t kOneChunk = 64u * 1024u;

// An element with attributes, a text child and element children: every kind of block the
// pool hands out for a parsed tree.
std::unique_ptr<Node> makeTree(int i_Width)
{
    auto root = std::make_unique<Node>(String(u"UseSignatures"), nullptr, 1, 1, 1);
    for (int i = 0; i < i_Width; ++i) {
        auto* table = new NodeAttributes(1);
        const std::u16string value = u"value " + std::u16string(static_cast<std::size_t>(i % 40), u'x');
        table->addAttribute(u"name", value.c_str(), u"7");
        auto* child = new Node(String(u"Signature"), table, 2, 3, 4);
        child->setParent(root.get());
        root->addChild(child);
        child->addChild(new TextNode(String(u"a text longer than the inline units"), 2, 5, 6));
    }
    return root;
}

TEST(PoolTest, TreesBuiltAndReleasedOnSeveralThreadsLeaveNothingBehind)
{
    const std::size_t before = SmallBlockPool::liveBlocks();
    auto work = [] {
        for (int round = 0; round < 200; ++round) {
            std::unique_ptr<Node> tree = makeTree(25);
            std::unique_ptr<Node> copy(tree->clone());
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
        EXPECT_LE(SmallBlockPool::chunkBytes(), kOneChunk);
    }
}

TEST(PoolTest, TreeBuiltOnOneThreadIsReleasedOnAnother)
{
    const std::size_t before = SmallBlockPool::liveBlocks();
    std::unique_ptr<Node> tree;
    std::thread builder([&tree] { tree = makeTree(3000); });
    builder.join();
    if (before == 0 && SmallBlockPool::liveBlocks() > 0) {
        EXPECT_GT(SmallBlockPool::chunkBytes(), kOneChunk);
    }
    std::thread releaser([&tree] { tree.reset(); });
    releaser.join();
    EXPECT_EQ(before, SmallBlockPool::liveBlocks());
    if (before == 0) {
        EXPECT_LE(SmallBlockPool::chunkBytes(), kOneChunk);
    }
}

} // namespace
