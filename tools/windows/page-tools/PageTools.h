#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

// What the programs that show the Windows dialogs outside the updater share: they dispatch the
// thread's messages themselves.
namespace EvarixPageTools {

// Dispatches this thread's messages until done() holds or the time is up; returns done().
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG message{};
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

// Dispatches this thread's messages for a while.
inline void Pump(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

// What a device context showed in an area, in 32-bit pixels (blue, green, red, unused), the top row
// first.
struct Picture {
  RECT area{};
  std::vector<RGBQUAD> pixels;

  LONG Width() const { return area.right - area.left; }
  LONG Height() const { return area.bottom - area.top; }
};

// The header of the picture's 32-bit top-down bitmap.
inline BITMAPINFOHEADER HeaderOf(const Picture& picture) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = picture.Width();
  header.biHeight = -picture.Height();
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return header;
}

// What source shows in the area; nullopt when it could not be copied.
inline std::optional<Picture> TakePicture(HDC source, const RECT& area) {
  Picture picture{area, {}};
  BITMAPINFOHEADER header = HeaderOf(picture);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(source, reinterpret_cast<const BITMAPINFO*>(&header),
                                    DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr) return std::nullopt;
  HDC memory = CreateCompatibleDC(source);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, picture.Width(), picture.Height(), source, area.left,
                             area.top, SRCCOPY) != FALSE;
  GdiFlush();
  const auto* first = static_cast<const RGBQUAD*>(pixels);
  picture.pixels.assign(
      first, first + static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()));
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
  if (!copied) return std::nullopt;
  return picture;
}

// Saves the picture as a 32-bit bitmap file, the top row first.
inline bool SavePicture(const Picture& picture, const std::filesystem::path& file) {
  const BITMAPINFOHEADER header = HeaderOf(picture);
  BITMAPFILEHEADER fileHeader{};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
  const auto size = static_cast<DWORD>(picture.pixels.size() * sizeof(RGBQUAD));
  fileHeader.bfSize = fileHeader.bfOffBits + size;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(picture.pixels.data()), size);
  return out.good();
}

// Saves what source shows in the area as a 32-bit bitmap file, the top row first.
inline bool SavePicture(HDC source, const RECT& area, const std::filesystem::path& file) {
  const std::optional<Picture> picture = TakePicture(source, area);
  return picture && SavePicture(*picture, file);
}

}  // namespace EvarixPageTools
