// Job-name cleaning: whatever the path, a name CUPS lists as given: valid UTF-8, no control characters, at
// most 255 bytes, and a path that already is such a name kept as it is.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/linux/print/job_name.h"
#include "platform/linux/startup.h"

namespace {

bool IsControl(std::uint32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Valid UTF-8 without control characters: decodes with no escaped byte and no control.
bool IsCleanText(std::string_view text)
{
    for (const wchar_t c : WideFromBytes(text)) {
        const auto unit = static_cast<std::uint32_t>(c);
        if ((unit >= 0xD800 && unit <= 0xDFFF) || IsControl(unit))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    const std::string name = CleanJobName(path);
    FUZZ_CHECK(name.size() <= 255);
    FUZZ_CHECK(IsCleanText(name));
    if (path.size() <= 255 && IsCleanText(path))
        FUZZ_CHECK(name == path);
    // Cleaning twice changes nothing.
    FUZZ_CHECK(CleanJobName(name) == name);
    return 0;
}
