#pragma once

#include <string>
#include <string_view>

// The pages and their element ids are UTF-8; the Win32 calls take UTF-16.
namespace EvarixView::Windows {

// Characters that cannot be converted become U+FFFD.
std::string ToUtf8(std::wstring_view wide);
std::wstring FromUtf8(std::string_view utf8);

}  // namespace EvarixView::Windows
