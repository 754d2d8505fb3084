#include "ZipFile.h"

#include "InputStream.h"
#include "ZipEntry.h"

#include <zip.h>

// The open archive. Entry streams hold a share of it, so the archive is closed only when
// the ZipFile and every stream made from it are gone.
struct ZipArchiveHandle {
    explicit ZipArchiveHandle(zip_t* archive) : archive(archive) {}
    ~ZipArchiveHandle() { zip_discard(archive); }
    ZipArchiveHandle(const ZipArchiveHandle&) = delete;
    ZipArchiveHandle& operator=(const ZipArchiveHandle&) = delete;

    zip_t* archive;
};

namespace {

class ZipEntryStream : public InputStream {
public:
    ZipEntryStream(std::shared_ptr<ZipArchiveHandle> archive, zip_file_t* file)
        : m_Archive(std::move(archive)), m_File(file)
    {
    }
    ~ZipEntryStream() override { close(); }

    long long read(void* buffer, long long count) override
    {
        if (m_File == nullptr || count <= 0)
            return 0;
        zip_int64_t n = zip_fread(m_File, buffer, static_cast<zip_uint64_t>(count));
        return n < 0 ? -1 : static_cast<long long>(n);
    }

    void close() override
    {
        if (m_File != nullptr) {
            zip_fclose(m_File);
            m_File = nullptr;
        }
    }

private:
    std::shared_ptr<ZipArchiveHandle> m_Archive;
    zip_file_t* m_File;
};

zip_t* openArchive(const String& path)
{
    int error = 0;
    return zip_open(path, ZIP_RDONLY, &error);
}

} // namespace

ZipFile::ZipFile(const String& path)
{
    if (zip_t* archive = openArchive(path))
        m_Archive = std::make_shared<ZipArchiveHandle>(archive);
}

ZipFile::~ZipFile() = default;

int ZipFile::isValid(const String& path)
{
    zip_t* archive = openArchive(path);
    if (archive == nullptr)
        return 1;
    zip_discard(archive);
    return 0;
}

long long ZipFile::getEntryCount() const
{
    if (!m_Archive)
        return 0;
    return static_cast<long long>(zip_get_num_entries(m_Archive->archive, 0));
}

ZipEntry* ZipFile::getEntry(long long index) const
{
    if (!m_Archive || index < 0 || index >= getEntryCount())
        return nullptr;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_Archive->archive, static_cast<zip_uint64_t>(index), 0, &st) != 0)
        return nullptr;
    String name((st.valid & ZIP_STAT_NAME) && st.name != nullptr ? st.name : "");
    long long size = (st.valid & ZIP_STAT_SIZE) ? static_cast<long long>(st.size) : -1;
    return new ZipEntry(index, name, size);
}

InputStream* ZipFile::getEntryStream(const ZipEntry* entry) const
{
    if (!m_Archive || entry == nullptr)
        return nullptr;
    zip_file_t* file = zip_fopen_index(m_Archive->archive, static_cast<zip_uint64_t>(entry->getIndex()), 0);
    if (file == nullptr)
        return nullptr;
    return new ZipEntryStream(m_Archive, file);
}

ZipFile::EntryProblem ZipFile::getEntryProblem(const ZipEntry* entry) const
{
    if (!m_Archive || entry == nullptr)
        return ENTRY_UNREADABLE;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_Archive->archive, static_cast<zip_uint64_t>(entry->getIndex()), 0, &st) != 0)
        return ENTRY_UNREADABLE;
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        return ENTRY_ENCRYPTED;
    if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0))
        return ENTRY_METHOD_UNSUPPORTED;
    return ENTRY_READABLE;
}
