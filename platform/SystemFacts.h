#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "DriverVersion.h"

namespace CVFirmwareLoader {

enum class FileOpenOutcome { Opened, NotFound, OtherFailure };

enum class ServiceValueType { String, ExpandableString, Other };

struct ServiceImagePath {
  std::wstring value;  // as stored: may hold a terminator before its end
  ServiceValueType type;
};

// What the driver installation check and the driver version query learn of the system.
// Implementations never throw.
class ISystemFacts {
 public:
  virtual ~ISystemFacts() = default;

  // The folder the driver's files are installed below; nothing when it cannot be found.
  virtual std::optional<std::wstring> ProgramFilesFolder() = 0;

  // Tries to open an existing file for reading and closes it again at once.
  virtual FileOpenOutcome TryOpenForReading(const std::wstring& path) = 0;

  // The "ImagePath" value registered for a driver service; nothing when the service or the value
  // is missing.
  virtual std::optional<ServiceImagePath> QueryServiceImagePath(const std::wstring& service) = 0;

  // The folder that service image paths are relative to; nothing when it cannot be read.
  virtual std::optional<std::wstring> SystemFolder() = 0;

  // The separator placed between the system folder and a service image path.
  virtual wchar_t PathSeparator() const = 0;

  // The version a file carries; nothing when it carries none or cannot be read.
  virtual std::optional<DriverVersion> FileVersion(const std::wstring& path) = 0;
};

}  // namespace CVFirmwareLoader
