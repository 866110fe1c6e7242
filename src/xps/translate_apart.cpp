#include "xps/translate_apart.h"

#include <malloc.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/process/child_process.h"
#include "xps/ticket/print_settings.h"

namespace {

// The child sends pieces of PDF, then the work's two statuses and last its print settings. An empty piece
// says only that the child is still making progress.
constexpr std::size_t kMaxPiece = 1u << 20;
constexpr std::size_t kMaxSettings = 1u << 20;
constexpr std::size_t kGatherSize = 64u << 10;

int RunChild(int channel, const std::function<TranslationStatus(const PdfSink&)>& work)
{
    // A fault ends the child at once: handlers the parent installed (a fuzzer's, say) would report it as
    // the parent's own.
    for (const int fault : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP})
        signal(fault, SIG_DFL);
    // Blocks of a MiB and more (a page's content, a part inflated whole) are mapped and unmapped whole.
    // glibc would raise that threshold as the first is freed, after which each thread's arena keeps the
    // largest it ever held, a page's worth for every thread.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Small pieces of PDF are gathered: sent as they come, the frames would cost more than the
    // translating. An empty piece, the sign of progress, sends what has gathered.
    std::vector<unsigned char> gathered;
    gathered.reserve(kGatherSize);
    const auto send = [&] {
        const bool sent = WriteFrame(channel, gathered.data(), gathered.size());
        gathered.clear();
        return sent;
    };
    const PdfSink toParent = [&](const unsigned char* data, std::size_t size) {
        if (size == 0)
            return send() ? S_OK : STG_E_WRITEFAULT;
        while (size > 0) {
            const std::size_t piece = std::min(size, kGatherSize - gathered.size());
            gathered.insert(gathered.end(), data, data + piece);
            data += piece;
            size -= piece;
            if (gathered.size() == kGatherSize && !send())
                return STG_E_WRITEFAULT;
        }
        return S_OK;
    };
    const TranslationStatus status = work(toParent);
    const std::string settings = EncodePrintSettings(status.settings);
    const bool sent = (gathered.empty() || send()) && WriteStatus(channel, status.load) &&
        WriteStatus(channel, status.print) && WriteFrame(channel, settings.data(), settings.size());
    return sent ? 0 : 1;
}

}  // namespace

TranslationStatus RunInRenderProcess(const std::function<TranslationStatus(const PdfSink&)>& work,
                                     const PdfSink& sink)
{
    const TranslationStatus kBroken{XPS_E_INVALID_MARKUP, XPS_E_INVALID_MARKUP};
    std::optional<ChildProcess> child;
    try {
        child.emplace([&](int channel) { return RunChild(channel, work); }, kRenderStallLimit);
    } catch (const DocumentFailure& failure) {
        return {failure.Status(), failure.Status()};
    }
    std::string piece;
    for (;;) {
        HRESULT load = E_FAIL;
        const Frame frame = child->Read(piece, load, kMaxPiece);
        if (frame == Frame::Broken)
            return kBroken;
        if (frame == Frame::Status) {
            HRESULT print = E_FAIL;
            if (child->Read(piece, print, 0) != Frame::Status)
                return kBroken;
            // The settings come last: a child that ends before them leaves the job the printer's defaults.
            HRESULT unused = S_OK;
            const bool settings = child->Read(piece, unused, kMaxSettings) == Frame::Piece;
            return {load, print, settings ? DecodePrintSettings(piece) : PrintSettings{}};
        }
        if (piece.empty())
            continue;
        const auto* bytes = reinterpret_cast<const unsigned char*>(piece.data());
        if (const HRESULT sunk = sink(bytes, piece.size()); sunk < 0)
            return {sunk, sunk};
    }
}

TranslationStatus TranslateApart(int packageFd, const PdfSink& sink)
{
    return RunInRenderProcess(
        [packageFd](const PdfSink& toParent) {
            // Checking parts sends nothing, so the child tells the parent now and then that it has not
            // stalled.
            auto last = std::chrono::steady_clock::now();
            return TranslateXpsToPdf(packageFd, toParent, [&] {
                const auto now = std::chrono::steady_clock::now();
                if (now - last < std::chrono::seconds(1))
                    return;
                last = now;
                toParent(nullptr, 0);
            });
        },
        sink);
}
