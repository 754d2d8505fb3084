// The README's table of result codes shows the words of OrvCfg::resultText; a code added to
// one and not the other, or worded differently, fails here.
#include "OrvCfg.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

TEST(ResultText, EveryCodeHasTheTextTheReadmeTableShowsAndNoOtherNumberHasOne)
{
    // The rows "| code | `CONSTANT` | text | ..." under "## Result codes".
    const std::string readme = orvtest::readFile(std::string(ORV_TEST_SOURCE_DIR) + "/README.md");
    std::istringstream section(readme.substr(readme.find("\n## Result codes\n") + 1));
    std::map<int, std::string> texts;
    std::string line;
    std::getline(section, line);
    while (std::getline(section, line) && line.rfind("## ", 0) != 0) {
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, '|');)
            cells.push_back(cell.size() > 2 ? cell.substr(1, cell.size() - 2) : cell);
        if (cells.size() > 3 && !cells[1].empty() && cells[1].find_first_not_of("0123456789") == std::string::npos)
            texts[std::stoi(cells[1])] = cells[3];
    }
    for (int code = -1; code < 256; ++code) {
        const auto row = texts.find(code);
        EXPECT_EQ(OrvCfg::resultText(code), row == texts.end() ? "unknown result code" : row->second) << code;
    }
}

} // namespace
