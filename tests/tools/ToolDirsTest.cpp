// orvcfg dirs: the installation found from the program's own place.
#include "JsonReader.h"
#include "TempInstallation.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace orvtest;

namespace {

TEST(ToolDirs, ReportsTheInstallationAroundTheProgram)
{
    TempInstallation install;
    const std::string root = install.root();
    RunResult r = install.run({"dirs"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "installation:      " + root + "\n"
                     "configuration:     " + root + "/config/\n"
                     "bin:               " + root + "/bin\n"
                     "install:           " + root + "/install\n"
                     "plug-ins:          " + root + "/bin/plugins\n"
                     "custom scanners:   " + root + "/bin/customscanners\n"
                     "schema:            " + root + "/bin/orvcli.xsd\n"
                     "installation type: local\n"
                     "properties:        " + root + "/config/Orv.properties (loaded)\n");
}

TEST(ToolDirs, JsonReadsBackAndFollowsOrvLocaldirForTheConfigurationOnly)
{
    TempInstallation install;
    TempDir local;
    const std::string root = install.root();
    Json json = parseJson(install.run({"dirs", "--json"}, {{"ORV_LOCALDIR", local.path()}}).out);
    EXPECT_EQ(json["installation"].text, root);
    EXPECT_EQ(json["configuration"].text, local.path() + "/config/");
    EXPECT_EQ(json["bin"].text, root + "/bin");
    EXPECT_EQ(json["install"].text, root + "/install");
    EXPECT_EQ(json["plugins"].text, root + "/bin/plugins");
    EXPECT_EQ(json["customScanners"].text, root + "/bin/customscanners");
    EXPECT_EQ(json["schema"].text, root + "/bin/orvcli.xsd");
    EXPECT_EQ(json["installationType"].text, "local");
    EXPECT_EQ(json["installationTypeCode"].number, 2);
    EXPECT_EQ(json["properties"]["path"].text, local.path() + "/config/Orv.properties");
    EXPECT_EQ(json["properties"]["status"].number, 18);
}

TEST(ToolDirs, InstallationTypeComesFromOrvInstallProperties)
{
    struct Case {
        const char* content; // null: no file
        const char* type;
        long code;
    };
    const Case cases[] = {
        {"ORV_InstallType=local\n", "local", 2},
        {"ORV_InstallType = global\n", "global", 3},
        {"ORV_InstallType=global\nORV_InstallType=other\n", "global", 3},
        {"#ORV_InstallType=local\n", "undetermined", 1},
        {"ORV_InstallType=Local\n", "undetermined", 1},
        {nullptr, "undetermined", 1},
    };
    TempInstallation install;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "(no file)");
        std::remove(install.path("install/orv_install.properties").c_str());
        if (c.content)
            install.write("install/orv_install.properties", c.content);
        Json json = parseJson(install.run({"dirs", "--json"}).out);
        EXPECT_EQ(json["installationType"].text, c.type);
        EXPECT_EQ(json["installationTypeCode"].number, c.code);
    }
}

TEST(ToolDirs, ProgramWithoutAnInstallationAroundItStillAnswersEveryCommand)
{
    TempInstallation bare(TempInstallation::ProgramOnly);
    const std::string props = bare.path("config/Orv.properties");

    RunResult dirs = bare.run({"dirs"});
    EXPECT_EQ(dirs.status, 0);
    EXPECT_NE(dirs.out.find("installation type: undetermined\n"), std::string::npos);
    EXPECT_NE(dirs.out.find(props + " (not loaded: 18: file cannot be opened)"), std::string::npos) << dirs.out;

    RunResult get = bare.run({"get", "trace_level"});
    EXPECT_EQ(get.status, 18);
    EXPECT_EQ(get.err, "orvcfg: 18: file cannot be opened: " + props + " does not exist or cannot be read\n");

    RunResult set = bare.run({"set", "trace_level", "MAX"});
    EXPECT_EQ(set.status, 18);
    EXPECT_FALSE(std::filesystem::exists(bare.path("config")));

    RunResult parse = bare.run({"parse"});
    EXPECT_EQ(parse.status, 1);
    ASSERT_EQ(parse.errLines().size(), 1u) << parse.err;
    EXPECT_NE(parse.err.find(bare.path("config/orvcli.xml")), std::string::npos) << parse.err;
}

} // namespace
