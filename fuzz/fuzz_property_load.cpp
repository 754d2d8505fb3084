// The property file loader: arbitrary bytes as Orv.properties, loaded by the configuration
// service at start-up. Every key that the file defines must read back with the value of
// its last line, and every line must survive the round trip through String unchanged.
#include "FuzzSupport.h"
#include "OrvCfg.h"
#include "TestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

struct Expected {
    int error = ORVCFG_OK;
    int propertyCount = 0;
    std::map<String, String> values;
};

Expected expectedLoad(const std::string& bytes)
{
    Expected expected;
    std::vector<std::string> pieces = orvfuzz::propertyPieces(bytes);
    if (pieces.empty() || !String(pieces[0].data(), pieces[0].size()).startsWith(String("ORV_PROPERTIES_FILE"), 0)) {
        expected.error = ORVCFG_BAD_PROPERTIES_FILE;
        return expected;
    }
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        String line(pieces[i].data(), pieces[i].size());
        if (line.charAt(0) == u'#')
            continue;
        int equals = line.indexOf(static_cast<unsigned short>(u'='), 0);
        if (equals <= 0)
            continue;
        String key = line.substring(0, equals - 1);
        String value = line.substring(equals + 1);
        key.trim();
        value.trim();
        expected.values[key] = value;
        ++expected.propertyCount;
    }
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Any line, valid UTF-8 or not, comes back byte for byte from its 16-bit form.
    for (const std::string& piece : orvfuzz::propertyPieces(bytes)) {
        String text(piece.data(), piece.size());
        orvfuzz::check(orvfuzz::bytesOf(text) == piece, "narrow round trip", orvfuzz::quoted(piece));
        String copy(text.getBuffer(), static_cast<std::size_t>(text.length()));
        orvfuzz::check(copy == text, "16-bit copy");
    }

    orvtest::writeFile(orvfuzz::scratchConfig().configPath + "Orv.properties", bytes);
    OrvCfg::initialize("fuzz_property_load");
    const Expected expected = expectedLoad(bytes);

    orvfuzz::check(OrvCfg::getError() == expected.error, "load result",
                   std::to_string(OrvCfg::getError()) + " instead of " + std::to_string(expected.error));
    for (const auto& [key, value] : expected.values) {
        String got = OrvCfg::getKey(key);
        orvfuzz::check(OrvCfg::getError() == ORVCFG_OK, "stored key not found", orvfuzz::quoted(orvfuzz::bytesOf(key)));
        orvfuzz::check(got == value, "stored value",
                       orvfuzz::quoted(orvfuzz::bytesOf(key)) + " -> " + orvfuzz::quoted(orvfuzz::bytesOf(got)) +
                           " instead of " + orvfuzz::quoted(orvfuzz::bytesOf(value)));
    }
    // A key that no line defines falls back to the default.
    const unsigned short fallback[] = {u'd', 0};
    String absent = OrvCfg::getKey(String("\x01" "absent"), fallback);
    if (expected.values.count(String("\x01" "absent")) == 0) {
        orvfuzz::check(OrvCfg::getError() == ORVCFG_KEY_NOT_FOUND, "absent key result");
        orvfuzz::check(absent == String("d"), "absent key fallback");
    }
    OrvCfg::cleanup();
    return 0;
}
