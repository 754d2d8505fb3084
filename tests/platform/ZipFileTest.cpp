#include "../common/xmlproxy/XmlZipTestArchive.h"

#include "InputStream.h"
#include "TestSupport.h"
#include "ZipEntry.h"
#include "ZipFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ZipFileTest, EntryStreamOutlivesTheArchiveObject)
{
    orvtest::TempDir dir;
    const std::string path = dir.file("doc.zip"), content = std::string(10000, 'x') + "<end/>";
    ASSERT_TRUE(orvtest::makeZip(path, {{"orvcli.xml", content}}));
    std::unique_ptr<InputStream> stream;
    {
        ZipFile zip{String(path.c_str())};
        std::unique_ptr<ZipEntry> entry(zip.getEntry(0));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->getSize(), static_cast<long long>(content.size()));
        EXPECT_EQ(zip.getEntry(1), nullptr);
        stream.reset(zip.getEntryStream(entry.get()));
        ASSERT_NE(stream, nullptr);
    }
    std::string read;
    char buffer[7]; // small on purpose: many reads
    for (long long n; (n = stream->read(buffer, sizeof buffer)) > 0;)
        read.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(read, content);
}

} // namespace
