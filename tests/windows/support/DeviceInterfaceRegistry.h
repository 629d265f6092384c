#pragma once

#include <string>
#include <string_view>

// Simulated keyboards as SetupAPI lists them: a device interface of the keyboard driver's class,
// written into the registry of the Wine prefix the test runs in. A slot is one device instance,
// ROOT\EVARIXKEYBOARD\000N; a keyboard that leaves the bus and comes back as another device (as
// when it switches into update mode) is unplugged from one slot and plugged into another.
//
// What Wine 8's SetupAPI needs, measured: SetupDiGetClassDevsW(DIGCF_PRESENT |
// DIGCF_DEVICEINTERFACE) lists an interface when both of these exist:
//   HKLM\System\CurrentControlSet\Enum\ROOT\EVARIXKEYBOARD\000N
//       HardwareID (REG_MULTI_SZ), Service (REG_SZ), and ClassGUID (REG_SZ, a "{...}" device setup
//       class; without it nothing is listed)
//   HKLM\System\CurrentControlSet\Control\DeviceClasses\{class}\##?#ROOT#EVARIXKEYBOARD#000N#{class}
//       DeviceInstance (REG_SZ, the instance ID; without it nothing is listed)
//       #\SymbolicLink (REG_SZ; Wine does not need it, Windows keeps it)
//       #\Control\Linked (REG_DWORD 1; 0 or missing and DIGCF_PRESENT leaves the interface out)
// So deleting either key, or DeviceInstance, or clearing Linked stops the listing (Unplug deletes
// both keys). Wine makes the interface path itself, in lower case:
// \\?\root#evarixkeyboard#000n#{class}. A missing Service makes SPDRP_SERVICE fail; a missing
// HardwareID, SPDRP_HARDWAREID. Every enumeration reads the registry afresh.
//
// The registry is the Wine prefix's, shared by every process the tests start in it: tests that plug
// keyboards, or enumerate them, run one at a time under the CTest resource lock
// ${EVARIX_DEVICE_INTERFACE_LOCK} (tests/windows/CMakeLists.txt) and unplug what they plugged.
namespace EvarixWinTest::DeviceInterfaceRegistry {

// The path SetupAPI lists for the slot's interface: the path the updater opens the keyboard's
// driver by, for every request.
std::wstring InterfacePath(unsigned slot);

// Plugs a keyboard into the slot (0 to 9999), replacing whatever was plugged there: the first and
// only hardware ID and the driver service are as given; an empty one is left out, so that reading
// it fails. The interface is listed only once everything else is written. False when the registry
// refuses a write.
[[nodiscard]] bool Plug(unsigned slot, std::wstring_view hardwareId, std::wstring_view service);

// Removes the slot's interface and then its device; nothing is listed for it any more. False when
// something is left.
bool Unplug(unsigned slot);

}  // namespace EvarixWinTest::DeviceInterfaceRegistry
