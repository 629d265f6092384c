#include "platform/windows/WinSystemFacts.h"

#include <windows.h>

#include <shlobj.h>

#include <memory>
#include <vector>

namespace CVFirmwareLoader {

namespace {

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

constexpr wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\";
constexpr wchar_t kImagePathValue[] = L"ImagePath";

// A service name is one key below the services key: a slash would reach into another key, and
// Windows allows neither slash in a service's name.
bool IsServiceName(const std::wstring& service) {
  return !service.empty() && service.find_first_of(L"\\/") == std::wstring::npos;
}

ServiceValueType ValueTypeOf(DWORD type) {
  if (type == REG_SZ) return ServiceValueType::String;
  if (type == REG_EXPAND_SZ) return ServiceValueType::ExpandableString;
  return ServiceValueType::Other;
}

std::optional<ServiceImagePath> ReadImagePath(HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, kImagePathValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (ValueTypeOf(type) == ServiceValueType::Other) return ServiceImagePath{{}, ValueTypeOf(type)};
  // Rounded up to whole characters; a value grown since its size was read fails the second query.
  std::vector<wchar_t> text((size + 1) / sizeof(wchar_t) + 1, L'\0');
  DWORD filled = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, kImagePathValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                       &filled) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return ServiceImagePath{std::wstring(text.data(), filled / sizeof(wchar_t)), ValueTypeOf(type)};
}

}  // namespace

std::optional<std::wstring> WinSystemFacts::ProgramFilesFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE)) return std::nullopt;
  return folder;
}

FileOpenOutcome WinSystemFacts::TryOpenForReading(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? FileOpenOutcome::NotFound
                                                  : FileOpenOutcome::OtherFailure;
  }
  CloseHandle(file);
  return FileOpenOutcome::Opened;
}

std::optional<ServiceImagePath> WinSystemFacts::QueryServiceImagePath(const std::wstring& service) {
  if (!IsServiceName(service)) return std::nullopt;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kServicesKey + service).c_str(), 0, KEY_QUERY_VALUE,
                    &opened) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const Key key(opened);
  return ReadImagePath(key.get());
}

std::optional<std::wstring> WinSystemFacts::SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  // A length beyond the buffer is the size the folder would have needed.
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::wstring(folder, length);
}

std::optional<DriverVersion> WinSystemFacts::FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<uint8_t> information(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, information.data())) return std::nullopt;
  void* block = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(information.data(), L"\\", &block, &length) ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  return DriverVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                       HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

}  // namespace CVFirmwareLoader
