#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DesktopApplications.h"

namespace CVFirmwareLoader {

// Keeps the maker's tray application closed while the updater runs, so that it cannot talk to the
// keyboard during an update: the constructor asks it to quit until its window has gone, and the
// destructor starts it again, as the user it ran as.
class ApplicationPauser {
 public:
  // The application is known by the class and name of its top-level window. Throws nothing.
  ApplicationPauser(const std::wstring& windowClassName, const std::wstring& windowName);
  virtual ~ApplicationPauser();

  ApplicationPauser(const ApplicationPauser&) = delete;
  ApplicationPauser& operator=(const ApplicationPauser&) = delete;

  // True when the application refused to be asked (it belongs to a user the updater may not
  // signal). The updater must then end as soon as it has started, before it shows anything: it
  // cannot update a keyboard the application still holds. The application is left running.
  bool QuitRequested() const { return quitRequested_; }

  // An application that still shows its window after this long is given up on, so that a hung one
  // cannot keep the updater from starting; between requests it gets a moment to close.
  static constexpr uint32_t kGiveUpAfterMs = 3000;
  static constexpr uint32_t kPauseBetweenRequestsMs = 50;

 private:
  void Close(const std::wstring& windowClassName, const std::wstring& windowName);

  std::optional<ApplicationImage> remembered_;
  bool quitRequested_ = false;
};

}  // namespace CVFirmwareLoader
