#include "engine/CThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/EResult.h"
#include "support/Deadlines.h"

namespace CVFirmwareLoader {
namespace {

using namespace std::chrono_literals;
using EvarixTest::Eventually;
using EvarixTest::FinishesInTime;

// A procedure held at a gate until the test opens it (or the limit passes).
struct Worker {
  std::atomic<bool> open{false};
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  uint32_t exitCode = 0;

  static uint32_t Run(void* argument) {
    auto& self = *static_cast<Worker*>(argument);
    ++self.started;
    Eventually([&] { return self.open.load(); });
    ++self.finished;
    return self.exitCode;
  }
};

TEST(CThreadTest, FreshThreadHasNothingToJoinAndASecondStartIsRefusedUntilClosed) {
  Worker worker;
  CThread thread(&Worker::Run, &worker);
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_EQ(thread.Join(), eNoResource);
  EXPECT_EQ(thread.Close(), eSuccess);
  EXPECT_EQ(worker.started.load(), 0);

  EXPECT_EQ(thread.Start(), eSuccess);
  EXPECT_EQ(thread.Start(), eFailed);
  worker.open = true;
  FinishesInTime("Close", [&] { EXPECT_EQ(thread.Close(), eSuccess); });
  EXPECT_EQ(worker.started.load(), 1);

  EXPECT_EQ(thread.Start(), eSuccess);
  FinishesInTime("Close after restart", [&] { EXPECT_EQ(thread.Close(), eSuccess); });
  EXPECT_EQ(worker.started.load(), 2);
}

TEST(CThreadTest, HandleIsHeldAfterTheProcedureReturnedUntilClose) {
  Worker worker;
  worker.exitCode = 7;
  worker.open = true;
  CThread thread(&Worker::Run, &worker);

  ASSERT_EQ(thread.Start(), eSuccess);
  ASSERT_TRUE(Eventually([&] { return worker.finished.load() == 1; }));
  EXPECT_TRUE(thread.IsRunning());

  FinishesInTime("Join", [&] { EXPECT_EQ(thread.Join(), eSuccess); });
  EXPECT_TRUE(thread.IsRunning()) << "Join keeps the handle";
  EXPECT_EQ(thread.Join(), eSuccess);
  EXPECT_EQ(thread.Start(), eFailed);
  EXPECT_EQ(thread.GetExitCode(), 7u);

  EXPECT_EQ(thread.Close(), eSuccess);
  EXPECT_FALSE(thread.IsRunning());
}

TEST(CThreadTest, DestructorWaitsForTheThreadToEnd) {
  Worker worker;
  auto thread = std::make_unique<CThread>(&Worker::Run, &worker);
  ASSERT_EQ(thread->Start(), eSuccess);

  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    thread.reset();
    destroyed = true;
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(destroyed.load()) << "the destructor returned while the thread still ran";

  worker.open = true;
  FinishesInTime("destructor", [&] { destroyer.join(); });
  EXPECT_EQ(worker.finished.load(), 1);
}

// std::thread would throw out of a self-join; waiting for oneself would never end.
TEST(CThreadTest, JoinAndCloseFromTheThreadItselfAreRefused) {
  struct SelfJoin {
    CThread* thread = nullptr;
    std::atomic<int> joined{1};
    std::atomic<int> closed{1};
    static uint32_t Run(void* argument) {
      auto& self = *static_cast<SelfJoin*>(argument);
      self.joined = self.thread->Join();
      self.closed = self.thread->Close();
      return 0;
    }
  } self;
  CThread thread(&SelfJoin::Run, &self);
  self.thread = &thread;

  ASSERT_EQ(thread.Start(), eSuccess);
  FinishesInTime("Join", [&] { EXPECT_EQ(thread.Join(), eSuccess); });
  EXPECT_EQ(self.joined.load(), eFailed);
  EXPECT_EQ(self.closed.load(), eFailed);
  EXPECT_TRUE(thread.IsRunning());
}

// Lets a fixed number of threads go on together. (std::latch hangs now and then under mingw's
// threads on Wine; a spin does not.)
class StartLine {
 public:
  explicit StartLine(int threads) : waiting_(threads) {}
  void ArriveAndWait() {
    waiting_.fetch_sub(1);
    while (waiting_.load() > 0) std::this_thread::yield();
  }

 private:
  std::atomic<int> waiting_;
};

// The loader's abort (user-interface thread) and its device-gone handling (hot-plug thread) may
// both join and close the same worker.
TEST(CThreadTest, ConcurrentJoinAndCloseBothWaitForTheEnd) {
  constexpr int kRounds = 300;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    Worker worker;
    CThread thread(&Worker::Run, &worker);
    ASSERT_EQ(thread.Start(), eSuccess);

    StartLine ready(3);
    std::atomic<int> endedBeforeReturn{0};
    auto caller = [&](bool joinFirst) {
      ready.ArriveAndWait();
      if (joinFirst) {
        // -30 when the other caller has closed already, which it does only after the end.
        const int joined = thread.Join();
        EXPECT_TRUE(joined == eSuccess || joined == eNoResource) << joined;
      }
      if (thread.Close() == eSuccess && worker.finished.load() == 1) ++endedBeforeReturn;
    };
    FinishesInTime("concurrent Join and Close", [&] {
      std::thread first(caller, round % 2 == 0);
      std::thread second(caller, false);
      ready.ArriveAndWait();
      // Vary whether the callers find the thread still running or already ended.
      if (round % 3 == 0) std::this_thread::sleep_for(100us);
      worker.open = true;
      first.join();
      second.join();
    });
    EXPECT_EQ(endedBeforeReturn.load(), 2);
    EXPECT_FALSE(thread.IsRunning());
  }
}

}  // namespace
}  // namespace CVFirmwareLoader
