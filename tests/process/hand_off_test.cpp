// Items handed between two threads arrive in order and within the bound, a giver's failure after them,
// and neither side is left waiting once the other has ended.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "xps/process/hand_off.h"

namespace {

using namespace std::chrono_literals;

TEST(HandOff, ItemsArriveInOrderWithinTheBound)
{
    HandOff<int> handOff(2);
    EXPECT_TRUE(handOff.Put(1));
    EXPECT_TRUE(handOff.Put(2));
    std::atomic<bool> thirdPut{false};
    std::thread giver([&] {
        EXPECT_TRUE(handOff.Put(3));
        thirdPut = true;
        handOff.Close();
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(thirdPut);
    EXPECT_EQ(handOff.Take(), 1);
    EXPECT_EQ(handOff.Take(), 2);
    EXPECT_EQ(handOff.Take(), 3);
    giver.join();
    EXPECT_TRUE(thirdPut);
    EXPECT_EQ(handOff.Take(), std::nullopt);
    EXPECT_EQ(handOff.TryTake(), std::nullopt);

    // Sized items: one larger than the room left still goes in, and holds the rest back until taken.
    HandOff<int> sized(10);
    EXPECT_TRUE(sized.Put(1, 6));
    EXPECT_TRUE(sized.Put(2, 100));
    std::atomic<bool> smallPut{false};
    std::thread smallGiver([&] {
        EXPECT_TRUE(sized.Put(3, 1));
        smallPut = true;
    });
    EXPECT_EQ(sized.Take(), 1);
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(smallPut);
    EXPECT_EQ(sized.Take(), 2);
    smallGiver.join();
    EXPECT_EQ(sized.Take(), 3);
}

TEST(HandOff, TheGiversFailureComesAfterItsItemsAndStays)
{
    HandOff<int> handOff(4);
    EXPECT_EQ(handOff.TryTake(), std::nullopt);
    handOff.Put(1);
    handOff.Put(2);
    handOff.Close(std::make_exception_ptr(std::runtime_error("failed")));
    EXPECT_EQ(handOff.TryTake(), 1);
    EXPECT_EQ(handOff.Take(), 2);
    EXPECT_THROW(handOff.Take(), std::runtime_error);
    EXPECT_THROW(handOff.TryTake(), std::runtime_error);

    // A taker already waiting wakes to the failure.
    HandOff<int> waited(1);
    std::thread giver([&] {
        std::this_thread::sleep_for(20ms);
        waited.Close(std::make_exception_ptr(std::runtime_error("failed")));
    });
    EXPECT_THROW(waited.Take(), std::runtime_error);
    giver.join();
}

TEST(HandOff, StoppingWakesAGiverWaitingForRoom)
{
    HandOff<int> handOff(1);
    ASSERT_TRUE(handOff.Put(1));
    bool put = true;
    std::thread giver([&] { put = handOff.Put(2); });
    std::this_thread::sleep_for(20ms);
    handOff.Stop();
    giver.join();
    EXPECT_FALSE(put);
    EXPECT_FALSE(handOff.Put(3));
}

// Two threads passing one item back and forth wait on each other at every step, so a lost wake-up
// would hang them.
TEST(HandOff, NoWakeUpIsLostBetweenTwoThreads)
{
    constexpr int kRounds = 20000;
    HandOff<int> there(1);
    HandOff<int> back(1);
    std::thread echo([&] {
        while (std::optional<int> item = there.Take())
            back.Put(*item + 1);
        back.Close();
    });
    int sum = 0;
    for (int i = 0; i < kRounds; ++i) {
        there.Put(i);
        sum += *back.Take() - i;
    }
    there.Close();
    EXPECT_EQ(back.Take(), std::nullopt);
    echo.join();
    EXPECT_EQ(sum, kRounds);

    HandOff<int> stream(3);
    std::thread giver([&] {
        for (int i = 0; i < 100000; ++i)
            stream.Put(i);
        stream.Close();
    });
    int taken = 0;
    int outOfOrder = 0;
    while (std::optional<int> item = stream.Take())
        outOfOrder += *item != taken++;
    giver.join();
    EXPECT_EQ(taken, 100000);
    EXPECT_EQ(outOfOrder, 0);
}

}  // namespace
