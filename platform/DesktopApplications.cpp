#include "DesktopApplications.h"

#include <atomic>

namespace CVFirmwareLoader {

namespace {

class NoDesktopApplications final : public IDesktopApplications {
 public:
  std::optional<ProcessId> FindApplicationWindow(const std::wstring&,
                                                 const std::wstring&) override {
    return std::nullopt;
  }
  std::optional<ApplicationImage> ApplicationImageOf(ProcessId) override { return std::nullopt; }
  QuitRequestOutcome AskToQuit(ProcessId) override { return QuitRequestOutcome::Failed; }
  bool Start(const ApplicationImage&) override { return false; }
};

NoDesktopApplications noDesktopApplications;
std::atomic<IDesktopApplications*> currentDesktopApplications{&noDesktopApplications};

}  // namespace

IDesktopApplications& DesktopApplications() {
  return *currentDesktopApplications.load();
}

IDesktopApplications* SetDesktopApplications(IDesktopApplications* applications) {
  return currentDesktopApplications.exchange(applications != nullptr ? applications
                                                                     : &noDesktopApplications);
}

}  // namespace CVFirmwareLoader
