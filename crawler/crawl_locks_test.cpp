#include "crawler/crawl_locks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace tovren {
namespace {

using namespace std::chrono_literals;

TEST(CrawlLocks, HandlesAreLiveUntilDeleted) {
  CrawlLocks locks;
  const int a = locks.CreateLock();
  const int b = locks.CreateLock();
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(locks.LiveCount(), 2);
  EXPECT_TRUE(locks.EnterLock(a));
  locks.LeaveLock(a);
  locks.DeleteLock(a);
  locks.DeleteLock(a);  // a second retirement does nothing
  locks.DeleteLock(0);
  EXPECT_FALSE(locks.IsLive(a));
  EXPECT_FALSE(locks.EnterLock(a));
  EXPECT_FALSE(locks.EnterLock(0));
  EXPECT_FALSE(locks.EnterLock(12345));
  locks.LeaveLock(a);  // nothing: not held
  EXPECT_EQ(locks.LiveCount(), 1);
  EXPECT_NE(locks.CreateLock(), a);  // handles are never reused
}

TEST(CrawlLocks, OneHolderAtATime) {
  CrawlLocks locks;
  const int h = locks.CreateLock();
  ASSERT_TRUE(locks.EnterLock(h));
  auto waiter = std::async(std::launch::async, [&] {
    const bool got = locks.EnterLock(h);
    if (got) locks.LeaveLock(h);
    return got;
  });
  EXPECT_EQ(waiter.wait_for(100ms), std::future_status::timeout);
  locks.LeaveLock(h);
  EXPECT_TRUE(waiter.get());
}

TEST(CrawlLocks, LeaveFromAnotherThreadDoesNotRelease) {
  CrawlLocks locks;
  const int h = locks.CreateLock();
  ASSERT_TRUE(locks.EnterLock(h));
  std::thread([&] { locks.LeaveLock(h); }).join();
  auto waiter = std::async(std::launch::async, [&] {
    const bool got = locks.EnterLock(h);
    if (got) locks.LeaveLock(h);
    return got;
  });
  EXPECT_EQ(waiter.wait_for(100ms), std::future_status::timeout);
  locks.LeaveLock(h);
  EXPECT_TRUE(waiter.get());
}

TEST(CrawlLocks, RetiringReleasesWaitersWithoutTheLock) {
  CrawlLocks locks;
  const int h = locks.CreateLock();
  ASSERT_TRUE(locks.EnterLock(h));
  auto waiter = std::async(std::launch::async, [&] {
    const bool got = locks.EnterLock(h);
    if (got) locks.LeaveLock(h);
    return got;
  });
  EXPECT_EQ(waiter.wait_for(50ms), std::future_status::timeout);
  locks.DeleteLock(h);
  EXPECT_FALSE(locks.IsLive(h));
  locks.LeaveLock(h);  // the holder leaves the very lock it entered, retired or not
  EXPECT_FALSE(waiter.get());
  EXPECT_EQ(locks.LiveCount(), 0);
  EXPECT_FALSE(locks.EnterLock(h));
}

}  // namespace
}  // namespace tovren
