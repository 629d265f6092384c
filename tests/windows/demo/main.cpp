// The real updater under Wine against a simulated Evarix 25 holding firmware 0x1022, reached
// through the relay driver that stands in for the keyboard's: this program plugs the keyboard,
// starts the updater found beside itself, tells the updater's notification window of every change
// of the keyboard as Windows would, and clicks through the whole update as a user would. With a
// folder given it saves a picture of every page as it shows; that needs a graphics driver that
// shows windows (Wine's X11 driver on Xvfb: scripts/demo-windows). Exits 0 only when the updater
// ended with 0 and the keyboard runs firmware 0x1023.
//
//   evarix-windows-demo [FOLDER]

#include <windows.h>
// After windows.h, which it needs.
#include <dbt.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/ProgramPath.h"
#include "tools/windows/page-tools/PageTools.h"
#include "windows/support/InstalledDriverFile.h"
#include "windows/support/WindowsKeyboardRig.h"

namespace {

namespace fs = std::filesystem;

constexpr EvarixSim::KeyboardConfig kKeyboard{
    .firmwareVersion = 0x1022, .transferSize = 1024, .pollTimeoutMs = 0};
constexpr auto kStepDeadline = std::chrono::seconds(60);
constexpr DWORD kEndDeadlineMs = 30000;
constexpr auto kSettleTime = std::chrono::milliseconds(700);

// One window of the update as the user meets it, and the button the user presses in it; the
// count-down box and the progress page close by themselves.
struct Step {
  const wchar_t* title;
  const wchar_t* button;
  const char* picture;
};

constexpr Step kSteps[] = {
    {L"Corvane Evarix 25 Firmware Updater (FW v1.2)", L"Update", "1-main"},
    {L"Corvane Evarix Update Confirmation", L"OK", "2-confirmation"},
    {L"Corvane Evarix Hardware Installation Notice", L"Proceed", "3-driver-notice"},
    {L"Corvane Evarix Updater Progress", nullptr, "4-progress"},
    {L"3 seconds remaining", nullptr, "5-countdown"},
    {L"Corvane Evarix Update Results", L"Quit", "6-success"},
};

bool Eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kStepDeadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The updater's window of that class or title, shown unless hidden windows are asked for.
HWND WindowOf(DWORD process, const wchar_t* windowClass, const wchar_t* title, bool shown) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, windowClass, title)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process && (!shown || IsWindowVisible(window))) return window;
  }
  return nullptr;
}

// The updater, ended if this program leaves it running.
class Updater {
 public:
  Updater() {
    const fs::path program =
        CVFirmwareLoader::RunningProgramPath()->parent_path() / L"evarix-firmware-updater.exe";
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_)) {
      info_ = {};
    }
  }
  ~Updater() {
    if (info_.hProcess == nullptr) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  Updater(const Updater&) = delete;
  Updater& operator=(const Updater&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  DWORD Id() const { return info_.dwProcessId; }
  // The exit code once the updater has ended in time.
  std::optional<DWORD> End() const {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info_.hProcess, kEndDeadlineMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(info_.hProcess, &code)) {
      return std::nullopt;
    }
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
};

// The window as the screen shows it, once its controls, which paint after it, have painted too.
void SaveScreenPicture(HWND window, const fs::path& file) {
  std::this_thread::sleep_for(kSettleTime);
  RECT frame{};
  GetWindowRect(window, &frame);
  HDC screen = GetDC(nullptr);
  if (EvarixPageTools::SavePicture(screen, frame, file)) std::printf("%s\n", file.string().c_str());
  ReleaseDC(nullptr, screen);
}

// Waits for the step's window to show painted and its button to be enabled, pictures it and
// presses the button as a click would.
bool Take(const Updater& updater, const Step& step, const std::optional<fs::path>& folder) {
  HWND window = nullptr;
  HWND button = nullptr;
  const bool ready = Eventually([&] {
    window = WindowOf(updater.Id(), nullptr, step.title, true);
    if (window == nullptr || GetUpdateRect(window, nullptr, FALSE)) return false;
    if (step.button == nullptr) return true;
    button = FindWindowExW(window, nullptr, L"Button", step.button);
    return button != nullptr && IsWindowEnabled(button);
  });
  if (!ready) {
    std::fprintf(stderr, "The window \"%ls\" did not show%s\n", step.title,
                 step.button != nullptr ? " with its button enabled" : "");
    return false;
  }
  std::printf("%ls\n", step.title);
  if (folder) SaveScreenPicture(window, *folder / (std::string(step.picture) + ".bmp"));
  if (button != nullptr) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::optional<fs::path> folder;
  if (argc > 1) {
    folder = argv[1];
    fs::create_directories(*folder);
  }
  const EvarixTest::InstalledDriverFile driverFile;
  EvarixTest::WindowsKeyboardRig rig;
  std::atomic<HWND> notificationWindow{nullptr};
  rig.OnDeviceChange([&] {
    if (HWND target = notificationWindow.load())
      PostMessageW(target, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  });
  EvarixSim::SimKeyboard& keyboard = rig.Plug(kKeyboard);

  const Updater updater;
  if (!updater.Started()) {
    std::fprintf(stderr, "The updater did not start (%lu)\n", GetLastError());
    return 1;
  }
  Eventually([&] {
    notificationWindow =
        WindowOf(updater.Id(), L"corvane.firmware-loader.device-interface", nullptr, false);
    return notificationWindow.load() != nullptr;
  });
  for (const Step& step : kSteps) {
    if (!Take(updater, step, folder)) return 1;
  }
  const std::optional<DWORD> exitCode = updater.End();
  const bool updated = Eventually([&] {
    return rig.Bus().AppearanceOf(keyboard) &&
           keyboard.CurrentMode() == EvarixSim::Mode::Application &&
           keyboard.FirmwareVersion() == 0x1023;
  });
  std::printf("updater's exit code: %s; keyboard's firmware: 0x%04X\n",
              exitCode ? std::to_string(*exitCode).c_str() : "none, still running",
              keyboard.FirmwareVersion());
  return exitCode == 0u && updated ? 0 : 1;
}
