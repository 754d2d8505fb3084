#ifndef ORV_TESTS_XMLZIPTESTARCHIVE_H
#define ORV_TESTS_XMLZIPTESTARCHIVE_H

#include "TestSupport.h"

#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace orvtest {

// How makeZip stores its entries.
enum class ZipEntries { Deflated, Stored, Encrypted };

// Builds a zip archive at `archive` holding the entries in the given order (name, bytes);
// encrypted ones with the traditional scheme and the password "secret". False when that failed.
inline bool makeZip(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& entries,
                    ZipEntries how = ZipEntries::Deflated)
{
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    bool added = zip != nullptr;
    for (std::size_t i = 0; added && i < entries.size(); ++i) {
        zip_source_t* source = zip_source_buffer(zip, entries[i].second.data(), entries[i].second.size(), 0);
        const zip_int64_t index = source ? zip_file_add(zip, entries[i].first.c_str(), source, ZIP_FL_OVERWRITE) : -1;
        if (index < 0)
            zip_source_free(source);
        const auto at = static_cast<zip_uint64_t>(index);
        added = index >= 0 && (how != ZipEntries::Stored || zip_set_file_compression(zip, at, ZIP_CM_STORE, 0) == 0) &&
                (how != ZipEntries::Encrypted || zip_file_set_encryption(zip, at, ZIP_EM_TRAD_PKWARE, "secret") == 0);
    }
    if (zip != nullptr && !added)
        zip_discard(zip);
    return added && zip_close(zip) == 0;
}

// A zip archive without entries: only its end-of-central-directory record.
inline void makeEmptyZip(const std::string& archive)
{
    writeFile(archive, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

// A one-entry archive whose entry claims the given compression method; its bytes are stored.
inline bool makeZipClaimingMethod(const std::string& archive, const std::string& bytes, unsigned char method)
{
    if (!makeZip(archive, {{"doc.xml", bytes}}, ZipEntries::Stored))
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
