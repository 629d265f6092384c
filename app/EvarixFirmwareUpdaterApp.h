#pragma once

#include <functional>

namespace CVFirmwareLoader {
class ILoader;
}

namespace EvarixApp {

// The program: it makes the one loader, runs the main window until it ends, and destroys the
// loader again, all before the device manager goes.
class CEvarixFirmwareUpdaterApp {
 public:
  // quitRequested tells whether the program must end as soon as it has started (the tray
  // application could not be closed); none means it need not.
  explicit CEvarixFirmwareUpdaterApp(std::function<bool()> quitRequested = {});
  virtual ~CEvarixFirmwareUpdaterApp();
  CEvarixFirmwareUpdaterApp(const CEvarixFirmwareUpdaterApp&) = delete;
  CEvarixFirmwareUpdaterApp& operator=(const CEvarixFirmwareUpdaterApp&) = delete;

  // Runs the program. Returns false: there is nothing left to run once the main window has gone.
  bool InitInstance();

 protected:
  // The loader of model 0 from the device manager; null when there is no manager or the loader
  // could not be made.
  virtual CVFirmwareLoader::ILoader* CreateLoader();
  virtual void DestroyLoader(CVFirmwareLoader::ILoader* loader);

 private:
  std::function<bool()> quitRequested_;
};

}  // namespace EvarixApp
