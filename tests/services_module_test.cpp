// The executable and its services module: where it finds the module, what it says without it, and that
// it starts without the print libraries.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "process.h"

namespace {

namespace fs = std::filesystem;

// A private folder for copies of the tool.
class Install {
public:
    Install()
    {
        std::string pattern = (fs::temp_directory_path() / "wrenpage-install-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
    }
    ~Install() { fs::remove_all(m_root); }

    // Copies the tool into folder under the root, and the module into its own folder if given one.
    std::string Place(const std::string& folder, const std::string& moduleFolder = "") const
    {
        fs::create_directories(m_root / folder);
        const fs::path tool = m_root / folder / "wrenpage";
        fs::copy_file(WRENPAGE_BINARY, tool);
        if (!moduleFolder.empty()) {
            fs::create_directories(m_root / moduleFolder);
            fs::copy_file(WRENPAGE_SERVICES, m_root / moduleFolder / fs::path(WRENPAGE_SERVICES).filename());
        }
        return tool.string();
    }

private:
    fs::path m_root;
};

// A print server that is not there: the services answer for themselves.
const ProcessOptions kNoServer{"", {"CUPS_SERVER=/nonexistent/cups.sock"}};
const std::string kErrorModuleNotFound = "Error -2147024770\n";

TEST(ServicesModule, TheToolStartsWithoutThePrintLibraries)
{
    const ProcessRun run = RunProcess("/usr/bin/readelf", {"--dynamic", WRENPAGE_BINARY});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.find("libcups"), std::string::npos);
}

TEST(ServicesModule, FoundBesideTheToolOrInstalledBesideItsFolder)
{
    Install install;
    for (const auto& [tool, module] : {std::pair{"build", "build"}, std::pair{"prefix/bin", "prefix/lib/wrenpage"}}) {
        const ProcessRun run = RunProcess(install.Place(tool, module), {"Office-Printer", "missing.xps"}, kNoServer);
        EXPECT_NE(run.exitCode, 0) << tool;
        EXPECT_NE(run.err, kErrorModuleNotFound) << tool;
        EXPECT_EQ(run.err.rfind("Error ", 0), 0u) << tool;
    }
}

TEST(ServicesModule, WithoutItPrintingFailsWithTheStatusOfAMissingLibrary)
{
    Install install;
    const std::string tool = install.Place("alone");
    const ProcessRun printing = RunProcess(tool, {"Office-Printer", "document.xps"}, kNoServer);
    EXPECT_EQ(printing.err, kErrorModuleNotFound);
    EXPECT_EQ(printing.out, "");
    EXPECT_EQ(printing.exitCode, 0x7E);

    const ProcessRun usage = RunProcess(tool, {});
    EXPECT_EQ(usage.out, "Command line usage:\nwrenpage printername filename.xps\n");
    EXPECT_EQ(usage.exitCode, 1);
}

}  // namespace
