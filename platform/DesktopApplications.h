#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Seam.h"

namespace CVFirmwareLoader {

using ProcessId = uint32_t;

// Who a process runs as. The numbers are the system's user and group identifiers.
struct ProcessOwner {
  uint32_t user;
  uint32_t group;

  bool operator==(const ProcessOwner&) const = default;
};

// What it takes to start an application again as it ran before: its executable and its owner.
struct ApplicationImage {
  std::wstring path;
  ProcessOwner owner;

  bool operator==(const ApplicationImage&) const = default;
};

enum class QuitRequestOutcome {
  Asked,         // the request was delivered; the application may still take its time
  AccessDenied,  // the application belongs to someone the updater may not ask
  Failed,        // any other failure, such as a process that has already gone
};

// Other programs on the user's desktop: how the updater finds, closes and restarts the maker's
// tray application. Implementations never throw.
class IDesktopApplications {
 public:
  virtual ~IDesktopApplications() = default;

  // The process owning a top-level window whose class and name are exactly these; nothing when
  // there is no such window, no desktop, or the window does not say which local process it has.
  virtual std::optional<ProcessId> FindApplicationWindow(const std::wstring& className,
                                                         const std::wstring& windowName) = 0;

  // The full path of the process's executable and its owner, read together; nothing when either
  // cannot be read, so that nothing is ever started without knowing whose it was.
  virtual std::optional<ApplicationImage> ApplicationImageOf(ProcessId process) = 0;

  // Asks the process to quit and returns at once.
  virtual QuitRequestOutcome AskToQuit(ProcessId process) = 0;

  // Starts the executable with no arguments, as its owner, with the updater's environment and
  // working directory, and does not wait for it. Nothing is started when the owner's identity
  // cannot be taken. True when the executable was started.
  virtual bool Start(const ApplicationImage& image) = 0;
};

// Its stand-in never finds an application and can start nothing.
template <>
IDesktopApplications& SeamStandIn<IDesktopApplications>();

// The implementation now installed.
inline IDesktopApplications& DesktopApplications() {
  return Seam<IDesktopApplications>::Get();
}

using ScopedDesktopApplications = ScopedSeam<IDesktopApplications>;

}  // namespace CVFirmwareLoader
