#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "LoaderLock.h"
#include "platform/ModuleResources.h"

namespace CVFirmwareLoader {

class Device;
class ILoader;
class Loader;

// The one device manager: the registry of loaders, keyed by model number, and the reconciliation
// of the keyboards now present with the keyboards the loaders hold. The platform supplies the
// enumeration and the thread that every refresh runs on.
class Manager {
 public:
  virtual ~Manager();
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  // The one manager, or null before it has started and after it has stopped.
  static Manager* Instance();

  // Enumerates the present keyboards and reconciles them with the loaders. Runs on the
  // notification thread only.
  virtual void Refresh();

  // Fills presentPaths with the paths of supported keyboards that a loader already holds, and
  // newDevices with a new device for every other supported keyboard (owned by the caller).
  // Failures are thrown.
  virtual void EnumerateDevices(std::set<std::wstring>& presentPaths,
                                std::set<Device*>& newDevices) = 0;

  // Asks for a Refresh on the notification thread and returns at once.
  virtual void RequestRefresh() = 0;

  // Offers a new device to the loaders in ascending model number; destroys it if none takes it.
  virtual void OfferDevice(Device* device);

  // Tells the loader holding device that it has gone.
  virtual void DeviceGone(Device* device, Loader* loader);

  // Creates and registers the loader of a model and asks for a refresh; null when the loader
  // cannot be created (a diagnostic line says why). Every copy of the program shares the default
  // lock; test programs, which run side by side, each give their loaders a lock of their own.
  ILoader* CreateLoader(int modelId, const std::string& lockName = LoaderLock::kDefaultName);

  // Unregisters and destroys a loader made by CreateLoader; null is ignored.
  void DestroyLoader(ILoader* loader);

  // The registered loader whose device has exactly this path, or null.
  Loader* FindLoaderByPath(const std::wstring& path);

  // The program's resource table, or null while it is not known.
  const IModuleResources* GetModuleInstance() const { return moduleInstance; }

 protected:
  Manager() = default;

  // Makes this the manager Instance returns (null: none).
  static void SetInstance(Manager* manager);

  // Sorts one enumerated device into the two sets EnumerateDevices fills: skipped (with a line)
  // when unsupported, recorded as present when a loader holds it, otherwise built into a new
  // device. The service name is read only for a device that is built.
  void ProcessPresentDevice(const std::wstring& path, const std::wstring& hardwareId,
                            const std::function<std::wstring()>& readServiceName,
                            std::set<std::wstring>& presentPaths, std::set<Device*>& newDevices);

  // Runs Refresh on the notification thread, which nothing may end: whatever escapes it is written
  // as a line, and the next change tries again.
  void RefreshContained();

  // A keyboard whose device could not be built (a request to it failed: another program was
  // talking to it, or its driver was not yet ready for it) brings no further device event. So after
  // each refresh this says how long to wait, in milliseconds, before it is tried again; -1 when no
  // try is due. It is tried a few times, each time waiting twice as long (0.2 s up to 3.2 s), for a
  // machine too busy to keep up. retrying: the refresh was itself such a try.
  int NextRebuildDelayMs(bool retrying);

  const IModuleResources* moduleInstance = nullptr;

 private:
  // Guards the map for short reads and writes; never held while a loader's operation runs.
  std::mutex registryMutex;
  // Held by a whole refresh and by DestroyLoader, so that no refresh uses a loader being deleted.
  std::mutex refreshMutex;
  // Written by the refreshing thread only.
  bool keyboardLeftUnbuilt = false;
  int rebuildsLeft = 0;
  std::map<int32_t, Loader*> loaders;

  std::map<int32_t, Loader*> SnapshotLoaders();
  // Offers a device that this refresh owns; one that an offer throws out of goes unless a loader
  // took it first.
  void OfferOwned(Device* device);
};

}  // namespace CVFirmwareLoader
