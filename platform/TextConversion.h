#pragma once

#include <string>
#include <string_view>

namespace CVFirmwareLoader {

// Wide text in the locale's multibyte form; characters the locale cannot express become '?'.
std::string ToLocaleBytes(std::wstring_view wide);

// Bytes in the locale's multibyte form as wide text; bytes that form no character become U+FFFD.
std::wstring FromLocaleBytes(std::string_view bytes);

}  // namespace CVFirmwareLoader
