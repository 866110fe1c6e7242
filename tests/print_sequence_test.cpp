// The print sequence against the recording platform: the calls it makes, in order, and what it gives
// back when any of them fails.
#include <gtest/gtest.h>

#include <functional>

#include "recorder.h"
#include "tool_run.h"

namespace {

const std::vector<std::string> kPrint = {
    "CoInitializeEx(NULL, 0x0)",
    "CreateEventW(NULL, TRUE, FALSE, NULL)",
    "CoCreateInstance({E974D26D-3D9B-4D47-88CC-3872F2DC3585}, NULL, 0x17, {F9B2A685-A50D-4FC2-B764-B56E093EA0CA}, out)",
    "StartXpsPrintJob(\"Office-Printer\", \"report.xps\", NULL, NULL, event, NULL, 0, out, out, NULL)",
    "factory.CreatePackageFromFile(\"report.xps\", FALSE, out)",
    "package.WriteToStream(documentStream, FALSE)",
    "documentStream.Close()",
    "WaitForSingleObject(event, INFINITE)",
    "job.GetJobStatus(out)",
    "package.Release()",
    "documentStream.Release()",
    "job.Release()",
    "factory.Release()",
    "CloseHandle(event)",
    "CoUninitialize()",
};

// The first `steps` calls of a print, then `after`.
std::vector<std::string> Then(std::size_t steps, std::vector<std::string> after)
{
    std::vector<std::string> calls(kPrint.begin(), kPrint.begin() + steps);
    calls.insert(calls.end(), after.begin(), after.end());
    return calls;
}

const std::vector<std::string> kGiveBackAll = {"package.Release()", "documentStream.Release()", "job.Release()",
                                               "factory.Release()", "CloseHandle(event)", "CoUninitialize()"};

class PrintSequence : public testing::Test {
protected:
    void SetUp() override { ResetRecorder(); }
    Recorder& platform = TheRecorder();
};

TEST_F(PrintSequence, PrintsAndWaitsSilently)
{
    const ToolRun run = RunTool({L"Office-Printer", L"report.xps"});
    EXPECT_EQ(platform.calls, kPrint);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, L"");
    EXPECT_EQ(run.err, L"");
    EXPECT_TRUE(platform.AllGivenBack());
}

TEST_F(PrintSequence, IgnoresExtraArguments)
{
    const ToolRun run = RunTool({L"Office-Printer", L"report.xps", L"--copies", L"3"});
    EXPECT_EQ(platform.calls, kPrint);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, L"");
}

TEST_F(PrintSequence, PassesNamesExactlyAsTyped)
{
    RunTool({L" Caf\u00e9 Printer", L"../docs/r\u00e9sum\u00e9 2.xps"});
    EXPECT_EQ(platform.calls[3], "StartXpsPrintJob(\" Caf\\u{E9} Printer\", \"../docs/r\\u{E9}sum\\u{E9} 2.xps\", "
                                 "NULL, NULL, event, NULL, 0, out, out, NULL)");
    EXPECT_EQ(platform.calls[4], "factory.CreatePackageFromFile(\"../docs/r\\u{E9}sum\\u{E9} 2.xps\", FALSE, out)");
}

TEST_F(PrintSequence, PassesAnEmptyArgumentOn)
{
    RunTool({L"", L""});
    EXPECT_EQ(platform.calls[3], "StartXpsPrintJob(\"\", \"\", NULL, NULL, event, NULL, 0, out, out, NULL)");
}

TEST_F(PrintSequence, FailingCloseChangesNothing)
{
    platform.failing["Close"] = E_FAIL;
    const ToolRun run = RunTool({L"Office-Printer", L"report.xps"});
    EXPECT_EQ(platform.calls, kPrint);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, L"");
}

TEST_F(PrintSequence, AlreadyJoinedApartmentIsStillLeftOnce)
{
    platform.coInitializeResult = S_FALSE;
    const ToolRun run = RunTool({L"Office-Printer", L"report.xps"});
    EXPECT_EQ(platform.calls, kPrint);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(platform.AllGivenBack());
}

TEST_F(PrintSequence, OtherExceptionsGiveEverythingBackAndReportUnknownError)
{
    for (const char* method : {"WriteToStream", "WaitForSingleObject", "GetJobStatus"}) {
        ResetRecorder();
        platform.throwing = method;
        const ToolRun run = RunTool({L"Office-Printer", L"report.xps"});
        EXPECT_EQ(run.status, 1) << method;
        EXPECT_EQ(run.err, L"Unknown error\n") << method;
        EXPECT_EQ(run.out, L"") << method;
        EXPECT_TRUE(platform.AllGivenBack()) << method;
        EXPECT_EQ(std::vector<std::string>(platform.calls.end() - 6, platform.calls.end()), kGiveBackAll) << method;
    }
}

struct Failure {
    const char* what;
    std::function<void(Recorder&)> arrange;
    HRESULT status;
    std::vector<std::string> calls;
};

class FailureTable : public PrintSequence, public testing::WithParamInterface<Failure> {};

TEST_P(FailureTable, GivesBackWhatWasHeldNewestFirstAndReportsTheStatus)
{
    const Failure& failure = GetParam();
    failure.arrange(platform);
    const ToolRun run = RunTool({L"Office-Printer", L"report.xps"});
    EXPECT_EQ(platform.calls, failure.calls);
    EXPECT_EQ(run.status, failure.status);
    EXPECT_EQ(run.err, L"Error " + std::to_wstring(failure.status) + L"\n");
    EXPECT_EQ(run.out, L"");
    EXPECT_TRUE(platform.AllGivenBack());
}

constexpr HRESULT kInvalidPrinterName = static_cast<HRESULT>(0x80070709);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);
constexpr HRESULT kDiskFull = static_cast<HRESULT>(0x80070070);
constexpr HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005);
constexpr HRESULT kCancelled = static_cast<HRESULT>(0x800704C7);
constexpr HRESULT kPrinterOutOfPaper = static_cast<HRESULT>(0x8007001C);

void FailJob(Recorder& platform, XPS_JOB_COMPLETION completion, HRESULT jobStatus)
{
    platform.jobStatus.completion = completion;
    platform.jobStatus.jobStatus = jobStatus;
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailureTable,
    testing::Values(
        Failure{"CoInitializeEx", [](Recorder& p) { p.coInitializeResult = RPC_E_CHANGED_MODE; }, RPC_E_CHANGED_MODE,
                Then(1, {})},
        Failure{"CreateEventW with a kernel code, carried unconverted",
                [](Recorder& p) { p.createEventFails = true, p.createEventError = ERROR_NOT_ENOUGH_MEMORY; }, 8,
                Then(2, {"CoUninitialize()"})},
        Failure{"CreateEventW with no last error",
                [](Recorder& p) { p.createEventFails = true, p.createEventError = ERROR_SUCCESS; }, E_FAIL,
                Then(2, {"CoUninitialize()"})},
        Failure{"CoCreateInstance", [](Recorder& p) { p.failing["CoCreateInstance"] = REGDB_E_CLASSNOTREG; },
                REGDB_E_CLASSNOTREG, Then(3, {"CloseHandle(event)", "CoUninitialize()"})},
        Failure{"StartXpsPrintJob", [](Recorder& p) { p.failing["StartXpsPrintJob"] = kInvalidPrinterName; },
                kInvalidPrinterName, Then(4, {"factory.Release()", "CloseHandle(event)", "CoUninitialize()"})},
        Failure{"CreatePackageFromFile releases the stream without Close",
                [](Recorder& p) { p.failing["CreatePackageFromFile"] = kFileNotFound; }, kFileNotFound,
                Then(5, {"documentStream.Release()", "job.Release()", "factory.Release()", "CloseHandle(event)",
                         "CoUninitialize()"})},
        Failure{"WriteToStream releases the stream without Close",
                [](Recorder& p) { p.failing["WriteToStream"] = kDiskFull; }, kDiskFull, Then(6, kGiveBackAll)},
        Failure{"wait with a kernel code",
                [](Recorder& p) { p.waitResult = WAIT_FAILED, p.waitError = ERROR_INVALID_HANDLE; }, 6,
                Then(8, kGiveBackAll)},
        Failure{"wait with no last error",
                [](Recorder& p) { p.waitResult = WAIT_FAILED, p.waitError = ERROR_SUCCESS; }, E_FAIL,
                Then(8, kGiveBackAll)},
        Failure{"wait abandoned", [](Recorder& p) { p.waitResult = WAIT_ABANDONED; }, E_FAIL, Then(8, kGiveBackAll)},
        Failure{"GetJobStatus", [](Recorder& p) { p.failing["GetJobStatus"] = kAccessDenied; }, kAccessDenied,
                Then(9, kGiveBackAll)},
        Failure{"job failed with its status", [](Recorder& p) { FailJob(p, XPS_JOB_FAILED, kPrinterOutOfPaper); },
                kPrinterOutOfPaper, Then(9, kGiveBackAll)},
        Failure{"job failed without a status", [](Recorder& p) { FailJob(p, XPS_JOB_FAILED, S_OK); }, E_FAIL,
                Then(9, kGiveBackAll)},
        Failure{"job cancelled", [](Recorder& p) { FailJob(p, XPS_JOB_CANCELLED, S_OK); }, kCancelled,
                Then(9, kGiveBackAll)},
        Failure{"job still in progress after the event",
                [](Recorder& p) { FailJob(p, XPS_JOB_IN_PROGRESS, S_OK); }, E_UNEXPECTED, Then(9, kGiveBackAll)}),
    [](const testing::TestParamInfo<Failure>& info) {
        std::string name;
        for (const char* c = info.param.what; *c != 0; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

}  // namespace
