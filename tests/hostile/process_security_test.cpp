// What the tool's process exposes: no file another user could find or replace, nothing taken from the
// current folder, no privilege asked for.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/linux/unique_fd.h"
#include "print_server.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDocument = fs::path(WRENPAGE_TEST_DOCUMENTS) / "text.xps";

ProcessRun Print(const std::string& document, ProcessOptions options = {})
{
    return RunProcess(WRENPAGE_BINARY, {"Office-Printer", document}, SharedPrintServer().Clients(std::move(options)));
}

TEST(ProcessSecurity, NoTemporaryFileEverHasANameSomeoneElseCouldOpen)
{
    TempFolder spool;
    UniqueFd watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_GE(inotify_add_watch(watch.Get(), spool.Path().c_str(), IN_CREATE | IN_MOVED_TO), 0);

    for (const std::string& document : {kDocument.string(), (fs::path(WRENPAGE_TEST_DOCUMENTS) / "broken-page.xps").string()}) {
        SCOPED_TRACE(document);
        const ProcessRun run = Print(document, {"", {"TMPDIR=" + spool.Path().string()}});
        EXPECT_EQ(run.out, "");
    }
    // The spool is where TMPDIR says: without that folder nothing prints.
    EXPECT_NE(Print(kDocument.string(), {"", {"TMPDIR=" + (spool.Path() / "missing").string()}}).exitCode, 0);

    alignas(inotify_event) char events[4096];
    EXPECT_LE(read(watch.Get(), events, sizeof events), 0) << "a file was created in TMPDIR by name";
    EXPECT_TRUE(fs::is_empty(spool.Path()));
}

TEST(ProcessSecurity, TheCurrentFolderMattersOnlyForARelativeDocumentPath)
{
    TempFolder folder;
    const fs::path copy = folder.Path() / "letter.xps";
    fs::copy_file(kDocument, copy);

    const ProcessRun relative = Print("letter.xps", {folder.Path().string(), {}});
    EXPECT_EQ(relative.err, "");
    EXPECT_EQ(relative.exitCode, 0);

    // A current folder that no longer exists has nothing to give.
    const fs::path gone = folder.Path() / "gone";
    fs::create_directory(gone);
    ChildProcess tool(WRENPAGE_BINARY, {"Office-Printer", copy.string()},
                      SharedPrintServer().Clients({gone.string(), {}}));
    fs::remove(gone);
    const ProcessRun absolute = tool.Finish();
    EXPECT_EQ(absolute.err, "");
    EXPECT_EQ(absolute.exitCode, 0);
}

TEST(ProcessSecurity, TheExecutableAsksForNoPrivilege)
{
    struct stat info{};
    ASSERT_EQ(stat(WRENPAGE_BINARY, &info), 0);
    EXPECT_EQ(info.st_mode & (S_ISUID | S_ISGID), 0u);
    EXPECT_EQ(info.st_mode & S_IWOTH, 0u);
}

}  // namespace
