#ifndef ORV_TESTS_XMLZIPTESTARCHIVE_H
#define ORV_TESTS_XMLZIPTESTARCHIVE_H

#include "TestSupport.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace orvtest {

// Builds a zip archive at `archive` holding the entries in the given order (name, bytes),
// with the zip command; false when that failed.
inline bool makeZip(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& entries)
{
    TempDir staging;
    std::string command = "cd '" + staging.path() + "' && zip -q '" + archive + "'";
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

} // namespace orvtest

#endif
