#include "engine/ApplicationPauser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "support/FakeClock.h"

using namespace CVFirmwareLoader;

namespace {

const std::wstring kClass = L"corvane.cvw32.window-class.task-bar-icon";
const std::wstring kName = L"corvane.window-name.task-bar-icon";

// A desktop with at most one tray application, which closes its window once it has been asked to
// quit often enough.
class FakeDesktop final : public IDesktopApplications {
 public:
  bool running = true;
  int closesAfterRequests = 1;  // 0: never, as if it hung
  bool refusesRequests = false;
  int unreadableReads = 0;  // this many reads of its path fail first
  uint32_t costOfLookingMs = 0;
  ApplicationImage image{L"/opt/corvane/tray", {1000, 100}};

  int finds = 0;
  int reads = 0;
  int requests = 0;
  std::vector<ApplicationImage> started;

  explicit FakeDesktop(EvarixTest::FakeClock& clock) : clock_(clock) {}

  std::optional<ProcessId> FindApplicationWindow(const std::wstring& className,
                                                 const std::wstring& windowName) override {
    ++finds;
    clock_.Advance(costOfLookingMs);
    if (!running || className != kClass || windowName != kName) return std::nullopt;
    return kProcess;
  }

  std::optional<ApplicationImage> ApplicationImageOf(ProcessId process) override {
    ++reads;
    if (process != kProcess || !running || reads <= unreadableReads) return std::nullopt;
    return image;
  }

  QuitRequestOutcome AskToQuit(ProcessId process) override {
    if (process != kProcess || !running) return QuitRequestOutcome::Failed;
    ++requests;
    if (refusesRequests) return QuitRequestOutcome::AccessDenied;
    if (closesAfterRequests > 0 && requests >= closesAfterRequests) running = false;
    return QuitRequestOutcome::Asked;
  }

  bool Start(const ApplicationImage& what) override {
    started.push_back(what);
    return true;
  }

 private:
  static constexpr ProcessId kProcess = 4242;
  EvarixTest::FakeClock& clock_;
};

class ApplicationPauserTest : public testing::Test {
 protected:
  // Runs the pauser's whole life and returns what it started at its end.
  std::vector<ApplicationImage> PauseAndResume(const std::wstring& windowClass = kClass,
                                               const std::wstring& windowName = kName) {
    {
      ApplicationPauser pauser(windowClass, windowName);
      quitRequested = pauser.QuitRequested();
      EXPECT_TRUE(desktop.started.empty()) << "started before the end";
    }
    return desktop.started;
  }

  EvarixTest::FakeClock clock;
  FakeDesktop desktop{clock};
  ScopedPlatform platform{{nullptr, nullptr, &clock}};
  ScopedDesktopApplications applications{&desktop};
  bool quitRequested = false;
};

// Only the exact window identity counts; without it nothing is asked and nothing started.
TEST_F(ApplicationPauserTest, WithoutTheExactWindowNothingIsAskedOrStarted) {
  const std::pair<std::wstring, std::wstring> others[] = {
      {kClass, L"another name"}, {L"another class", kName}, {kName, kClass}};
  for (const auto& [windowClass, windowName] : others) {
    EXPECT_TRUE(PauseAndResume(windowClass, windowName).empty());
  }
  desktop.running = false;
  EXPECT_TRUE(PauseAndResume().empty());
  EXPECT_EQ(desktop.finds, 4);
  EXPECT_EQ(desktop.reads + desktop.requests, 0);
  EXPECT_FALSE(quitRequested);
  // Nor is anything found on a system whose desktop is not known at all.
  desktop.running = true;
  const ScopedDesktopApplications none{nullptr};
  EXPECT_TRUE(PauseAndResume().empty());
  EXPECT_EQ(desktop.finds, 4);
}

// Asked once per pass until its window closes, the application is restarted at the end as its
// owner, from the path read in the first pass that could read it.
TEST_F(ApplicationPauserTest, AnApplicationThatNeedsSeveralRequestsIsAskedOncePerPass) {
  desktop.closesAfterRequests = 4;
  desktop.unreadableReads = 2;
  EXPECT_EQ(PauseAndResume(), std::vector<ApplicationImage>{desktop.image});
  EXPECT_EQ(desktop.requests, 4);
  EXPECT_EQ(desktop.finds, 5);
  EXPECT_EQ(desktop.reads, 3);
  EXPECT_FALSE(quitRequested);
  // Each request gets its moment before the window is looked for again.
  EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>(4, ApplicationPauser::kPauseBetweenRequestsMs));
}

TEST_F(ApplicationPauserTest, AnApplicationWhosePathCannotBeReadIsClosedButNotRestarted) {
  desktop.closesAfterRequests = 2;
  desktop.unreadableReads = 1000;
  EXPECT_TRUE(PauseAndResume().empty());
  EXPECT_FALSE(desktop.running);
}

TEST_F(ApplicationPauserTest, RefusalStopsAskingRequestsTheUpdatersEndAndStillRestarts) {
  desktop.refusesRequests = true;
  EXPECT_EQ(PauseAndResume(), std::vector<ApplicationImage>{desktop.image});
  EXPECT_TRUE(quitRequested);
  EXPECT_EQ(desktop.requests, 1);
  EXPECT_EQ(desktop.finds, 1);
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(ApplicationPauserTest, AHungApplicationIsGivenUpOnInTime) {
  desktop.closesAfterRequests = 0;
  const uint32_t start = clock.TickCount();
  EXPECT_EQ(PauseAndResume(), std::vector<ApplicationImage>{desktop.image});
  EXPECT_LE(clock.TickCount() - start, ApplicationPauser::kGiveUpAfterMs);
  EXPECT_GE(desktop.requests,
            ApplicationPauser::kGiveUpAfterMs / ApplicationPauser::kPauseBetweenRequestsMs);
  EXPECT_TRUE(desktop.running);
}

TEST_F(ApplicationPauserTest, TheTimeLimitCountsTimeNotPasses) {
  desktop.closesAfterRequests = 0;
  desktop.costOfLookingMs = 1000;
  const uint32_t start = clock.TickCount();
  PauseAndResume();
  EXPECT_LE(desktop.requests, 3);
  EXPECT_LT(clock.TickCount() - start, ApplicationPauser::kGiveUpAfterMs + 1000);
}

}  // namespace
