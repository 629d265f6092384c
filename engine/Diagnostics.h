#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace CVFirmwareLoader::Diagnostics {

// Every diagnostic line is written as bytes, wide text converted with the locale's conversion, so
// that lines of both widths reach the same stream (a C stream takes the orientation of its first
// write and would drop the other kind). Each line ends with a newline and a flush; a stream that is
// closed or bad swallows the line.

// text, then the code in signed decimal, then ")".
void CodeLine(std::FILE* stream, std::string_view text, int code);

// text, the code in signed decimal, ", ", the system error in unsigned decimal, then ")".
void CodeAndSystemErrorLine(std::FILE* stream, std::string_view text, int code,
                            unsigned long systemError);

// text alone.
void TextLine(std::FILE* stream, std::string_view text);

// text, then wide text such as a device path or hardware ID.
void WideLine(std::FILE* stream, std::string_view text, std::wstring_view wide);

}  // namespace CVFirmwareLoader::Diagnostics
