#include "engine/LoaderLock.h"

#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "engine/DownloadLock.h"
#include "engine/EResult.h"
#include "engine/ScopedLock.h"
#include "support/Deadlines.h"
#include "support/ResultOf.h"

namespace CVFirmwareLoader {
namespace {

using namespace std::chrono_literals;
using EvarixTest::Eventually;
using EvarixTest::FinishesInTime;

// Long enough for a thread or process that is wrongly let in to show itself.
constexpr auto kSettle = 100ms;

// Takes the lock through the guard and gives it back: 0, or the code the guard threw.
int TakeAndRelease(LoaderLock& lock) {
  return EvarixTest::ResultOf([&] { ScopedLock guard(lock); });
}

int TakeOnAnotherThread(LoaderLock& lock) {
  int result = 1;
  FinishesInTime("lock on another thread", [&] { result = TakeAndRelease(lock); });
  return result;
}

// A holder takes the lock and runs whileHeld; another thread must wait until the holder's scope
// has ended.
void ExpectOthersWaitForTheHolder(LoaderLock& lock, const std::function<void()>& whileHeld = {}) {
  std::atomic<int> contender{1};
  std::atomic<bool> done{false};
  std::thread other;
  FinishesInTime("holder", [&] {
    ScopedLock guard(lock);
    if (whileHeld) whileHeld();
    other = std::thread([&] {
      contender = TakeAndRelease(lock);
      done = true;
    });
    std::this_thread::sleep_for(kSettle);
    EXPECT_FALSE(done.load()) << "another thread got in while the lock was held";
  });
  FinishesInTime("contender", [&] { other.join(); });
  EXPECT_EQ(contender.load(), eSuccess);
}

// A forked process running body, its exit status what body returns; killed if still running when
// the test ends. State shared with it lives in a Shared mapping.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<int()>& body) : pid_(fork()) {
    if (pid_ == 0) {
      int status = 100;
      try {
        status = body();
      } catch (...) {
      }
      _exit(status);
    }
  }
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status, or -1 if it fails to end within the limit.
  int Wait() {
    int status = -1;
    if (pid_ <= 0 || !Eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) {
      Kill();
      return -1;
    }
    pid_ = -1;  // reaped: the number may belong to another process from now on
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Kill() {
    if (pid_ <= 0) return;  // kill(-1) would reach every process of the user
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_;
};

template <typename T>
class Shared {
 public:
  Shared()
      : value_(static_cast<T*>(
            mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0))) {
    if (value_ == MAP_FAILED) std::abort();
    new (value_) T{};
  }
  ~Shared() { munmap(value_, sizeof(T)); }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
  T* operator->() const { return value_; }

 private:
  T* value_;
};

// One test's own mutex name, so that runs side by side never meet, and removal of its files.
class LoaderLockTest : public testing::Test {
 protected:
  LoaderLockTest() {
    static int counter = 0;
    name_ = "evarix-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
  }
  ~LoaderLockTest() override { RemoveFiles(); }

  std::string Path() const { return "/dev/shm/" + name_ + "." + std::to_string(geteuid()); }

  // The published file and any temporary one left beside it.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    glob_t found{};
    if (glob(("/dev/shm/" + name_ + ".*").c_str(), 0, nullptr, &found) == 0) {
      files.assign(found.gl_pathv, found.gl_pathv + found.gl_pathc);
    }
    globfree(&found);
    return files;
  }
  void RemoveFiles() const {
    for (const std::string& file : Files()) unlink(file.c_str());
  }

  // A process that takes the loader's lock, twice over, and the download lock, and is killed
  // holding them. Its locks are never destroyed, as the kill leaves them.
  void KillAProcessHoldingBothLocks() {
    Shared<std::atomic<bool>> childHolds;
    ChildProcess holder([&] {
      auto* own = new LoaderLock(name_);
      own->Wait();
      own->Wait();
      if (!(new DownloadLock(name_))->TryTake()) return 1;
      childHolds->store(true);
      pause();
      return 0;
    });
    ASSERT_TRUE(Eventually([&] { return childHolds->load(); }));
    holder.Kill();
  }

  std::string name_;
};

TEST_F(LoaderLockTest, PublishesOneFileForItsUserOnly) {
  LoaderLock lock(name_);
  LoaderLock again(name_);

  EXPECT_EQ(Files(), std::vector<std::string>{Path()}) << "no temporary file may remain";
  struct stat facts {};
  ASSERT_EQ(stat(Path().c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 07777, 0600u);
  EXPECT_EQ(facts.st_uid, geteuid());
}

TEST_F(LoaderLockTest, CreationFailureThrowsNoResource) {
  auto codeOfOpening = [](const std::string& name) {
    return EvarixTest::ResultOf([&] { LoaderLock lock(name); });
  };
  EXPECT_EQ(codeOfOpening("no/such/folder"), eNoResource);

  // A file of that name that is not a whole mutex is refused, not mapped.
  const int fd = open(Path().c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "abc", 3), 3);
  close(fd);
  EXPECT_EQ(codeOfOpening(name_), eNoResource);
}

TEST_F(LoaderLockTest, OwnerMayTakeItAgainAndOthersWaitForTheOutermostRelease) {
  LoaderLock lock(name_);
  ExpectOthersWaitForTheHolder(lock, [&] {
    { ScopedLock inner(lock); }
    // Leaving the scope after an early release must not release a second time.
    ScopedLock early(lock);
    early.Release();
  });
}

TEST_F(LoaderLockTest, ThreadsTakeTurns) {
  LoaderLock lock(name_);
  constexpr int kThreads = 4;
  constexpr int kTurns = 200;
  int counter = 0;  // guarded by nothing but the lock
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};

  FinishesInTime("threads taking turns", [&] {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        for (int turn = 0; turn < kTurns; ++turn) {
          ScopedLock guard(lock);
          if (inside++ != 0) ++overlaps;
          ++counter;
          --inside;
        }
      });
    }
  });
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(counter, kThreads * kTurns);
}

TEST_F(LoaderLockTest, ThreadThatEndsHoldingItIsReportedOnceAndTheLockWorksOn) {
  LoaderLock lock(name_);
  // Held twice over, as a state callback holding it recursively would.
  FinishesInTime("abandoning thread", [&] {
    lock.Wait();
    lock.Wait();
  });

  EXPECT_EQ(TakeOnAnotherThread(lock), eLockAbandoned);
  EXPECT_EQ(TakeOnAnotherThread(lock), eSuccess) << "reported twice, or not given back";
  ExpectOthersWaitForTheHolder(lock);
}

bool TryTakeOnAnotherThread(DownloadLock& lock) {
  bool taken = false;
  FinishesInTime("download lock on another thread", [&] {
    taken = lock.TryTake();
    if (taken) lock.Release();
  });
  return taken;
}

TEST_F(LoaderLockTest, LocksOfAProcessKilledHoldingThemAreReportedOnceAndWorkOn) {
  LoaderLock lock(name_);
  DownloadLock downloads(name_);
  KillAProcessHoldingBothLocks();

  EXPECT_EQ(TakeOnAnotherThread(lock), eLockAbandoned);
  EXPECT_EQ(TakeOnAnotherThread(lock), eSuccess);
  ExpectOthersWaitForTheHolder(lock);
  ChildProcess next([&] {
    LoaderLock own(name_);
    return TakeAndRelease(own) == eSuccess ? 0 : 1;
  });
  EXPECT_EQ(next.Wait(), 0) << "the lock was not given back to other processes";

  EXPECT_TRUE(TryTakeOnAnotherThread(downloads));
  EXPECT_TRUE(TryTakeOnAnotherThread(downloads)) << "not given back after the takeover";
}

TEST_F(LoaderLockTest, DownloadLockRefusesWhileAnotherProcessHoldsItAndNotTheLoaderLock) {
  DownloadLock downloads(name_);
  LoaderLock lock(name_);
  Shared<std::atomic<int>> childStep;
  ChildProcess holder([&] {
    DownloadLock own(name_);
    if (!own.TryTake()) return 1;
    childStep->store(1);
    while (childStep->load() != 2) std::this_thread::sleep_for(1ms);
    own.Release();
    childStep->store(3);
    pause();
    return 0;
  });
  ASSERT_TRUE(Eventually([&] { return childStep->load() == 1; }));
  EXPECT_FALSE(TryTakeOnAnotherThread(downloads));
  EXPECT_EQ(TakeOnAnotherThread(lock), eSuccess) << "a download held the loader's lock";
  childStep->store(2);
  ASSERT_TRUE(Eventually([&] { return childStep->load() == 3; }));
  EXPECT_TRUE(TryTakeOnAnotherThread(downloads));
}

// Copies started at once all create the mutex; they must end up sharing one, and wait for each
// other.
TEST_F(LoaderLockTest, ProcessesCreatingTheSameNameAtOnceShareOneMutex) {
  constexpr int kRounds = 40;
  constexpr int kProcesses = 4;
  constexpr int kTurns = 20;
  const std::string baseName = name_;
  struct State {
    std::atomic<bool> go;
    std::atomic<int> inside;
  };

  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    name_ = baseName + "-" + std::to_string(round);
    Shared<State> state;
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int p = 0; p < kProcesses; ++p) {
      children.push_back(std::make_unique<ChildProcess>([&] {
        while (!state->go) std::this_thread::yield();
        LoaderLock own(name_);
        int overlaps = 0;
        for (int turn = 0; turn < kTurns; ++turn) {
          ScopedLock guard(own);
          if (state->inside++ != 0) ++overlaps;
          std::this_thread::sleep_for(100us);
          --state->inside;
        }
        return overlaps == 0 ? 0 : 1;
      }));
    }
    state->go = true;
    for (auto& child : children) {
      EXPECT_EQ(child->Wait(), 0) << "1: two processes held it at once; 100: no lock";
    }
    EXPECT_EQ(Files(), std::vector<std::string>{Path()});
    RemoveFiles();
  }
  name_ = baseName;
}

}  // namespace
}  // namespace CVFirmwareLoader
