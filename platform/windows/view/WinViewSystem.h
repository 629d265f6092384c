#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/view/DialogTemplates.h"
#include "app/view/PageDialogHost.h"
#include "platform/windows/view/GdiHandles.h"

namespace EvarixView::Windows {

// The dialogs as Win32 dialog windows: each page laid out and drawn by litehtml, with native
// controls standing on its buttons and text areas.
//
// Installed on the user-interface thread before the first dialog, as a program's wWinMain would:
//
//   EvarixView::Windows::WinViewSystem views;
//   const EvarixView::ScopedViewSystem installed(&views);
//
// The pages (HTML resources by page number, style sheets by file name) and the pictures (bitmap
// resources by number) are resources of the module given, the program itself by default; the
// icon is whatever icon resource the program carries under the icon's number. The view system
// must outlive every dialog it makes.
class WinViewSystem final : public IViewSystem {
 public:
  explicit WinViewSystem(HMODULE resources = GetModuleHandleW(nullptr));
  ~WinViewSystem() override;
  WinViewSystem(const WinViewSystem&) = delete;
  WinViewSystem& operator=(const WinViewSystem&) = delete;

  // For an unknown template or page: a plain dialog of the main template's size, so the logic
  // still gets a window and its events.
  std::unique_ptr<IPageDialogHost> CreatePageDialog(int templateId, int pageId,
                                                    IPageDialogEvents& events,
                                                    IPageDialogHost* owner) override;
  std::unique_ptr<IMessageBoxHost> CreateMessageBox(const std::wstring& text,
                                                    const std::wstring& caption,
                                                    IMessageBoxEvents& events,
                                                    IPageDialogHost* owner) override;

  // For the dialogs.
  HMODULE Module() const { return module_; }
  // An HTML resource's bytes: a page by its number, a style sheet by its file name.
  std::optional<std::string> HtmlResource(const wchar_t* name) const;
  // A bitmap by its number, kept for the view system's life; null when the program has none.
  HBITMAP Picture(int bitmapId);
  // The icon of that number at the system's big or small icon size; null when there is none.
  HICON Icon(int iconId, bool small) const;

 private:
  HMODULE module_;
  std::map<int, OwnedBitmap> pictures_;
};

}  // namespace EvarixView::Windows
