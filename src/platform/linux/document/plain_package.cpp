#include "plain_package.h"

#include <zlib.h>

#include <algorithm>

#include "markup_text.h"
#include "zip_writer.h"

namespace {

constexpr std::uint16_t kHasDataDescriptor = 0x0008;

bool IsWhole(const ZipPart& part) { return part.pieces.size() == 1 && part.pieces[0]->name == part.name; }

}  // namespace

bool IsPlainPackage(const ZipDirectory& directory, const std::vector<bool>& utf16)
{
    const auto& parts = directory.Parts();
    return std::none_of(utf16.begin(), utf16.end(), [](bool is) { return is; }) &&
           std::all_of(parts.begin(), parts.end(), IsWhole) &&
           std::none_of(directory.Entries().begin(), directory.Entries().end(),
                        [](const ZipEntry& entry) { return (entry.flags & kHasDataDescriptor) != 0; });
}

HRESULT WritePlainPackage(int fd, const ZipDirectory& directory, const std::vector<bool>& utf16, int out)
{
    ZipWriter zip(fd, out);
    const auto& parts = directory.Parts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const ZipPart& part = parts[i];
        HRESULT status;
        if (utf16[i]) {
            std::uint64_t size = 0;
            std::uint32_t crc = 0;
            if (const HRESULT measured = MeasureMarkupText(fd, part, size, crc); measured != S_OK)
                return measured;
            status = zip.Add(part.name, size, crc, [&](const ZipDataSink& sink) {
                MarkupText text(sink);
                const HRESULT inflated = InflateZipPart(fd, part, [&](const unsigned char* data, std::size_t got) {
                    return text.Feed(data, got);
                });
                return inflated != S_OK ? inflated : text.Finish();
            });
        } else if (IsWhole(part)) {
            // The writer puts the sizes in the local header, so an entry that had a data descriptor loses it.
            status = zip.Copy(*part.pieces[0]);
        } else {
            uLong crc = crc32(0, nullptr, 0);
            for (const ZipEntry* piece : part.pieces)
                crc = crc32_combine(crc, piece->crc, static_cast<z_off_t>(piece->size));
            status = zip.Add(part.name, part.size, static_cast<std::uint32_t>(crc),
                             [&](const ZipDataSink& sink) { return InflateZipPart(fd, part, sink); });
        }
        if (status != S_OK)
            return status;
    }
    return zip.Finish();
}
