#pragma once

#include <string>

#include "platform/SystemFacts.h"

namespace CVFirmwareLoader {

// The keyboard needs no kernel driver of its maker's here: what a user installs is the udev rule
// that gives the logged-in user access to it, so the rule is the "driver file" and the rules
// folder its folder. A driver service is a kernel module, whose version sysfs publishes.
class LinuxSystemFacts final : public ISystemFacts {
 public:
  explicit LinuxSystemFacts(std::wstring rulesFolder = L"/etc/udev/rules.d",
                            std::wstring sysfsRoot = L"/sys");

  std::optional<std::wstring> ProgramFilesFolder() override { return rulesFolder_; }
  FileOpenOutcome TryOpenForReading(const std::wstring& path) override;
  std::optional<ServiceImagePath> QueryServiceImagePath(const std::wstring& service) override;
  std::optional<std::wstring> SystemFolder() override { return sysfsRoot_; }
  wchar_t PathSeparator() const override { return L'/'; }
  std::optional<DriverVersion> FileVersion(const std::wstring& path) override;

  // "1.2.3.4", or fewer parts (the missing ones are 0); nothing for anything else.
  static std::optional<DriverVersion> ParseVersion(const std::string& text);

 private:
  std::wstring rulesFolder_;
  std::wstring sysfsRoot_;
};

}  // namespace CVFirmwareLoader
