// The Win32 named mutex under the loader's locks: recursion, abandonment reported once, and other
// holders refused, as the posix one's tests check on Linux.
#include <gtest/gtest.h>

#include <thread>

#include "engine/DownloadLock.h"
#include "engine/EResult.h"
#include "engine/LoaderLock.h"
#include "engine/ScopedLock.h"
#include "support/Deadlines.h"
#include "support/ResultOf.h"
#include "support/TestLockName.h"

namespace CVFirmwareLoader {
namespace {

using EvarixTest::FinishesInTime;

int TakeOnAnotherThread(LoaderLock& lock) {
  int result = 1;
  FinishesInTime("lock on another thread",
                 [&] { result = EvarixTest::ResultOf([&] { ScopedLock guard(lock); }); });
  return result;
}

TEST(Win32NamedMutexTest, AThreadEndingWhileHoldingTheLockIsReportedOnce) {
  LoaderLock lock(EvarixTest::TestLockName() + ".abandoned");
  FinishesInTime("abandoning thread", [&] {
    lock.Wait();
    lock.Wait();  // held twice over, as a state callback holding it recursively would
  });
  EXPECT_EQ(TakeOnAnotherThread(lock), eLockAbandoned);
  EXPECT_EQ(TakeOnAnotherThread(lock), eSuccess) << "reported twice, or not given back";
}

TEST(Win32NamedMutexTest, TheDownloadLockRefusesAnotherHolderUntilReleased) {
  DownloadLock downloads(EvarixTest::TestLockName() + ".refusing");
  ASSERT_TRUE(downloads.TryTake());
  bool taken = true;
  FinishesInTime("download lock on another thread", [&] { taken = downloads.TryTake(); });
  EXPECT_FALSE(taken);
  downloads.Release();
  FinishesInTime("download lock on another thread", [&] {
    taken = downloads.TryTake();
    if (taken) downloads.Release();
  });
  EXPECT_TRUE(taken);
}

TEST(Win32NamedMutexTest, NamesThatWouldLeaveTheSessionsNamespaceAreRefused) {
  EXPECT_EQ(EvarixTest::ResultOf([] { LoaderLock lock("Global\\CMutex"); }), eNoResource);
  EXPECT_EQ(EvarixTest::ResultOf([] { LoaderLock lock("a/b"); }), eNoResource);
}

}  // namespace
}  // namespace CVFirmwareLoader
