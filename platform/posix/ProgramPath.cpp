#include "platform/ProgramPath.h"

#include <system_error>

namespace CVFirmwareLoader {

std::optional<std::filesystem::path> RunningProgramPath() {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::nullopt;
  return program;
}

}  // namespace CVFirmwareLoader
