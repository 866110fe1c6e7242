// Work run in a child process of its own, which hands its parent frames through a pipe: a library that
// crashes or hangs there fails with a status instead of taking the tool down.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform.h"
#include "platform/linux/unique_fd.h"

// The child's side: pieces below 4 GiB, then its status. A parent gone away, or a piece too long, makes
// them false.
bool WriteFrame(int output, const void* data, std::size_t size);
bool WriteStatus(int output, HRESULT status);

enum class Frame { Piece, Status, Broken };

// Owner of a child and of the pipe it writes to: one still running when the owner goes is killed, and
// every child is reaped.
class ChildProcess {
public:
    // Forks a child that runs body with the pipe's writing end and exits with what body returns, or 1
    // where body throws; a child silent for longer than stallLimit is broken. Throws DocumentFailure where no pipe or child
    // can be had.
    ChildProcess(const std::function<int(int output)>& body, std::chrono::milliseconds stallLimit);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // The next frame: a piece of at most maxPiece bytes, or the child's status. Broken where the child
    // ends, stalls or sends what no frame is.
    Frame Read(std::string& piece, HRESULT& status, std::size_t maxPiece);
    // Waits for the child to end: whether it exited with status 0.
    bool Succeeded();

private:
    bool ReadExactly(void* data, std::size_t size);
    int Reap();

    pid_t m_pid = -1;
    UniqueFd m_input;
    std::chrono::milliseconds m_stallLimit;
};
