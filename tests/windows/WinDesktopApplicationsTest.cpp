#include "platform/windows/WinDesktopApplications.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "engine/ApplicationPauser.h"
#include "platform/ProgramPath.h"
#include "support/Deadlines.h"
#include "support/ProcessId.h"
#include "support/TrayAppLog.h"

// Not in the SDK's headers, though user32 has it.
extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

namespace CVFirmwareLoader {
namespace {

namespace fs = std::filesystem;
using EvarixTest::Eventually;
using EvarixTest::LogLine;

// The tray application's identity, with a class of the test's own: the desktop's windows are
// shared by every test program under the same Wine server.
const std::wstring kClass =
    L"corvane.cvw32.window-class.task-bar-icon." + std::to_wstring(EvarixTest::ThisProcessId());
const std::wstring kName = L"corvane.window-name.task-bar-icon";

ProcessId PidOf(const LogLine& line) {
  return static_cast<ProcessId>(std::stoul(line.at("pid")));
}

class WinDesktopApplicationsTest : public testing::Test {
 protected:
  // Both are inherited by every copy, restarted ones too, as they get the updater's environment.
  WinDesktopApplicationsTest() {
    SetEnvironmentVariableW(L"EVARIX_TRAY_LOG", log_.c_str());
    SetEnvironmentVariableW(L"EVARIX_TRAY_CLASS", kClass.c_str());
  }

  // Every copy that still runs is ended; a number of one that has ended may be another's by now.
  ~WinDesktopApplicationsTest() override {
    for (const auto& line : Log()) {
      const auto image = desktop.ApplicationImageOf(PidOf(line));
      const HANDLE copy = image && image->path == TrayAppPath()
                              ? OpenProcess(PROCESS_TERMINATE, FALSE, PidOf(line))
                              : nullptr;
      if (copy != nullptr && TerminateProcess(copy, 9)) WaitForSingleObject(copy, 5000);
      if (copy != nullptr) CloseHandle(copy);
    }
    std::error_code ignored;
    fs::remove(log_, ignored);
  }

  static std::wstring TrayAppPath() {
    return (RunningProgramPath()->parent_path() / EVARIX_FAKE_TRAY_APP).wstring();
  }

  // Starts the fake tray application and waits until its window exists.
  ProcessId StartTrayApp(const std::wstring& options = L"") {
    std::wstring commandLine = L"\"" + TrayAppPath() + L"\" " + options;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    EXPECT_TRUE(CreateProcessW(TrayAppPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, &startup, &started));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    EXPECT_TRUE(Eventually([&] { return Count("ready", started.dwProcessId) == 1; }));
    return started.dwProcessId;
  }

  std::vector<LogLine> Log() const { return EvarixTest::ReadTrayAppLog(log_); }

  int Count(const std::string& event, ProcessId pid) const {
    int count = 0;
    for (const auto& line : Log()) count += line.at("event") == event && PidOf(line) == pid;
    return count;
  }

  // The start line of a copy the test did not start itself.
  std::optional<LogLine> StartOfAnotherCopy(ProcessId original) const {
    for (const auto& line : Log()) {
      if (line.at("event") == "start" && PidOf(line) != original) return line;
    }
    return std::nullopt;
  }

  bool WindowGone() {
    return Eventually([&] { return !desktop.FindApplicationWindow(kClass, kName); });
  }

  const fs::path log_ = fs::temp_directory_path() /
                        (L"evarix-tray-" + std::to_wstring(EvarixTest::ThisProcessId()) + L".log");
  WinDesktopApplications desktop;
  ScopedDesktopApplications installed{&desktop};
};

TEST_F(WinDesktopApplicationsTest, OnlyTheExactWindowIsTheApplicationAndOnlyItIsAsked) {
  EXPECT_EQ(desktop.FindApplicationWindow(kClass, kName), std::nullopt);
  const ProcessId otherClass = StartTrayApp(L"--class corvane.other");
  StartTrayApp(L"--name corvane.other");
  const ProcessId app = StartTrayApp();
  ASSERT_EQ(desktop.FindApplicationWindow(kClass, kName), app);
  EXPECT_EQ(desktop.AskToQuit(otherClass), QuitRequestOutcome::Failed);
  const auto image = desktop.ApplicationImageOf(app);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->path, TrayAppPath());
  // The same user in the same session as the test.
  EXPECT_EQ(image->owner, desktop.ApplicationImageOf(GetCurrentProcessId())->owner);

  EXPECT_EQ(desktop.AskToQuit(app), QuitRequestOutcome::Asked);
  EXPECT_TRUE(WindowGone());
  EXPECT_EQ(desktop.AskToQuit(app), QuitRequestOutcome::Failed);
  EXPECT_EQ(Count("quit", otherClass), 0);
}

TEST_F(WinDesktopApplicationsTest, ThePauserClosesTheApplicationAndItStartsAgainAsTheDesktopsUser) {
  // Wine runs no shell, so there is no shell window: one of the test's stands in, and the
  // application is started with the test's token. Where a shell runs, its window is used.
  if (GetShellWindow() == nullptr) {
    ASSERT_TRUE(SetShellWindow(CreateWindowExW(0, L"STATIC", L"shell", WS_POPUP, 0, 0, 1, 1,
                                               nullptr, nullptr, nullptr, nullptr)));
  }
  const ProcessId app = StartTrayApp(L"--ignore-quits 2");
  const auto image = desktop.ApplicationImageOf(app);
  ASSERT_TRUE(image);
  const ProcessOwner owner = image->owner;
  EXPECT_FALSE(desktop.Start({image->path, {owner.user ^ 1u, owner.group}}));
  EXPECT_FALSE(desktop.Start({image->path, {owner.user, owner.group + 1u}}));
  {
    const ApplicationPauser pauser(kClass, kName);
    EXPECT_TRUE(WindowGone());
    EXPECT_EQ(Count("quit", app), 3);
    EXPECT_FALSE(StartOfAnotherCopy(app));
  }
  std::optional<LogLine> restart;
  ASSERT_TRUE(Eventually([&] { return (restart = StartOfAnotherCopy(app)).has_value(); }));
  EXPECT_EQ(restart->at("argc"), "1");
  EXPECT_EQ(restart->at("cwd"), fs::current_path().string());
  EXPECT_TRUE(Eventually([&] { return desktop.FindApplicationWindow(kClass, kName).has_value(); }));
}

}  // namespace
}  // namespace CVFirmwareLoader
