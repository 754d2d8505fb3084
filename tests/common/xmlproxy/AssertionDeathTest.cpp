#include "DefaultSAXHandler.h"
#include "NodeAttributes.h"
#include "UTF8XMLEncoding.h"
#include "XmlZipInputStream.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// Set inside a death test only: the non-throwing array allocations of the process fail,
// as they would when memory runs out.
bool g_FailNothrowArrays = false;

} // namespace

void* operator new[](std::size_t i_Size, const std::nothrow_t&) noexcept
{
    if (g_FailNothrowArrays)
        return nullptr;
    try {
        return ::operator new[](i_Size);
    } catch (...) {
        return nullptr;
    }
}

// Broken preconditions stop the program in every build type, naming the expression and
// the source under src/common/xmlproxy/.
TEST(XmlProxyAssertionDeathTest, BrokenPreconditionsStopTheProgram)
{
    EXPECT_DEATH(NodeAttributes(-3), "m_BlockSize > 0, file src/common/xmlproxy/StringVector\\.cpp, line ");
    EXPECT_DEATH(DefaultSAXHandler(nullptr, -1),
                 "m_SkipDepth >= 0, file src/common/xmlproxy/DefaultSAXHandler\\.cpp, line ");
    EXPECT_DEATH(XmlZipInputStream stream(nullptr),
                 "i_InputStream != 0, file src/common/xmlproxy/XmlZipInputStream\\.cpp, line ");
    EXPECT_DEATH(
        {
            g_FailNothrowArrays = true;
            UTF8XMLEncoding encoding(String(u"x"));
        },
        "m_UTF8, file src/common/xmlproxy/UTF8XMLEncoding\\.cpp, line ");
}
