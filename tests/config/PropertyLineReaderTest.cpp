#include "PropertyLineReader.h"
#include "ScopedFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> piecesOf(const std::string& bytes)
{
    orvtest::TempDir tmp;
    const std::string path = tmp.file("lines");
    orvtest::writeFile(path, bytes);
    ScopedFile file = openScopedFile(path.c_str(), "r");
    PropertyLineReader reader(file.get());
    std::vector<std::string> pieces;
    while (reader.next())
        pieces.emplace_back(reader.bytes());
    return pieces;
}

TEST(PropertyLineReader, PiecesAreExactBytesOfAtMost259)
{
    const std::string b258(258, 'b');
    const std::string b259(259, 'b');
    struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> pieces;
    } const cases[] = {
        {"Empty", "", {}},
        {"LinesKeepTheirLineFeed", "a\n\nb\n", {"a\n", "\n", "b\n"}},
        {"NoFinalLineFeed", "a\nb", {"a\n", "b"}},
        {"CarriageReturnKept", "a\r\n", {"a\r\n"}},
        {"NulBytesKept", std::string("a\0b\n\0", 5), {std::string("a\0b\n", 4), std::string("\0", 1)}},
        {"258AndLineFeedIsOnePiece", b258 + "\n", {b258 + "\n"}},
        {"259AndLineFeedIsTwoPieces", b259 + "\n", {b259, "\n"}},
        {"259WithoutLineFeed", b259, {b259}},
        {"600Bytes", std::string(600, 'c'), {std::string(259, 'c'), std::string(259, 'c'), std::string(82, 'c')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(piecesOf(c.bytes), c.pieces);
    }
}

TEST(PropertyLineReader, ReadErrorEndsTheFile)
{
    orvtest::TempDir tmp;
    ScopedFile dir = openScopedFile(tmp.path().c_str(), "r");
    ASSERT_TRUE(dir);
    PropertyLineReader reader(dir.get());
    EXPECT_FALSE(reader.next());
    EXPECT_EQ(reader.size(), 0u);
}

} // namespace
