// wrenpage-pdf and the CUPS filter as built: the translator's PDF, whole, where it was asked for, and a
// failure as one line that leaves nothing behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "convert_run.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kGood = {"text.xps", "text.oxps", "fonts.xps", "pictures.xps"};
// Refused as they load, hostile (a part that inflates to 3 GiB, an image of 64 million pixels), and as they
// are drawn (a font part that is no font).
const std::vector<std::string> kBroken = {"not-a-zip.xps",  "truncated.xps",      "broken-page.xps",
                                          "missing-page.xps", "bomb-lying.xps", "image-bomb-png.xps",
                                          "bad-font.xps"};

std::set<std::string> Listing(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

mode_t Mode(const fs::path& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(Converter, WritesTheTranslatorsPdfToAFileAndToStandardOutput)
{
    for (const std::string& name : kGood) {
        SCOPED_TRACE(name);
        const Translation expected = Translate(kDocuments / name);
        ASSERT_EQ(expected.status, S_OK);
        TempFolder folder;
        const fs::path out = folder.Path() / "out.pdf";
        const ProcessRun toFile = Convert(kDocuments / name, out.string());
        EXPECT_EQ(toFile.exitCode, 0);
        EXPECT_EQ(toFile.out + toFile.err, "");
        EXPECT_TRUE(ReadFile(out) == expected.pdf) << "the file is not the translator's PDF";
        EXPECT_EQ(Listing(folder.Path()), std::set<std::string>{"out.pdf"});

        const ProcessRun toStdout = Convert(kDocuments / name, "-");
        EXPECT_EQ(toStdout.exitCode, 0);
        EXPECT_EQ(toStdout.err, "");
        EXPECT_TRUE(toStdout.out == expected.pdf) << "standard output is not the translator's PDF";
    }
}

TEST(Converter, ReplacesAFileKeepingItsModeAndMakesANewOneAsTheUmaskSays)
{
    TempFolder folder;
    const fs::path replaced = folder.Path() / "replaced.pdf";
    WriteFile(replaced, "old");
    chmod(replaced.c_str(), 0640);
    ASSERT_EQ(Convert(kDocuments / "text.xps", replaced.string()).exitCode, 0);
    EXPECT_EQ(ReadFile(replaced).substr(0, 5), "%PDF-");
    EXPECT_EQ(Mode(replaced), 0640u);

    const mode_t mask = umask(0);
    umask(mask);
    const fs::path made = folder.Path() / "made.pdf";
    ASSERT_EQ(Convert(kDocuments / "text.xps", made.string()).exitCode, 0);
    EXPECT_EQ(Mode(made), 0666u & ~mask) << "a private temporary file's mode was kept";
}

TEST(Converter, FailsAsTheTranslatorDoesWithOneLineAndLeavesTheOutputAsItWas)
{
    for (const std::string& name : kBroken) {
        SCOPED_TRACE(name);
        const HRESULT status = Translate(kDocuments / name).status;
        ASSERT_LT(status, 0);
        TempFolder folder;
        const fs::path out = folder.Path() / "out.pdf";
        WriteFile(out, "kept");
        const ProcessRun toFile = Convert(kDocuments / name, out.string());
        EXPECT_EQ(toFile.err, ErrorLine(status));
        EXPECT_EQ(toFile.exitCode, ExitCode(status));
        EXPECT_EQ(ReadFile(out), "kept");
        EXPECT_EQ(Listing(folder.Path()), std::set<std::string>{"out.pdf"}) << "a temporary file was left";

        const ProcessRun toStdout = Convert(kDocuments / name, "-");
        EXPECT_EQ(toStdout.out, "") << "part of a failed document was written";
        EXPECT_EQ(toStdout.err, ErrorLine(status));
        EXPECT_EQ(toStdout.exitCode, ExitCode(status));
    }
}

TEST(Converter, RefusesWhatIsNoFileAndAnOutputItCannotWrite)
{
    TempFolder folder;
    const fs::path fifo = folder.Path() / "fifo.xps";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path out = folder.Path() / "out.pdf";
    // A FIFO is refused, not waited on. Missing files and folders are checked against the tool itself, in
    // the print server's tests.
    const std::vector<std::pair<std::string, HRESULT>> cases = {
        {fifo.string(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)}, {"", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)}};
    for (const auto& [document, status] : cases) {
        SCOPED_TRACE(document);
        const ProcessRun run = Convert(document, out.string());
        EXPECT_EQ(run.err, ErrorLine(status));
        EXPECT_EQ(run.exitCode, ExitCode(status));
    }
    const ProcessRun unwritable = Convert(kDocuments / "text.xps", (folder.Path() / "missing" / "out.pdf").string());
    EXPECT_EQ(unwritable.err, ErrorLine(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)));
    EXPECT_EQ(Listing(folder.Path()), std::set<std::string>{"fifo.xps"});
}

TEST(Filter, WritesTheTranslatorsPdfFromAFileOrStandardInput)
{
    for (const std::string& name : kGood) {
        SCOPED_TRACE(name);
        const Translation expected = Translate(kDocuments / name);
        for (const ProcessRun& run : {FilterFile(kDocuments / name), FilterInput(kDocuments / name)}) {
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(run.out == expected.pdf) << "standard output is not the translator's PDF";
            EXPECT_EQ(run.err.find("ERROR:"), std::string::npos) << run.err;
        }
    }
}

TEST(Filter, FailsTheJobWithOneErrorLineAndWritesNothing)
{
    for (const std::string& name : kBroken) {
        SCOPED_TRACE(name);
        const HRESULT status = Translate(kDocuments / name).status;
        for (const ProcessRun& run : {FilterFile(kDocuments / name), FilterInput(kDocuments / name)}) {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "ERROR: wrenpage could not print the XPS document: " + ErrorLine(status));
        }
    }
}

}  // namespace
