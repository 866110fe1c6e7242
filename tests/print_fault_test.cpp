// The built tool when its print server stops, its spool folder fills up or the server wants a password:
// each ends in one line and a status, or in a printed job, and no job is left behind on the server.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

#include "platform.h"
#include "platform/linux/print/print_status.h"
#include "print_server.h"
#include "stalling_relay.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kDocuments = WRENPAGE_TEST_DOCUMENTS;

void ExpectFailure(const ProcessRun& run, HRESULT status)
{
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Error " + std::to_string(status) + "\n");
    const int low = static_cast<int>(static_cast<std::uint32_t>(status) & 0xFF);
    EXPECT_EQ(run.exitCode, low != 0 ? low : 1);
}

// A print server of the test's own, which it may stop and start again.
class ServerFaults : public testing::Test {
protected:
    ServerFaults() : m_server(m_folder.Path() / "cups") {}
    void SetUp() override { ASSERT_EQ(m_server.Start({"Faults"}).exitCode, 0); }
    void TearDown() override { m_server.Stop(); }

    const PrintServer& Server() const { return m_server; }
    ChildProcess StartTool(const fs::path& document, ProcessOptions options = {}) const
    {
        return ChildProcess(WRENPAGE_BINARY, {"Faults", document.string()}, m_server.Clients(std::move(options)));
    }
    // A relay to the server that lets through the start of each request, a part of any document with
    // pictures, and holds the rest: the document stops part-way until the test acts.
    StallingRelay StallDocuments() const
    {
        return StallingRelay(m_folder.Path() / "relay.sock", m_folder.Path() / "cups" / "cups.sock", 256 << 10);
    }
    ChildProcess StartTool(const fs::path& document, const StallingRelay&) const
    {
        ProcessOptions options;
        options.environment.push_back("CUPS_SERVER=" + (m_folder.Path() / "relay.sock").string());
        return ChildProcess(WRENPAGE_BINARY, {"Faults", document.string()}, options);
    }
    // The start of the document is on the server, and the rest held back.
    bool Stalled(const StallingRelay& relay) const { return relay.Stalled() && Receiving(); }
    // Running again, the server holds no job and captured none.
    void ExpectNoJobAfterRestart() const
    {
        ASSERT_EQ(m_server.Start({}).exitCode, 0);
        EXPECT_EQ(m_server.Command("lpstat", {"-o"}).out, "");
        EXPECT_EQ(m_server.Captured(), std::set<int>{});
    }
    // The body of a request the server is receiving, which it keeps in its spool folder.
    bool Receiving() const
    {
        for (const auto& entry : fs::directory_iterator(m_folder.Path() / "cups" / "spool")) {
            const std::string name = entry.path().filename().string();
            // The server removes the body as it drops the request.
            std::error_code gone;
            if (name[0] != 'c' && name[0] != 'd' && entry.file_size(gone) > 0 && !gone)
                return true;
        }
        return false;
    }

private:
    TempFolder m_folder;
    PrintServer m_server;
};

TEST_F(ServerFaults, StoppedBeforeTheJobIsCreatedTheToolFailsUnavailable)
{
    ASSERT_EQ(Server().Stop().exitCode, 0);
    ExpectFailure(StartTool(kDocuments / "text.xps").Finish(), HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
    ExpectNoJobAfterRestart();
}

TEST_F(ServerFaults, StoppedWhileTheDocumentStreamsTheToolFailsUnavailableAndNoJobIsLeft)
{
    const StallingRelay relay = StallDocuments();
    ChildProcess tool = StartTool(kDocuments / "photos-2.xps", relay);
    ASSERT_TRUE(WaitUntil([&] { return Stalled(relay); }, 60s)) << "the document never reached the server";
    ASSERT_EQ(Server().Stop().exitCode, 0);
    ExpectFailure(tool.Finish(), HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
    ExpectNoJobAfterRestart();
}

TEST_F(ServerFaults, AToolKilledWhileTheDocumentStreamsLeavesNoJob)
{
    const StallingRelay relay = StallDocuments();
    {
        ChildProcess tool = StartTool(kDocuments / "photos-2.xps", relay);
        ASSERT_TRUE(WaitUntil([&] { return Stalled(relay); }, 60s)) << "the document never reached the server";
    }
    EXPECT_TRUE(WaitUntil([&] { return !Receiving(); })) << "the server kept the unfinished request";
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Server().Command("lpstat", {"-o"}).out, "");
    EXPECT_EQ(Server().Captured(), std::set<int>{});
}

TEST_F(ServerFaults, StoppedWhileTheToolWaitsForLongTheToolWaitsAndEndsZeroOnceTheJobPrints)
{
    ASSERT_EQ(Server().Command("cupsdisable", {"Faults"}).exitCode, 0);
    ChildProcess tool = StartTool(kDocuments / "text.xps");
    ASSERT_TRUE(WaitUntil([&] { return !Server().UnfinishedJobs("Faults").empty(); })) << "no job was made";
    // The server's answer with the job's id is on its way to the tool as the job shows.
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(Server().Stop().exitCode, 0);
    // Longer than a connection attempt gives up after: the tool keeps asking.
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(tool.Running());
    ASSERT_EQ(Server().Start({}).exitCode, 0);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(tool.Running()) << "the queue is still paused";
    ASSERT_EQ(Server().Command("cupsenable", {"Faults"}).exitCode, 0);

    const ProcessRun run = tool.Finish();
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(Server().Captured().size(), 1u);
    EXPECT_EQ(PdfPages(Server().Pdf(*Server().Captured().begin())), 3);
}

TEST_F(ServerFaults, StoppedForGoodWhileTheToolWaitsTheToolFailsUnavailableAfterAMinute)
{
    ASSERT_EQ(Server().Command("cupsdisable", {"Faults"}).exitCode, 0);
    ChildProcess tool = StartTool(kDocuments / "text.xps");
    ASSERT_TRUE(WaitUntil([&] { return !Server().UnfinishedJobs("Faults").empty(); })) << "no job was made";
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(Server().Stop().exitCode, 0);
    const auto stopped = std::chrono::steady_clock::now();
    ExpectFailure(tool.Finish(), HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
    // The server stopped answering a little before its stop returned.
    EXPECT_GE(std::chrono::steady_clock::now() - stopped, 50s) << "a server only restarting would have been given up on";
}

// A tmpfs of the size given ("64k"), mounted for the test's lifetime.
class SmallFileSystem {
public:
    SmallFileSystem(const fs::path& folder, const std::string& size) : m_folder(folder)
    {
        fs::create_directories(folder);
        const std::string options = "size=" + size + ",mode=1777";
        m_mounted = mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return m_mounted; }
    // Blocks in use: a file deleted but still open keeps its blocks.
    unsigned long UsedBlocks() const
    {
        struct statvfs status{};
        statvfs(m_folder.c_str(), &status);
        return status.f_blocks - status.f_bfree;
    }

private:
    fs::path m_folder;
    bool m_mounted = false;
};

TEST_F(ServerFaults, AFullSpoolFolderFailsDiskFullWithNoJobAndNoFileLeft)
{
    struct Case {
        const char* document;
        const char* folderSize;
    };
    // The PDF (5 MB) outgrows the folder midway; then a folder too small for even the PDF's start.
    for (const Case& c : {Case{"photos-2.xps", "4m"}, Case{"photos-2.xps", "16k"}}) {
        SCOPED_TRACE(c.document);
        TempFolder folder;
        const SmallFileSystem spool(folder.Path() / "spool", c.folderSize);
        if (!spool.Mounted())
            GTEST_SKIP() << "mounting a tmpfs takes root";
        const unsigned long usedBefore = spool.UsedBlocks();
        ProcessOptions options;
        options.environment.push_back("TMPDIR=" + (folder.Path() / "spool").string());

        ExpectFailure(StartTool(kDocuments / c.document, options).Finish(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
        EXPECT_TRUE(fs::is_empty(folder.Path() / "spool"));
        EXPECT_EQ(spool.UsedBlocks(), usedBefore);
        EXPECT_EQ(Server().Command("lpstat", {"-o"}).out, "");
        EXPECT_EQ(Server().Captured(), std::set<int>{});
    }
}

TEST_F(ServerFaults, AServerThatWantsAPasswordGetsNoPromptAndTheToolFailsAccessDenied)
{
    ASSERT_EQ(Server().Command("lpadmin", {"-p", "Faults", "-o", "printer-op-policy=authenticate"}).exitCode, 0);
    // On a terminal of its own, where libcups's own password prompt would show and wait.
    const std::string command =
        "'" + std::string(WRENPAGE_BINARY) + "' Faults '" + (kDocuments / "text.xps").string() + "'";
    ChildProcess tool("/usr/bin/script", {"--quiet", "--return", "--command", command, "/dev/null"},
                      Server().Clients());
    const ProcessRun run = tool.Finish();
    const HRESULT denied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    EXPECT_EQ(run.out, "Error " + std::to_string(denied) + "\r\n") << "the terminal showed more than one line";
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(Server().Command("lpstat", {"-o"}).out, "");
    EXPECT_EQ(Server().Captured(), std::set<int>{});
}

}  // namespace
