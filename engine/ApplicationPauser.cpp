#include "ApplicationPauser.h"

#include "platform/Platform.h"

namespace CVFirmwareLoader {

ApplicationPauser::ApplicationPauser(const std::wstring& windowClassName,
                                     const std::wstring& windowName) {
  try {
    Close(windowClassName, windowName);
  } catch (...) {
    // Closing the application is a courtesy: whatever went wrong, the updater still starts.
  }
}

ApplicationPauser::~ApplicationPauser() {
  if (!remembered_) return;
  try {
    // At program exit there is no one left to tell that the start failed.
    DesktopApplications().Start(*remembered_);
  } catch (...) {
  }
}

void ApplicationPauser::Close(const std::wstring& windowClassName, const std::wstring& windowName) {
  IDesktopApplications& applications = DesktopApplications();
  IClock& clock = *Platform().clock;
  const uint32_t start = clock.TickCount();
  while (const auto process = applications.FindApplicationWindow(windowClassName, windowName)) {
    // Read in the first pass that can: the process is about to go, and with it its path.
    if (!remembered_) remembered_ = applications.ApplicationImageOf(*process);
    if (applications.AskToQuit(*process) == QuitRequestOutcome::AccessDenied) {
      quitRequested_ = true;
      return;
    }
    if (static_cast<uint32_t>(clock.TickCount() - start) >= kGiveUpAfterMs) return;
    clock.Sleep(kPauseBetweenRequestsMs);
  }
}

}  // namespace CVFirmwareLoader
