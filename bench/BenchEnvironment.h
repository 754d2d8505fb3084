#ifndef ORV_BENCH_BENCHENVIRONMENT_H
#define ORV_BENCH_BENCHENVIRONMENT_H

#include <string>
#include <vector>

namespace orvbench {

// The files every benchmark reads, laid out once before any benchmark runs:
//   <work>/<name>.xml             generated configuration documents
//   <work>/props-<n>/config/      Orv.properties with n lines and OrvTrace.properties,
//                                 the configuration directory of ORV_LOCALDIR=<work>/props-<n>
//   <work>/plain-<n>/             the same two files for the plain rewrite
// The schema is the installation's: the benchmark programs live in <inst>/bin, so the
// configuration service finds the benchmark schema at <inst>/bin/orvcli.xsd.
struct BenchEnvironment {
    std::string programPath;
    std::string workDir;
    std::string schemaPath;

    std::string document(const std::string& i_Name) const { return workDir + "/" + i_Name + ".xml"; }
    std::string propertiesHome(int i_Lines) const { return workDir + "/props-" + std::to_string(i_Lines); }
    std::string plainDir(int i_Lines) const { return workDir + "/plain-" + std::to_string(i_Lines); }
};

// The document names and their target sizes; "min" is the smallest valid document.
struct DocumentShape {
    const char* name;
    std::size_t bytes;
    bool escapeHeavy;
};
const std::vector<DocumentShape>& documentShapes();

// The property file sizes, in lines, of the load and rewrite benchmarks.
const std::vector<int>& propertyFileSizes();

// Writes every file above (documents only when missing or of another size) and points
// the configuration service at the installation. Throws when something is not in place.
BenchEnvironment prepareEnvironment(const char* i_ProgramPath, const std::string& i_WorkDir);

// Points ORV_LOCALDIR at the configuration of the n-line property file and (re)creates the
// instance of the configuration service over it.
void useProperties(const BenchEnvironment& i_Env, int i_Lines);

std::size_t fileSize(const std::string& i_Path);

} // namespace orvbench

#endif
