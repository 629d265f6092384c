// ProgramResources() on Windows: the resources compiled into the module beside this file. Built
// into the object library of each program that carries resources (cmake/EmbedResources.cmake),
// not into the platform library.

#include <windows.h>

#include "platform/ProgramResources.h"
#include "platform/windows/Win32ModuleResources.h"

namespace {

const char kInThisModule = 0;

// The module holding this code, and with it the resources; should the system not say, a null
// handle stands for the program's executable, which is where both are.
HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&kInThisModule), &module);
  return module;
}

}  // namespace

const CVFirmwareLoader::IModuleResources& ProgramResources() {
  static const CVFirmwareLoader::Win32ModuleResources resources(ThisModule());
  return resources;
}
