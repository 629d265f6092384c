#pragma once

#include <string>

#include "platform/DriverVersion.h"

namespace CVFirmwareLoader::DriverCheck {

// Whether the driver file below the driver folder counts as installed: only a file that is
// certainly absent counts as not installed; any other failure to open it gives the benefit of
// the doubt.
bool IsDriverInstalled(const wchar_t* driverFilePath);

// The version of the driver file registered for a driver service; false when any step fails.
bool QueryDriverVersion(const std::wstring& serviceName, DriverVersion& out);

// A driver is current with a major part of at least 1 and a revision part of at least 2.
bool IsDriverCurrent(const DriverVersion& version);

}  // namespace CVFirmwareLoader::DriverCheck
