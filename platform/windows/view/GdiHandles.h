#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace EvarixView::Windows {

struct GdiObjectDelete {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// Owners for the GDI objects the view makes.
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDelete>;
using OwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDelete>;
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDelete>;

}  // namespace EvarixView::Windows
