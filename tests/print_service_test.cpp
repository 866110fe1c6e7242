// The Linux print service as callers of the XPS Print API see it: the document stream, the job object
// and the completion event, against the tests' private print server.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform.h"
#include "platform/linux/print/print_status.h"
#include "print_server.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kDocuments = WRENPAGE_TEST_DOCUMENTS;
const PrintServer& Server() { return SharedPrintServer(); }

// The layer finds its server as every CUPS client does; these tests point it at theirs before any
// test runs, never at the machine's own.
const bool kUsesTheTestServer =
    setenv("CUPS_SERVER", (fs::path(WRENPAGE_PRINT_SERVER_DIR) / "cups.sock").c_str(), 1) == 0;

// One print job started the way the tool starts it, with everything it holds given back at the end.
class StartedJob {
public:
    explicit StartedJob(LPCWSTR printer = L"Office-Printer")
    {
        m_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_started = StartXpsPrintJob(printer, L"service-test.xps", nullptr, nullptr, m_event, nullptr, 0, &m_job,
                                     &m_stream, nullptr);
    }
    ~StartedJob()
    {
        ReleaseStream();
        ReleaseJob();
        CloseHandle(m_event);
    }
    StartedJob(const StartedJob&) = delete;
    StartedJob& operator=(const StartedJob&) = delete;

    HRESULT Started() const { return m_started; }
    IXpsPrintJobStream* Stream() const { return m_stream; }
    IXpsPrintJob* Job() const { return m_job; }

    HRESULT Write(const fs::path& document) const
    {
        const std::string bytes = ReadFile(document);
        ULONG written = 0;
        const HRESULT status = m_stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        EXPECT_EQ(written, status >= 0 ? bytes.size() : 0u);
        return status;
    }
    bool Ended() const { return WaitForSingleObject(m_event, 20000) == WAIT_OBJECT_0; }
    XPS_JOB_STATUS Status() const
    {
        XPS_JOB_STATUS status{};
        EXPECT_EQ(m_job->GetJobStatus(&status), S_OK);
        return status;
    }
    void ReleaseStream()
    {
        if (m_stream != nullptr)
            m_stream->Release();
        m_stream = nullptr;
    }
    void ReleaseJob()
    {
        if (m_job != nullptr)
            m_job->Release();
        m_job = nullptr;
    }

private:
    HANDLE m_event = nullptr;
    HRESULT m_started = E_FAIL;
    IXpsPrintJob* m_job = nullptr;
    IXpsPrintJobStream* m_stream = nullptr;
};

TEST(PrintService, ACompletedJobSignalsTheEventAndSaysItCompleted)
{
    const std::set<int> before = Server().Captured();
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    EXPECT_EQ(job.Status().completion, XPS_JOB_IN_PROGRESS);
    ASSERT_EQ(job.Write(kDocuments / "text.xps"), S_OK);
    ASSERT_EQ(job.Stream()->Close(), S_OK);
    ASSERT_TRUE(job.Ended());

    const XPS_JOB_STATUS status = job.Status();
    EXPECT_EQ(status.completion, XPS_JOB_COMPLETED);
    EXPECT_EQ(status.jobStatus, S_OK);
    EXPECT_EQ(Server().Captured().count(static_cast<int>(status.jobId)), 1u);
    EXPECT_EQ(Server().Captured().size(), before.size() + 1);
}

TEST(PrintService, AStreamReleasedWithoutCloseCancelsTheJob)
{
    const std::set<int> before = Server().Captured();
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    ASSERT_EQ(job.Write(kDocuments / "truncated.xps"), S_OK);
    job.ReleaseStream();
    ASSERT_TRUE(job.Ended());
    EXPECT_EQ(job.Status().completion, XPS_JOB_CANCELLED);
    EXPECT_EQ(Server().UnfinishedJobs("Office-Printer"), "") << "no job left held for its document";
    EXPECT_EQ(Server().Captured(), before);
}

TEST(PrintService, ADocumentThatFailsToRenderFailsTheJobWithItsStatus)
{
    const std::set<int> before = Server().Captured();
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    ASSERT_EQ(job.Write(kDocuments / "not-a-zip.xps"), S_OK);
    const HRESULT closed = job.Stream()->Close();
    EXPECT_LT(closed, 0);
    ASSERT_TRUE(job.Ended());
    EXPECT_EQ(job.Status().completion, XPS_JOB_FAILED);
    EXPECT_EQ(job.Status().jobStatus, closed);
    EXPECT_EQ(Server().UnfinishedJobs("Office-Printer"), "");
    EXPECT_EQ(Server().Captured(), before);
}

TEST(PrintService, CancelBeforeTheDocumentEndsTheJobAndTheStreamTakesNoMore)
{
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    ASSERT_EQ(job.Write(kDocuments / "text.xps"), S_OK);
    EXPECT_EQ(job.Job()->Cancel(), S_OK);
    ASSERT_TRUE(job.Ended());
    EXPECT_EQ(job.Status().completion, XPS_JOB_CANCELLED);
    EXPECT_EQ(job.Stream()->Close(), HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED));
    EXPECT_EQ(job.Status().completion, XPS_JOB_CANCELLED) << "the first end stays";
    EXPECT_EQ(Server().UnfinishedJobs("Office-Printer"), "");
}

TEST(PrintService, TheServerHoldsNoJobUntilItsWholeDocumentArrives)
{
    const std::string unfinished = Server().UnfinishedJobs("Office-Printer");
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    ASSERT_EQ(job.Write(kDocuments / "text.xps"), S_OK);
    EXPECT_EQ(job.Status().jobId, 0u);
    EXPECT_EQ(Server().UnfinishedJobs("Office-Printer"), unfinished) << "a job waiting for its document";
    ASSERT_EQ(job.Stream()->Close(), S_OK);
    EXPECT_NE(job.Status().jobId, 0u);
    ASSERT_TRUE(job.Ended());
}

TEST(PrintService, AClosedStreamRefusesWritesAndASecondClose)
{
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    ASSERT_EQ(job.Write(kDocuments / "text.xps"), S_OK);
    ASSERT_EQ(job.Stream()->Close(), S_OK);
    const char byte = 0;
    ULONG written = 1;
    EXPECT_EQ(job.Stream()->Write(&byte, 1, &written), E_UNEXPECTED);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(job.Stream()->Close(), E_UNEXPECTED);
    ULONG read = 1;
    EXPECT_EQ(job.Stream()->Read(&written, 1, &read), E_NOTIMPL);
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(job.Ended());
}

TEST(PrintService, ReleasingAJobThatIsStillPrintingStopsFollowingItAtOnce)
{
    Server().Hold("Held");
    const std::size_t runsBefore = Server().Runs().size();
    {
        StartedJob job(L"Held");
        ASSERT_EQ(job.Started(), S_OK);
        ASSERT_EQ(job.Write(kDocuments / "text.xps"), S_OK);
        ASSERT_EQ(job.Stream()->Close(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return Server().Runs().size() > runsBefore; }));
        const auto releasing = std::chrono::steady_clock::now();
        job.ReleaseStream();
        job.ReleaseJob();
        EXPECT_LT(std::chrono::steady_clock::now() - releasing, 1s);
    }
    Server().Release("Held");
    EXPECT_TRUE(WaitUntil([] { return Server().UnfinishedJobs("Held").empty(); }));
}

TEST(PrintService, RefusesWhatItDoesNotOfferBeforeMakingAJob)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    IXpsPrintJob* job = nullptr;
    IXpsPrintJobStream* stream = nullptr;
    IXpsPrintJobStream* ticket = nullptr;
    UINT8 pages[1] = {1};
    const std::string unfinished = Server().UnfinishedJobs("Office-Printer");
    auto expectRefused = [&](HRESULT status, HRESULT expected) {
        EXPECT_EQ(status, expected);
        EXPECT_EQ(job, nullptr);
        EXPECT_EQ(stream, nullptr);
        // Whatever the next call leaves in them is seen.
        job = reinterpret_cast<IXpsPrintJob*>(&event);
        stream = reinterpret_cast<IXpsPrintJobStream*>(&event);
    };
    const LPCWSTR printer = L"Office-Printer";
    expectRefused(StartXpsPrintJob(printer, L"x", nullptr, nullptr, event, nullptr, 0, &job, nullptr, nullptr),
                  E_INVALIDARG);
    expectRefused(StartXpsPrintJob(nullptr, L"x", nullptr, nullptr, event, nullptr, 0, &job, &stream, nullptr),
                  E_INVALIDARG);
    expectRefused(StartXpsPrintJob(printer, L"x", L"out.xps", nullptr, event, nullptr, 0, &job, &stream, nullptr),
                  HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    expectRefused(StartXpsPrintJob(printer, L"x", nullptr, nullptr, event, nullptr, 0, &job, &stream, &ticket),
                  HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    expectRefused(StartXpsPrintJob(printer, L"x", nullptr, nullptr, event, pages, 1, &job, &stream, nullptr),
                  HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    expectRefused(StartXpsPrintJob(printer, L"x", nullptr, nullptr, INVALID_HANDLE_VALUE, nullptr, 0, &job, &stream,
                                   nullptr),
                  HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(ticket, nullptr);
    EXPECT_EQ(Server().UnfinishedJobs("Office-Printer"), unfinished);
    CloseHandle(event);
}

TEST(PrintService, TheSpoolFileHasNoNameAndOnlyItsOwnerMayReadIt)
{
    auto unnamedFiles = [] {
        std::set<std::pair<dev_t, ino_t>> files;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            struct stat status{};
            if (stat(entry.path().c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 0) {
                EXPECT_EQ(status.st_mode & 0777, 0600u);
                files.emplace(status.st_dev, status.st_ino);
            }
        }
        return files;
    };
    const std::size_t before = unnamedFiles().size();
    StartedJob job;
    ASSERT_EQ(job.Started(), S_OK);
    EXPECT_EQ(unnamedFiles().size(), before + 1);
}

}  // namespace
