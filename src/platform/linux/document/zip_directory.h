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

// Readers of a package (libgxps among them) take a font or an image part whole into memory, so what
// one part may inflate to is what bounds their memory.
constexpr std::uint64_t kMaxPartSize = 64u << 20;
// Above this size a part may not inflate more than kMaxCompressionRatio times: markup and pictures
// never do, runs of one byte made to fill memory do.
constexpr std::uint64_t kRatioCheckedSize = 8u << 20;
constexpr std::uint64_t kMaxCompressionRatio = 400;
constexpr std::size_t kMaxEntries = 1u << 20;
constexpr std::uint64_t kMaxDirectorySize = 64u << 20;

struct ZipEntry {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t headerOffset = 0;
    std::uint64_t dataOffset = 0;
};

// A part of the package: one entry, or the entries of its pieces in the order of their numbers.
struct ZipPart {
    // Within the directory's own entry names: a package may have a million parts.
    std::string_view name;
    std::vector<const ZipEntry*> pieces;
    std::uint64_t size = 0;
};

class ZipDirectory {
public:
    ZipDirectory() = default;
    // Its parts' names lie within its entries.
    ZipDirectory(const ZipDirectory&) = delete;
    ZipDirectory& operator=(const ZipDirectory&) = delete;

    // Reads the directory of the ZIP file open as fd, checks each entry's local header against it and
    // joins the parts stored in pieces, without inflating anything.
    HRESULT Read(int fd);

    const std::vector<ZipPart>& Parts() const { return m_parts; }

private:
    HRESULT ReadEntries(int fd, std::uint64_t directoryOffset, std::uint64_t directorySize, std::uint64_t count);
    HRESULT CheckLocalHeaders(int fd, std::uint64_t directoryOffset);
    HRESULT JoinPieces();

    std::vector<ZipEntry> m_entries;
    std::vector<ZipPart> m_parts;
};

// A part name as part names are compared: ASCII letters in lower case.
std::string FoldCase(std::string_view name);

using ZipDataSink = std::function<HRESULT(const unsigned char* data, std::size_t size)>;

// Inflates a part, piece after piece, into sink, a bounded chunk at a time: each piece fails as soon as
// it would inflate past its declared size, and has its CRC checked at its end.
HRESULT InflateZipPart(int fd, const ZipPart& part, const ZipDataSink& sink);
HRESULT ReadZipPart(int fd, const ZipPart& part, std::string& bytes);
