// Forty tools printing at once, twenty on each of two queues, with documents of 1 to 200 pages; and the
// same with the server restarted in the middle. Every job a tool reports printed was captured whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "print_server.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kDocuments = WRENPAGE_TEST_DOCUMENTS;
constexpr int kPrints = 40;
constexpr int kPageCounts[] = {1, 20, 50, 150, 200};

struct Print {
    std::string document;  // its path, which is also the job's name
    int pages;
    std::unique_ptr<ChildProcess> tool;
    ProcessRun run;
};

class Load : public testing::Test {
protected:
    Load() : m_server(m_folder.Path() / "cups") {}
    void SetUp() override
    {
        ASSERT_EQ(m_server.Start({"Load-A", "Load-B"}).exitCode, 0);
        fs::create_directories(m_folder.Path() / "tmp");
    }
    void TearDown() override { m_server.Stop(); }

    // Starts them all; each document under a name of its own, so that its job can be told by its name.
    void StartAll()
    {
        ProcessOptions options = m_server.Clients();
        options.environment.push_back("TMPDIR=" + (m_folder.Path() / "tmp").string());
        for (int i = 0; i < kPrints; ++i) {
            const int pages = kPageCounts[i % std::size(kPageCounts)];
            const fs::path document = m_folder.Path() / ("print-" + std::to_string(i) + ".xps");
            fs::create_symlink(kDocuments / ("pages-" + std::to_string(pages) + ".xps"), document);
            const std::string queue = i % 2 == 0 ? "Load-A" : "Load-B";
            m_prints.push_back({document.string(), pages,
                                std::make_unique<ChildProcess>(WRENPAGE_BINARY,
                                                               std::vector<std::string>{queue, document.string()},
                                                               options),
                                {}});
        }
    }
    void FinishAll()
    {
        for (Print& print : m_prints)
            print.run = print.tool->Finish();
    }

    // What every run must hold, whatever else happened: a tool that ended 0 had its document captured
    // whole, one that did not wrote one line, and no job or temporary file is left.
    void ExpectEveryReportTrue() const
    {
        std::map<std::string, std::vector<int>> jobsByName;
        for (int job : m_server.Captured())
            jobsByName[m_server.Title(job)].push_back(job);
        for (const Print& print : m_prints) {
            SCOPED_TRACE(print.document);
            if (print.run.exitCode == 0) {
                EXPECT_EQ(print.run.err, "");
                ASSERT_EQ(jobsByName[print.document].size(), 1u) << "reported printed, captured once";
                EXPECT_EQ(PdfPages(m_server.Pdf(jobsByName[print.document].front())), print.pages);
            } else {
                EXPECT_EQ(print.run.err.rfind("Error -", 0), 0u) << print.run.err;
                EXPECT_EQ(print.run.err.find('\n'), print.run.err.size() - 1) << "one line";
            }
        }
        // A job whose tool lost the server's answer may still be printing.
        EXPECT_TRUE(WaitUntil([&] { return m_server.Command("lpstat", {"-o"}).out.empty(); }, 30s))
            << "a job left held or pending";
        EXPECT_TRUE(fs::is_empty(m_folder.Path() / "tmp")) << "a temporary file left behind";
    }

    std::size_t WaitingJobs(const std::string& queue) const
    {
        const std::string jobs = m_server.UnfinishedJobs(queue);
        return static_cast<std::size_t>(std::count(jobs.begin(), jobs.end(), '\n'));
    }

    int Printed() const
    {
        int printed = 0;
        for (const Print& print : m_prints)
            printed += print.run.exitCode == 0 ? 1 : 0;
        return printed;
    }

    TempFolder m_folder;
    PrintServer m_server;
    std::vector<Print> m_prints;
};

TEST_F(Load, FortyPrintsAtOnceAllPrintWhole)
{
    StartAll();
    FinishAll();
    EXPECT_EQ(Printed(), kPrints);
    EXPECT_EQ(m_server.Captured().size(), static_cast<std::size_t>(kPrints));
    ExpectEveryReportTrue();
}

TEST_F(Load, FortyPrintsAtOnceThroughAServerRestartReportOnlyWhatPrinted)
{
    // One queue keeps its jobs until after the restart, so that some tools are waiting through it.
    m_server.Hold("Load-A");
    StartAll();
    ASSERT_TRUE(WaitUntil([&] { return m_server.Runs().size() >= kPrints / 4; }, 60s)) << "nothing printed";
    const std::size_t waiting = WaitingJobs("Load-A");
    ASSERT_EQ(m_server.Stop().exitCode, 0);
    ASSERT_EQ(m_server.Start({}).exitCode, 0);
    m_server.Release("Load-A");
    FinishAll();
    EXPECT_GE(Printed(), static_cast<int>(waiting)) << "a job the server held through its restart was lost";
    ExpectEveryReportTrue();

    std::map<std::string, int> failures;
    for (const Print& print : m_prints) {
        if (print.run.exitCode != 0)
            ++failures[print.run.err.substr(0, print.run.err.size() - 1)];
    }
    std::cout << waiting << " jobs waiting at the restart; printed " << Printed() << " of " << kPrints << "; captured " << m_server.Captured().size()
              << "; backend runs " << m_server.Runs().size() << '\n';
    for (const auto& [error, count] : failures)
        std::cout << count << " x " << error << '\n';
}

}  // namespace
