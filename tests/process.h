// Runs a program as a child process and collects what it wrote and how it exited.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

struct ProcessRun {
    std::string out;
    std::string err;
    int exitCode;  // -1 when it did not exit normally
};

struct ProcessOptions {
    std::string workingDirectory;           // empty: this process's
    std::vector<std::string> environment;   // NAME=value, added to this process's or replacing its NAME
};

// A child started at construction; Finish collects its output and exit. One never finished is
// killed and reaped at destruction, so a failing test leaves nothing running.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ProcessOptions& options = {})
    {
        int outPipe[2];
        int errPipe[2];
        if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
            throw std::runtime_error("pipe failed");

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        if (!options.workingDirectory.empty())
            posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());

        std::vector<std::string> words{program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        std::vector<std::string> variables = options.environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const char* equals = std::strchr(*entry, '=');
            const std::string prefix(*entry, equals != nullptr ? equals - *entry + 1 : std::strlen(*entry));
            bool replaced = false;
            for (const std::string& variable : options.environment)
                replaced = replaced || variable.compare(0, prefix.size(), prefix) == 0;
            if (!replaced)
                variables.push_back(*entry);
        }
        std::vector<char*> envp;
        for (std::string& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        const int spawned = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(outPipe[1]);
        close(errPipe[1]);
        m_out = outPipe[0];
        m_err = errPipe[0];
        if (spawned != 0) {
            close(m_out);
            close(m_err);
            throw std::runtime_error("cannot start " + program);
        }
    }

    ~ChildProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            Finish();
        }
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Whether it is still running, without waiting.
    bool Running()
    {
        if (m_exited)
            return false;
        m_exited = waitpid(m_pid, &m_status, WNOHANG) == m_pid;
        return !m_exited;
    }

    ProcessRun Finish()
    {
        ProcessRun run{"", "", -1};
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        std::string* sinks[2] = {&run.out, &run.err};
        int open = 2;
        while (open > 0 && poll(fds, 2, -1) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        if (!m_exited)
            waitpid(m_pid, &m_status, 0);
        m_pid = -1;
        if (WIFEXITED(m_status))
            run.exitCode = WEXITSTATUS(m_status);
        return run;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    int m_status = 0;
    bool m_exited = false;
};

inline ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const ProcessOptions& options = {})
{
    return ChildProcess(program, arguments, options).Finish();
}
