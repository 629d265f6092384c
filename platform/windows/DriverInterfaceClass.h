#pragma once

#include <windows.h>

#include <string_view>

namespace CVFirmwareLoader {

// The device-interface class under which the keyboard's driver exposes each keyboard it serves.
// (Device-change notices are registered for another class: the kernel-streaming audio devices.)
inline constexpr GUID kKeyboardInterfaceClass = {
    0xaf2eb229, 0xf4da, 0x417a, {0x81, 0x8e, 0x0f, 0x18, 0x94, 0xba, 0x84, 0xb8}};

// The same class in registry form, as interface paths and registry keys spell it.
inline constexpr std::wstring_view kKeyboardInterfaceClassText =
    L"{af2eb229-f4da-417a-818e-0f1894ba84b8}";

}  // namespace CVFirmwareLoader
