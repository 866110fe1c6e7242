// CUPS printing XPS through the built filter, on the tests' private server: lp and IPP clients' jobs reach
// the printer as the translator's PDF, or as PostScript on a PostScript printer, and a broken package
// prints nothing and tells why.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert_run.h"

namespace {

namespace fs = std::filesystem;

const PrintServer& Server() { return SharedPrintServer(); }
// Queues with a driver, so that CUPS runs filters: one takes PDF as it is, one PostScript.
const std::string kPdfQueue = "Xps-Pdf";
const std::string kPostScriptQueue = "Xps-PostScript";
const std::string kTestFiles = WRENPAGE_CONVERT_TESTS;

std::string PrinterUri(const std::string& queue)
{
    std::string socket = (fs::path(WRENPAGE_PRINT_SERVER_DIR) / "cups.sock").string();
    std::string encoded;
    for (const char c : socket)
        encoded += c == '/' ? std::string("%2F") : std::string(1, c);
    return "ipp://" + encoded + "/printers/" + queue;
}

// The job of "request id is QUEUE-N (1 file(s))".
int JobOf(const ProcessRun& lp)
{
    EXPECT_EQ(lp.exitCode, 0) << lp.err;
    const std::size_t end = lp.out.find(" (");
    const std::size_t dash = lp.out.rfind('-', end);
    return dash == std::string::npos ? -1 : std::atoi(lp.out.c_str() + dash + 1);
}

int Lp(const std::string& queue, const fs::path& document)
{
    return JobOf(Server().Command("lp", {"-d", queue, document.string()}));
}

// The second line of ipptool's CSV: what the test file displays.
std::string IppValues(const std::vector<std::string>& arguments)
{
    const ProcessRun run = RunProcess("/usr/bin/ipptool", arguments, Server().Clients());
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::size_t line = run.out.find('\n');
    return line == std::string::npos ? "" : run.out.substr(line + 1, run.out.find('\n', line + 1) - line - 1);
}

struct JobState {
    std::string state;
    std::string message;
};

// The job's state once it is over, or stopped for good; its message is the last its filters gave.
JobState EndOf(int job, const std::string& queue)
{
    JobState ended;
    if (job <= 0)
        return ended;
    const bool over = WaitUntil([&] {
        const std::string values = IppValues({"-c", "-d", "job_id=" + std::to_string(job), PrinterUri(queue),
                                              kTestFiles + "/job-state.test"});
        const std::size_t comma = values.find(',');
        ended = {values.substr(0, comma), comma == std::string::npos ? "" : values.substr(comma + 1)};
        return ended.state == "completed" || ended.state == "aborted" || ended.state == "canceled" ||
               ended.state == "processing-stopped";
    });
    EXPECT_TRUE(over) << "job " << job << " is still " << ended.state;
    return ended;
}

std::string Printed(int job, const std::string& queue)
{
    EXPECT_EQ(EndOf(job, queue).state, "completed");
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(Server().Pdf(job)); })) << "job " << job << " was not printed";
    return ReadFile(Server().Pdf(job));
}

TEST(CupsPrintsXps, AnXpsOrOpenXpsFileReachesThePrinterAsTheTranslatorsPdf)
{
    for (const std::string name : {"text.xps", "text.oxps"}) {
        SCOPED_TRACE(name);
        const int job = Lp(kPdfQueue, kDocuments / name);
        EXPECT_TRUE(Printed(job, kPdfQueue) == Translate(kDocuments / name).pdf) << "not the translator's PDF";
    }
}

TEST(CupsPrintsXps, AnXpsDocumentWithoutANameIsKnownByItsContent)
{
    const fs::path document = kDocuments / "fonts.xps";
    const int job = JobOf(RunProcess("/bin/sh", {"-c", "exec lp -d \"$0\" <\"$1\"", kPdfQueue, document.string()},
                                     Server().Clients()));
    EXPECT_TRUE(Printed(job, kPdfQueue) == Translate(document).pdf) << "not the translator's PDF";
}

TEST(CupsPrintsXps, AnIppPrintJobOfOpenXpsReachesThePrinterAsTheTranslatorsPdf)
{
    const fs::path document = kDocuments / "text.oxps";
    const std::string values = IppValues({"-c", "-f", document.string(), "-d", "filetype=application/oxps",
                                          PrinterUri(kPdfQueue), kTestFiles + "/print-job.test"});
    const int job = std::atoi(values.c_str());
    ASSERT_GT(job, 0) << values;
    EXPECT_TRUE(Printed(job, kPdfQueue) == Translate(document).pdf) << "not the translator's PDF";
}

TEST(CupsPrintsXps, APostScriptPrinterGetsEveryPageAsPostScript)
{
    const std::string printed = Printed(Lp(kPostScriptQueue, kDocuments / "pages-20.xps"), kPostScriptQueue);
    EXPECT_EQ(printed.rfind("%!PS", 0), 0u) << printed.substr(0, 40);
    std::size_t pages = 0;
    for (std::size_t at = printed.find("\n%%Page: "); at != std::string::npos; at = printed.find("\n%%Page: ", at + 1))
        ++pages;
    EXPECT_EQ(pages, 20u);
}

// CUPS stops a job whose filter failed, whatever its exit status, and shows the filter's last message.
TEST(CupsPrintsXps, ABrokenPackagePrintsNothingAndItsJobTellsTheStatus)
{
    const fs::path document = kDocuments / "broken-page.xps";
    const int job = Lp(kPdfQueue, document);
    const JobState ended = EndOf(job, kPdfQueue);
    EXPECT_EQ(ended.state, "processing-stopped");
    EXPECT_EQ(ended.message, "wrenpage could not print the XPS document: " + StatusText(Translate(document).status));
    EXPECT_EQ(ReadFile(Server().Pdf(job)), "") << "part of a broken document was printed";
    Server().Command("cancel", {std::to_string(job)});
    EXPECT_TRUE(WaitUntil([&] { return Server().UnfinishedJobs(kPdfQueue).empty(); }));
}

// The converter fails as the tool does, which fails before it makes a job.
TEST(CupsPrintsXps, TheConverterFailsEachDocumentAsTheToolDoes)
{
    TempFolder folder;
    std::vector<fs::path> documents = {folder.Path() / "missing.xps", folder.Path() / "missing" / "x.xps",
                                       folder.Path()};
    for (const std::string name : {"not-a-zip.xps", "truncated.xps", "broken-page.xps", "missing-page.xps",
                                   "bad-font.xps"})
        documents.push_back(kDocuments / name);
    for (const fs::path& document : documents) {
        SCOPED_TRACE(document);
        const ProcessRun tool = RunProcess(WRENPAGE_BINARY, {"Office-Printer", document.string()}, Server().Clients());
        const ProcessRun converter = Convert(document, (folder.Path() / "out.pdf").string());
        EXPECT_NE(tool.exitCode, 0);
        EXPECT_EQ(converter.err, tool.err);
        EXPECT_EQ(converter.exitCode, tool.exitCode);
    }
}

}  // namespace
