#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace CVFirmwareLoader {

// The full path of the running program's executable; nothing when the system cannot say, or
// when the path is longer than the system's classic path limit of 260 characters.
std::optional<std::filesystem::path> RunningProgramPath();

// The characters that may end a folder in such a path.
#ifdef _WIN32
inline constexpr std::wstring_view kFolderSeparators = L"\\/";
#else
inline constexpr std::wstring_view kFolderSeparators = L"/";
#endif

}  // namespace CVFirmwareLoader
