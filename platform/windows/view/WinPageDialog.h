#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "app/view/PageDialogHost.h"
#include "app/view/PageLoadOrder.h"
#include "litehtml.h"
#include "platform/windows/view/GdiHandles.h"
#include "platform/windows/view/PageDocument.h"
#include "platform/windows/view/WindowTimers.h"

namespace EvarixView::Windows {

class WinViewSystem;

// One dialog: a dialog window of its template's caption and size (dialog units of the template's
// font) showing one compiled-in page, drawn by litehtml, with native controls on the page's
// buttons and text areas and the template's own controls laid over it; or, without a page, a
// plain dialog of the template's controls (the About box).
//
// The page is loaded from the message queue, as soon as the dialog is made and a message loop
// runs: OnInitDialog comes when RunModal starts, OnDocumentComplete once both the start and the
// page's first layout have happened, in that order. The window of a page shows once
// OnDocumentComplete has returned. Clicks, timers and the system menu reach the logic from the
// message loop, so a handler may run another dialog modally. A changed size or DPI lays the page
// out again.
class WinPageDialog final : public IPageDialogHost {
 public:
  // page is null for a plain dialog; owner may be null.
  WinPageDialog(WinViewSystem& system, const DialogTemplate& dialog, const PageResource* page,
                IPageDialogEvents& events, WinPageDialog* owner);
  ~WinPageDialog() override;
  WinPageDialog(const WinPageDialog&) = delete;
  WinPageDialog& operator=(const WinPageDialog&) = delete;

  bool IsPageLoaded() const override { return order_.PageLoaded(); }
  bool HasElement(const std::string& id) const override;
  // The text of a button becomes its caption; that of a text area goes into its edit control.
  // Attributes can be removed from buttons and text areas only, the elements that take
  // "disabled"; an element that is disabled, or lies in one, gets no clicks.
  void SetInnerText(const std::string& id, const std::wstring& text) override;
  void SetAttribute(const std::string& id, const std::string& name,
                    const std::wstring& value) override;
  void RemoveAttribute(const std::string& id, const std::string& name) override;

  int RunModal() override;
  void EndDialog(int result) override;
  void SetTimer(unsigned timerId, unsigned periodMs) override;
  void KillTimer(unsigned timerId) override;

  void Show(bool visible) override;
  void SetTitle(const std::wstring& title) override;
  void SetIcon(int iconId) override;
  void SetPicture(int controlId, int bitmapId) override;
  void SetProgress(int controlId, int percent) override;

  // For tests and tools.
  HWND Window() const { return window_; }
  const DialogTemplate& Template() const { return template_; }
  // The native control standing on a page element; null when it has none.
  HWND ControlOf(const std::string& id) const;
  // An element's text as the page shows it, or as its native control holds it.
  std::wstring ElementText(const std::string& id) const;
  // An element's box in the window's client pixels; nullopt when the page has no such element.
  std::optional<RECT> ElementBox(const std::string& id) const;
  // The command the About item of the window's menu sends.
  static constexpr UINT kAboutCommand = 0x0010;

 private:
  enum class Operation { SetText, SetAttribute, RemoveAttribute };
  struct ElementOperation {
    Operation operation;
    std::string id;
    std::string name;
    std::wstring value;
  };
  struct PageControl {
    litehtml::element::ptr element;
    HWND window;
    int id;
    OwnedBrush background;  // a text area's, from the page; null for a button
  };

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // What the message returns when the dialog handles it; nullopt leaves it to the default.
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(WORD controlId, WORD notification);
  bool OnSystemCommand(WPARAM command);
  void OnPageClick(LPARAM point);

  void SetUpTemplateControls();
  void LoadPage();
  void CreatePageControls();
  void SetControlFonts();
  void LayOut();
  void Paint();
  std::optional<LRESULT> ControlColours(HDC dc, HWND control) const;
  RECT DeviceBox(const litehtml::position& box) const;

  void ApplyOrQueue(ElementOperation operation);
  void Apply(const ElementOperation& operation);
  void SetControlDisabled(const PageControl& control, bool disabled);
  const PageControl* ControlFor(const std::function<bool(const PageControl&)>& match) const;
  const PageControl* ControlFor(const litehtml::element::ptr& element) const;

  void Run(bool showAtOnce);
  void Reveal();
  void FocusFirstControl();
  void DeliverDocumentComplete();
  void DeliverClicks(const std::vector<std::string>& ids);

  WinViewSystem& system_;
  const DialogTemplate& template_;
  const PageResource* page_;
  IPageDialogEvents& events_;

  HWND window_ = nullptr;
  float scale_ = 1;  // device pixels to the CSS pixel
  std::unique_ptr<PageDocument> document_;
  std::vector<PageControl> controls_;
  std::vector<OwnedFont> controlFonts_;

  bool loadFailed_ = false;
  bool running_ = false;
  bool revealDue_ = false;
  bool quit_ = false;
  bool pressed_ = false;
  unsigned endings_ = 0;  // EndDialog calls so far
  int result_ = 0;
  WindowTimers timers_;
  PageLoadOrder<ElementOperation> order_;
};

}  // namespace EvarixView::Windows
