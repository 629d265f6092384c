// The whole program on Windows, under Wine: the update flow on the fake view above the real
// ManagerWin (SetupAPI, the notification window, the driver check, the named locks, the pauser)
// and Win32DriverTransport, with a simulated keyboard below the relay driver. The test tells the
// manager's window of every change of the keyboard, as Windows would.
#include <windows.h>
// After windows.h, which it needs.
#include <dbt.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>

#include "app/EvarixFirmwareUpdaterDlg.h"
#include "app/ResourceIds.h"
#include "engine/ILoader.h"
#include "platform/ProgramPath.h"
#include "platform/windows/ManagerWin.h"
#include "support/Deadlines.h"
#include "support/FakeViewSystem.h"
#include "support/ProcessId.h"
#include "support/TestLockName.h"
#include "support/TrayAppLog.h"
#include "windows/support/InstalledDriverFile.h"
#include "windows/support/WindowsKeyboardRig.h"

// Not in the SDK's headers, though user32 has it.
extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

namespace {

namespace fs = std::filesystem;
using CVFirmwareLoader::FirmwareCheck;
using CVFirmwareLoader::UpdateStatus;
using EvarixTest::Eventually;
using EvarixTest::FakeViewSystem;
using Window = FakeViewSystem::Window;
namespace Template = EvarixApp::Template;

constexpr EvarixSim::KeyboardConfig kKeyboard{
    .firmwareVersion = 0x1022, .transferSize = 1024, .pollTimeoutMs = 0};
constexpr uint16_t kMiddleBlock = 66;  // of the shipped image's 133 at this transfer size

enum class Page { None, Success, Failure };

// The manager's window in this process: other test programs may run their managers beside it.
HWND NotificationWindow() {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, L"corvane.firmware-loader.device-interface",
                                 nullptr)) != nullptr) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return window;
  }
  return nullptr;
}

class WindowsSystemTest : public testing::Test {
 protected:
  WindowsSystemTest() {
    rig.OnDeviceChange([this] {
      if (HWND target = window.load())
        PostMessageW(target, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    });
  }

  // The program's start: its manager, the keyboard plugged in and its loader.
  void Start() {
    manager.emplace();
    window = NotificationWindow();
    ASSERT_NE(window.load(), nullptr);
    keyboard = &rig.Plug(kKeyboard);
    loader = manager->CreateLoader(0, EvarixTest::TestLockName());
    ASSERT_NE(loader, nullptr);
  }

  void End() {
    manager->DestroyLoader(loader);
    window = nullptr;
    manager.reset();
  }

  bool Offers() {
    return Eventually([&] {
      const int check = loader->CheckFirmware();
      return check == static_cast<int>(FirmwareCheck::UpdateAvailable) ||
             check == static_cast<int>(FirmwareCheck::UpdateRequired);
    });
  }

  bool Running() {
    int percent = 0;
    int secondsLeft = 0;
    return loader->GetProgress(percent, secondsLeft) == static_cast<int>(UpdateStatus::Running);
  }

  bool Updated() {
    return rig.Bus().AppearanceOf(*keyboard) &&
           keyboard->CurrentMode() == EvarixSim::Mode::Application &&
           keyboard->FirmwareVersion() == 0x1023;
  }

  // The main window from its page to the last page of one update; duringProgress acts on the
  // progress page, which then stays until the update ends.
  Page Update(const std::function<void(FakeViewSystem&, Window&)>& duringProgress = {}) {
    FakeViewSystem view;
    EvarixApp::CEvarixFirmwareUpdaterDlg::mainTextWritten = false;
    EvarixApp::CEvarixFirmwareUpdaterDlg dialog;
    dialog.loader = loader;
    dialog.sendUpdateDone = [](const char*) { return 0; };
    Page shown = Page::None;
    view.OnRun(Template::kMain, [&](Window& main) {
      EXPECT_TRUE(Offers()) << "the keyboard was not found";
      main.Wait(200);
      main.Click("ButtonOK");
      if (!main.ended) main.Click("ButtonCancel");
    });
    view.OnRun(Template::kConfirmation, [](Window& page) { page.Click("ButtonOK"); });
    view.OnRun(Template::kDriverNotice, [](Window& page) { page.Click("ButtonOK"); });
    view.OnRun(Template::kProgress, [&](Window& page) {
      if (duringProgress) duringProgress(view, page);
      EXPECT_TRUE(Eventually([&] { return !Running(); })) << "the update never ended";
    });
    view.OnRun(Template::kFailure, [&](Window& page) {
      shown = Page::Failure;
      page.Click("ButtonQuit");
    });
    view.OnRun(Template::kSuccess, [&](Window& page) {
      shown = Page::Success;
      page.Click("ButtonOK");
    });
    dialog.DoModal();
    return shown;
  }

  EvarixTest::InstalledDriverFile driverFile;
  EvarixTest::WindowsKeyboardRig rig;
  std::atomic<HWND> window{nullptr};
  std::optional<CVFirmwareLoader::ManagerWin> manager;
  CVFirmwareLoader::ILoader* loader = nullptr;
  EvarixSim::SimKeyboard* keyboard = nullptr;
};

// The tray application runs with its real identity, for the manager's pauser to find; it starts
// again as the desktop's user, for whom Wine has no shell window: one of the test's stands in.
class TrayApp {
 public:
  TrayApp() {
    if (GetShellWindow() == nullptr) {
      EXPECT_TRUE(SetShellWindow(CreateWindowExW(0, L"STATIC", L"shell", WS_POPUP, 0, 0, 1, 1,
                                                 nullptr, nullptr, nullptr, nullptr)));
    }
    SetEnvironmentVariableW(L"EVARIX_TRAY_LOG", log_.c_str());
    std::wstring commandLine = L"\"" + path_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    EXPECT_TRUE(CreateProcessW(path_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &started));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    EXPECT_TRUE(Eventually([&] { return Count("ready") == 1; }));
  }
  // Ends every copy still running; a number of one that has ended may be another's by now.
  ~TrayApp() {
    for (const auto& line : EvarixTest::ReadTrayAppLog(log_)) {
      HANDLE copy = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                std::stoul(line.at("pid")));
      if (copy != nullptr && ImageOf(copy) == path_ && TerminateProcess(copy, 9)) {
        WaitForSingleObject(copy, 5000);
      }
      if (copy != nullptr) CloseHandle(copy);
    }
    std::error_code ignored;
    fs::remove(log_, ignored);
  }

  int Count(const std::string& event) const {
    int count = 0;
    for (const auto& line : EvarixTest::ReadTrayAppLog(log_)) count += line.at("event") == event;
    return count;
  }

 private:
  static std::wstring ImageOf(HANDLE process) {
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, image, &size) ? image : L"";
  }

  const std::wstring path_ =
      (CVFirmwareLoader::RunningProgramPath()->parent_path() / EVARIX_FAKE_TRAY_APP).wstring();
  const fs::path log_ = fs::temp_directory_path() /
                        (L"evarix-tray-" + std::to_wstring(EvarixTest::ThisProcessId()) + L".log");
};

TEST_F(WindowsSystemTest, KeyboardIsUpdatedFromTheMainPageToTheSuccessPage) {
  TrayApp tray;
  Start();
  EXPECT_TRUE(Eventually([&] { return tray.Count("quit") == 1; }));
  EXPECT_EQ(Update(), Page::Success);
  EXPECT_TRUE(Eventually([&] { return Updated(); }));
  End();
  EXPECT_TRUE(Eventually([&] { return tray.Count("start") == 2; }));
}

TEST_F(WindowsSystemTest, KeyboardPulledMidDownloadFailsAndTheRetryAfterReplugSucceeds) {
  Start();
  keyboard->SetFaults({.unplugAtBlock = kMiddleBlock});
  EXPECT_EQ(Update(), Page::Failure);
  // Plugged back in as a person does it, after the program has seen it go: its path comes back
  // the same, and a refresh that ran only after the replug would find nothing gone.
  EXPECT_TRUE(Eventually(
      [&] { return loader->CheckFirmware() == static_cast<int>(FirmwareCheck::NoKeyboard); }));
  keyboard->SetFaults({});
  rig.Bus().Replug(*keyboard);
  EXPECT_EQ(Update(), Page::Success);
  EXPECT_TRUE(Eventually([&] { return Updated(); }));
  End();
}

TEST_F(WindowsSystemTest, AbortWhileWaitingForUpdateModeEndsOnTheFailurePage) {
  Start();
  keyboard->SetFaults({.detachOutcome = EvarixSim::DetachOutcome::Gone});
  const Page shown = Update([&](FakeViewSystem& view, Window& progress) {
    EXPECT_TRUE(Eventually([&] { return !rig.Bus().AppearanceOf(*keyboard); }));
    view.OnRun(Template::kCancellation, [](Window& question) { question.Click("ButtonCancel"); });
    progress.CloseBox();
  });
  EXPECT_EQ(shown, Page::Failure);
  EXPECT_FALSE(Running());
  End();
}

}  // namespace
