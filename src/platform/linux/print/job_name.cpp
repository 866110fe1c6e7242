#include "platform/linux/print/job_name.h"

#include "platform/linux/startup.h"

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr char32_t kReplacement = 0xFFFD;

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

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
        std::string encoded;
        AppendUtf8(encoded, c);
        if (name.size() + encoded.size() > kMaxNameBytes)
            break;
        name += encoded;
    }
    return name;
}
