// Linux start-up: arguments reach the tool as wide strings that give back the exact bytes typed, and
// a 32-bit status becomes an 8-bit exit status that is never 0 for a failure.
#include <gtest/gtest.h>

#include "platform/linux/startup.h"

namespace {

TEST(LinuxArguments, Utf8DecodesToCharacters)
{
    EXPECT_EQ(WideFromBytes("Office-Printer"), L"Office-Printer");
    EXPECT_EQ(WideFromBytes("r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x96\xA8"), L"r\u00e9sum\u00e9 \u20ac \U0001F5A8");
    EXPECT_EQ(WideFromBytes(""), L"");
}

TEST(LinuxArguments, InvalidBytesBecomeEscapesAndComeBackExactly)
{
    const std::string samples[] = {
        "caf\xE9.xps",            // Latin-1
        "\x80\xFF",               // lone continuation and never-valid byte
        "\xC0\xAF",               // overlong '/'
        "\xED\xB2\x80",           // an encoded surrogate, which must not pass for an escape
        "\xF4\x90\x80\x80",       // past U+10FFFF
        "ok\xE2\x82",             // truncated at the end
        std::string("\xC3\xA9\xE9", 3),
    };
    for (const std::string& bytes : samples) {
        const std::wstring wide = WideFromBytes(bytes);
        EXPECT_EQ(BytesFromWide(wide), bytes);
        for (wchar_t c : wide)
            EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF && (c < 0xDC80 || c > 0xDCFF)) << bytes;
    }
    EXPECT_EQ(WideFromBytes("caf\xE9"), std::wstring(L"caf") + wchar_t(0xDCE9));
}

TEST(LinuxArguments, TextNoByteCanStandForIsRefused)
{
    EXPECT_EQ(BytesFromWide(std::wstring(1, wchar_t(0xD800))), std::nullopt);
    EXPECT_EQ(BytesFromWide(std::wstring(1, wchar_t(0xDC41))), std::nullopt);
    EXPECT_EQ(BytesFromWide(std::wstring(1, wchar_t(0x110000))), std::nullopt);
}

TEST(LinuxExitStatus, KeepsTheLowByteAndNeverTurnsAFailureIntoSuccess)
{
    EXPECT_EQ(ExitCodeFromStatus(0), 0);
    EXPECT_EQ(ExitCodeFromStatus(1), 1);
    EXPECT_EQ(ExitCodeFromStatus(8), 8);
    EXPECT_EQ(ExitCodeFromStatus(static_cast<HRESULT>(0x80070002)), 2);
    EXPECT_EQ(ExitCodeFromStatus(static_cast<HRESULT>(0x800704C7)), 0xC7);
    EXPECT_EQ(ExitCodeFromStatus(static_cast<HRESULT>(0x80070100)), 1);
    EXPECT_EQ(ExitCodeFromStatus(256), 1);
    EXPECT_EQ(ExitCodeFromStatus(-1), 255);
}

}  // namespace
