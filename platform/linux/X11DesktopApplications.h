#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/DesktopApplications.h"

namespace CVFirmwareLoader {

// The desktop on Linux: applications are found by their top-level windows on the X11 display that
// DISPLAY names (or one level down, inside a window manager's frame), processes are read through
// /proc, asked to quit with SIGTERM, and started with fork and execve.
//
// A window counts only when it names its process (_NET_WM_PID) and was made on this machine
// (WM_CLIENT_MACHINE, when set): the process number of a window shown from another machine means
// some other process here.
//
// A process's owner is its real user and group. A process is started as its owner: when the owner
// is not the updater's user, the new process takes the owner's user, group and the owner's
// supplementary groups from the user database, and HOME, USER and LOGNAME follow the owner; if any
// of that fails, nothing is started. The process gets a session of its own, default signal
// handling, no descriptors beyond the standard three, and is not the updater's child, so no zombie
// is left behind.
//
// Searching swaps Xlib's process-wide error handler for its own while it runs, so it is done while
// no other thread of the program uses Xlib (the updater closes the tray application before it
// shows anything).
class X11DesktopApplications final : public IDesktopApplications {
 public:
  std::optional<ProcessId> FindApplicationWindow(const std::wstring& className,
                                                 const std::wstring& windowName) override;
  std::optional<ApplicationImage> ApplicationImageOf(ProcessId process) override;
  QuitRequestOutcome AskToQuit(ProcessId process) override;
  bool Start(const ApplicationImage& image) override;
};

// File names and window texts on Linux are bytes, mostly UTF-8; the engine holds them as wide
// text. Bytes that are not valid UTF-8 become the lone code points U+DC80 to U+DCFF, so that any
// file name comes back byte for byte.
namespace LinuxText {

std::wstring FromBytes(std::string_view bytes);

// Nothing when the text holds a character that no file name can carry: a NUL, or a surrogate
// other than an escaped byte.
std::optional<std::string> ToBytes(std::wstring_view text);

}  // namespace LinuxText

}  // namespace CVFirmwareLoader
