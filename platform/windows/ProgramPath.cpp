#include "platform/ProgramPath.h"

#include <windows.h>

namespace CVFirmwareLoader {

std::optional<std::filesystem::path> RunningProgramPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A path that fills the whole buffer has been cut short (and GetLastError says so).
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::filesystem::path(std::wstring(path, length));
}

}  // namespace CVFirmwareLoader
