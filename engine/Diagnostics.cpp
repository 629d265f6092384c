#include "Diagnostics.h"

#include <string>

#include "platform/TextConversion.h"

namespace CVFirmwareLoader::Diagnostics {
namespace {

void WriteLine(std::FILE* stream, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

}  // namespace

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
  WriteLine(stream, std::string(text) + ToLocaleBytes(wide) + "\n");
}

}  // namespace CVFirmwareLoader::Diagnostics
