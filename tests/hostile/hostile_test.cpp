// Hostile packages: each ends within 10 s and 256 MiB, printed or refused with a failing status and one
// line, never with a crash, a hang or "Error 0"; in the layer and through the built tool.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform.h"
#include "platform/linux/startup.h"
#include "platform/linux/statuses.h"
#include "platform/linux/unique_fd.h"
#include "print_server.h"
#include "xps/translate_apart.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kHostile = WRENPAGE_HOSTILE_DOCUMENTS;
// AddressSanitizer slows the process down and holds freed memory back; the bounds are the plain build's.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSanitizerSlack = 4;
#else
constexpr int kSanitizerSlack = 1;
#endif
constexpr auto kTimeLimit = 10s * kSanitizerSlack;
constexpr long kMemoryLimitKiB = 256 * 1024 * kSanitizerSlack;
constexpr HRESULT kPrinted = S_OK;

struct Case {
    const char* file;
    HRESULT status;  // kPrinted, or the status it is refused with; E_FAIL: any failing status
};

const Case kCases[] = {
    {"endless-page.xps", HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},
    {"endless-page-lying.xps", OPC_E_ZIP_INCORRECT_DATA_SIZE},
    {"wide-page.xps", XPS_E_INVALID_PAGE_SIZE},
    {"infinite-size.xps", XPS_E_INVALID_PAGE_SIZE},
    {"negative-size.xps", XPS_E_INVALID_PAGE_SIZE},
    // A size that is no number at all is bad markup.
    {"nan-size.xps", XPS_E_INVALID_MARKUP},
    {"many-parts.xps", kPrinted},
    {"deep-nesting.xps", XPS_E_INVALID_MARKUP},
    {"deep-document.xps", XPS_E_INVALID_MARKUP},
    {"font-is-image.xps", DWRITE_E_FILEFORMAT},
    {"font-is-garbage.xps", DWRITE_E_FILEFORMAT},
    {"cff-count-zero.xps", DWRITE_E_FILEFORMAT},
    {"cff-offset-size-zero.xps", DWRITE_E_FILEFORMAT},
    {"cff-past-table.xps", DWRITE_E_FILEFORMAT},
    {"many-fonts.xps", kPrinted},
    {"big-fonts.xps", kPrinted},
    {"huge-image.xps", E_FAIL},
    {"path-data-abort.xps", XPS_E_INVALID_MARKUP},
    {"rel-outside.xps", XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP},
    {"rel-absolute.xps", XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP},
    {"page-outside.xps", XPS_E_MISSING_REFERRED_PAGE},
    {"rel-self.xps", XPS_E_INVALID_MARKUP},
    {"sequence-self.xps", XPS_E_INVALID_MARKUP},
    {"document-self.xps", XPS_E_INVALID_MARKUP},
    {"nested-brushes.xps", kPrinted},
    {"brush-cycle.xps", kPrinted},
    {"many-segments.xps", E_OUTOFMEMORY},
    {"many-stops.xps", XPS_E_INVALID_MARKUP},
    {"many-figures.xps", kPrinted},
    {"tiny-tile.xps", XPS_E_INVALID_MARKUP},
};

void ExpectStatus(HRESULT status, HRESULT expected)
{
    if (expected == E_FAIL)
        EXPECT_LT(status, 0) << std::hex << status;
    else
        EXPECT_EQ(status, expected) << std::hex << status << " expected " << expected;
}

// Loads the package through the layer's object factory, as the tool does, and renders it to PDF.
HRESULT LoadAndRender(const fs::path& path)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IXpsOMObjectFactory* factory = nullptr;
    HRESULT status = CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IXpsOMObjectFactory, reinterpret_cast<void**>(&factory));
    if (status != S_OK)
        return status;
    IXpsOMPackage* package = nullptr;
    status = factory->CreatePackageFromFile(WideFromBytes(path.string()).c_str(), FALSE, &package);
    factory->Release();
    if (status != S_OK)
        return status;
    package->Release();
    UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::size_t pdfSize = 0;
    status = TranslateApart(file.Get(), [&](const unsigned char*, std::size_t size) {
                 pdfSize += size;
                 return S_OK;
             })
                 .First();
    return status == S_OK && pdfSize == 0 ? E_UNEXPECTED : status;
}

struct Measured {
    HRESULT status = E_UNEXPECTED;
    bool exited = false;
    std::chrono::duration<double> elapsed{};
    long peakKiB = 0;  // of the process and every process it waited for
};

// Runs the work in a child process of its own, so that its peak memory is its own.
Measured MeasureInChild(const std::function<HRESULT()>& work)
{
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const HRESULT status = work();
        _exit(write(channel[1], &status, sizeof status) == sizeof status ? 0 : 1);
    }
    close(channel[1]);
    Measured measured;
    const bool reported = read(channel[0], &measured.status, sizeof measured.status) == sizeof measured.status;
    close(channel[0]);
    int exit = 0;
    rusage usage{};
    wait4(child, &exit, 0, &usage);
    measured.elapsed = std::chrono::steady_clock::now() - start;
    measured.exited = reported && WIFEXITED(exit) && WEXITSTATUS(exit) == 0;
    measured.peakKiB = usage.ru_maxrss;
    return measured;
}

TEST(HostilePackages, TheLayerLoadsAndRendersOrRefusesEachInBoundedTimeAndMemory)
{
    for (const Case& hostile : kCases) {
        SCOPED_TRACE(hostile.file);
        const Measured run = MeasureInChild([&] { return LoadAndRender(kHostile / hostile.file); });
        ASSERT_TRUE(run.exited) << "the process did not survive";
        ExpectStatus(run.status, hostile.status);
        EXPECT_LT(run.elapsed, kTimeLimit);
        EXPECT_LT(run.peakKiB, kMemoryLimitKiB);
    }
}

TEST(HostilePackages, TheToolPrintsOrFailsWithOneLineAndLeavesNoJob)
{
    const PrintServer& server = SharedPrintServer();
    for (const Case& hostile : kCases) {
        SCOPED_TRACE(hostile.file);
        const std::set<int> before = server.Captured();
        const auto start = std::chrono::steady_clock::now();
        const ProcessRun run = RunProcess(WRENPAGE_BINARY, {"Office-Printer", (kHostile / hostile.file).string()},
                                          server.Clients());
        EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeLimit);
        EXPECT_EQ(run.out, "");
        if (hostile.status == kPrinted) {
            EXPECT_EQ(run.err, "");
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(WaitUntil([&] { return server.Captured().size() == before.size() + 1; }));
            continue;
        }
        ASSERT_EQ(run.err.rfind("Error -", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        ExpectStatus(static_cast<HRESULT>(std::stol(run.err.substr(6))), hostile.status);
        EXPECT_EQ(run.exitCode, ExitCodeFromStatus(static_cast<HRESULT>(std::stol(run.err.substr(6)))));
        EXPECT_EQ(server.UnfinishedJobs("Office-Printer"), "");
        EXPECT_EQ(server.Captured(), before) << "a refused document reached the printer";
    }
    // Every tool run and every process it started, at its peak.
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss, kMemoryLimitKiB);
}

}  // namespace
