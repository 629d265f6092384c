// The real updater under Wine against a simulated Evarix 25 holding firmware 0x1022, reached
// through the relay driver that stands in for the keyboard's: this program plugs the keyboard,
// starts the updater found beside itself, tells the updater's notification window of every change
// of the keyboard as Windows would, and clicks through the whole update with the pointer at each
// button's place, as a user would. With a folder given it saves a picture of every window once
// the window's texts are on the screen, and fails when one never shows them; that needs a
// graphics driver that shows windows (Wine's X11 driver on Xvfb: scripts/demo-windows). Exits 0
// only when the updater ended with 0 and the keyboard runs firmware 0x1023.
//
//   evarix-windows-demo [FOLDER]

#include <windows.h>
// After windows.h, which it needs.
#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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
constexpr auto kPicturePatience = std::chrono::seconds(10);

// One window of the update as the user meets it, and the button the user presses in it; the
// count-down box and the progress page close by themselves.
struct Step {
  const wchar_t* title;
  const wchar_t* button;
  const char* picture;
  bool page = true;  // false: a message box
};

constexpr Step kSteps[] = {
    {L"Corvane Evarix 25 Firmware Updater (FW v1.2)", L"Update", "1-main"},
    {L"Corvane Evarix Update Confirmation", L"OK", "2-confirmation"},
    {L"Corvane Evarix Hardware Installation Notice", L"Proceed", "3-driver-notice"},
    {L"Corvane Evarix Updater Progress", nullptr, "4-progress"},
    {L"3 seconds remaining", nullptr, "5-countdown", false},
    {L"Corvane Evarix Update Results", L"Quit", "6-success"},
};

bool Eventually(const std::function<bool()>& done,
                std::chrono::milliseconds patience = kStepDeadline) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
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

// A pixel as dark as grey text at least: a button's face, a window's background and the
// selection's blue are all lighter.
bool IsInk(const RGBQUAD& pixel) {
  return std::max({pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue}) < 176;
}

// Whether the picture shows text in the area of the screen, leaving out the areas skipped: at
// least that many pixels of ink, on a lighter ground. A window not drawn yet shows none, or, where
// the screen is still black, nothing but ink.
bool ShowsTextIn(const EvarixPageTools::Picture& picture, const RECT& area, int leastInk,
                 const std::vector<RECT>& skipped = {}) {
  RECT inside{};
  if (!IntersectRect(&inside, &area, &picture.area)) return false;
  int ink = 0;
  int ground = 0;
  for (LONG y = inside.top; y < inside.bottom; ++y) {
    for (LONG x = inside.left; x < inside.right; ++x) {
      const POINT point{x, y};
      if (std::ranges::any_of(skipped, [&](const RECT& rect) { return PtInRect(&rect, point); }))
        continue;
      const size_t row = static_cast<size_t>(y - picture.area.top);
      const size_t column = static_cast<size_t>(x - picture.area.left);
      ++(IsInk(picture.pixels[row * static_cast<size_t>(picture.Width()) + column]) ? ink : ground);
    }
  }
  return ink >= leastInk && ground > ink;
}

// Whether anything has been drawn in the area: a control not painted yet leaves the screen there
// as it was, black on a fresh virtual display.
bool IsDrawnIn(const EvarixPageTools::Picture& picture, const RECT& area) {
  RECT inside{};
  if (!IntersectRect(&inside, &area, &picture.area)) return false;
  for (LONG y = inside.top; y < inside.bottom; ++y) {
    for (LONG x = inside.left; x < inside.right; ++x) {
      const size_t row = static_cast<size_t>(y - picture.area.top);
      const size_t column = static_cast<size_t>(x - picture.area.left);
      const RGBQUAD pixel = picture.pixels[row * static_cast<size_t>(picture.Width()) + column];
      if (pixel.rgbRed != 0 || pixel.rgbGreen != 0 || pixel.rgbBlue != 0) return true;
    }
  }
  return false;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64]{};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

bool IsPushButton(HWND control) {
  const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return ClassOf(control) == L"Button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

// A control that shows its window text as text: a push button, a static text, an edit control.
// The control's text as the control itself holds it. (GetWindowText on another process's window
// reads only the caption the system keeps, which an edit control does not update.)
std::wstring TextOf(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 1000, &copied);
  text.resize(copied);
  return text;
}

bool ShowsItsText(HWND control) {
  if (!IsWindowVisible(control) || TextOf(control).empty()) return false;
  const std::wstring name = ClassOf(control);
  const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK;
  return IsPushButton(control) || name == L"Edit" ||
         (name == L"Static" && (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT ||
                                type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP));
}

std::vector<HWND> ChildrenOf(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// Where a control's text lies on the screen: within its frame, and on a button within the
// focus rectangle and the default button's black frame, around its centred caption.
RECT TextAreaOf(HWND control) {
  RECT area{};
  GetWindowRect(control, &area);
  if (IsPushButton(control)) {
    InflateRect(&area, -(area.right - area.left) / 6, -(area.bottom - area.top) / 4);
  } else {
    InflateRect(&area, -3, -3);
  }
  return area;
}

// What of the window's text the picture lacks, named; empty when it shows all of it: the text of
// every control that shows text and, on a page, the page's own text in the area above its
// buttons. A blank window lacks all of it, a half-drawn one the page's text or a caption.
std::wstring MissingText(const EvarixPageTools::Picture& picture, HWND window, const Step& step) {
  constexpr int kLeastInControl = 4;
  constexpr int kLeastOnPage = 40;
  std::vector<RECT> controls;
  LONG buttonsTop = LONG_MAX;
  bool anyText = false;
  for (HWND child : ChildrenOf(window)) {
    if (!IsWindowVisible(child)) continue;
    RECT frame{};
    GetWindowRect(child, &frame);
    controls.push_back(frame);
    if (!IsDrawnIn(picture, frame)) return L"any drawing of its " + ClassOf(child);
    if (IsPushButton(child)) buttonsTop = std::min(buttonsTop, frame.top);
    if (!ShowsItsText(child)) continue;
    anyText = true;
    if (!ShowsTextIn(picture, TextAreaOf(child), kLeastInControl)) {
      return L"the text \"" + TextOf(child) + L"\" of its " + ClassOf(child);
    }
  }
  if (!step.page) return anyText ? L"" : L"any text";
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  client.bottom = std::min(client.bottom, buttonsTop);
  return ShowsTextIn(picture, client, kLeastOnPage, controls)
             ? L""
             : L"the page's text above its buttons";
}

bool EditsHoldText(HWND window) {
  for (HWND child : ChildrenOf(window)) {
    if (IsWindowVisible(child) && ClassOf(child) == L"Edit" && TextOf(child).empty()) return false;
  }
  return true;
}

// Keeps a picture of the window as the screen shows it once it shows all its text; the controls
// paint after their window, and the page after the window shows.
bool SaveCheckedPicture(HWND window, const Step& step, const fs::path& file) {
  std::wstring missing;
  std::optional<EvarixPageTools::Picture> picture;
  const bool whole = Eventually(
      [&] {
        RECT frame{};
        GetWindowRect(window, &frame);
        HDC screen = GetDC(nullptr);
        picture = EvarixPageTools::TakePicture(screen, frame);
        ReleaseDC(nullptr, screen);
        missing = picture ? MissingText(*picture, window, step) : L"any picture";
        return missing.empty();
      },
      kPicturePatience);
  if (!whole) {
    std::fprintf(stderr, "The picture of the window \"%ls\" lacks %ls\n", step.title,
                 missing.c_str());
    return false;
  }
  if (!EvarixPageTools::SavePicture(*picture, file)) {
    std::fprintf(stderr, "Could not save %s\n", file.string().c_str());
    return false;
  }
  return true;
}

// Clicks the button with the pointer at its centre, as a user would, once sure that the button
// is what lies there.
bool Click(HWND button, const Step& step) {
  RECT frame{};
  GetWindowRect(button, &frame);
  const POINT centre{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
  // A window going away (the count-down box before the success page) may still lie over it for a
  // moment, as it would for a user, who waits for it.
  HWND there = nullptr;
  if (!Eventually([&] { return (there = WindowFromPoint(centre)) == button; }, kPicturePatience)) {
    std::fprintf(stderr, "The button \"%ls\" of \"%ls\" is not what lies at (%ld, %ld): a %ls is\n",
                 step.button, step.title, centre.x, centre.y,
                 there != nullptr ? ClassOf(there).c_str() : L"nothing");
    return false;
  }
  // Absolute positions run from 0 to 65535 across the primary screen.
  const auto normal = [](LONG pixel, int metric) {
    const LONG size = GetSystemMetrics(metric);
    return (pixel * 65536 + size - 1) / size;
  };
  INPUT inputs[3]{};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = normal(centre.x, SM_CXSCREEN);
  inputs[0].mi.dy = normal(centre.y, SM_CYSCREEN);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (SendInput(3, inputs, sizeof(INPUT)) != 3) {
    std::fprintf(stderr, "The click on \"%ls\" was not sent (%lu)\n", step.button, GetLastError());
    return false;
  }
  return true;
}

// Waits for the step's window to show painted and its button to be enabled, keeps its picture
// and clicks the button.
bool Take(const Updater& updater, const Step& step, const std::optional<fs::path>& folder) {
  HWND window = nullptr;
  HWND button = nullptr;
  const bool ready = Eventually([&] {
    window = WindowOf(updater.Id(), nullptr, step.title, true);
    if (window == nullptr || GetUpdateRect(window, nullptr, FALSE)) return false;
    // The main page's status box is filled by the page's first look at the keyboard.
    if (!EditsHoldText(window)) return false;
    if (step.button == nullptr) return true;
    button = FindWindowExW(window, nullptr, L"Button", step.button);
    return button != nullptr && IsWindowEnabled(button);
  });
  if (!ready) {
    std::fprintf(stderr, "The window \"%ls\" did not show%s\n", step.title,
                 step.button != nullptr ? " with its button enabled" : "");
    return false;
  }
  if (folder && !SaveCheckedPicture(window, step, *folder / (std::string(step.picture) + ".bmp"))) {
    return false;
  }
  return button == nullptr || Click(button, step);
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
  if (!exitCode) {
    const Step& last = kSteps[std::size(kSteps) - 1];
    std::fprintf(
        stderr, "The updater did not end; its window \"%ls\" is %s\n", last.title,
        WindowOf(updater.Id(), nullptr, last.title, true) != nullptr ? "still shown" : "gone");
  }
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
