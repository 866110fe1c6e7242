// The child process the layer renders in: what it makes arrives whole and in order, and however it ends,
// the caller gets a status and no process is left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/linux/statuses.h"
#include "xps/translate_apart.h"
#include "xps/xps_translate.h"

namespace {

// Whether any child of this process is left, running or unreaped.
bool ChildrenLeft()
{
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

PdfSink Collect(std::string& out)
{
    return [&out](const unsigned char* data, std::size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return S_OK;
    };
}

TEST(RenderProcess, WhatTheChildMakesArrivesInOrderWithItsStatus)
{
    std::string received;
    const TranslationStatus status = RunInRenderProcess(
        [](const PdfSink& sink) {
            const std::string big(3 << 20, 'b');  // more than one frame
            for (const std::string& piece : {std::string("%PDF-"), std::string(), big, std::string("%%EOF")})
                sink(reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
            return TranslationStatus{S_OK, S_FALSE};
        },
        Collect(received));
    EXPECT_EQ(status.load, S_OK);
    EXPECT_EQ(status.print, S_FALSE);
    EXPECT_EQ(received, "%PDF-" + std::string(3 << 20, 'b') + "%%EOF");
    EXPECT_FALSE(ChildrenLeft());
}

TEST(RenderProcess, AChildThatCrashesOrExitsWithoutAStatusFailsAsBadMarkup)
{
    using Work = std::function<TranslationStatus(const PdfSink&)>;
    const auto crash = [](const PdfSink&) -> TranslationStatus { abort(); };
    const auto vanish = [](const PdfSink& sink) -> TranslationStatus {
        sink(reinterpret_cast<const unsigned char*>("%PDF-"), 5);
        _exit(0);
    };
    const auto killed = [](const PdfSink&) -> TranslationStatus {
        raise(SIGKILL);
        return {};
    };
    for (const Work& work : {Work(crash), Work(vanish), Work(killed)}) {
        std::string received;
        EXPECT_EQ(RunInRenderProcess(work, Collect(received)).load, XPS_E_INVALID_MARKUP);
        EXPECT_FALSE(ChildrenLeft());
    }
}

TEST(RenderProcess, AFailingSinkStopsTheChildAndGivesItsStatus)
{
    const TranslationStatus status = RunInRenderProcess(
        [](const PdfSink& sink) {
            // Never stops by itself: only the parent can end it.
            const unsigned char page[4096] = {};
            for (;;)
                sink(page, sizeof page);
            return TranslationStatus{};
        },
        [](const unsigned char*, std::size_t) { return STG_E_WRITEFAULT; });
    EXPECT_EQ(status.First(), STG_E_WRITEFAULT);
    EXPECT_FALSE(ChildrenLeft());
}

TEST(RenderProcess, TheChildsFailureStatusesReachTheCaller)
{
    std::string received;
    const TranslationStatus status = RunInRenderProcess(
        [](const PdfSink&) { return TranslationStatus{XPS_E_INVALID_PAGE_SIZE, DWRITE_E_FILEFORMAT}; },
        Collect(received));
    EXPECT_EQ(status.load, XPS_E_INVALID_PAGE_SIZE);
    EXPECT_EQ(status.print, DWRITE_E_FILEFORMAT);
    EXPECT_EQ(received, "");
}

}  // namespace
