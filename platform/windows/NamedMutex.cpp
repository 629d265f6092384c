#include "platform/NamedMutex.h"

#include <windows.h>

#include <optional>
#include <string>

namespace CVFirmwareLoader {

namespace {

// A Win32 mutex of the log-on session: recursive for its owner, abandoned when its owner ends.
class Win32NamedMutex final : public NamedMutex {
 public:
  explicit Win32NamedMutex(HANDLE handle) : handle_(handle) {}
  ~Win32NamedMutex() override { CloseHandle(handle_); }
  Win32NamedMutex(const Win32NamedMutex&) = delete;
  Win32NamedMutex& operator=(const Win32NamedMutex&) = delete;

  WaitOutcome Wait() override { return *Outcome(WaitForSingleObject(handle_, INFINITE)); }
  std::optional<WaitOutcome> TryWait() override { return Outcome(WaitForSingleObject(handle_, 0)); }
  void Release() override { ReleaseMutex(handle_); }

 private:
  // WAIT_FAILED cannot come from a handle this object holds open; it is taken as owning, as the
  // loader's lock takes every outcome but abandonment.
  static std::optional<WaitOutcome> Outcome(DWORD waited) {
    if (waited == WAIT_TIMEOUT) return std::nullopt;
    return waited == WAIT_ABANDONED ? WaitOutcome::Abandoned : WaitOutcome::Acquired;
  }

  HANDLE handle_;
};

std::wstring WideName(const std::string& name) {
  return std::wstring(name.begin(), name.end());
}

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::string& name) {
  // The kernel's object names may not hold a backslash below the session's namespace; the posix
  // side refuses '/', and both are refused here so that a name means the same on both systems.
  if (name.empty() || name.find_first_of("/\\") != std::string::npos) return nullptr;
  for (const char ch : name) {
    if (static_cast<unsigned char>(ch) >= 0x80) return nullptr;
  }
  HANDLE handle = CreateMutexW(nullptr, FALSE, WideName(name).c_str());
  if (handle == nullptr) return nullptr;
  return std::make_unique<Win32NamedMutex>(handle);
}

}  // namespace CVFirmwareLoader
