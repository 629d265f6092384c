#include "DesktopApplications.h"

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

}  // namespace

template <>
IDesktopApplications& SeamStandIn<IDesktopApplications>() {
  static NoDesktopApplications none;
  return none;
}

}  // namespace CVFirmwareLoader
