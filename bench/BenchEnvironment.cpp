#include "BenchEnvironment.h"

#include "BenchDocuments.h"
#include "OrvCfg.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>

namespace orvbench {

const std::vector<DocumentShape>& documentShapes()
{
    static const std::vector<DocumentShape> shapes = {
        {"min", 0, false},
        {"100KB", 100 * 1024, false},
        {"1MB", 1024 * 1024, false},
        {"10MB", 10 * 1024 * 1024, false},
        {"1MB-escaped", 1024 * 1024, true},
        {"10MB-escaped", 10 * 1024 * 1024, true},
    };
    return shapes;
}

const std::vector<int>& propertyFileSizes()
{
    static const std::vector<int> sizes = {100, 1000, 10000, 100000};
    return sizes;
}

std::size_t fileSize(const std::string& i_Path)
{
    struct stat info {};
    if (::stat(i_Path.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::size_t>(info.st_size);
}

BenchEnvironment prepareEnvironment(const char* i_ProgramPath, const std::string& i_WorkDir)
{
    BenchEnvironment env;
    env.programPath = i_ProgramPath;
    env.workDir = i_WorkDir;
    makeDirectories(env.workDir);

    for (const DocumentShape& shape : documentShapes()) {
        const std::string doc = makeConfigDocument(shape.bytes, shape.escapeHeavy ? TextStyle::ESCAPE_HEAVY
                                                                                 : TextStyle::TYPICAL);
        const std::string path = env.document(shape.name);
        if (fileSize(path) != doc.size()) {
            writeWholeFile(path, doc);
        }
    }
    for (int lines : propertyFileSizes()) {
        const std::string properties = makePropertiesFile(lines, nullptr);
        const std::string trace = makeTracePropertiesFile();
        makeDirectories(env.propertiesHome(lines) + "/config");
        writeWholeFile(env.propertiesHome(lines) + "/config/Orv.properties", properties);
        writeWholeFile(env.propertiesHome(lines) + "/config/OrvTrace.properties", trace);
        makeDirectories(env.plainDir(lines));
        writeWholeFile(env.plainDir(lines) + "/Orv.properties", properties);
        writeWholeFile(env.plainDir(lines) + "/OrvTrace.properties", trace);
    }

    useProperties(env, propertyFileSizes().front());
    env.schemaPath = OrvCfg::getConfigurationSchemaPath().narrow();
    if (fileSize(env.schemaPath) == 0) {
        throw std::runtime_error("the benchmark schema is not installed at " + env.schemaPath);
    }
    return env;
}

void useProperties(const BenchEnvironment& i_Env, int i_Lines)
{
    OrvCfg::cleanup();
    ::setenv("ORV_LOCALDIR", i_Env.propertiesHome(i_Lines).c_str(), 1);
    OrvCfg::initialize(i_Env.programPath.c_str());
    if (OrvCfg::getError() != ORVCFG_OK) {
        throw std::runtime_error("Orv.properties of " + i_Env.propertiesHome(i_Lines) + " did not load: "
                                 + std::to_string(OrvCfg::getError()));
    }
}

} // namespace orvbench
