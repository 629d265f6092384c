#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

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

// Saves what source shows in the area as a 32-bit bitmap file, the top row first.
inline bool SavePicture(HDC source, const RECT& area, const std::filesystem::path& file) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = area.right - area.left;
  header.biHeight = -(area.bottom - area.top);
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(source, reinterpret_cast<const BITMAPINFO*>(&header),
                                    DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr) return false;
  HDC memory = CreateCompatibleDC(source);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, header.biWidth, -header.biHeight, source, area.left,
                             area.top, SRCCOPY) != FALSE;
  GdiFlush();
  BITMAPFILEHEADER fileHeader{};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
  const auto size = static_cast<DWORD>(header.biWidth) * static_cast<DWORD>(-header.biHeight) * 4;
  fileHeader.bfSize = fileHeader.bfOffBits + size;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(static_cast<const char*>(pixels), size);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return copied && out.good();
}

}  // namespace EvarixPageTools
