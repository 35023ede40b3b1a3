// The station folder's lock within one process: held, refused to a second
// holder with the first one's name, handed on by a move, and freed by
// Release and by destruction; a folder whose lock file cannot be made is a
// plain failure, not a holder.
#include "platform/station_lock.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace varnet {
namespace {

std::string ThisHost() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return host;
}

TEST(StationLock, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    test::TempDir dir;
    const std::string holder = "This station folder is in use by varnettool (PID " +
                               std::to_string(::getpid()) + ") on " + ThisHost();
    StationLock first;
    ASSERT_TRUE(first.Take(dir.path()).ok());
    EXPECT_TRUE(first.Held());
    EXPECT_TRUE(first.Take(dir.path()).ok()) << "taking one's own folder again is no refusal";

    StationLock second;
    StationLock::Refusal refusal;
    const Status refused = second.Take(dir.path(), &refusal);
    EXPECT_EQ(refused.message(), holder);
    EXPECT_TRUE(refusal.inUse);
    EXPECT_EQ(refusal.holderPid, ::getpid());
    EXPECT_FALSE(second.Held());

    // A move hands the lock on; the moved-from object holds nothing.
    StationLock moved = std::move(first);
    EXPECT_FALSE(first.Held());
    EXPECT_TRUE(moved.Held());
    EXPECT_FALSE(second.Take(dir.path()).ok());
    moved.Release();
    EXPECT_TRUE(second.Take(dir.path()).ok());
    { StationLock scoped = std::move(second); }
    EXPECT_TRUE(StationLock().Take(dir.path()).ok()) << "destroyed, the holder let go";
}

TEST(StationLock, TakingAnotherFolderLetsTheFirstGoOnlyOnceTheSecondIsHeld) {
    test::TempDir a, b;
    StationLock lock;
    ASSERT_TRUE(lock.Take(a.path()).ok());
    StationLock other;
    ASSERT_TRUE(other.Take(b.path()).ok());
    // b is held elsewhere: the lock on a stays.
    EXPECT_FALSE(lock.Take(b.path()).ok());
    EXPECT_EQ(lock.Folder(), a.path());
    other.Release();
    ASSERT_TRUE(lock.Take(b.path()).ok());
    EXPECT_TRUE(StationLock().Take(a.path()).ok());
}

TEST(StationLock, AFolderWithoutRoomForTheLockFileIsAFailureNotAHolder) {
    test::TempDir dir;
    StationLock lock;
    StationLock::Refusal refusal;
    const Status status = lock.Take(dir.path() / "missing", &refusal);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(refusal.inUse);
    EXPECT_NE(status.message().find("lock file"), std::string::npos) << status.message();
}

} // namespace
} // namespace varnet
