// The ZIP container of an XPS package, read from its central directory and held to what a reader that
// walks the file from its first byte would find, so that every reader of the file sees the same parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

// Readers of a package may take a font or an image part whole into memory, so what
// one part may inflate to is what bounds their memory.
constexpr std::uint64_t kMaxPartSize = 64u << 20;
// Above this size a part may not inflate more than kMaxCompressionRatio times: markup and pictures
// never do, runs of one byte made to fill memory do.
constexpr std::uint64_t kRatioCheckedSize = 8u << 20;
constexpr std::uint64_t kMaxCompressionRatio = 400;
constexpr std::size_t kMaxEntries = 1'000'000;
constexpr std::uint64_t kMaxDirectorySize = 64u << 20;
// The file is read, and parts handed on, a chunk of this size at a time.
constexpr std::size_t kZipChunkSize = 64 * 1024;

// Whether a part of this declared size is within the bounds above.
bool WithinBounds(std::uint64_t size, std::uint64_t compressedSize);
// Reads up to size bytes at offset, fewer only where the file ends first; gives how many.
std::size_t ReadZipBytesUpTo(int fd, std::uint64_t offset, void* data, std::size_t size);
// Reads exactly size bytes at offset; a file that ends first is a corrupted archive.
void ReadZipBytes(int fd, std::uint64_t offset, void* data, std::size_t size);

// An entry as read from the directory, kept small: a package may have a million of them.
struct ZipEntry {
    // At the entry's local header until the headers are checked, then at its data.
    std::uint64_t offset = 0;
    std::uint64_t compressedSize = 0;
    // Within kMaxPartSize.
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    // Within the directory's names.
    std::uint32_t nameOffset = 0;
    std::uint16_t nameSize = 0;
    bool deflated = false;
    bool described = false;
};

// A part of the package: one entry, or the entries of its pieces in the order of their numbers.
struct ZipPart {
    // Within the directory's names.
    std::string_view name;
    // Side by side among the directory's entries.
    const ZipEntry* pieces = nullptr;
    std::uint32_t pieceCount = 0;
    std::uint32_t size = 0;
};

class ZipDirectory {
public:
    ZipDirectory() = default;
    // Its parts point into its entries and names.
    ZipDirectory(const ZipDirectory&) = delete;
    ZipDirectory& operator=(const ZipDirectory&) = delete;

    // Reads the directory of the ZIP file open as fd, checks each entry's local header against it and
    // joins the parts stored in pieces, without inflating anything. Throws DocumentFailure with the
    // first failure found.
    void Read(int fd);

    const std::vector<ZipPart>& Parts() const { return m_parts; }

private:
    // The stages of Read, each throwing the first failure it finds.
    void ReadEntries(int fd, std::uint64_t directoryOffset, std::uint64_t directorySize, std::uint64_t count);
    void CheckLocalHeaders(int fd, std::uint64_t directoryOffset);
    void AddEntry(const unsigned char* header);
    bool HasRepeatedName() const;
    // Fails with a status met reading the entries, unless a name is already repeated: that fails first,
    // as if each name had been looked for as it came.
    [[noreturn]] void RefuseEntries(HRESULT status) const;
    void JoinPieces();
    std::string_view Name(const ZipEntry& entry) const { return std::string_view(m_names).substr(entry.nameOffset, entry.nameSize); }

    // Every entry's name, one after the other.
    std::string m_names;
    std::vector<ZipEntry> m_entries;
    std::vector<ZipPart> m_parts;
};

// A part name as part names are compared: ASCII letters in lower case.
inline char FoldCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string FoldCase(std::string_view name);
// Orders names as part names are compared: negative, zero or positive.
int CompareFolded(std::string_view a, std::string_view b);
// How many bytes two names start with alike, found a block at a time: names share long prefixes.
std::size_t SamePrefix(std::string_view a, std::string_view b);

// Takes a part's bytes a chunk at a time; one that cannot throws, and the inflating stops there.
using ZipDataSink = std::function<void(const unsigned char* data, std::size_t size)>;

// Inflates a part, piece after piece, into sink, a bounded chunk at a time: each piece fails as soon as
// it would inflate past its declared size, and has its CRC checked at its end.
void InflateZipPart(int fd, const ZipPart& part, const ZipDataSink& sink);
std::string ReadZipPart(int fd, const ZipPart& part);
