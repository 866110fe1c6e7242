// The built tool printing through a private CUPS server: what reaches the printer, what is refused,
// how the job's fate reaches the exit status, and the names jobs are listed under.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform.h"
#include "platform/linux/print/print_status.h"
#include "print_server.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kDocuments = WRENPAGE_TEST_DOCUMENTS;
const PrintServer& Server() { return SharedPrintServer(); }

ProcessRun Print(const std::string& printer, const std::string& document, ProcessOptions options = {},
                 const PrintServer& server = Server())
{
    return RunProcess(WRENPAGE_BINARY, {printer, document}, server.Clients(std::move(options)));
}

std::string ErrorLine(HRESULT status) { return "Error " + std::to_string(status) + "\n"; }

int ExitCode(HRESULT status)
{
    const int low = static_cast<int>(static_cast<std::uint32_t>(status) & 0xFF);
    return low != 0 ? low : 1;
}

// The one job the backend started since `before` was taken; -1 unless there is exactly one.
int NewJob(const std::set<int>& before, const PrintServer& server = Server())
{
    std::vector<int> added;
    for (int job : server.Captured()) {
        if (before.count(job) == 0)
            added.push_back(job);
    }
    return added.size() == 1 ? added.front() : -1;
}

void ExpectFailure(const ProcessRun& run, HRESULT status)
{
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, ErrorLine(status));
    EXPECT_EQ(run.exitCode, ExitCode(status));
}

void ExpectNothingLeftBehind(const std::set<int>& before, const std::string& queue = "Office-Printer")
{
    EXPECT_EQ(Server().UnfinishedJobs(queue), "");
    EXPECT_EQ(Server().Captured(), before) << "a refused document reached the printer";
}

TEST(PrintsDocuments, EveryPageAndItsTextReachThePrinter)
{
    struct Case {
        const char* file;
        int pages;
        bool text;  // Ghostscript's xpswrite draws its letters as shapes, which carry no text
    };
    const Case documents[] = {{"text.xps", 3, true}, {"text.oxps", 3, true}, {"xpswrite.xps", 2, false}};
    for (const Case& document : documents) {
        SCOPED_TRACE(document.file);
        const std::set<int> before = Server().Captured();
        const ProcessRun run = Print("Office-Printer", (kDocuments / document.file).string());
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitCode, 0);

        const int job = NewJob(before);
        ASSERT_NE(job, -1);
        EXPECT_EQ(PdfPages(Server().Pdf(job)), document.pages);
        const std::string text = PdfText(Server().Pdf(job));
        for (int page = 1; document.text && page <= document.pages; ++page) {
            const std::string words =
                "wrenpage page " + std::to_string(page) + " of " + std::to_string(document.pages);
            EXPECT_NE(text.find(words), std::string::npos) << words << " missing from:\n" << text;
        }
    }
}

TEST(RefusesBadInput, PackagesThatAreNotPrintableXpsFailWithAPackageStatusAndNoJob)
{
    struct Case {
        const char* file;
        std::uint32_t facility;  // 0: any failing status
    };
    constexpr std::uint32_t kOpc = 0x51;
    const Case cases[] = {{"not-a-zip.xps", kOpc}, {"truncated.xps", kOpc}, {"no-xps.xps", 0},
                          {"no-sequence.xps", 0},  {"broken-page.xps", 0},  {"missing-page.xps", 0},
                          {"bomb.xps", 0},         {"bomb-lying.xps", 0}};
    for (const Case& document : cases) {
        SCOPED_TRACE(document.file);
        const std::set<int> before = Server().Captured();
        const ProcessRun run = Print("Office-Printer", (kDocuments / document.file).string());
        EXPECT_EQ(run.out, "");
        ASSERT_EQ(run.err.rfind("Error -", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line";
        const auto status = static_cast<std::uint32_t>(std::stol(run.err.substr(6)));
        EXPECT_NE(run.exitCode, 0);
        if (document.facility != 0) {
            EXPECT_EQ((status >> 16) & 0x1FFF, document.facility) << std::hex << status;
        }
        ExpectNothingLeftBehind(before);
    }
}

TEST(RefusesBadInput, FilesThatCannotBeOpenedFailWithTheirWin32StatusAndNoJob)
{
    TempFolder folder;
    const fs::path fifo = folder.Path() / "pipe.xps";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        DWORD error;
    };
    const Case cases[] = {
        {(folder.Path() / "missing.xps").string(), ERROR_FILE_NOT_FOUND},
        {(folder.Path() / "missing" / "file.xps").string(), ERROR_PATH_NOT_FOUND},
        {folder.Path().string(), ERROR_ACCESS_DENIED},
        {"/dev/null", ERROR_ACCESS_DENIED},
        // Nothing ever writes to the FIFO: opening it must not wait for a writer.
        {fifo.string(), ERROR_ACCESS_DENIED},
    };
    for (const Case& file : cases) {
        SCOPED_TRACE(file.path);
        const std::set<int> before = Server().Captured();
        ExpectFailure(Print("Office-Printer", file.path), HRESULT_FROM_WIN32(file.error));
        ExpectNothingLeftBehind(before);
    }
}

TEST(RefusesBadInput, AnEmptyDocumentPathFailsWithOneLineAndNoJob)
{
    const std::set<int> before = Server().Captured();
    const ProcessRun run = Print("Office-Printer", "");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Error -", 0), 0u) << run.err;
    EXPECT_NE(run.exitCode, 0);
    ExpectNothingLeftBehind(before);
}

TEST(RefusesBadInput, PrintersThatCannotTakeTheJobFailWithTheirWin32Status)
{
    const std::string document = (kDocuments / "text.xps").string();
    const std::set<int> before = Server().Captured();
    ExpectFailure(Print("No-Such-Printer", document), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME));
    // libcups would read an empty name as the default printer.
    ExpectFailure(Print("", document), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME));
    // A name addresses the destination of exactly that name, never another resource of the server.
    for (const char* name : {"../Office-Printer", "Office-Printer?x=1", "Office-Printer#x", "Office%2DPrinter",
                             " Office-Printer", "Office-Printer\n", "/Office-Printer", "jobs/1", "admin/x"}) {
        SCOPED_TRACE(name);
        ExpectFailure(Print(name, document), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME));
    }

    ASSERT_EQ(Server().Command("cupsreject", {"Rejecting"}).exitCode, 0);
    ExpectFailure(Print("Rejecting", document), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_STATE));
    // Known before the document is opened.
    ExpectFailure(Print("Rejecting", (kDocuments / "missing.xps").string()),
                  HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_STATE));
    Server().Command("cupsaccept", {"Rejecting"});

    TempFolder stopped;
    ExpectFailure(Print("Office-Printer", document, {}, PrintServer(stopped.Path())),
                  HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
    ExpectNothingLeftBehind(before);
}

TEST(JobFate, AJobCancelledWhilePrintingEndsTheToolCancelled)
{
    Server().Hold("Held");
    const std::size_t runsBefore = Server().Runs().size();
    ChildProcess tool(WRENPAGE_BINARY, {"Held", (kDocuments / "text.xps").string()}, Server().Clients());
    ASSERT_TRUE(WaitUntil([&] { return Server().Runs().size() > runsBefore; })) << "the job never started";
    const int job = Server().Runs().back();
    EXPECT_EQ(Server().Command("cancel", {std::to_string(job)}).exitCode, 0);
    const ProcessRun run = tool.Finish();
    Server().Release("Held");
    ExpectFailure(run, HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_EQ(Server().UnfinishedJobs("Held"), "");
}

TEST(JobFate, APausedQueueKeepsTheToolWaitingUntilItIsEnabled)
{
    ASSERT_EQ(Server().Command("cupsdisable", {"Paused"}).exitCode, 0);
    const std::set<int> before = Server().Captured();
    ChildProcess tool(WRENPAGE_BINARY, {"Paused", (kDocuments / "text.xps").string()}, Server().Clients());
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(tool.Running());
    EXPECT_NE(Server().UnfinishedJobs("Paused"), "");

    ASSERT_EQ(Server().Command("cupsenable", {"Paused"}).exitCode, 0);
    const ProcessRun run = tool.Finish();
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
    const int job = NewJob(before);
    ASSERT_NE(job, -1);
    EXPECT_EQ(PdfPages(Server().Pdf(job)), 3);
}

TEST(JobFate, AServerRestartedMidJobPrintsItAgainAndTheToolExitsZero)
{
    TempFolder folder;
    const PrintServer server(folder.Path() / "cups");
    ASSERT_EQ(server.Start({"Restarting"}).exitCode, 0);
    server.Hold("Restarting");
    ChildProcess tool(WRENPAGE_BINARY, {"Restarting", (kDocuments / "text.xps").string()}, server.Clients());
    ASSERT_TRUE(WaitUntil([&] { return server.Runs().size() == 1; })) << "the job never started";

    ASSERT_EQ(server.Stop().exitCode, 0);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(tool.Running());
    ASSERT_EQ(server.Start({}).exitCode, 0);
    ASSERT_TRUE(WaitUntil([&] { return server.Runs().size() == 2; })) << "the job was not run again";
    server.Release("Restarting");

    const ProcessRun run = tool.Finish();
    server.Stop();
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
    const int job = server.Runs().front();
    EXPECT_EQ(server.Runs(), (std::vector<int>{job, job})) << "printed once more, from the start";
    EXPECT_EQ(PdfPages(server.Pdf(job)), 3);
}

TEST(JobNames, AnyPathPrintsAndNamesItsJobCleanly)
{
    TempFolder folder;
    const std::string longFolder(140, 'a');
    const std::string longName = std::string(113, 'b') + "\xC3\xA9" + std::string(20, 'c') + ".xps";
    struct Case {
        std::string path;  // relative to the folder, as typed
        std::string name;  // the job's name on the server
    };
    const Case cases[] = {
        {"r\xC3\xA9sum\xC3\xA9 \xE6\x96\x87\xE6\x9B\xB8.xps", "r\xC3\xA9sum\xC3\xA9 \xE6\x96\x87\xE6\x9B\xB8.xps"},
        // A byte that is not UTF-8 is shown as U+FFFD; the file is still opened by its own bytes.
        {"latin1-\xE9t\xE9.xps", "latin1-\xEF\xBF\xBDt\xEF\xBF\xBD.xps"},
        {"tab\there\x7F.xps", "tabhere.xps"},
        {"-starts-with-a-dash.xps", "-starts-with-a-dash.xps"},
        {"sub/folder/../report.xps", "sub/folder/../report.xps"},
        // 280 bytes, with a two-byte letter at bytes 255 and 256: the name is cut before it.
        {longFolder + "/" + longName, longFolder + "/" + std::string(113, 'b')},
    };
    fs::create_directories(folder.Path() / "sub" / "folder");
    fs::create_directories(folder.Path() / longFolder);
    for (const Case& file : cases) {
        SCOPED_TRACE(file.path);
        fs::copy_file(kDocuments / "text.xps", folder.Path() / file.path);
        const std::set<int> before = Server().Captured();
        ProcessOptions inFolder;
        inFolder.workingDirectory = folder.Path().string();
        const ProcessRun run = Print("Office-Printer", file.path, inFolder);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitCode, 0);
        const int job = NewJob(before);
        ASSERT_NE(job, -1);
        EXPECT_EQ(Server().Title(job), file.name);
        EXPECT_EQ(PdfPages(Server().Pdf(job)), 3);
    }
}

TEST(PrinterNames, QueuesNamedLikePathsQueriesOrEscapesGetTheirOwnJobsOnly)
{
    const std::string document = (kDocuments / "text.xps").string();
    // Pasted into a URI unescaped, the first would reach the second and the third a folder.
    const std::string queues[] = {"Percent%41", "PercentA", "Percent%2FA", "Dot..", "Amp&x=1", "semi;colon"};
    for (const std::string& queue : queues)
        ASSERT_EQ(Server().Command("lpadmin", {"-p", queue, "-E", "-v", "capture:/out", "-m", "raw"}).exitCode, 0);
    for (const std::string& queue : queues) {
        SCOPED_TRACE(queue);
        const std::set<int> before = Server().Captured();
        ASSERT_EQ(Print(queue, document).exitCode, 0);
        const int job = NewJob(before);
        ASSERT_NE(job, -1);
        EXPECT_EQ(Server().Queue(job), queue);
    }

    const std::set<int> before = Server().Captured();
    // Each would name an existing queue once unescaped or with its controls dropped.
    for (const char* name : {"Percent%2541", "%4Fffice-Printer", "Percent%2FA%00", "Office-Printer	",
                             "Office\x7F-Printer", "\x1B[2JOffice-Printer", "Office-Printer\r"}) {
        SCOPED_TRACE(name);
        ExpectFailure(Print(name, document), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME));
    }
    ExpectNothingLeftBehind(before);
    // After the last '/' comes an instance, which only picks the user's saved options: an unknown one
    // prints on its queue with none, as lp does, and '..' there reaches nothing else.
    ASSERT_EQ(Print("PercentA/..", document).exitCode, 0);
    const int job = NewJob(before);
    ASSERT_NE(job, -1);
    EXPECT_EQ(Server().Queue(job), "PercentA");

    for (const std::string& queue : queues)
        Server().Command("lpadmin", {"-x", queue});
}

TEST(PrinterNames, NamesIgnoreCaseAndAnInstanceBringsTheUsersSavedOptions)
{
    TempFolder home;
    fs::create_directories(home.Path() / ".cups");
    std::ofstream(home.Path() / ".cups" / "lpoptions") << "Dest Office-Printer/two-up number-up=2\n";
    ProcessOptions user;
    user.environment.push_back("HOME=" + home.Path().string());

    const std::string document = (kDocuments / "text.xps").string();
    std::set<int> before = Server().Captured();
    ASSERT_EQ(Print("office-PRINTER/two-up", document, user).exitCode, 0);
    int job = NewJob(before);
    ASSERT_NE(job, -1);
    EXPECT_NE(Server().Options(job).find("number-up=2"), std::string::npos) << Server().Options(job);

    before = Server().Captured();
    ASSERT_EQ(Print("OFFICE-PRINTER", document, user).exitCode, 0);
    job = NewJob(before);
    ASSERT_NE(job, -1);
    EXPECT_EQ(Server().Options(job).find("number-up=2"), std::string::npos) << Server().Options(job);
}

}  // namespace
