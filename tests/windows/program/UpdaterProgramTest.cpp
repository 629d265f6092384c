// The real updater, started as a user starts it, with no keyboard present: its main window shows
// its page, and the program ends with 0 when the window is asked to close. Prints how long the
// first painted page took from the start and the process's peak working set. Also the resources
// its own script adds, read from the program file: a resource left out of the link is missed
// without a word.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

constexpr wchar_t kMainWindowTitle[] = L"Corvane Evarix 25 Firmware Updater (FW v1.2)";
constexpr std::chrono::seconds kStartDeadline{60};
constexpr DWORD kEndDeadlineMs = 30000;
constexpr int kIcon = 145;
constexpr UINT kAboutItemString = 101;

std::wstring UpdaterBesideThisProgram() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + EVARIX_UPDATER;
}

// Ends the program if the test leaves it running, and closes the handles either way.
struct StartedProgram {
  PROCESS_INFORMATION info{};
  ~StartedProgram() {
    if (info.hProcess == nullptr) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
};

// The width of the image the icon offers for that size, 0 when it has none.
LONG IconWidth(HMODULE program, int size) {
  HRSRC group = FindResourceW(program, MAKEINTRESOURCEW(kIcon), RT_GROUP_ICON);
  if (group == nullptr) return 0;
  auto* directory = static_cast<BYTE*>(LockResource(LoadResource(program, group)));
  const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
  HRSRC image = FindResourceW(program, MAKEINTRESOURCEW(id), RT_ICON);
  if (image == nullptr) return 0;
  return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(program, image)))->biWidth;
}

// The program's main window once it shows a page with nothing left to paint; null when the
// program ended or the deadline passed first.
HWND PaintedMainWindow(const PROCESS_INFORMATION& program) {
  const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  while (std::chrono::steady_clock::now() < deadline &&
         WaitForSingleObject(program.hProcess, 10) == WAIT_TIMEOUT) {
    HWND window = FindWindowW(nullptr, kMainWindowTitle);
    DWORD owner = 0;
    if (window != nullptr && GetWindowThreadProcessId(window, &owner) != 0 &&
        owner == program.dwProcessId && IsWindowVisible(window) &&
        !GetUpdateRect(window, nullptr, FALSE)) {
      return window;
    }
  }
  return nullptr;
}

}  // namespace

TEST(UpdaterProgram, ShowsItsMainWindowWithoutAKeyboardAndEndsWithZeroWhenClosed) {
  std::wstring commandLine = L"\"" + UpdaterBesideThisProgram() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  StartedProgram program;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &program.info))
      << GetLastError();

  HWND window = PaintedMainWindow(program.info);
  ASSERT_NE(window, nullptr) << "no painted main window";
  const auto painted = std::chrono::steady_clock::now();
  EXPECT_NE(FindWindowExW(window, nullptr, L"Button", L"Quit"), nullptr) << "no page";
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  ASSERT_TRUE(GetProcessMemoryInfo(program.info.hProcess, &memory, sizeof memory));
  std::printf("start to first painted page: %lld ms; peak working set: %.1f MiB\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(painted - started).count()),
              static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));

  ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
  ASSERT_EQ(WaitForSingleObject(program.info.hProcess, kEndDeadlineMs), WAIT_OBJECT_0);
  DWORD exitCode = STILL_ACTIVE;
  ASSERT_TRUE(GetExitCodeProcess(program.info.hProcess, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

// The window's icon cannot be asked for from here: Wine does not carry WM_GETICON between
// processes.
TEST(UpdaterProgram, CarriesItsIconAtEachSizeItsAboutItemItsVersionAndItsManifest) {
  HMODULE program = LoadLibraryExW(UpdaterBesideThisProgram().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  for (int size : {16, 32, 48, 256}) EXPECT_EQ(IconWidth(program, size), size);
  wchar_t text[64] = {};
  EXPECT_GT(LoadStringW(program, kAboutItemString, text, 64), 0);
  EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION), nullptr);
  EXPECT_NE(FindResourceW(program, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST), nullptr);
  FreeLibrary(program);
}
