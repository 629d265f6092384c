#pragma once

#include <windows.h>

#include "platform/DesktopApplications.h"

namespace CVFirmwareLoader {

// The desktop on Windows: an application is found by its top-level window (FindWindowW), read
// through its process (OpenProcess, GetModuleFileNameExW, its token), asked to quit with WM_QUIT
// posted to the window it was found by, and started again with the token of the desktop's shell.
//
// The updater runs elevated, so whatever it starts with CreateProcessW would run elevated too: the
// tray application is started with CreateProcessWithTokenW and a copy of the token of the process
// that owns the shell's window, so it gets the rights of the user at the desktop, not the
// updater's.
//
// What ProcessOwner holds here: a Windows user is a SID, which no 32-bit number can name, so
// `user` is a digest of the SID of the process token's user (32-bit FNV-1a over the SID's bytes)
// and `group` is the token's session. Start compares them with the shell's token and starts
// nothing when they differ (the application ran as someone other than the user at this desktop, or
// in another session) or when the shell or its token cannot be had.
//
// The window found last is remembered for AskToQuit, which only ever asks that window's process;
// one thread at a time uses an object, as the application pauser does.
class WinDesktopApplications final : public IDesktopApplications {
 public:
  std::optional<ProcessId> FindApplicationWindow(const std::wstring& className,
                                                 const std::wstring& windowName) override;
  std::optional<ApplicationImage> ApplicationImageOf(ProcessId process) override;
  QuitRequestOutcome AskToQuit(ProcessId process) override;
  bool Start(const ApplicationImage& image) override;

 private:
  HWND window_ = nullptr;
  ProcessId windowProcess_ = 0;
};

}  // namespace CVFirmwareLoader
