#ifndef ORV_TESTS_XMLZIPTESTARCHIVE_H
#define ORV_TESTS_XMLZIPTESTARCHIVE_H

#include "TestSupport.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace orvtest {

// Builds a zip archive at `archive` holding the entries in the given order (name, bytes),
// with the zip command and its options; false when that failed.
inline bool makeZip(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& entries,
                    const std::string& options = "")
{
    TempDir staging;
    std::string command = "cd '" + staging.path() + "' && zip -q " + options + " '" + archive + "'";
    for (const auto& entry : entries) {
        writeFile(staging.file(entry.first), entry.second);
        command += " '" + entry.first + "'";
    }
    return std::system(command.c_str()) == 0;
}

// A zip archive without entries: only its end-of-central-directory record.
inline void makeEmptyZip(const std::string& archive)
{
    writeFile(archive, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

// A one-entry archive whose entry claims the given compression method; its bytes are stored.
inline bool makeZipClaimingMethod(const std::string& archive, const std::string& bytes, unsigned char method)
{
    if (!makeZip(archive, {{"doc.xml", bytes}}, "-0"))
        return false;
    std::string zip = readFile(archive);
    const std::size_t central = zip.find(std::string("PK\x01\x02", 4));
    if (zip.compare(0, 4, std::string("PK\x03\x04", 4)) != 0 || central == std::string::npos)
        return false;
    zip[8] = static_cast<char>(method); // the local header's method
    zip[central + 10] = static_cast<char>(method); // the central directory's
    writeFile(archive, zip);
    return true;
}

} // namespace orvtest

#endif
