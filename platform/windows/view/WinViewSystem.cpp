#include "platform/windows/view/WinViewSystem.h"

#include <commctrl.h>

#include "platform/windows/view/WinMessageBox.h"
#include "platform/windows/view/WinPageDialog.h"

namespace EvarixView::Windows {
namespace {

// The template a dialog gets when the logic names one the program does not have.
constexpr DialogTemplate kFallbackTemplate{0, "", 320, 184, "MS Shell Dlg", 8, false, false, 0, {}};

HWND WindowOf(IPageDialogHost* host) {
  auto* dialog = dynamic_cast<WinPageDialog*>(host);
  return dialog != nullptr ? dialog->Window() : nullptr;
}

}  // namespace

WinViewSystem::WinViewSystem(HMODULE resources) : module_(resources) {
  // The progress bar's class, registered before a template names it.
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
}

WinViewSystem::~WinViewSystem() = default;

std::unique_ptr<IPageDialogHost> WinViewSystem::CreatePageDialog(int templateId, int pageId,
                                                                 IPageDialogEvents& events,
                                                                 IPageDialogHost* owner) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  if (dialog == nullptr) dialog = &kFallbackTemplate;
  const PageResource* page = pageId != 0 ? FindPage(pageId) : nullptr;
  return std::make_unique<WinPageDialog>(*this, *dialog, page, events,
                                         dynamic_cast<WinPageDialog*>(owner));
}

std::unique_ptr<IMessageBoxHost> WinViewSystem::CreateMessageBox(const std::wstring& text,
                                                                 const std::wstring& caption,
                                                                 IMessageBoxEvents& events,
                                                                 IPageDialogHost* owner) {
  return std::make_unique<WinMessageBox>(text, caption, events, WindowOf(owner));
}

std::optional<std::string> WinViewSystem::HtmlResource(const wchar_t* name) const {
  HRSRC found = FindResourceW(module_, name, RT_HTML);
  if (found == nullptr) return std::nullopt;
  const void* bytes = LockResource(LoadResource(module_, found));
  if (bytes == nullptr) return std::nullopt;
  return std::string(static_cast<const char*>(bytes), SizeofResource(module_, found));
}

HBITMAP WinViewSystem::Picture(int bitmapId) {
  const auto found = pictures_.find(bitmapId);
  if (found != pictures_.end()) return found->second.get();
  auto* loaded = static_cast<HBITMAP>(
      LoadImageW(module_, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (loaded == nullptr) return nullptr;
  return pictures_.emplace(bitmapId, OwnedBitmap(loaded)).first->second.get();
}

HICON WinViewSystem::Icon(int iconId, bool small) const {
  const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  // Shared icons stay with the module; nobody destroys them.
  return static_cast<HICON>(
      LoadImageW(module_, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace EvarixView::Windows
