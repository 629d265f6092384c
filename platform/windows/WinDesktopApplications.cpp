#include "platform/windows/WinDesktopApplications.h"

#include <psapi.h>

#include <memory>
#include <vector>

namespace CVFirmwareLoader {

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct EnvironmentFreer {
  void operator()(wchar_t* block) const { FreeEnvironmentStringsW(block); }
};
using EnvironmentBlock = std::unique_ptr<wchar_t, EnvironmentFreer>;

// GetModuleFileNameExW cuts a path that does not fit and says nothing; a full buffer may hold a cut
// path, and a cut path may name some other program.
constexpr DWORD kPathCapacity = MAX_PATH;

uint32_t Digest(const uint8_t* bytes, size_t count) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

std::optional<uint32_t> UserDigestOf(HANDLE token) {
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  if (needed < sizeof(TOKEN_USER)) return std::nullopt;
  std::vector<uint8_t> buffer(needed);
  if (!GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed)) return std::nullopt;
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
  if (!IsValidSid(sid)) return std::nullopt;
  return Digest(static_cast<const uint8_t*>(sid), GetLengthSid(sid));
}

std::optional<ProcessOwner> OwnerOf(HANDLE token) {
  DWORD session = 0;
  DWORD returned = 0;
  if (!GetTokenInformation(token, TokenSessionId, &session, sizeof session, &returned)) {
    return std::nullopt;
  }
  const auto user = UserDigestOf(token);
  if (!user) return std::nullopt;
  return ProcessOwner{*user, session};
}

std::optional<ProcessOwner> OwnerOfProcess(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
  const Handle owned(token);
  return OwnerOf(token);
}

// A primary token of the user at this desktop, taken from the process that owns the shell's
// window, when that user is the owner given.
Handle DesktopUserToken(const ProcessOwner& owner) {
  const HWND shell = GetShellWindow();
  DWORD shellProcess = 0;
  if (shell == nullptr || GetWindowThreadProcessId(shell, &shellProcess) == 0) return nullptr;
  const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcess));
  HANDLE token = nullptr;
  if (!process || !OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_DUPLICATE, &token)) {
    return nullptr;
  }
  const Handle shellToken(token);
  if (OwnerOf(token) != owner) return nullptr;
  HANDLE primary = nullptr;
  if (!DuplicateTokenEx(token, TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, nullptr,
                        SecurityImpersonation, TokenPrimary, &primary)) {
    return nullptr;
  }
  return Handle(primary);
}

}  // namespace

std::optional<ProcessId> WinDesktopApplications::FindApplicationWindow(
    const std::wstring& className, const std::wstring& windowName) {
  window_ = nullptr;
  const HWND window = FindWindowW(className.c_str(), windowName.c_str());
  DWORD process = 0;
  if (window == nullptr || GetWindowThreadProcessId(window, &process) == 0 || process == 0) {
    return std::nullopt;
  }
  window_ = window;
  windowProcess_ = process;
  return process;
}

std::optional<ApplicationImage> WinDesktopApplications::ApplicationImageOf(ProcessId process) {
  const Handle opened(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process));
  if (!opened) return std::nullopt;
  wchar_t path[kPathCapacity] = {};
  const DWORD length = GetModuleFileNameExW(opened.get(), nullptr, path, kPathCapacity);
  if (length == 0 || length >= kPathCapacity - 1) return std::nullopt;
  const auto owner = OwnerOfProcess(opened.get());
  if (!owner) return std::nullopt;
  return ApplicationImage{std::wstring(path, length), *owner};
}

QuitRequestOutcome WinDesktopApplications::AskToQuit(ProcessId process) {
  DWORD current = 0;
  // The window may have gone, and its handle been given to another process's window since.
  if (window_ == nullptr || process != windowProcess_ ||
      GetWindowThreadProcessId(window_, &current) == 0 || current != process) {
    return QuitRequestOutcome::Failed;
  }
  if (PostMessageW(window_, WM_QUIT, 0, 0)) return QuitRequestOutcome::Asked;
  return GetLastError() == ERROR_ACCESS_DENIED ? QuitRequestOutcome::AccessDenied
                                               : QuitRequestOutcome::Failed;
}

bool WinDesktopApplications::Start(const ApplicationImage& image) {
  if (image.path.empty() || image.path.find(L'\0') != std::wstring::npos) return false;
  const Handle token = DesktopUserToken(image.owner);
  const EnvironmentBlock environment(GetEnvironmentStringsW());
  if (!token || !environment) return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // Without a block of its own, the new process would get its user's default environment, not
  // the updater's; the block is wide, and the flag says so.
  if (!CreateProcessWithTokenW(token.get(), 0, image.path.c_str(), nullptr,
                               CREATE_UNICODE_ENVIRONMENT, environment.get(), nullptr, &startup,
                               &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

}  // namespace CVFirmwareLoader
