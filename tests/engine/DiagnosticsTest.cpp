#include "engine/Diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace CVFirmwareLoader;

namespace {

std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int ch = std::fgetc(file); ch != EOF; ch = std::fgetc(file))
    text.push_back(static_cast<char>(ch));
  return text;
}

// The C library's narrowing: glibc's C locale has no "é" and writes '?', Windows' writes Latin-1.
#ifdef _WIN32
const std::string kNarrowedEAcute = "\xE9";
#else
const std::string kNarrowedEAcute = "?";
#endif

TEST(DiagnosticsTest, LinesOfBothWidthsReachOneStreamExactly) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  Diagnostics::CodeLine(file, "Error: load failed! (", -10);
  Diagnostics::WideLine(file, "Ignoring device: ", L"/dev/bus/usb/001/002");
  Diagnostics::CodeAndSystemErrorLine(file, "DEBUG: error in ProcessDeviceInfoSet (", -10,
                                      4294967295ul);
  Diagnostics::TextLine(file, "Error: failed to enumerate devices");
  Diagnostics::WideLine(file, "DEBUG: skipping unsupported device: ", L"USB\\VID_1209&PID_\u00e9");
  EXPECT_EQ(Contents(file),
            "Error: load failed! (-10)\n"
            "Ignoring device: /dev/bus/usb/001/002\n"
            "DEBUG: error in ProcessDeviceInfoSet (-10, 4294967295)\n"
            "Error: failed to enumerate devices\n"
            "DEBUG: skipping unsupported device: USB\\VID_1209&PID_" +
                kNarrowedEAcute + "\n");
  std::fclose(file);
}

TEST(DiagnosticsTest, StreamThatCannotBeWrittenSwallowsLines) {
  std::FILE* stream = std::fopen("/dev/full", "w");  // every flush fails
  ASSERT_NE(stream, nullptr);
  Diagnostics::CodeLine(stream, "Error: failed to create loader (", -30);
  Diagnostics::WideLine(stream, "Ignoring device: ", L"x");
  EXPECT_TRUE(std::ferror(stream));
  std::fclose(stream);
}

}  // namespace
