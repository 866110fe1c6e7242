// Argument decoding: any bytes come back exactly, and the wide text holds nothing but characters and
// escaped bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "platform/linux/startup.h"

namespace {

bool IsEscapedByte(wchar_t c) { return c >= 0xDC80 && c <= 0xDCFF; }
bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void BytesComeBack(std::string_view bytes)
{
    const std::wstring wide = WideFromBytes(bytes);
    FUZZ_CHECK(wide.size() <= bytes.size());
    for (const wchar_t c : wide)
        FUZZ_CHECK(static_cast<std::uint32_t>(c) <= 0x10FFFF && (!IsSurrogate(c) || IsEscapedByte(c)));
    const std::optional<std::string> back = BytesFromWide(wide);
    FUZZ_CHECK(back && *back == bytes);
}

// Wide text from elsewhere (a test, a caller) either has no bytes or has bytes that decode to text with
// the same bytes.
void WideTextIsStable(const std::uint8_t* data, std::size_t size)
{
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    std::memcpy(wide.data(), data, wide.size() * sizeof(wchar_t));
    const std::optional<std::string> bytes = BytesFromWide(wide);
    if (!bytes)
        return;
    const std::optional<std::string> again = BytesFromWide(WideFromBytes(*bytes));
    FUZZ_CHECK(again && *again == *bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    BytesComeBack(std::string_view(reinterpret_cast<const char*>(data), size));
    WideTextIsStable(data, size);
    return 0;
}
