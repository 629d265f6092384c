// Shows a window with the identity of the maker's tray application and quits when asked to, as its
// options say. For the tests of the Windows desktop only.
//
//   evarix-fake-tray-app [--ignore-quits N | --ignore-all-quits] [--class TEXT] [--name TEXT]
//
// The window is a hidden top-level window, as a tray application's main window is. Its class is
// EVARIX_TRAY_CLASS when that is set (a copy started again inherits it), unless --class is given.
// With EVARIX_TRAY_LOG naming a file, it appends one line per event, in UTF-8:
//   start argc=<n> cwd=<dir> pid=<pid>   first of all
//   ready pid=<pid>                        once the window exists
//   quit pid=<pid>                         for each WM_QUIT it takes in
// A copy that nobody ends goes away by itself after a while, so that no test leaves one behind.

#include <windows.h>

#include <shellapi.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr UINT kLifetimeMs = 30000;

struct Options {
  long ignoredQuits = 0;
  std::wstring windowClass = L"corvane.cvw32.window-class.task-bar-icon";
  std::wstring windowName = L"corvane.window-name.task-bar-icon";
};

std::optional<std::wstring> Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return value;
}

std::optional<Options> ParseOptions(int argc, wchar_t** argv) {
  Options options;
  options.windowClass = Variable(L"EVARIX_TRAY_CLASS").value_or(options.windowClass);
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == L"--ignore-all-quits") {
      options.ignoredQuits = LONG_MAX;
    } else if (option == L"--ignore-quits" && hasValue) {
      options.ignoredQuits = std::wcstol(argv[++i], nullptr, 10);
    } else if (option == L"--class" && hasValue) {
      options.windowClass = argv[++i];
    } else if (option == L"--name" && hasValue) {
      options.windowName = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  return options;
}

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

// One write per line, appended: lines of several copies never mix.
void Log(const std::wstring& line) {
  const auto path = Variable(L"EVARIX_TRAY_LOG");
  if (!path) return;
  HANDLE file = CreateFileW(path->c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = Utf8(line + L"\n");
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::wstring Pid() {
  return L"pid=" + std::to_wstring(GetCurrentProcessId());
}

void LogStart(int argc) {
  wchar_t cwd[MAX_PATH] = L"?";
  GetCurrentDirectoryW(MAX_PATH, cwd);
  Log(L"start argc=" + std::to_wstring(argc) + L" cwd=" + cwd + L" " + Pid());
}

bool MakeWindow(const Options& options) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = options.windowClass.c_str();
  if (RegisterClassExW(&windowClass) == 0) return false;
  return CreateWindowExW(0, options.windowClass.c_str(), options.windowName.c_str(),
                         WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 32, 32, nullptr,
                         nullptr, windowClass.hInstance, nullptr) != nullptr;
}

// Runs until asked to quit once more than it ignores; false when its time runs out first.
bool WaitForQuit(long ignoredQuits) {
  const UINT_PTR lifetime = SetTimer(nullptr, 0, kLifetimeMs, nullptr);
  long seen = 0;
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return false;
    if (got == 0) {
      Log(L"quit " + Pid());
      if (++seen > ignoredQuits) return true;
    } else if (message.message == WM_TIMER && message.wParam == lifetime) {
      return false;
    } else {
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  LogStart(argc);
  const auto options = ParseOptions(argc, argv);
  LocalFree(argv);
  if (!options) return 2;
  if (!MakeWindow(*options)) return 3;
  Log(L"ready " + Pid());
  return WaitForQuit(options->ignoredQuits) ? 0 : 4;
}
