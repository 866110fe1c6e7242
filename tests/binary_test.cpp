// The built executable, run as a process: the bytes it writes and its exit status.
#include <gtest/gtest.h>

#include "process.h"

namespace {

TEST(Binary, UsageGoesToStandardOutputAndExitsOne)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{}, {"Office-Printer"}}) {
        const ProcessRun run = RunProcess(WRENPAGE_BINARY, arguments);
        EXPECT_EQ(run.out, "Command line usage:\nwrenpage printername filename.xps\n");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitCode, 1);
    }
}

}  // namespace
