#include "xps/text/font_obfuscation.h"

#include "xps/hex_digit.h"

#include <array>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view FileStem(std::string_view partName)
{
    const std::size_t slash = partName.find_last_of('/');
    std::string_view file = slash == std::string_view::npos ? partName : partName.substr(slash + 1);
    const std::size_t dot = file.find_last_of('.');
    return dot == std::string_view::npos ? file : file.substr(0, dot);
}

// The GUID's bytes in the order written, B1 to B16.
std::array<std::uint8_t, 16> GuidBytes(std::string_view stem)
{
    if (stem.size() >= 2 && stem.front() == '{' && stem.back() == '}')
        stem = stem.substr(1, stem.size() - 2);
    const bool hyphenated = stem.size() == 36;
    if (!hyphenated && stem.size() != 32)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    std::array<std::uint8_t, 16> bytes{};
    std::size_t digits = 0;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        if (hyphenated && (i == 8 || i == 13 || i == 18 || i == 23)) {
            if (stem[i] != '-')
                ThrowDocument(DWRITE_E_FILEFORMAT);
            continue;
        }
        const int digit = HexDigit(stem[i]);
        if (digit < 0)
            ThrowDocument(DWRITE_E_FILEFORMAT);
        bytes[digits / 2] = static_cast<std::uint8_t>(bytes[digits / 2] << 4 | digit);
        ++digits;
    }
    return bytes;
}

}  // namespace

bool IsObfuscatedFont(std::string_view partName, std::string_view contentType)
{
    constexpr std::string_view kObfuscatedType = "application/vnd.ms-package.obfuscated-opentype";
    constexpr std::string_view kObfuscatedExtension = ".odttf";
    // Content types may carry parameters after a ';'.
    const std::string_view type = contentType.substr(0, contentType.find(';'));
    return EqualIgnoringCase(type, kObfuscatedType) ||
           (partName.size() >= kObfuscatedExtension.size() &&
            EqualIgnoringCase(partName.substr(partName.size() - kObfuscatedExtension.size()), kObfuscatedExtension));
}

void Deobfuscate(std::vector<std::uint8_t>& bytes, std::string_view partName)
{
    const std::array<std::uint8_t, 16> guid = GuidBytes(FileStem(partName));
    if (bytes.size() < 32)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    for (std::size_t i = 0; i < 32; ++i)
        bytes[i] ^= guid[15 - i % 16];
}
