// libFuzzer's mutations for packages. Mutating the raw bytes mostly breaks a part's CRC, and the checks refuse
// the package before the markup is read; so half the time one part's content is mutated instead and the ZIP
// is written again around it, stored, with sizes and CRCs that agree.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

struct Part {
    std::string name;
    std::string data;
};

std::uint32_t U16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

void Put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

bool Inflate(const std::uint8_t* data, std::size_t size, std::string& out)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    char buffer[16384];
    int result = Z_OK;
    while (result == Z_OK && out.size() < (1u << 20)) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

// The parts of a ZIP read from its local headers, as a stream reader would; false for anything else.
bool ReadParts(const std::uint8_t* data, std::size_t size, std::vector<Part>& parts)
{
    std::size_t at = 0;
    while (at + 30 <= size && U32(data + at) == 0x04034B50) {
        const std::uint8_t* header = data + at;
        const std::size_t compressed = U32(header + 18);
        const std::size_t nameSize = U16(header + 26);
        const std::size_t extraSize = U16(header + 28);
        const std::size_t start = at + 30 + nameSize + extraSize;
        if ((U16(header + 6) & 0x8) != 0 || start > size || size - start < compressed)
            return false;
        Part part{std::string(reinterpret_cast<const char*>(header + 30), nameSize), {}};
        if (U16(header + 8) == 0)
            part.data.assign(reinterpret_cast<const char*>(data + start), compressed);
        else if (U16(header + 8) != 8 || !Inflate(data + start, compressed, part.data))
            return false;
        parts.push_back(std::move(part));
        at = start + compressed;
    }
    return !parts.empty();
}

std::string WriteStoredZip(const std::vector<Part>& parts)
{
    std::string zip;
    std::string directory;
    for (const Part& part : parts) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(part.data.data()), static_cast<uInt>(part.data.size())));
        const auto offset = static_cast<std::uint32_t>(zip.size());
        const auto size = static_cast<std::uint32_t>(part.data.size());
        const auto nameSize = static_cast<std::uint32_t>(part.name.size());
        Put32(zip, 0x04034B50);
        for (const std::uint32_t field : {20u, 0u, 0u, 0u, 0x21u})
            Put16(zip, field);
        for (const std::uint32_t field : {crc, size, size})
            Put32(zip, field);
        Put16(zip, nameSize);
        Put16(zip, 0);
        zip += part.name;
        zip += part.data;
        Put32(directory, 0x02014B50);
        for (const std::uint32_t field : {20u, 20u, 0u, 0u, 0u, 0x21u})
            Put16(directory, field);
        for (const std::uint32_t field : {crc, size, size})
            Put32(directory, field);
        for (const std::uint32_t field : {nameSize, 0u, 0u, 0u, 0u})
            Put16(directory, field);
        Put32(directory, 0);
        Put32(directory, offset);
        directory += part.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    Put32(zip, 0x06054B50);
    for (const std::uint32_t field : {0u, 0u, static_cast<std::uint32_t>(parts.size()), static_cast<std::uint32_t>(parts.size())})
        Put16(zip, field);
    Put32(zip, static_cast<std::uint32_t>(directory.size()));
    Put32(zip, directoryOffset);
    Put16(zip, 0);
    return zip;
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned seed)
{
    std::vector<Part> parts;
    if (seed % 2 == 0 || !ReadParts(data, size, parts))
        return LLVMFuzzerMutate(data, size, maxSize);
    std::size_t framing = 22;
    for (const Part& part : parts)
        framing += 30 + 46 + 2 * part.name.size() + part.data.size();
    Part& chosen = parts[(seed / 2) % parts.size()];
    framing -= chosen.data.size();
    if (framing >= maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    const std::size_t room = maxSize - framing;
    std::string content = chosen.data;
    content.resize(std::max(room, content.size()));
    const std::size_t mutated = LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(content.data()),
                                                 std::min(chosen.data.size(), room), room);
    chosen.data.assign(content.data(), mutated);
    const std::string zip = WriteStoredZip(parts);
    if (zip.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, zip.data(), zip.size());
    return zip.size();
}
