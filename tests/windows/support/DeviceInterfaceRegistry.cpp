#include "windows/support/DeviceInterfaceRegistry.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <string>

#include "platform/windows/DriverInterfaceClass.h"

namespace EvarixWinTest::DeviceInterfaceRegistry {
namespace {

using CVFirmwareLoader::kKeyboardInterfaceClassText;

constexpr unsigned kLastSlot = 9999;
// The device setup class of the maker's streaming driver; SetupAPI only needs there to be one.
constexpr std::wstring_view kMediaSetupClass = L"{4d36e96c-e325-11ce-bfc1-08002be10318}";

std::wstring SlotDigits(unsigned slot) {
  wchar_t digits[8] = {};
  std::swprintf(digits, std::size(digits), L"%04u", slot);
  return digits;
}

std::wstring InstanceId(unsigned slot) {
  return L"ROOT\\EVARIXKEYBOARD\\" + SlotDigits(slot);
}

std::wstring DeviceKey(unsigned slot) {
  return L"System\\CurrentControlSet\\Enum\\" + InstanceId(slot);
}

std::wstring InterfaceKey(unsigned slot) {
  const std::wstring interfaceClass(kKeyboardInterfaceClassText);
  return L"System\\CurrentControlSet\\Control\\DeviceClasses\\" + interfaceClass +
         L"\\##?#ROOT#EVARIXKEYBOARD#" + SlotDigits(slot) + L"#" + interfaceClass;
}

bool SetValue(const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
              size_t size) {
  HKEY opened = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &opened, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG written = RegSetValueExW(opened, name, 0, type, static_cast<const BYTE*>(data),
                                      static_cast<DWORD>(size));
  RegCloseKey(opened);
  return written == ERROR_SUCCESS;
}

// A text value with its terminator; a list (REG_MULTI_SZ) of one text also ends with a second one.
// An empty text writes nothing.
bool SetText(const std::wstring& key, const wchar_t* name, std::wstring_view text,
             DWORD type = REG_SZ) {
  if (text.empty()) return true;
  std::wstring data(text);
  data.push_back(L'\0');
  if (type == REG_MULTI_SZ) data.push_back(L'\0');
  return SetValue(key, name, type, data.data(), data.size() * sizeof(wchar_t));
}

bool DeleteTree(const std::wstring& key) {
  const LONG deleted = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::wstring InterfacePath(unsigned slot) {
  return L"\\\\?\\root#evarixkeyboard#" + SlotDigits(slot) + L"#" +
         std::wstring(kKeyboardInterfaceClassText);
}

bool Plug(unsigned slot, std::wstring_view hardwareId, std::wstring_view service) {
  if (slot > kLastSlot || !Unplug(slot)) return false;
  const std::wstring device = DeviceKey(slot);
  const std::wstring interfaceKey = InterfaceKey(slot);
  const DWORD linked = 1;
  return SetText(device, L"ClassGUID", kMediaSetupClass) &&
         SetText(device, L"HardwareID", hardwareId, REG_MULTI_SZ) &&
         SetText(device, L"Service", service) &&
         SetText(interfaceKey, L"DeviceInstance", InstanceId(slot)) &&
         SetText(interfaceKey + L"\\#", L"SymbolicLink", InterfacePath(slot)) &&
         SetValue(interfaceKey + L"\\#\\Control", L"Linked", REG_DWORD, &linked, sizeof linked);
}

bool Unplug(unsigned slot) {
  return DeleteTree(InterfaceKey(slot)) && DeleteTree(DeviceKey(slot));
}

}  // namespace EvarixWinTest::DeviceInterfaceRegistry
