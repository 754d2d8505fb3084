#include "../common/xmlproxy/XmlZipTestArchive.h"

#include "InputStream.h"
#include "TestSupport.h"
#include "ZipEntry.h"
#include "ZipFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string readAll(InputStream& in)
{
    std::string out;
    char buffer[7]; // small on purpose: many reads
    long long n;
    while ((n = in.read(buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    return out;
}

TEST(ZipFileTest, EntryStreamOutlivesTheArchiveObject)
{
    orvtest::TempDir dir;
    std::string path = dir.file("doc.zip");
    std::string content(10000, 'x');
    content += "<end/>";
    ASSERT_TRUE(orvtest::makeZip(path, {{"orvcli.xml", content}}));

    EXPECT_EQ(ZipFile::isValid(String(path.c_str())), 0);
    std::unique_ptr<InputStream> stream;
    {
        ZipFile zip(String(path.c_str()));
        ASSERT_TRUE(zip.isOpen());
        EXPECT_EQ(zip.getEntryCount(), 1);
        std::unique_ptr<ZipEntry> entry(zip.getEntry(0));
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->getName().narrow(), "orvcli.xml");
        EXPECT_EQ(entry->getSize(), static_cast<long long>(content.size()));
        EXPECT_EQ(zip.getEntry(1), nullptr);
        stream.reset(zip.getEntryStream(entry.get()));
        ASSERT_NE(stream, nullptr);
    }
    EXPECT_EQ(readAll(*stream), content);
    stream->close();
    EXPECT_EQ(stream->read(nullptr, 0), 0);
}

} // namespace
