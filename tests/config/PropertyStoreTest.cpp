#include "ConfigFixture.h"

#include "FileSystem.h"
#include "PropertyLineReader.h"

#include <iostream>
#include <random>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
using PropertyStore = ConfigTest;

Entries storedProperties()
{
    Entries out;
    for (const auto& entry : OrvCfg::getProperties())
        out.emplace_back(bytesOf(entry.first), bytesOf(entry.second));
    return out;
}

// What the loader makes of a file, and what a change of k makes of it: the first 259 bytes of
// a line are one piece, the rest a line of its own; a line without the key is copied byte for
// byte, a replaced line keeps its line end. The breadth of these rules (repeated keys,
// trimming, header forms, carriage returns) is the fuzzers'.
TEST_F(PropertyStore, LoadedAndRewrittenLines)
{
    const std::string v256(256, 'v'), v257(257, 'v'), longHeader = "ORV_PROPERTIES_FILE" + std::string(240, '#') + "k=v\n";
    const struct { const char* name; std::string bytes; Entries expected; std::string after; int result = ORVCFG_OK; } cases[] = {
        {"LineOf259BytesIsOneLine", HEADER + "k=" + v256 + "\nq=w\n", {{"k", v256}, {"q", "w"}}, HEADER + "k=v\nq=w\n"},
        {"LongLineRestIsALineOfItsOwn", HEADER + "k=" + v257 + "q=w\n", {{"k", v257}, {"q", "w"}}, HEADER + "k=v\nq=w\n"},
        {"LineOf260BytesIsTwoPieces", HEADER + "k=" + v257 + "\n", {{"k", v257}}, HEADER + "k=v\n\n"},
        {"LinesWithoutTheKey", HEADER + "=k\nk\n k \n", {}, HEADER + "=k\nk\n k \n", ORVCFG_KEY_NOT_FOUND},
        {"ReplacedLineKeepsItsLineEnd", HEADER + "k=1\r\nj=1\r\nk=1", {{"j", "1"}, {"k", "1"}}, HEADER + "k=v\r\nj=1\r\nk=v\n"},
        // Only the first 259 bytes are the header; the rest of that line is read as a line.
        {"OverlongHeaderLine", longHeader, {{"k", "v"}}, longHeader},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (orvtest::isWindows() && c.bytes.find('\r') != std::string::npos) {
            std::cout << "[   NOTE   ] " << c.name << ": Windows reads and writes property files as text, "
                      << "every line ending in CR LF on disk; row not tried\n";
            continue;
        }
        initializeWith(c.bytes);
        EXPECT_EQ(OrvCfg::getError(), ORVCFG_OK);
        EXPECT_EQ(storedProperties(), c.expected);
        EXPECT_EQ(set("k", "v"), c.result);
        EXPECT_EQ(mainFile(), c.after);
        EXPECT_FALSE(orvtest::fileExists(configDir() + "Orv.tmp"));
    }
}

// A pipe in place of the file would stall the host waiting for a writer (where no pipe can
// be made, a directory stands in); neither is a property file.
TEST_F(PropertyStore, UnreadableFileResults)
{
    if (!orvtest::makeNamedPipe(propertiesPath()))
        orvtest::makeDirs(propertiesPath());
    OrvCfg::initialize("scan");
    EXPECT_EQ(OrvCfg::getError(), ORVCFG_OPEN_FAILED);
    OrvCfg::cleanup();
    std::filesystem::remove(std::filesystem::u8path(propertiesPath()));

    ORVTEST_REQUIRE_CHILD_PROCESSES();
    orvtest::writeFile(propertiesPath(), HEADER + "k=v\n");
    orvtest::setMode(propertiesPath(), 0);
    EXPECT_EQ(orvtest::runUnprivileged([] {
                  OrvCfg::initialize("scan");
                  return storedProperties().empty() ? OrvCfg::getError() : 100;
              }),
              ORVCFG_ACCESS_DENIED);
}

// The file is read in 64 KiB blocks, beyond what the loader's fuzz inputs reach; the pieces
// must be those of a 260-byte buffer filled one byte at a time, also where lines and pieces
// straddle the edges between blocks.
TEST(PropertyLineReader, PiecesAreThoseOfByteReadsAcrossBlockEdges)
{
    std::mt19937 random(7);
    std::string mixed;
    while (mixed.size() < 3 * PropertyLineReader::BLOCK_SIZE + 1234)
        mixed += std::string(random() % 600, static_cast<char>(random() % 8 == 0 ? '\0' : 'a' + random() % 26)) +
                 (random() % 5 != 0 ? "\n" : "");
    std::vector<std::string> expected(1);
    for (char c : mixed) {
        expected.back() += c;
        if (c == '\n' || expected.back().size() == PropertyLineReader::MAX_PIECE_LENGTH)
            expected.emplace_back();
    }
    if (expected.back().empty())
        expected.pop_back();
    orvtest::TempDir tmp;
    orvtest::writeFile(tmp.file("lines"), mixed);
    orv::os::FileHandle file = orv::os::openFile(tmp.file("lines").c_str(), "r");
    PropertyLineReader reader(file.get());
    std::vector<std::string> pieces;
    while (reader.next())
        pieces.emplace_back(reader.bytes());
    EXPECT_EQ(pieces, expected);
}

} // namespace
