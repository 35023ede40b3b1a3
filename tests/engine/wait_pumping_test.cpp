#include "engine/wait_pumping.h"

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
    mutex.lock();
    std::atomic<int> pumped{0};
    std::thread holder;
    InstallEventPump(std::this_thread::get_id(), [&] {
        // The holder lets go only once events have been handled meanwhile.
        if (++pumped == 3)
            holder = std::thread([&] { mutex.unlock(); });
        return true;
    });
    EXPECT_TRUE(WaitPumpingMessages(mutex));
    holder.join();
    EXPECT_GE(pumped.load(), 3);
    mutex.unlock();
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
