#ifndef ORV_XMLPROXYASSERT_H
#define ORV_XMLPROXYASSERT_H

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Preconditions of the XML proxy layer stop the program. They stay on in release builds
// (unlike <cassert>, which NDEBUG removes): a broken precondition here means a programming
// error whose consequences would be memory corruption, not a recoverable condition.
//
// The message names the source as src/common/xmlproxy/<file>, whatever directory the
// build compiled it from, so that reports read the same on every machine.
namespace orv_xmlproxy_detail {

[[noreturn]] inline void assertionFailed(const char* i_Expression, const char* i_File, int i_Line)
{
    static const char kLayerDir[] = "src/common/xmlproxy/";
    const char* file = std::strstr(i_File, kLayerDir);
    if (file == nullptr) {
        const char* base = std::strrchr(i_File, '/');
        std::fprintf(stderr, "Assertion failed: %s, file %s%s, line %d\n", i_Expression, kLayerDir,
                     base != nullptr ? base + 1 : i_File, i_Line);
    } else {
        std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", i_Expression, file, i_Line);
    }
    std::fflush(stderr);
    std::abort();
}

} // namespace orv_xmlproxy_detail

#define XMLPROXY_ASSERT(expression)                                                            \
    ((expression) ? static_cast<void>(0)                                                       \
                  : ::orv_xmlproxy_detail::assertionFailed(#expression, __FILE__, __LINE__))

#endif
