// A part's bytes: its pieces read, inflated where they are deflated, and checked against their CRCs.
#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "xps/deflate/inflate.h"
#include "xps/document_failure.h"
#include "xps/document_status.h"
#include "xps/package/zip_directory.h"

namespace {

// Deflated entries up to this size are first inflated whole, in a third of the time zlib takes.
constexpr std::uint64_t kMostInflatedWhole = std::uint64_t{8} << 20;

// A deflated entry that is sound inflated at once, by libdeflate, and handed to sink a chunk at a time:
// S_OK or the sink's failure. Nothing for an entry that is not sound, or cannot be read or held whole,
// which is inflated a chunk at a time instead, to fail where and as it always has.
std::optional<HRESULT> InflateSoundEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    if (entry.size > kMostInflatedWhole || entry.compressedSize > kMostInflatedWhole)
        return std::nullopt;
    const auto inputSize = static_cast<std::size_t>(entry.compressedSize);
    const auto outputSize = static_cast<std::size_t>(entry.size);
    const std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[inputSize]);
    const std::unique_ptr<unsigned char[]> output(new (std::nothrow) unsigned char[outputSize]);
    if (!input || !output || ReadZipBytes(fd, entry.offset, input.get(), inputSize) != S_OK ||
        !InflateWhole(input.get(), inputSize, output.get(), outputSize) || Crc32(0, output.get(), outputSize) != entry.crc)
        return std::nullopt;
    for (std::size_t at = 0; at < outputSize; at += kZipChunkSize) {
        if (const HRESULT status = sink(output.get() + at, std::min(kZipChunkSize, outputSize - at)); status != S_OK)
            return status;
    }
    return S_OK;
}

HRESULT InflateStoredEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    std::vector<unsigned char> input(kZipChunkSize);
    std::uint32_t crc = 0;
    for (std::uint64_t offset = entry.offset, left = entry.compressedSize; left > 0;) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(left, kZipChunkSize));
        if (const HRESULT status = ReadZipBytes(fd, offset, input.data(), size); status != S_OK)
            return status;
        crc = Crc32(crc, input.data(), size);
        if (const HRESULT status = sink(input.data(), size); status != S_OK)
            return status;
        offset += size;
        left -= size;
    }
    return crc == entry.crc ? S_OK : OPC_E_ZIP_CORRUPTED_ARCHIVE;
}

// Inflates a chunk at a time: fails as soon as the entry would inflate past its declared size.
HRESULT InflateDeflatedEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    std::optional<StreamInflater> inflater;
    try {
        inflater.emplace(InflateFormat::Raw);
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    std::vector<unsigned char> input(kZipChunkSize);
    std::vector<unsigned char> output(kZipChunkSize);
    std::uint64_t offset = entry.offset;
    std::uint64_t left = entry.compressedSize;
    std::uint64_t produced = 0;
    std::uint32_t crc = 0;
    for (bool ended = false; !ended;) {
        if (inflater->Waiting() == 0) {
            // The entry's data ran out inside the deflate stream.
            if (left == 0)
                return OPC_E_ZIP_DECOMPRESSION_FAILED;
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(left, kZipChunkSize));
            if (const HRESULT status = ReadZipBytes(fd, offset, input.data(), size); status != S_OK)
                return status;
            offset += size;
            left -= size;
            inflater->Give(input.data(), size);
        }
        std::size_t size = 0;
        const InflateStep step = inflater->Inflate(output.data(), output.size(), size);
        if (step == InflateStep::OutOfMemory)
            return E_OUTOFMEMORY;
        if (step == InflateStep::Broken)
            return OPC_E_ZIP_DECOMPRESSION_FAILED;
        ended = step == InflateStep::Ended;
        produced += size;
        if (produced > entry.size)
            return OPC_E_ZIP_INCORRECT_DATA_SIZE;
        crc = Crc32(crc, output.data(), size);
        if (const HRESULT status = sink(output.data(), size); status != S_OK)
            return status;
    }
    if (left != 0 || inflater->Waiting() != 0)
        return OPC_E_ZIP_CORRUPTED_ARCHIVE;
    if (produced != entry.size)
        return OPC_E_ZIP_INCORRECT_DATA_SIZE;
    return crc == entry.crc ? S_OK : OPC_E_ZIP_CORRUPTED_ARCHIVE;
}

HRESULT InflateZipEntry(int fd, const ZipEntry& entry, const ZipDataSink& sink)
{
    if (!entry.deflated)
        return InflateStoredEntry(fd, entry, sink);
    if (const std::optional<HRESULT> status = InflateSoundEntry(fd, entry, sink))
        return *status;
    return InflateDeflatedEntry(fd, entry, sink);
}

}  // namespace

HRESULT InflateZipPart(int fd, const ZipPart& part, const ZipDataSink& sink)
{
    for (const ZipEntry* piece = part.pieces; piece != part.pieces + part.pieceCount; ++piece) {
        if (const HRESULT status = InflateZipEntry(fd, *piece, sink); status != S_OK)
            return status;
    }
    return S_OK;
}

HRESULT ReadZipPart(int fd, const ZipPart& part, std::string& bytes)
{
    bytes.clear();
    return InflateZipPart(fd, part, [&bytes](const unsigned char* data, std::size_t size) {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return S_OK;
    });
}

