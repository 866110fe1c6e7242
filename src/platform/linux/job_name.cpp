#include "job_name.h"

#include "startup.h"

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr char32_t kReplacement = 0xFFFD;

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::string Utf8(char32_t c)
{
    std::string out;
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
    return out;
}

}  // namespace

std::string CleanJobName(std::string_view path)
{
    std::string name;
    // The argument decoding already tells valid UTF-8 from stray bytes: it carries each stray byte
    // as a lone surrogate, and valid text never holds one.
    for (const wchar_t unit : WideFromBytes(path)) {
        auto c = static_cast<char32_t>(unit);
        if (IsControl(c))
            continue;
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = kReplacement;
        const std::string encoded = Utf8(c);
        if (name.size() + encoded.size() > kMaxNameBytes)
            break;
        name += encoded;
    }
    return name;
}
