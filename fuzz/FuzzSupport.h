#ifndef ORV_FUZZ_FUZZSUPPORT_H
#define ORV_FUZZ_FUZZSUPPORT_H

#include "String.h"
#include "TestSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Helpers shared by the fuzz targets: the reference models that the targets compare the
// library against, and the way a target reports a disagreement.
namespace orvfuzz {

// Stops the run with a message, so that libFuzzer records the input as a crash. A wrong
// answer is as much a finding as a sanitizer report.
[[noreturn]] void fail(const char* what, const std::string& detail = std::string());

inline void check(bool condition, const char* what, const std::string& detail = std::string())
{
    if (!condition)
        fail(what, detail);
}

// The pieces in which a property file is read: at most 259 bytes each, a piece ends after
// its first line feed.
std::vector<std::string> propertyPieces(const std::string& bytes);

// The narrow bytes of a String, NUL bytes included.
std::string bytesOf(const String& text);

// A configuration directory of the run's own: a temporary directory with config/ below it,
// which ORV_LOCALDIR points at for the whole run. Made on first use, removed at exit.
struct ScratchConfig {
    ScratchConfig();
    orvtest::TempDir root;
    orvtest::ScopedEnv localDir;
    std::string configPath; // root + "/config/"
};
ScratchConfig& scratchConfig();

// For the targets that read documents: every read initialises and terminates the XML
// library; holding one initialisation for the whole run makes those nested and cheap, so
// the library's start-up cost stays out of every execution. Also silences the trace, which
// would drown a run in parser messages. Call once, from LLVMFuzzerInitialize.
void holdXmlLibraryForTheRun();

// A printable form of bytes for failure messages.
std::string quoted(const std::string& bytes);

} // namespace orvfuzz

#endif
