// What the entry point writes and returns, and the status discipline behind it.
#include <gtest/gtest.h>

#include <exception>
#include <type_traits>

#include "recorder.h"
#include "submit/scope.h"
#include "submit/status.h"
#include "tool_run.h"

namespace {

class ExitStatus : public testing::Test {
protected:
    void SetUp() override { ResetRecorder(); }
    Recorder& platform = TheRecorder();
};

TEST_F(ExitStatus, MissingArgumentsShowUsageWithoutTouchingThePlatform)
{
    for (const std::vector<std::wstring>& arguments : {std::vector<std::wstring>{}, {L"Office-Printer"}}) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.out, L"Command line usage:\nwrenpage printername filename.xps\n");
        EXPECT_EQ(run.err, L"");
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(platform.calls.empty());
    }
}

TEST_F(ExitStatus, HresultIsWrittenAsSignedDecimalAndReturnedWhole)
{
    platform.failing["CreatePackageFromFile"] = static_cast<HRESULT>(0x80070002);
    const ToolRun run = RunTool({L"Office-Printer", L"missing.xps"});
    EXPECT_EQ(run.err, L"Error -2147024894\n");
    EXPECT_EQ(static_cast<std::uint32_t>(run.status), 0x80070002u);
}

TEST_F(ExitStatus, KernelCodeIsWrittenUnsignedAndUnconverted)
{
    platform.createEventFails = true;
    platform.createEventError = 8;
    const ToolRun run = RunTool({L"Office-Printer", L"report.xps"});
    EXPECT_EQ(run.err, L"Error 8\n");
    EXPECT_EQ(run.status, 8);
}

TEST(StatusException, StandsOutsideTheStandardHierarchy)
{
    static_assert(!std::is_base_of_v<std::exception, ATL::CAtlException>);
    try {
        try {
            ThrowStatus(E_FAIL);
        } catch (const std::exception&) {
            FAIL() << "caught as a std::exception";
        }
    } catch (ATL::CAtlException e) {
        EXPECT_EQ(e.m_hr, E_FAIL);
    }
}

TEST(StatusException, OnlyNegativeStatusesThrow)
{
    EXPECT_EQ(CheckStatus(S_OK), S_OK);
    EXPECT_EQ(CheckStatus(S_FALSE), S_FALSE);
    EXPECT_EQ(CheckStatus(0x7FFFFFFF), 0x7FFFFFFF);
    for (HRESULT failing : {E_FAIL, static_cast<HRESULT>(0x80000000), -1}) {
        try {
            CheckStatus(failing);
            ADD_FAILURE() << failing << " passed";
        } catch (ATL::CAtlException e) {
            EXPECT_EQ(e.m_hr, failing);
        }
    }
}

TEST_F(ExitStatus, EmptyOwnersGiveNothingBack)
{
    {
        CScopedHandle none(nullptr);
        CScopedHandle invalid(INVALID_HANDLE_VALUE);
        CInterfaceRef<IXpsOMPackage> empty;
    }
    EXPECT_TRUE(platform.calls.empty());
}

}  // namespace
