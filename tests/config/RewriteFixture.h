#ifndef ORV_TESTS_REWRITEFIXTURE_H
#define ORV_TESTS_REWRITEFIXTURE_H

#include "ConfigFixture.h"
#include "PathBuffers.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>

// A configuration directory with both property files, for tests that change keys.
class RewriteTest : public ConfigTest {
protected:
    std::string tracePath() const { return configDir() + "OrvTrace.properties"; }
    std::string mainFile() const { return orvtest::readFile(propertiesPath()); }
    std::string traceFile() const { return orvtest::readFile(tracePath()); }

    // Writes the trace file (when given) and Orv.properties, and starts the service.
    void start(const std::string& mainBytes, const std::string* traceBytes)
    {
        if (traceBytes != nullptr)
            orvtest::writeFile(tracePath(), *traceBytes);
        initializeWith(mainBytes);
        ASSERT_EQ(OrvCfg::getError(), ORVCFG_OK);
    }
    void start(const std::string& mainBytes, const std::string& traceBytes) { start(mainBytes, &traceBytes); }

    std::string stored(const char* key) { return bytesOf(OrvCfg::getKey(String(key))); }
};

// `text` with the whole line `from` (line feed included) replaced by `to`; the line must
// be there, so a typo in an expectation cannot pass unnoticed.
inline std::string withLine(std::string text, const std::string& from, const std::string& to)
{
    const std::string::size_type at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "no line " << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

inline unsigned int modeOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

inline int openDescriptorCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count;
}

#endif
