#include "DriverCheck.h"

#include "platform/Platform.h"

namespace CVFirmwareLoader::DriverCheck {

bool IsDriverInstalled(const wchar_t* driverFilePath) {
  ISystemFacts& system = *Platform().system;
  const std::wstring path = system.ProgramFilesFolder().value_or(L"") + driverFilePath;
  return system.TryOpenForReading(path) != FileOpenOutcome::NotFound;
}

bool QueryDriverVersion(const std::wstring& serviceName, DriverVersion& out) {
  ISystemFacts& system = *Platform().system;
  const auto imagePath = system.QueryServiceImagePath(serviceName);
  if (!imagePath || imagePath->type == ServiceValueType::Other) return false;
  const auto folder = system.SystemFolder();
  if (!folder || folder->empty()) return false;
  // The stored value is used as it is: no variables expanded, no system-root prefix resolved.
  const std::wstring value = imagePath->value.substr(0, imagePath->value.find(L'\0'));
  const auto version = system.FileVersion(*folder + system.PathSeparator() + value);
  if (!version) return false;
  out = *version;
  return true;
}

bool IsDriverCurrent(const DriverVersion& version) {
  return version.major >= 1 && version.revision >= 2;
}

}  // namespace CVFirmwareLoader::DriverCheck
