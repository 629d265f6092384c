#include "TextConversion.h"

#include <climits>
#include <cwchar>

namespace CVFirmwareLoader {

std::string ToLocaleBytes(std::wstring_view wide) {
  std::string out;
  std::mbstate_t state{};
  char bytes[MB_LEN_MAX];
  for (const wchar_t ch : wide) {
    const size_t length = std::wcrtomb(bytes, ch, &state);
    if (length == static_cast<size_t>(-1)) {
      out += '?';
      state = std::mbstate_t{};
    } else {
      out.append(bytes, length);
    }
  }
  return out;
}

std::wstring FromLocaleBytes(std::string_view bytes) {
  std::wstring out;
  std::mbstate_t state{};
  size_t at = 0;
  while (at < bytes.size()) {
    wchar_t ch = 0;
    const size_t length = std::mbrtowc(&ch, bytes.data() + at, bytes.size() - at, &state);
    if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2)) {
      out.push_back(L'\uFFFD');
      state = std::mbstate_t{};
      ++at;
    } else {
      out.push_back(ch);
      at += length == 0 ? 1 : length;
    }
  }
  return out;
}

}  // namespace CVFirmwareLoader
