#include "platform/linux/startup.h"

#include <cstdint>

namespace {

constexpr char32_t kEscapeBase = 0xDC00;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsEscapedByte(char32_t c) { return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF; }

// The code point of a well-formed UTF-8 sequence at the start of bytes, and its length;
// a length of 0 where the first byte does not begin one.
std::pair<char32_t, std::size_t> DecodeOne(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length;
    char32_t c;
    if (lead < 0x80)
        return {lead, 1};
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, c = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, c = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, c = lead & 0x07;
    else
        return {0, 0};
    if (bytes.size() < length)
        return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, encoded surrogates and values past Unicode would not come back as the same bytes.
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || IsSurrogate(c) || c > 0x10FFFF)
        return {0, 0};
    return {c, length};
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::wstring WideFromBytes(std::string_view bytes)
{
    std::wstring wide;
    wide.reserve(bytes.size());
    while (!bytes.empty()) {
        auto [c, length] = DecodeOne(bytes);
        if (length == 0) {
            c = kEscapeBase + static_cast<unsigned char>(bytes[0]);
            length = 1;
        }
        wide += static_cast<wchar_t>(c);
        bytes.remove_prefix(length);
    }
    return wide;
}

std::optional<std::string> BytesFromWide(std::wstring_view wide)
{
    std::string bytes;
    bytes.reserve(wide.size());
    for (const wchar_t unit : wide) {
        const auto c = static_cast<char32_t>(unit);
        if (IsEscapedByte(c))
            bytes += static_cast<char>(c - kEscapeBase);
        else if (IsSurrogate(c) || c > 0x10FFFF)
            return std::nullopt;
        else
            AppendUtf8(bytes, c);
    }
    return bytes;
}

int ExitCodeFromStatus(HRESULT status)
{
    if (status == 0)
        return 0;
    const int low = static_cast<std::uint32_t>(status) & 0xFF;
    return low != 0 ? low : 1;
}
