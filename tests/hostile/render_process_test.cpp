// The child process the layer renders in: what it makes arrives whole and in order, and however it ends,
// the caller gets a status and no process is left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "xps/document_status.h"
#include "render_process.h"

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
    const HRESULT status = RunInRenderProcess(
        [](const PdfSink& sink) {
            const std::string big(3 << 20, 'b');  // more than one frame
            for (const std::string& piece : {std::string("%PDF-"), std::string(), big, std::string("%%EOF")}) {
                if (const HRESULT written = sink(reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
                    written != S_OK)
                    return written;
            }
            return S_FALSE;
        },
        Collect(received));
    EXPECT_EQ(status, S_FALSE);
    EXPECT_EQ(received, "%PDF-" + std::string(3 << 20, 'b') + "%%EOF");
    EXPECT_FALSE(ChildrenLeft());
}

TEST(RenderProcess, AChildThatCrashesOrExitsWithoutAStatusFailsAsBadMarkup)
{
    const auto crash = [](const PdfSink&) -> HRESULT { abort(); };
    const auto vanish = [](const PdfSink& sink) -> HRESULT {
        sink(reinterpret_cast<const unsigned char*>("%PDF-"), 5);
        _exit(0);
    };
    const auto killed = [](const PdfSink&) -> HRESULT {
        raise(SIGKILL);
        return S_OK;
    };
    for (const auto& work : {std::function<HRESULT(const PdfSink&)>(crash), std::function<HRESULT(const PdfSink&)>(vanish),
                             std::function<HRESULT(const PdfSink&)>(killed)}) {
        std::string received;
        EXPECT_EQ(RunInRenderProcess(work, Collect(received)), XPS_E_INVALID_MARKUP);
        EXPECT_FALSE(ChildrenLeft());
    }
}

TEST(RenderProcess, AFailingSinkStopsTheChildAndGivesItsStatus)
{
    const HRESULT status = RunInRenderProcess(
        [](const PdfSink& sink) {
            // Never stops by itself: only the parent can end it.
            const unsigned char page[4096] = {};
            for (;;)
                sink(page, sizeof page);
            return S_OK;
        },
        [](const unsigned char*, std::size_t) { return STG_E_WRITEFAULT; });
    EXPECT_EQ(status, STG_E_WRITEFAULT);
    EXPECT_FALSE(ChildrenLeft());
}

TEST(RenderProcess, TheChildsFailureStatusReachesTheCaller)
{
    std::string received;
    EXPECT_EQ(RunInRenderProcess([](const PdfSink&) { return DWRITE_E_FILEFORMAT; }, Collect(received)),
              DWRITE_E_FILEFORMAT);
    EXPECT_EQ(received, "");
}

}  // namespace
