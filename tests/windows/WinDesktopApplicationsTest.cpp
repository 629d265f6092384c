#include "platform/windows/WinDesktopApplications.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "engine/ApplicationPauser.h"
#include "platform/ProgramPath.h"
#include "support/Deadlines.h"
#include "support/ProcessId.h"
#include "support/TrayAppLog.h"

namespace CVFirmwareLoader {
namespace {

namespace fs = std::filesystem;
using EvarixTest::Eventually;
using EvarixTest::LogLine;

// The tray application's identity, made the test's own: the desktop's windows are shared by every
// test program under the same Wine server.
const std::wstring kClass =
    L"corvane.cvw32.window-class.task-bar-icon." + std::to_wstring(EvarixTest::ThisProcessId());
const std::wstring kName = L"corvane.window-name.task-bar-icon";

// Not in the SDK's headers, though user32 has it.
extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

// Wine runs no shell and so has no shell window; a window of the test's stands in for it, so that
// applications are started with the test's token, the user at this desktop. Where a shell runs,
// its window is used.
class ShellWindowStandIn {
 public:
  ShellWindowStandIn() {
    if (GetShellWindow() != nullptr) return;
    window_ = CreateWindowExW(0, L"STATIC", L"evarix-test-shell", WS_POPUP, 0, 0, 1, 1, nullptr,
                              nullptr, nullptr, nullptr);
    EXPECT_TRUE(SetShellWindow(window_));
  }
  ~ShellWindowStandIn() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  ShellWindowStandIn(const ShellWindowStandIn&) = delete;
  ShellWindowStandIn& operator=(const ShellWindowStandIn&) = delete;

 private:
  HWND window_ = nullptr;
};

class WinDesktopApplicationsTest : public testing::Test {
 protected:
  void SetUp() override {
    log_ = fs::temp_directory_path() /
           (L"evarix-tray-" + std::to_wstring(EvarixTest::ThisProcessId()) + L".log");
    // Inherited by every copy, restarted ones too: they get the updater's environment.
    SetEnvironmentVariableW(L"EVARIX_TRAY_LOG", log_.c_str());
    SetEnvironmentVariableW(L"EVARIX_TRAY_CLASS", kClass.c_str());
  }

  // Every copy that logged its start and still runs is ended, restarted ones included.
  void TearDown() override {
    for (const auto& line : LogLines()) {
      if (line.at("event") != "start") continue;
      // A number of a copy that has ended may have been given to another process since.
      const auto image = desktop.ApplicationImageOf(PidOf(line));
      if (!image || image->path != TrayAppPath()) continue;
      const HANDLE copy = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, PidOf(line));
      if (copy == nullptr) continue;
      TerminateProcess(copy, 9);
      WaitForSingleObject(copy, 5000);
      CloseHandle(copy);
    }
    SetEnvironmentVariableW(L"EVARIX_TRAY_LOG", nullptr);
    SetEnvironmentVariableW(L"EVARIX_TRAY_CLASS", nullptr);
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
    processes_.emplace_back(started.hProcess, &CloseHandle);
    EXPECT_TRUE(Eventually([&] { return Count("ready", started.dwProcessId) == 1; }));
    return started.dwProcessId;
  }

  // The exit code of a copy this test started, once it has ended.
  std::optional<DWORD> ExitCodeOf(size_t copy) {
    if (WaitForSingleObject(processes_.at(copy).get(), 10000) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(processes_.at(copy).get(), &code);
    return code;
  }

  std::vector<LogLine> LogLines() const { return EvarixTest::ReadTrayAppLog(log_); }

  static ProcessId PidOf(const LogLine& line) {
    return static_cast<ProcessId>(std::stoul(line.at("pid")));
  }

  int Count(const std::string& event, ProcessId pid) const {
    int count = 0;
    for (const auto& line : LogLines()) count += line.at("event") == event && PidOf(line) == pid;
    return count;
  }

  // The start line of a copy the test did not start itself.
  std::optional<LogLine> StartOfAnotherCopy(ProcessId original) const {
    for (const auto& line : LogLines()) {
      if (line.at("event") == "start" && PidOf(line) != original) return line;
    }
    return std::nullopt;
  }

  static std::string CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring wide = folder;
    std::string bytes;
    for (const wchar_t character : wide) bytes += static_cast<char>(character);  // ASCII here
    return bytes;
  }

  WinDesktopApplications desktop;
  ScopedDesktopApplications installed{&desktop};

 private:
  fs::path log_;
  std::vector<std::unique_ptr<void, decltype(&CloseHandle)>> processes_;
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
  EXPECT_EQ(ExitCodeOf(2), 0u);
  EXPECT_EQ(desktop.AskToQuit(app), QuitRequestOutcome::Failed);  // its window has gone
  EXPECT_EQ(Count("quit", otherClass), 0);
}

TEST_F(WinDesktopApplicationsTest, ThePauserClosesTheApplicationAndItStartsAgainAsTheDesktopsUser) {
  const ShellWindowStandIn shell;
  const ProcessId app = StartTrayApp(L"--ignore-quits 2");
  const auto image = desktop.ApplicationImageOf(app);
  ASSERT_TRUE(image);
  const ProcessOwner owner = image->owner;
  EXPECT_FALSE(desktop.Start({image->path, {owner.user ^ 1u, owner.group}}));
  EXPECT_FALSE(desktop.Start({image->path, {owner.user, owner.group + 1u}}));
  {
    const ApplicationPauser pauser(kClass, kName);
    EXPECT_FALSE(pauser.QuitRequested());
    EXPECT_EQ(ExitCodeOf(0), 0u);
    EXPECT_EQ(Count("quit", app), 3);
    EXPECT_FALSE(StartOfAnotherCopy(app));
  }
  std::optional<LogLine> restart;
  ASSERT_TRUE(Eventually([&] { return (restart = StartOfAnotherCopy(app)).has_value(); }));
  EXPECT_EQ(restart->at("argc"), "1");
  EXPECT_EQ(restart->at("cwd"), CurrentFolder());
  EXPECT_TRUE(Eventually([&] { return desktop.FindApplicationWindow(kClass, kName).has_value(); }));
}

}  // namespace
}  // namespace CVFirmwareLoader
