#ifndef ORV_TESTS_TRACEFILEFIXTURE_H
#define ORV_TESTS_TRACEFILEFIXTURE_H

#include "TestSupport.h"
#include "Trace.h"
#include "Tracer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace orvtest {

inline const std::string MARKER = "#ORV_TRACE_PROPERTIES_FILE\n";

inline void trace(Tracer::Component component, int level, const std::string& text)
{
    Trace statement(Tracer::getInstance(component), "Test::trace");
    statement.level = level;
    statement << text.c_str() << Trace::endl;
}

inline std::vector<std::string> linesOf(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A trace properties file in a directory of its own, named to the trace library.
class TraceFileTest : public ::testing::Test {
protected:
    void use(const std::string& lines)
    {
        orvtest::writeFile(m_Dir.file("OrvTrace.properties"), MARKER + lines);
        Tracer::setPropertiesFile(m_Dir.file("OrvTrace.properties").c_str());
    }
    void TearDown() override { Tracer::setPropertiesFile(nullptr); }
    std::string log() const { return m_Dir.file("logs/trace.log"); }
    std::string fileNameLine() const { return "handlers.traceFile.fileName=" + log() + "\n"; }
    orvtest::TempDir m_Dir;
};

} // namespace orvtest

#endif
