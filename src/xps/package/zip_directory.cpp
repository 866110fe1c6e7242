// Reading and checking a package's ZIP container.
#include "xps/package/zip_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <numeric>

#include "platform/linux/statuses.h"
#include "xps/byte_order.h"
#include "xps/document_failure.h"


std::size_t ReadZipBytesUpTo(int fd, std::uint64_t offset, void* data, std::size_t size)
{
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t read = pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            ThrowDocument(HRESULT_FROM_WIN32(ERROR_READ_FAULT));
        if (read == 0)
            break;
        done += static_cast<std::size_t>(read);
    }
    return done;
}

void ReadZipBytes(int fd, std::uint64_t offset, void* data, std::size_t size)
{
    if (ReadZipBytesUpTo(fd, offset, data, size) != size)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
}

bool WithinBounds(std::uint64_t size, std::uint64_t compressedSize)
{
    return size <= kMaxPartSize &&
           (size <= kRatioCheckedSize || size / std::max<std::uint64_t>(compressedSize, 1) <= kMaxCompressionRatio);
}

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034B50;
constexpr std::uint32_t kDirectoryHeader = 0x02014B50;
constexpr std::uint32_t kEndOfDirectory = 0x06054B50;
constexpr std::uint32_t kZip64EndOfDirectory = 0x06064B50;
constexpr std::uint32_t kZip64Locator = 0x07064B50;
constexpr std::uint32_t kDataDescriptor = 0x08074B50;
constexpr std::uint16_t kZip64Extra = 0x0001;

constexpr std::size_t kEndOfDirectorySize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kDirectoryHeaderSize = 46;

constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kHasDataDescriptor = 0x0008;
constexpr std::uint16_t kStrongEncryption = 0x0040;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;


// Widens the 32-bit fields that hold 0xFFFFFFFF from a Zip64 extra field, which lists them in this order.
bool ApplyZip64(const unsigned char* extra, std::size_t extraSize, std::uint64_t* fields[], std::size_t count)
{
    for (std::size_t at = 0; at + 4 <= extraSize;) {
        const std::uint32_t id = Little16(extra + at);
        const std::size_t size = Little16(extra + at + 2);
        if (at + 4 + size > extraSize)
            return false;
        if (id == kZip64Extra) {
            std::size_t read = 0;
            for (std::size_t i = 0; i < count; ++i) {
                if (*fields[i] != 0xFFFFFFFF)
                    continue;
                if (read + 8 > size)
                    return false;
                *fields[i] = Little64(extra + at + 4 + read);
                read += 8;
            }
            return true;
        }
        at += 4 + size;
    }
    return std::none_of(fields, fields + count, [](const std::uint64_t* field) { return *field == 0xFFFFFFFF; });
}

// Where the end-of-directory record starts in the file's tail: the last thing in the file, followed only by
// its own comment.
std::size_t FindEndRecord(const std::vector<unsigned char>& tail)
{
    for (std::size_t end = tail.size() - kEndOfDirectorySize + 1; end-- > 0;) {
        if (Little32(&tail[end]) == kEndOfDirectory && end + kEndOfDirectorySize + Little16(&tail[end + 20]) == tail.size())
            return end;
    }
    return std::string::npos;
}

// The layouts a data descriptor comes in: with or without its signature, with 4- or 8-byte sizes. .NET
// writes 8-byte sizes even where the local header has no Zip64 field, so only the sizes that match the
// directory, and where the next entry starts, tell them apart.
std::size_t ReadDescriptor(int fd, const ZipEntry& entry, std::uint64_t at, std::uint64_t next)
{
    unsigned char descriptor[24];
    const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof descriptor, next - std::min(next, at)));
    ReadZipBytes(fd, at, descriptor, available);
    std::size_t size = 0;
    for (const bool signed_ : {true, false}) {
        for (const bool wide : {true, false}) {
            const std::size_t length = (signed_ ? 4 : 0) + (wide ? 20 : 12);
            if (length > available || (signed_ && Little32(descriptor) != kDataDescriptor))
                continue;
            const unsigned char* fields = descriptor + (signed_ ? 4 : 0);
            const std::uint64_t compressed = wide ? Little64(fields + 4) : Little32(fields + 4);
            const std::uint64_t uncompressed = wide ? Little64(fields + 12) : Little32(fields + 8);
            if (Little32(fields) != entry.crc || compressed != entry.compressedSize || uncompressed != entry.size)
                continue;
            // One that ends where the next entry starts wins; otherwise the first that matches, and what
            // follows it is data between parts.
            if (size == 0 || at + length == next)
                size = length;
        }
    }
    if (size == 0)
        ThrowDocument(OPC_E_ZIP_MISSING_DATA_DESCRIPTOR);
    return size;
}

// What the end-of-directory record says of the directory, and where the record starts.
struct EndRecord {
    std::uint64_t offset;
    std::uint64_t disk;
    std::uint64_t directoryDisk;
    std::uint64_t entriesOnDisk;
    std::uint64_t count;
    std::uint64_t directorySize;
    std::uint64_t directoryOffset;
};

// Replaces what a record too small for the directory holds with its Zip64 record's, found through the
// locator just before it.
void ReadZip64Record(int fd, EndRecord& found)
{
    unsigned char locator[20];
    unsigned char record64[56];
    if (found.offset < sizeof locator)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
    ReadZipBytes(fd, found.offset - sizeof locator, locator, sizeof locator);
    if (Little32(locator) != kZip64Locator)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
    const std::uint64_t offset = Little64(locator + 8);
    ReadZipBytes(fd, offset, record64, sizeof record64);
    if (Little32(record64) != kZip64EndOfDirectory)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
    found = {offset, Little32(record64 + 16), Little32(record64 + 20), Little64(record64 + 24), Little64(record64 + 32),
             Little64(record64 + 40), Little64(record64 + 48)};
}

// The central directory read a window at a time: a directory of a million entries is never held whole
// beside the entries made of it.
class DirectoryWindow {
public:
    DirectoryWindow(int fd, std::uint64_t offset, std::uint64_t size) : m_fd(fd), m_offset(offset), m_unread(size) {}

    // What is left of the directory past the bytes taken.
    std::uint64_t Left() const { return m_buffer.size() - m_start + m_unread; }
    // Makes the next size bytes, no more than Left(), readable at Bytes().
    void Want(std::size_t size)
    {
        if (m_buffer.size() - m_start >= size)
            return;
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
        const std::size_t held = m_buffer.size();
        const auto read = static_cast<std::size_t>(std::min<std::uint64_t>(m_unread, std::max(size, kZipChunkSize) - held));
        m_buffer.resize(held + read);
        ReadZipBytes(m_fd, m_offset, m_buffer.data() + held, read);
        m_offset += read;
        m_unread -= read;
    }
    const unsigned char* Bytes() const { return m_buffer.data() + m_start; }
    void Take(std::size_t size) { m_start += size; }

private:
    int m_fd;
    std::uint64_t m_offset;
    std::uint64_t m_unread;
    std::vector<unsigned char> m_buffer;
    std::size_t m_start = 0;
};

}  // namespace


void ZipDirectory::Read(int fd)
{
    m_entries.clear();
    m_parts.clear();
    struct stat info;
    if (fstat(fd, &info) != 0)
        ThrowDocument(HRESULT_FROM_WIN32(ERROR_READ_FAULT));
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    if (fileSize < kEndOfDirectorySize)
        ThrowDocument(OPC_E_ZIP_MISSING_END_OF_CENTRAL_DIRECTORY);

    const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndOfDirectorySize + kMaxCommentSize));
    std::vector<unsigned char> tail(tailSize);
    ReadZipBytes(fd, fileSize - tailSize, tail.data(), tailSize);
    const std::size_t end = FindEndRecord(tail);
    if (end == std::string::npos)
        ThrowDocument(OPC_E_ZIP_MISSING_END_OF_CENTRAL_DIRECTORY);

    const unsigned char* record = &tail[end];
    EndRecord found{fileSize - tailSize + end, Little16(record + 4), Little16(record + 6), Little16(record + 8),
                    Little16(record + 10), Little32(record + 12), Little32(record + 16)};
    if (found.count == 0xFFFF || found.directorySize == 0xFFFFFFFF || found.directoryOffset == 0xFFFFFFFF)
        ReadZip64Record(fd, found);
    const auto [endOffset, disk, directoryDisk, entriesOnDisk, count, directorySize, directoryOffset] = found;
    if (disk != 0 || directoryDisk != 0 || entriesOnDisk != count)
        ThrowDocument(OPC_E_ZIP_UNSUPPORTEDARCHIVE);
    if (count > kMaxEntries || directorySize > kMaxDirectorySize)
        ThrowDocument(OPC_E_ZIP_CENTRAL_DIRECTORY_TOO_LARGE);
    if (directoryOffset > endOffset || endOffset - directoryOffset != directorySize)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);

    ReadEntries(fd, directoryOffset, directorySize, count);
    CheckLocalHeaders(fd, directoryOffset);
    JoinPieces();
}

void ZipDirectory::ReadEntries(int fd, std::uint64_t directoryOffset, std::uint64_t directorySize, std::uint64_t count)
{
    DirectoryWindow directory(fd, directoryOffset, directorySize);
    m_entries.reserve(static_cast<std::size_t>(count));
    // The names fill no more than what the records leave of the directory.
    m_names.reserve(static_cast<std::size_t>(directorySize - std::min(directorySize, count * kDirectoryHeaderSize)));
    for (std::uint64_t i = 0; i < count; ++i) {
        if (directory.Left() < kDirectoryHeaderSize)
            RefuseEntries(OPC_E_ZIP_INCONSISTENT_DIRECTORY);
        directory.Want(kDirectoryHeaderSize);
        const unsigned char* header = directory.Bytes();
        const std::size_t recordSize =
            kDirectoryHeaderSize + Little16(header + 28) + Little16(header + 30) + Little16(header + 32);
        if (Little32(header) != kDirectoryHeader || directory.Left() < recordSize)
            RefuseEntries(OPC_E_ZIP_INCONSISTENT_DIRECTORY);
        directory.Want(recordSize);
        AddEntry(directory.Bytes());
        directory.Take(recordSize);
    }
    if (HasRepeatedName())
        ThrowDocument(OPC_E_ZIP_DUPLICATE_NAME);
    if (directory.Left() != 0)
        ThrowDocument(OPC_E_ZIP_INCONSISTENT_DIRECTORY);
}

// Adds the entry of a whole directory record, or refuses it. One refused only for its declared size is
// added first, its name still to be compared with the others'.
void ZipDirectory::AddEntry(const unsigned char* header)
{
    const std::size_t nameSize = Little16(header + 28);
    const std::size_t extraSize = Little16(header + 30);
    const std::uint32_t flags = Little16(header + 8);
    const std::uint32_t method = Little16(header + 10);
    std::uint64_t compressedSize = Little32(header + 20);
    std::uint64_t size = Little32(header + 24);
    std::uint64_t headerOffset = Little32(header + 42);
    std::uint64_t* wide[] = {&size, &compressedSize, &headerOffset};
    if (!ApplyZip64(header + kDirectoryHeaderSize + nameSize, extraSize, wide, 3))
        RefuseEntries(OPC_E_ZIP_INCONSISTENT_DIRECTORY);
    const std::uint64_t disk = Little16(header + 34);
    if (disk != 0 && disk != 0xFFFF)
        RefuseEntries(OPC_E_ZIP_UNSUPPORTEDARCHIVE);
    if ((flags & (kEncrypted | kStrongEncryption)) != 0 || (method != kStored && method != kDeflated))
        RefuseEntries(OPC_E_ZIP_UNSUPPORTEDARCHIVE);
    const std::string_view name(reinterpret_cast<const char*>(header + kDirectoryHeaderSize), nameSize);
    // A name with a NUL in it, raw or escaped, would reach C readers as a shorter name, possibly another
    // part's.
    if (name.empty() || name.find('\0') != std::string_view::npos || name.find("%00") != std::string_view::npos)
        RefuseEntries(OPC_E_NONCONFORMING_URI);

    ZipEntry entry;
    entry.offset = headerOffset;
    entry.compressedSize = compressedSize;
    entry.size = static_cast<std::uint32_t>(size);
    entry.crc = Little32(header + 16);
    entry.nameOffset = static_cast<std::uint32_t>(m_names.size());
    entry.nameSize = static_cast<std::uint16_t>(nameSize);
    entry.deflated = method == kDeflated;
    entry.described = (flags & kHasDataDescriptor) != 0;
    m_names.append(name);
    m_entries.push_back(entry);
    if (!WithinBounds(size, compressedSize))
        RefuseEntries(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    if (method == kStored && size != compressedSize)
        RefuseEntries(OPC_E_ZIP_INCONSISTENT_DIRECTORY);
}

void ZipDirectory::RefuseEntries(HRESULT status) const
{
    ThrowDocument(HasRepeatedName() ? OPC_E_ZIP_DUPLICATE_NAME : status);
}

bool ZipDirectory::HasRepeatedName() const
{
    std::vector<std::uint32_t> byName(m_entries.size());
    std::iota(byName.begin(), byName.end(), 0);
    const auto compare = [this](std::uint32_t a, std::uint32_t b) { return CompareFolded(Name(m_entries[a]), Name(m_entries[b])); };
    std::sort(byName.begin(), byName.end(), [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) < 0; });
    return std::adjacent_find(byName.begin(), byName.end(), [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) == 0; }) !=
           byName.end();
}

// A reader that walks the file from its start (libarchive's, for one) finds entries by their local
// headers and skips what lies between them; entries packed back to back from the first byte to the
// central directory, each agreeing with its directory record, leave it nothing else to find.
void ZipDirectory::CheckLocalHeaders(int fd, std::uint64_t directoryOffset)
{
    std::vector<ZipEntry*> byOffset;
    byOffset.reserve(m_entries.size());
    for (ZipEntry& entry : m_entries)
        byOffset.push_back(&entry);
    std::sort(byOffset.begin(), byOffset.end(),
              [](const ZipEntry* a, const ZipEntry* b) { return a->offset < b->offset; });

    std::uint64_t expected = 0;
    std::vector<unsigned char> variable;
    for (std::size_t i = 0; i < byOffset.size(); ++i) {
        ZipEntry* entry = byOffset[i];
        if (entry->offset != expected)
            ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
        unsigned char header[kLocalHeaderSize];
        ReadZipBytes(fd, entry->offset, header, sizeof header);
        if (Little32(header) != kLocalHeader)
            ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
        const std::size_t nameSize = Little16(header + 26);
        const std::size_t extraSize = Little16(header + 28);
        variable.resize(nameSize + extraSize);
        ReadZipBytes(fd, entry->offset + sizeof header, variable.data(), variable.size());
        const std::string_view name(reinterpret_cast<const char*>(variable.data()), nameSize);
        const std::uint32_t flags = Little16(header + 6);
        if (name != Name(*entry) || Little16(header + 8) != (entry->deflated ? kDeflated : kStored) ||
            ((flags & kHasDataDescriptor) != 0) != entry->described)
            ThrowDocument(OPC_E_ZIP_INCONSISTENT_FILEITEM);

        std::uint64_t crc = Little32(header + 14);
        std::uint64_t compressedSize = Little32(header + 18);
        std::uint64_t size = Little32(header + 22);
        const unsigned char* extra = variable.data() + nameSize;
        std::uint64_t* wide[] = {&size, &compressedSize};
        if (!ApplyZip64(extra, extraSize, wide, 2))
            ThrowDocument(OPC_E_ZIP_INCONSISTENT_FILEITEM);
        // With a data descriptor the local header may leave the sizes and CRC as zero.
        const bool deferred = (flags & kHasDataDescriptor) != 0 && crc == 0 && compressedSize == 0 && size == 0;
        if (!deferred && (crc != entry->crc || compressedSize != entry->compressedSize || size != entry->size))
            ThrowDocument(OPC_E_ZIP_INCONSISTENT_FILEITEM);

        entry->offset += sizeof header + nameSize + extraSize;
        if (entry->offset > directoryOffset || directoryOffset - entry->offset < entry->compressedSize)
            ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
        expected = entry->offset + entry->compressedSize;

        if ((flags & kHasDataDescriptor) != 0) {
            const std::uint64_t next = i + 1 < byOffset.size() ? byOffset[i + 1]->offset : directoryOffset;
            expected += ReadDescriptor(fd, *entry, expected, next);
        }
    }
    if (expected != directoryOffset)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
}
