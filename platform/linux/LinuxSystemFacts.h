#pragma once

#include <string>
#include <vector>

#include "platform/SystemFacts.h"

namespace CVFirmwareLoader {

// The keyboard needs no kernel driver of its maker's here: what a user installs is the udev rule
// that gives the logged-in user access to it, so the rule is the "driver file" and udev's rules
// folders, read as one the way udev reads them, its folder. A driver service is a kernel module,
// whose version sysfs publishes.
class LinuxSystemFacts final : public ISystemFacts {
 public:
  // The folders udev reads rules from, in its order: a file hides one of the same name in a later
  // folder. A package puts its rule in a system folder, an administrator in /etc.
  static std::vector<std::wstring> UdevRulesFolders();

  explicit LinuxSystemFacts(std::vector<std::wstring> rulesFolders = UdevRulesFolders(),
                            std::wstring sysfsRoot = L"/sys");

  // The first rules folder; a file below it is looked for in every rules folder.
  std::optional<std::wstring> ProgramFilesFolder() override;
  // Below that folder, the first rules folder holding the name decides, as it does for udev; the
  // file is not found only when it is in none of them (a missing folder holds nothing).
  FileOpenOutcome TryOpenForReading(const std::wstring& path) override;
  std::optional<ServiceImagePath> QueryServiceImagePath(const std::wstring& service) override;
  std::optional<std::wstring> SystemFolder() override { return sysfsRoot_; }
  wchar_t PathSeparator() const override { return L'/'; }
  std::optional<DriverVersion> FileVersion(const std::wstring& path) override;

  // "1.2.3.4", or fewer parts (the missing ones are 0); nothing for anything else.
  static std::optional<DriverVersion> ParseVersion(const std::string& text);

 private:
  std::optional<std::wstring> NameBelowRulesFolder(const std::wstring& path) const;

  std::vector<std::wstring> rulesFolders_;
  std::wstring sysfsRoot_;
};

}  // namespace CVFirmwareLoader
