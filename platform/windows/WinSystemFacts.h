#pragma once

#include "platform/SystemFacts.h"

namespace CVFirmwareLoader {

// What the driver checks learn of Windows: the Program Files folder from the shell, the driver
// service's "ImagePath" from its key below HKLM\SYSTEM\CurrentControlSet\Services, paths joined to
// the Windows folder, and a file's version from its fixed version information.
class WinSystemFacts final : public ISystemFacts {
 public:
  std::optional<std::wstring> ProgramFilesFolder() override;
  // Only a file the system reports as absent (error 2) counts as not found.
  FileOpenOutcome TryOpenForReading(const std::wstring& path) override;
  // The value is kept as stored, terminators and all; a value of another type than a string or an
  // expandable string comes back empty, with its type Other.
  std::optional<ServiceImagePath> QueryServiceImagePath(const std::wstring& service) override;
  std::optional<std::wstring> SystemFolder() override;
  wchar_t PathSeparator() const override { return L'\\'; }
  std::optional<DriverVersion> FileVersion(const std::wstring& path) override;
};

}  // namespace CVFirmwareLoader
