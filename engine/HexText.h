#pragma once

#include <cstdint>
#include <string>

namespace CVFirmwareLoader::HexText {

// Four upper-case hexadecimal digits, zero-filled: the form of product IDs.
inline std::wstring Digits(uint16_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text(4, L'0');
  for (int position = 3; position >= 0; --position, value = static_cast<uint16_t>(value >> 4)) {
    text[static_cast<size_t>(position)] = kDigits[value & 0xF];
  }
  return text;
}

// "0x" and four digits: the form of firmware versions.
inline std::wstring Version(uint16_t value) { return L"0x" + Digits(value); }

}  // namespace CVFirmwareLoader::HexText
