// Setting a key through the configuration service over an arbitrary Orv.properties.
// Input: one selector byte (a key that setKey knows, or the key given in the input), the
// value up to a NUL byte, the key up to a NUL byte, then the bytes of Orv.properties.
// Whatever the input, the result is one of the service's codes; a refused change leaves
// the file byte for byte as it was; an accepted one rewrites exactly the lines that carry
// the key, and the store answers with the value the caller's string now holds.
#include "FuzzSupport.h"
#include "OrvCfg.h"
#include "TestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

// The keys with rules or side effects of their own, in the order setKey tests them.
const char* const KNOWN_KEYS[] = {
    "trace_file", "trace_level", "trace_comp", "trace_file_num", "trace_file_size", "fscanner.provider",
    "swscanner.default_input_file", "swscanner.default_config_file", "hwscanner.timeout", "fscanner.home",
    "version", "config_dir", "swscanner.xss_schema_location", "trace_file_path", "hwscanner.config_file",
    "common_trace_path", "fscanner.provider_cache.home", "fscanner.provider_remote_cache.home",
};
const std::size_t KNOWN_KEY_COUNT = sizeof KNOWN_KEYS / sizeof KNOWN_KEYS[0];
const unsigned SELECTOR_RANGE = 32; // selectors at or above KNOWN_KEY_COUNT take the input's key

const char TRACE_PROPERTIES[] = "#ORV_TRACE_PROPERTIES_FILE\n"
                                "hw.loggers.trcLogger.level=DEBUG_MIN\n"
                                "vpd.loggers.trcLogger.level=DEBUG_MIN\n"
                                "fscanner.loggers.trcLogger.level=DEBUG_MIN\n"
                                "common.loggers.trcLogger.level=DEBUG_MIN\n"
                                "plugin.loggers.trcLogger.level=DEBUG_MIN\n"
                                "sigeval.loggers.trcLogger.level=DEBUG_MIN\n"
                                "handlers.traceFile.fileName=/var/log/orv/trace.log\n"
                                "handlers.traceFile.maxFiles=3\n"
                                "handlers.traceFile.maxFileSize=1000\n"
                                "#handlers.traceFile.filePermission=0600\n"
                                "#handlers.traceFile.dirPermission=0700\n";

// Orv.properties after writing `value` under `key`: every piece whose trimmed text before
// its first "=" equals the key becomes key=value with the piece's line end (CRLF stays
// CRLF); every other piece is copied.
std::string expectedRewrite(const std::string& file, const String& key, const String& value, bool& o_Found)
{
    o_Found = false;
    std::string out;
    for (const std::string& piece : orvfuzz::propertyPieces(file)) {
        String line(piece.data(), piece.size());
        int equals = line.indexOf(static_cast<unsigned short>(u'='), 0);
        if (equals > 0) {
            String lineKey = line.substring(0, equals - 1);
            lineKey.trim();
            if (lineKey.compareTo(key, 0) == 0) {
                const bool crlf = piece.size() >= 2 && piece.compare(piece.size() - 2, 2, "\r\n") == 0;
                out += orvfuzz::bytesOf(key) + "=" + orvfuzz::bytesOf(value) + (crlf ? "\r\n" : "\n");
                o_Found = true;
                continue;
            }
        }
        out += piece;
    }
    return out;
}

std::string takeUntilNul(const std::string& bytes, std::size_t& io_Pos)
{
    std::size_t end = bytes.find('\0', io_Pos);
    if (end == std::string::npos)
        end = bytes.size();
    std::string field = bytes.substr(io_Pos, end - io_Pos);
    io_Pos = end < bytes.size() ? end + 1 : end;
    return field;
}

} // namespace

// Cache homes named by the input are made under the run's own directory, so that the
// directory probes stay inside it.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    orvtest::makeDirs(orvfuzz::scratchConfig().root.path() + "/homes");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const unsigned selector = static_cast<unsigned char>(input[0]) % SELECTOR_RANGE;
    std::size_t pos = 1;
    std::string valueBytes = takeUntilNul(input, pos);
    const std::string givenKey = takeUntilNul(input, pos);
    const std::string file = input.substr(pos);

    const bool knownKey = selector < KNOWN_KEY_COUNT;
    const std::string keyBytes = knownKey ? KNOWN_KEYS[selector] : givenKey;
    // Cache homes must exist and be writable; keep every probe inside the scratch directory.
    if (keyBytes == "fscanner.provider_cache.home" || keyBytes == "fscanner.provider_remote_cache.home")
        valueBytes = orvfuzz::scratchConfig().root.path() + "/homes/" + valueBytes;

    const std::string propertiesPath = orvfuzz::scratchConfig().configPath + "Orv.properties";
    orvtest::writeFile(propertiesPath, file);
    orvtest::writeFile(orvfuzz::scratchConfig().configPath + "OrvTrace.properties", TRACE_PROPERTIES);
    OrvCfg::initialize("fuzz_rewrite");

    const String key(keyBytes.data(), keyBytes.size());
    String value(valueBytes.data(), valueBytes.size());
    const int result = OrvCfg::setKey(key, value);

    static const std::set<int> possible = {ORVCFG_OK, ORVCFG_DIR_NOT_WRITABLE, ORVCFG_KEY_NOT_FOUND,
                                           ORVCFG_VALUE_REJECTED, ORVCFG_KEY_READ_ONLY,
                                           ORVCFG_BAD_PROPERTIES_FILE, ORVCFG_BAD_TRACE_FILE,
                                           ORVCFG_DIR_MISSING};
    orvfuzz::check(possible.count(result) == 1, "unexpected setKey result", std::to_string(result));

    const std::string after = orvtest::readFile(propertiesPath);
    const bool writesOnce = keyBytes != "common_trace_path" && keyBytes != "fscanner.provider";
    if (result != ORVCFG_OK && (writesOnce || result == ORVCFG_VALUE_REJECTED))
        orvfuzz::check(after == file, "refused change altered Orv.properties",
                       std::to_string(result) + ": " + orvfuzz::quoted(after));

    if ((result == ORVCFG_OK || result == ORVCFG_KEY_NOT_FOUND) && writesOnce) {
        bool found = false;
        const std::string expected = expectedRewrite(file, key, value, found);
        orvfuzz::check(after == expected, "rewritten Orv.properties",
                       "got " + orvfuzz::quoted(after) + "\nwanted " + orvfuzz::quoted(expected));
        orvfuzz::check(found == (result == ORVCFG_OK), "found-key result", std::to_string(result));
        String stored = OrvCfg::getKey(key);
        orvfuzz::check(OrvCfg::getError() == ORVCFG_OK && stored == value, "store after setKey",
                       orvfuzz::quoted(orvfuzz::bytesOf(stored)));
    }
    OrvCfg::cleanup();
    return 0;
}
