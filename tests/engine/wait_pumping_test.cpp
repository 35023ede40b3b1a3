#include "platform/wait_pumping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace varnet {
namespace {

class WaitPumping : public ::testing::Test {
protected:
    void TearDown() override { RemoveEventPump(); }
};

TEST_F(WaitPumping, TheWindowThreadKeepsPumpingUntilTheMutexIsFree) {
    std::timed_mutex mutex;
    std::atomic<bool> held{false};
    std::atomic<int> pumped{0};
    // The holder lets go only once the window thread has handled events
    // while it waited.
    std::thread holder([&] {
        mutex.lock();
        held = true;
        while (pumped.load() < 3)
            std::this_thread::yield();
        mutex.unlock();
    });
    while (!held.load())
        std::this_thread::yield();
    InstallEventPump(std::this_thread::get_id(), [&] {
        ++pumped;
        return true;
    });
    EXPECT_TRUE(WaitPumpingMessages(mutex));
    EXPECT_GE(pumped.load(), 3);
    mutex.unlock();
    holder.join();
}

TEST_F(WaitPumping, QuittingGivesUpWithoutTakingTheMutex) {
    std::timed_mutex mutex;
    mutex.lock();
    InstallEventPump(std::this_thread::get_id(), [] { return false; });
    EXPECT_FALSE(WaitPumpingMessages(mutex));
    mutex.unlock();
    // Other threads never pump: they simply lock.
    std::thread other([&] {
        EXPECT_TRUE(WaitPumpingMessages(mutex));
        mutex.unlock();
    });
    other.join();
}

} // namespace
} // namespace varnet
