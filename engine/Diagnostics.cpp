#include "Diagnostics.h"

#include <climits>
#include <cwchar>
#include <string>

namespace CVFirmwareLoader::Diagnostics {
namespace {

void WriteLine(std::FILE* stream, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

}  // namespace

std::string Narrow(std::wstring_view wide) {
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

void CodeLine(std::FILE* stream, std::string_view text, int code) {
  WriteLine(stream, std::string(text) + std::to_string(code) + ")\n");
}

void CodeAndSystemErrorLine(std::FILE* stream, std::string_view text, int code,
                            unsigned long systemError) {
  WriteLine(stream, std::string(text) + std::to_string(code) + ", " +
                        std::to_string(systemError) + ")\n");
}

void TextLine(std::FILE* stream, std::string_view text) {
  WriteLine(stream, std::string(text) + "\n");
}

void WideLine(std::FILE* stream, std::string_view text, std::wstring_view wide) {
  WriteLine(stream, std::string(text) + Narrow(wide) + "\n");
}

}  // namespace CVFirmwareLoader::Diagnostics
