// The tests' private CUPS server (scripts/print-server) and what its capture backend kept of each job.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "process.h"

// Polls until the condition holds; false if it still does not after the timeout.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder of its own under /tmp, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/wrenpage-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

class PrintServer {
public:
    explicit PrintServer(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    ProcessRun Start(const std::vector<std::string>& queues) const
    {
        std::vector<std::string> arguments{"start", m_folder.string()};
        arguments.insert(arguments.end(), queues.begin(), queues.end());
        return RunProcess(WRENPAGE_PRINT_SERVER_SCRIPT, arguments);
    }
    ProcessRun Stop() const { return RunProcess(WRENPAGE_PRINT_SERVER_SCRIPT, {"stop", m_folder.string()}); }

    // A child's environment that points CUPS clients at this server.
    ProcessOptions Clients(ProcessOptions options = {}) const
    {
        options.environment.push_back("CUPS_SERVER=" + (m_folder / "cups.sock").string());
        return options;
    }

    // Runs a CUPS command (lpstat, cancel, cupsdisable...) against this server.
    ProcessRun Command(const std::string& program, const std::vector<std::string>& arguments) const
    {
        for (const char* folder : {"/usr/bin/", "/usr/sbin/"}) {
            if (std::filesystem::exists(folder + program))
                return RunProcess(folder + program, arguments, Clients());
        }
        throw std::runtime_error("no " + program);
    }

    // The jobs of the queue that have not ended: none may be left behind.
    std::string UnfinishedJobs(const std::string& queue) const { return Command("lpstat", {"-o", queue}).out; }

    // While held, the queue's jobs stay in processing.
    void Hold(const std::string& queue) const { std::ofstream(m_folder / "hold" / queue).put('\n'); }
    void Release(const std::string& queue) const { std::filesystem::remove(m_folder / "hold" / queue); }

    // The ids of the jobs the backend has started, in order, one line each time.
    std::vector<int> Runs() const
    {
        std::istringstream lines(ReadFile(m_folder / "out" / "runs"));
        return std::vector<int>(std::istream_iterator<int>(lines), {});
    }
    std::set<int> Captured() const
    {
        const std::vector<int> runs = Runs();
        return std::set<int>(runs.begin(), runs.end());
    }

    std::filesystem::path Pdf(int job) const { return m_folder / "out" / ("job-" + std::to_string(job) + ".pdf"); }
    // The job's name as the server holds it, the copies and options it was given and the queue that
    // printed it.
    std::string Title(int job) const { return Line(m_folder / "out" / ("job-" + std::to_string(job) + ".title")); }
    std::string Options(int job) const
    {
        return Line(m_folder / "out" / ("job-" + std::to_string(job) + ".options"));
    }
    int Copies(int job) const { return std::atoi(Line(m_folder / "out" / ("job-" + std::to_string(job) + ".copies")).c_str()); }
    std::string Queue(int job) const { return Line(m_folder / "out" / ("job-" + std::to_string(job) + ".queue")); }

private:
    static std::string Line(const std::filesystem::path& path)
    {
        std::string text = ReadFile(path);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }

    std::filesystem::path m_folder;
};

// The server the CTest fixture started for every test.
inline const PrintServer& SharedPrintServer()
{
    static const PrintServer server(WRENPAGE_PRINT_SERVER_DIR);
    return server;
}

inline int PdfPages(const std::filesystem::path& pdf)
{
    const std::string info = RunProcess("/usr/bin/pdfinfo", {pdf.string()}).out;
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

inline std::string PdfText(const std::filesystem::path& pdf)
{
    return RunProcess("/usr/bin/pdftotext", {pdf.string(), "-"}).out;
}
