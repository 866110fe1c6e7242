// A part's bytes: its pieces read, inflated where they are deflated, and checked against their CRCs.
#include <algorithm>
#include <memory>
#include <new>

#include "platform/linux/statuses.h"
#include "xps/deflate/inflate.h"
#include "xps/document_failure.h"
#include "xps/package/zip_directory.h"

namespace {

// Deflated entries up to this size are first inflated whole, in a third of the time zlib takes.
constexpr std::uint64_t kMostInflatedWhole = std::uint64_t{8} << 20;

// Whether a deflated entry was sound, and so inflated at once, by libdeflate, and handed to sink a chunk
// at a time. One that is not sound, or cannot be read or held whole, is inflated a chunk at a time
// instead, to fail where and as it always has.
bool InflateSoundEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    if (entry.size > kMostInflatedWhole || entry.compressedSize > kMostInflatedWhole)
        return false;
    const auto inputSize = static_cast<std::size_t>(entry.compressedSize);
    const auto outputSize = static_cast<std::size_t>(entry.size);
    const std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[inputSize]);
    const std::unique_ptr<unsigned char[]> output(new (std::nothrow) unsigned char[outputSize]);
    if (!input || !output || ReadZipBytesUpTo(fd, entry.offset, input.get(), inputSize) != inputSize ||
        !InflateWhole(input.get(), inputSize, output.get(), outputSize) || Crc32(0, output.get(), outputSize) != entry.crc)
        return false;
    for (std::size_t at = 0; at < outputSize; at += kZipChunkSize)
        sink(output.get() + at, std::min(kZipChunkSize, outputSize - at));
    return true;
}

void InflateStoredEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    std::vector<unsigned char> input(kZipChunkSize);
    std::uint32_t crc = 0;
    for (std::uint64_t offset = entry.offset, left = entry.compressedSize; left > 0;) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(left, kZipChunkSize));
        ReadZipBytes(fd, offset, input.data(), size);
        crc = Crc32(crc, input.data(), size);
        sink(input.data(), size);
        offset += size;
        left -= size;
    }
    if (crc != entry.crc)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
}

// Inflates a chunk at a time: fails as soon as the entry would inflate past its declared size.
void InflateDeflatedEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    StreamInflater inflater(InflateFormat::Raw);
    std::vector<unsigned char> input(kZipChunkSize);
    std::vector<unsigned char> output(kZipChunkSize);
    std::uint64_t offset = entry.offset;
    std::uint64_t left = entry.compressedSize;
    std::uint64_t produced = 0;
    std::uint32_t crc = 0;
    for (bool ended = false; !ended;) {
        if (inflater.Waiting() == 0) {
            // The entry's data ran out inside the deflate stream.
            if (left == 0)
                ThrowDocument(OPC_E_ZIP_DECOMPRESSION_FAILED);
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(left, kZipChunkSize));
            ReadZipBytes(fd, offset, input.data(), size);
            offset += size;
            left -= size;
            inflater.Give(input.data(), size);
        }
        std::size_t size = 0;
        const InflateStep step = inflater.Inflate(output.data(), output.size(), size);
        if (step == InflateStep::OutOfMemory)
            ThrowDocument(E_OUTOFMEMORY);
        if (step == InflateStep::Broken)
            ThrowDocument(OPC_E_ZIP_DECOMPRESSION_FAILED);
        ended = step == InflateStep::Ended;
        produced += size;
        if (produced > entry.size)
            ThrowDocument(OPC_E_ZIP_INCORRECT_DATA_SIZE);
        crc = Crc32(crc, output.data(), size);
        sink(output.data(), size);
    }
    if (left != 0 || inflater.Waiting() != 0)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
    if (produced != entry.size)
        ThrowDocument(OPC_E_ZIP_INCORRECT_DATA_SIZE);
    if (crc != entry.crc)
        ThrowDocument(OPC_E_ZIP_CORRUPTED_ARCHIVE);
}

void InflateZipEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    if (!entry.deflated)
        InflateStoredEntry(fd, entry, sink);
    else if (!InflateSoundEntry(fd, entry, sink))
        InflateDeflatedEntry(fd, entry, sink);
}

}  // namespace

void InflateZipPart(int fd, const ZipPart& part, const ZipDataSink& sink)
{
    for (const ZipEntry* piece = part.pieces; piece != part.pieces + part.pieceCount; ++piece)
        InflateZipEntry(fd, *piece, sink);
}

std::string ReadZipPart(int fd, const ZipPart& part)
{
    std::string bytes;
    InflateZipPart(fd, part, [&bytes](const unsigned char* data, std::size_t size) {
        bytes.append(reinterpret_cast<const char*>(data), size);
    });
    return bytes;
}
