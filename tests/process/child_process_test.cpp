// A child's frames reach the parent in order, and a child that dies, stalls or overreaches is broken.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "xps/process/child_process.h"

namespace {

using namespace std::chrono_literals;

TEST(ChildProcess, PiecesThenStatusArriveInOrder)
{
    ChildProcess child([](int output) {
        return WriteFrame(output, "first", 5) && WriteFrame(output, "", 0) && WriteStatus(output, E_FAIL) ? 0 : 1;
    }, 5s);
    std::string piece;
    HRESULT status = S_OK;
    ASSERT_EQ(child.Read(piece, status, 16), Frame::Piece);
    EXPECT_EQ(piece, "first");
    ASSERT_EQ(child.Read(piece, status, 16), Frame::Piece);
    EXPECT_EQ(piece, "");
    ASSERT_EQ(child.Read(piece, status, 16), Frame::Status);
    EXPECT_EQ(status, E_FAIL);
    EXPECT_TRUE(child.Succeeded());
}

TEST(ChildProcess, ACrashAThrowOrAnOversizedPieceIsBroken)
{
    std::string piece;
    HRESULT status = S_OK;
    ChildProcess crashing([](int output) {
        WriteFrame(output, "partial", 7);
        raise(SIGKILL);
        return 0;
    }, 5s);
    EXPECT_EQ(crashing.Read(piece, status, 16), Frame::Piece);
    EXPECT_EQ(crashing.Read(piece, status, 16), Frame::Broken);
    EXPECT_FALSE(crashing.Succeeded());

    ChildProcess throwing([](int) -> int { throw 1; }, 5s);
    EXPECT_EQ(throwing.Read(piece, status, 16), Frame::Broken);
    EXPECT_FALSE(throwing.Succeeded());

    ChildProcess large([](int output) { return WriteFrame(output, "seventeen bytes!!", 17) ? 0 : 1; }, 5s);
    EXPECT_EQ(large.Read(piece, status, 16), Frame::Broken);
    // Lengths at and past the status marker cannot be told from it.
    EXPECT_FALSE(WriteFrame(-1, nullptr, std::size_t{1} << 32));
}

TEST(ChildProcess, ASilentChildIsBrokenAtTheStallLimitAndKilled)
{
    const auto start = std::chrono::steady_clock::now();
    {
        ChildProcess silent([](int) {
            sleep(60);
            return 0;
        }, 200ms);
        std::string piece;
        HRESULT status = S_OK;
        EXPECT_EQ(silent.Read(piece, status, 16), Frame::Broken);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

}  // namespace
