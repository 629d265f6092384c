#include "LinuxSystemFacts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <string_view>

#include "platform/TextConversion.h"

namespace CVFirmwareLoader {

namespace {

FileOpenOutcome TryOpen(const std::wstring& path) {
  const int fd = ::open(ToLocaleBytes(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return FileOpenOutcome::Opened;
  }
  return errno == ENOENT ? FileOpenOutcome::NotFound : FileOpenOutcome::OtherFailure;
}

}  // namespace

std::vector<std::wstring> LinuxSystemFacts::UdevRulesFolders() {
  // /lib is where systems that keep it apart from /usr have their rules.
  return {L"/etc/udev/rules.d", L"/run/udev/rules.d", L"/usr/local/lib/udev/rules.d",
          L"/usr/lib/udev/rules.d", L"/lib/udev/rules.d"};
}

LinuxSystemFacts::LinuxSystemFacts(std::vector<std::wstring> rulesFolders, std::wstring sysfsRoot)
    : rulesFolders_(std::move(rulesFolders)), sysfsRoot_(std::move(sysfsRoot)) {}

std::optional<std::wstring> LinuxSystemFacts::ProgramFilesFolder() {
  if (rulesFolders_.empty()) return std::nullopt;
  return rulesFolders_.front();
}

FileOpenOutcome LinuxSystemFacts::TryOpenForReading(const std::wstring& path) {
  const auto name = NameBelowRulesFolder(path);
  if (!name) return TryOpen(path);
  for (const std::wstring& folder : rulesFolders_) {
    const FileOpenOutcome outcome = TryOpen(folder + *name);
    if (outcome != FileOpenOutcome::NotFound) return outcome;
  }
  return FileOpenOutcome::NotFound;
}

std::optional<std::wstring> LinuxSystemFacts::NameBelowRulesFolder(const std::wstring& path) const {
  if (rulesFolders_.empty()) return std::nullopt;
  const std::wstring& folder = rulesFolders_.front();
  if (!std::wstring_view(path).starts_with(folder + L'/')) return std::nullopt;
  return path.substr(folder.size());
}

std::optional<ServiceImagePath> LinuxSystemFacts::QueryServiceImagePath(
    const std::wstring& service) {
  // The name comes from the device's driver link; it must name a module, never a path.
  if (service.empty() || service.find(L'/') != std::wstring::npos || service == L"." ||
      service == L"..") {
    return std::nullopt;
  }
  struct stat info {};
  const std::wstring module = L"module/" + service;
  if (::stat(ToLocaleBytes(sysfsRoot_ + L"/" + module).c_str(), &info) != 0 ||
      !S_ISDIR(info.st_mode)) {
    return std::nullopt;
  }
  return ServiceImagePath{module + L"/version", ServiceValueType::String};
}

std::optional<DriverVersion> LinuxSystemFacts::FileVersion(const std::wstring& path) {
  std::ifstream file(ToLocaleBytes(path));
  std::string text;
  if (!file || !std::getline(file, text)) return std::nullopt;
  return ParseVersion(text);
}

std::optional<DriverVersion> LinuxSystemFacts::ParseVersion(const std::string& text) {
  std::array<uint16_t, 4> parts{};
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  for (size_t part = 0; part < parts.size(); ++part) {
    const auto [next, error] = std::from_chars(at, end, parts[part]);
    if (error != std::errc{}) return std::nullopt;
    at = next;
    if (at == end) return DriverVersion{parts[0], parts[1], parts[2], parts[3]};
    if (*at != '.') return std::nullopt;
    ++at;
  }
  return std::nullopt;
}

}  // namespace CVFirmwareLoader
