#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/view/PageDialogHost.h"

namespace EvarixApp {

// A dialog ended by something other than OK or Cancel, for callers that ignore the result.
constexpr int kResultEnded = 0;

// A modal dialog showing one compiled-in page: the logic every dialog of the program shares. The
// window exists only while DoModal runs; element operations outside that time, and on elements
// the page lacks, are skipped silently.
class PageDialog : protected EvarixView::IPageDialogEvents {
 public:
  // The owner is blocked while this dialog runs; null for a top-level dialog.
  PageDialog(int templateId, int pageId, PageDialog* owner = nullptr);
  ~PageDialog() override;
  PageDialog(const PageDialog&) = delete;
  PageDialog& operator=(const PageDialog&) = delete;

  // Shows the dialog and returns the value it ended with. A dialog ended before it ran returns
  // that value at once without showing anything, as a quit posted before a modal loop ends it as
  // soon as it starts.
  int DoModal();
  void EndDialog(int result);
  void OnOK() { EndDialog(EvarixView::kResultOk); }
  void OnCancel() { EndDialog(EvarixView::kResultCancel); }

  // The window while DoModal runs, else null.
  EvarixView::IPageDialogHost* Host() const { return host_.get(); }

 protected:
  bool HasElement(const std::string& id) const;
  bool IsPageLoaded() const;
  void SetElementText(const std::string& id, const std::wstring& text);
  void SetElementAttribute(const std::string& id, const std::string& name,
                           const std::wstring& value);
  void RemoveElementAttribute(const std::string& id, const std::string& name);
  void SetTimer(unsigned timerId, unsigned periodMs);
  void KillTimer(unsigned timerId);
  void ShowWindow(bool visible);

  // Routes clicks on a page element to a handler; set up by the constructor.
  void OnClick(const std::string& elementId, std::function<void()> handler);

  // Whether the window carries the program's icon.
  bool showsAppIcon = true;

  // Default handling: the icon; clicks through the OnClick table; the close box cancels.
  void OnInitDialog() override;
  void OnDocumentComplete() override {}
  void OnElementClicked(const std::string& elementId) override;
  void OnTimer(unsigned) override {}
  void OnSystemCommand(EvarixView::SystemCommand command) override;

 private:
  const int templateId_;
  const int pageId_;
  PageDialog* const owner_;
  std::unique_ptr<EvarixView::IPageDialogHost> host_;
  std::optional<int> endedBeforeRun_;
  std::map<std::string, std::function<void()>> clickHandlers_;
};

}  // namespace EvarixApp
