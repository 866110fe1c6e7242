// The names jobs are listed under: what CUPS shows as typed, never as "Untitled".
#include <gtest/gtest.h>

#include "platform/linux/print/job_name.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(JobName, ValidUtf8PathsAreKeptAsTyped)
{
    for (const std::string path : {"report.xps", "./sub dir/../r\xC3\xA9sum\xC3\xA9.xps", "-dash.xps",
                                   "\xE6\x96\x87\xE6\x9B\xB8/\xF0\x9F\x93\x84.oxps", ""})
        EXPECT_EQ(CleanJobName(path), path);
}

TEST(JobName, BytesThatAreNotUtf8BecomeOneReplacementEach)
{
    EXPECT_EQ(CleanJobName("caf\xE9.xps"), "caf" + kReplacement + ".xps");
    // A truncated sequence, an overlong form, an encoded surrogate and a stray continuation byte.
    EXPECT_EQ(CleanJobName("a\xE6\x96z"), "a" + kReplacement + kReplacement + "z");
    EXPECT_EQ(CleanJobName("\xC0\xAF"), kReplacement + kReplacement);
    EXPECT_EQ(CleanJobName("\xED\xA0\x80"), kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(CleanJobName("\x80x"), kReplacement + "x");
}

TEST(JobName, ControlCharactersAreRemoved)
{
    EXPECT_EQ(CleanJobName("a\tb\nc\rd\x1B[31me\x7F.xps"), "abcd[31me.xps");
    // C1 controls, U+0080 to U+009F, written as valid UTF-8.
    EXPECT_EQ(CleanJobName("x\xC2\x85y\xC2\x9Fz"), "xyz");
    EXPECT_EQ(CleanJobName(std::string("nul\0here", 8)), "nulhere");
}

TEST(JobName, LongNamesAreCutToAtMost255BytesOnACharacterBoundary)
{
    EXPECT_EQ(CleanJobName(std::string(255, 'a')), std::string(255, 'a'));
    EXPECT_EQ(CleanJobName(std::string(300, 'a')), std::string(255, 'a'));
    // A two-byte letter at bytes 255-256 and a four-byte one at bytes 253-256 are left out whole.
    EXPECT_EQ(CleanJobName(std::string(254, 'a') + "\xC3\xA9zz"), std::string(254, 'a'));
    EXPECT_EQ(CleanJobName(std::string(252, 'a') + "\xF0\x9F\x93\x84"), std::string(252, 'a'));
    // The limit counts what is sent, after removal and replacement.
    EXPECT_EQ(CleanJobName(std::string(10, '\t') + std::string(255, 'a')), std::string(255, 'a'));
    EXPECT_EQ(CleanJobName(std::string(85, '\xFF') + "x"), [] {
        std::string name;
        for (int i = 0; i < 85; ++i)
            name += kReplacement;
        return name;
    }());
}

}  // namespace
