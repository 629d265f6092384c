#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/SystemFacts.h"

namespace EvarixTest {

// A system described by a few maps: files with their open outcome and version, services with
// their image paths.
class FakeSystemFacts final : public CVFirmwareLoader::ISystemFacts {
 public:
  std::optional<std::wstring> programFiles = L"/opt/programs";
  std::optional<std::wstring> systemFolder = L"/sys";
  wchar_t separator = L'/';
  std::map<std::wstring, CVFirmwareLoader::FileOpenOutcome> files;
  std::map<std::wstring, CVFirmwareLoader::ServiceImagePath> services;
  std::map<std::wstring, CVFirmwareLoader::DriverVersion> versions;

  std::optional<std::wstring> ProgramFilesFolder() override { return programFiles; }

  CVFirmwareLoader::FileOpenOutcome TryOpenForReading(const std::wstring& path) override {
    const auto file = files.find(path);
    return file != files.end() ? file->second : CVFirmwareLoader::FileOpenOutcome::NotFound;
  }

  std::optional<CVFirmwareLoader::ServiceImagePath> QueryServiceImagePath(
      const std::wstring& service) override {
    const auto found = services.find(service);
    if (found == services.end()) return std::nullopt;
    return found->second;
  }

  std::optional<std::wstring> SystemFolder() override { return systemFolder; }
  wchar_t PathSeparator() const override { return separator; }

  std::optional<CVFirmwareLoader::DriverVersion> FileVersion(const std::wstring& path) override {
    const auto found = versions.find(path);
    if (found == versions.end()) return std::nullopt;
    return found->second;
  }

  // Marks the driver rule of every supported model as installed.
  void InstallDriverRule(const wchar_t* rulePath) {
    files[*programFiles + rulePath] = CVFirmwareLoader::FileOpenOutcome::Opened;
  }
};

}  // namespace EvarixTest
