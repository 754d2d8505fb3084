// orvcfg parse: the shipped document against the shipped schema.
#include "ToolHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace orvtest;

namespace {

TEST(ToolParse, ShippedDocumentHasNoErrorsAndAllSevenSectionsInOrder)
{
    const TempInstallation install;
    const std::string doc = install.read("config/orvcli.xml");
    const RunResult r = install.run({"parse"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::size_t last = 0;
    for (const std::string name : {"Hardware", "XSE", "FSScan", "Vpd", "UseSignatures", "NetSignatures", "NetConfig"}) {
        // Each section's heading names the line on which its element begins.
        const std::size_t begins = std::min(doc.find("<" + name + " "), doc.find("<" + name + ">"));
        ASSERT_NE(begins, std::string::npos) << name;
        const auto line = 1 + std::count(doc.begin(), doc.begin() + static_cast<std::ptrdiff_t>(begins), '\n');
        const std::size_t at = r.out.find("\n" + name + " (line " + std::to_string(line) + ")\n  <" + name, last);
        EXPECT_NE(at, std::string::npos) << "missing or out of order: " << name << "\n" << r.out;
        last = at;
    }
    EXPECT_NE(r.out.find("  </NetConfig>\n\nsections: 7 of 7\nerrors: 0\n"), std::string::npos) << r.out;
}

} // namespace
