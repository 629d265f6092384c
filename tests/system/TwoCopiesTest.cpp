// Two copies of the updater at once against one keyboard: this test process is one copy (its own
// manager and loader, asked for the firmware check as the main window's timer asks), and
// evarix-other-copy, a process of its own below the same simulated keyboard, is the other.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SystemRig.h"
#include "engine/EResult.h"
#include "support/ResultOf.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace EvarixSystemTest;
using CVFirmwareLoader::FirmwareCheck;
using CVFirmwareLoader::UpdateStatus;

// The other copy, its standard output read line by line.
class OtherCopy {
 public:
  explicit OtherCopy(std::vector<std::string> arguments) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    output_ = pipeEnds[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    arguments.insert(arguments.begin(), EVARIX_OTHER_COPY);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
  }

  ~OtherCopy() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      End();
    }
    if (output_ >= 0) close(output_);
  }

  OtherCopy(const OtherCopy&) = delete;
  OtherCopy& operator=(const OtherCopy&) = delete;

  bool Started() const { return pid_ > 0; }

  // Waits for the next line; empty when the copy said nothing more in time.
  std::string NextLine() {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    char c = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd ready{.fd = output_, .events = POLLIN, .revents = 0};
      if (poll(&ready, 1, 100) <= 0) continue;
      if (read(output_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return line;
  }

  // The copy's wait status once it has ended.
  int End() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
};

class TwoCopiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!EvarixSim::Preload::IsActive()) GTEST_SKIP() << EvarixSim::Preload::WhyInactive();
    rig_ = std::make_unique<Rig>(kKeyboard);
  }

  // The main window's status tick, every 200 ms on a thread of its own until the copy is done:
  // how many ticks the loader refused.
  class StatusTicks {
   public:
    explicit StatusTicks(CVFirmwareLoader::ILoader& loader)
        : thread_([this, &loader] {
            while (!done_) {
              if (EvarixTest::ResultOf([&] { loader.CheckFirmware(); }) != 0) ++refused_;
              std::this_thread::sleep_for(200ms);
            }
          }) {}
    ~StatusTicks() { Stop(); }
    StatusTicks(const StatusTicks&) = delete;
    StatusTicks& operator=(const StatusTicks&) = delete;

    int Stop() {
      done_ = true;
      if (thread_.joinable()) thread_.join();
      return refused_;
    }

   private:
    std::atomic<bool> done_{false};
    std::atomic<int> refused_{0};
    std::thread thread_;
  };

  const std::string lockName_ = EvarixTest::TestLockName();
  std::unique_ptr<Rig> rig_;
};

TEST_F(TwoCopiesTest, ACopyThatWatchesLeavesTheOthersUpdateAlone) {
  ASSERT_TRUE(rig_->Offers());
  StatusTicks ticks(rig_->Loader());
  OtherCopy other({lockName_});
  ASSERT_TRUE(other.Started());
  EXPECT_EQ(other.NextLine(), "updating");
  EXPECT_EQ(other.NextLine(), "succeeded");
  EXPECT_EQ(other.End(), 0);
  EXPECT_EQ(ticks.Stop(), 0);
  EXPECT_TRUE(WaitFor([&] { return IsUpdated(rig_->Bus(), rig_->Keyboard()); }));
}

// Update pressed here while the other copy writes the keyboard: this copy's download is refused
// before it sends anything, and the other one's goes on undisturbed.
TEST_F(TwoCopiesTest, AnUpdateWhileTheOtherCopyWritesIsRefusedAndSpoilsNothing) {
  ASSERT_TRUE(rig_->Offers());
  OtherCopy other({lockName_});
  ASSERT_TRUE(other.Started());
  EXPECT_EQ(other.NextLine(), "updating");
  ASSERT_TRUE(WaitFor([&] { return HighestBlockReceived(rig_->Keyboard()) >= kBlocks.middle; }));
  EXPECT_EQ(rig_->UpdateOnce(), UpdateStatus::Failed);
  EXPECT_EQ(other.NextLine(), "succeeded");
  EXPECT_EQ(other.End(), 0);
  EXPECT_TRUE(WaitFor([&] { return IsUpdated(rig_->Bus(), rig_->Keyboard()); }));
}

TEST_F(TwoCopiesTest, ACopyKilledHoldingTheLockCostsTheOtherOneCheck) {
  ASSERT_TRUE(rig_->Offers());
  OtherCopy other({lockName_, "--die-holding-lock-at", "50"});
  ASSERT_TRUE(other.Started());
  EXPECT_EQ(other.NextLine(), "updating");
  EXPECT_EQ(other.NextLine(), "dying with the lock");
  const int status = other.End();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  EXPECT_EQ(EvarixTest::ResultOf([&] { rig_->Loader().CheckFirmware(); }),
            CVFirmwareLoader::eLockAbandoned);
  // Half written, the keyboard waits in update mode, in the middle of the download it was given:
  // this copy's own attempt fails on it, and the failure page's advice brings it back.
  EXPECT_EQ(rig_->Loader().CheckFirmware(), AsInt(FirmwareCheck::UpdateRequired));
  EXPECT_EQ(rig_->UpdateOnce(), UpdateStatus::Failed);
  rig_->PowerCycle();
  ASSERT_TRUE(rig_->Offers());
  EXPECT_EQ(rig_->UpdateOnce(), UpdateStatus::Succeeded);
  EXPECT_TRUE(WaitFor([&] { return IsUpdated(rig_->Bus(), rig_->Keyboard()); }));
}

}  // namespace
