#include "Manager.h"

#include <atomic>
#include <cstdio>
#include <new>
#include <vector>

#include "Device.h"
#include "DeviceWin.h"
#include "Diagnostics.h"
#include "EResult.h"
#include "Loader.h"

namespace CVFirmwareLoader {
namespace {

std::atomic<Manager*> instance{nullptr};

constexpr int kRebuildAttempts = 5;
constexpr int kFirstRebuildDelayMs = 200;

}  // namespace

Manager::~Manager() = default;

Manager* Manager::Instance() {
  return instance.load();
}

void Manager::SetInstance(Manager* manager) {
  instance = manager;
}

std::map<int32_t, Loader*> Manager::SnapshotLoaders() {
  std::lock_guard guard(registryMutex);
  return loaders;
}

void Manager::Refresh() {
  std::lock_guard refreshing(refreshMutex);
  keyboardLeftUnbuilt = false;
  std::set<std::wstring> presentPaths;
  std::set<Device*> newDevices;
  try {
    EnumerateDevices(presentPaths, newDevices);
  } catch (...) {
    Diagnostics::TextLine(stderr, "Error: failed to enumerate devices");
    for (Device* device : newDevices) delete device;
    return;
  }
  // Whatever a loader throws ends the refresh, but the devices it built and no loader took go.
  try {
    for (const auto& [modelId, loader] : SnapshotLoaders()) {
      Device* held = loader->GetDevice();
      if (held != nullptr && !presentPaths.contains(held->GetPath())) DeviceGone(held, loader);
    }
    while (!newDevices.empty()) OfferOwned(newDevices.extract(newDevices.begin()).value());
  } catch (...) {
    for (Device* device : newDevices) delete device;
    throw;
  }
}

void Manager::RefreshContained() {
  try {
    Refresh();
  } catch (EResult failure) {
    Diagnostics::CodeLine(stderr, "Error: refresh failed (", failure);
  } catch (const std::bad_alloc&) {
    Diagnostics::CodeLine(stderr, "Error: refresh failed (", eNoResource);
  } catch (...) {
    Diagnostics::CodeLine(stderr, "Error: refresh failed (", eFailed);
  }
}

int Manager::NextRebuildDelayMs(bool retrying) {
  if (!keyboardLeftUnbuilt) {
    rebuildsLeft = 0;
  } else {
    rebuildsLeft = retrying ? rebuildsLeft - 1 : kRebuildAttempts;
  }
  return rebuildsLeft > 0 ? kFirstRebuildDelayMs << (kRebuildAttempts - rebuildsLeft) : -1;
}

void Manager::OfferOwned(Device* device) {
  try {
    OfferDevice(device);
  } catch (...) {
    Loader* holder = FindLoaderByPath(device->GetPath());
    if (holder == nullptr || holder->GetDevice() != device) delete device;
    throw;
  }
}

void Manager::OfferDevice(Device* device) {
  for (const auto& [modelId, loader] : SnapshotLoaders()) {
    if (loader->AttachDevice(device)) return;
  }
  Diagnostics::WideLine(stderr, "Ignoring device: ", device->GetPath());
  delete device;
}

void Manager::DeviceGone(Device* device, Loader* loader) {
  loader->DetachDevice(device);
}

ILoader* Manager::CreateLoader(int modelId, const std::string& lockName) {
  Loader* loader = nullptr;
  try {
    loader = new (std::nothrow) Loader(modelId, lockName);
  } catch (EResult failure) {
    Diagnostics::CodeLine(stderr, "Error: failed to create loader (", failure);
    return nullptr;
  }
  if (loader == nullptr) return nullptr;
  {
    std::lock_guard guard(registryMutex);
    loaders[modelId] = loader;
  }
  RequestRefresh();
  return loader;
}

void Manager::DestroyLoader(ILoader* loader) {
  if (loader == nullptr) return;
  {
    // Waits for a refresh that may be using the loader, so that none can after this.
    std::lock_guard refreshing(refreshMutex);
    std::lock_guard guard(registryMutex);
    const auto entry = loaders.find(loader->GetModelId());
    if (entry != loaders.end() && entry->second == loader) loaders.erase(entry);
  }
  delete loader;
}

void Manager::ProcessPresentDevice(const std::wstring& path, const std::wstring& hardwareId,
                                   const std::function<std::wstring()>& readServiceName,
                                   std::set<std::wstring>& presentPaths,
                                   std::set<Device*>& newDevices) {
  if (!DeviceWin::IsSupported(hardwareId)) {
    Diagnostics::WideLine(stdout, "DEBUG: skipping unsupported device: ", hardwareId);
    return;
  }
  if (FindLoaderByPath(path) != nullptr) {
    presentPaths.insert(path);
    return;
  }
  if (DeviceWin* device = DeviceWin::Create(path, hardwareId, readServiceName())) {
    newDevices.insert(device);
  } else {
    keyboardLeftUnbuilt = true;
  }
}

Loader* Manager::FindLoaderByPath(const std::wstring& path) {
  std::lock_guard guard(registryMutex);
  for (const auto& [modelId, loader] : loaders) {
    const Device* held = loader->GetDevice();
    if (held != nullptr && held->GetPath() == path) return loader;
  }
  return nullptr;
}

}  // namespace CVFirmwareLoader
