#pragma once

#include <memory>
#include <string>

#include "platform/Seam.h"

// The view layer the updater's dialogs are written against: just what their logic needs of an
// HTML-page dialog framework. A GTK/WebKit implementation shows real windows; a fake one lets the
// whole flow run headless in tests. Everything here runs on the user-interface thread.
namespace EvarixView {

// Dialog results as the flow reads them.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

// Commands of the window itself rather than of its page.
enum class SystemCommand {
  Close,  // the window's close box
  About,  // the About item (in the page's context menu on Linux)
};

// What a dialog window tells its logic.
class IPageDialogEvents {
 public:
  virtual ~IPageDialogEvents() = default;
  // The window exists; its page may still be loading. Comes at the start of each RunModal,
  // before the window shows.
  virtual void OnInitDialog() = 0;
  // The page has finished loading: element operations now reach it. Always after OnInitDialog.
  virtual void OnDocumentComplete() = 0;
  // A click on the element with this id (or on a child of it). Never delivered for an element
  // that is disabled or lies inside a disabled element. One click is delivered to every element
  // with an id from the one clicked up to the body, nearest first, until a handler ends the
  // dialog.
  virtual void OnElementClicked(const std::string& elementId) = 0;
  virtual void OnTimer(unsigned timerId) = 0;
  virtual void OnSystemCommand(SystemCommand command) = 0;
};

// One dialog window showing one compiled-in page (or none, for plain dialogs).
class IPageDialogHost {
 public:
  virtual ~IPageDialogHost() = default;

  virtual bool IsPageLoaded() const = 0;
  // Whether the loaded page has an element with this id; false while the page is loading.
  virtual bool HasElement(const std::string& id) const = 0;
  // Element operations; issued before the page has loaded they are applied once it has. A text
  // area receives the text as its value, so that "\r\n" shows as a new line.
  virtual void SetInnerText(const std::string& id, const std::wstring& text) = 0;
  virtual void SetAttribute(const std::string& id, const std::string& name,
                            const std::wstring& value) = 0;
  virtual void RemoveAttribute(const std::string& id, const std::string& name) = 0;

  // Shows the window and blocks its owner until EndDialog; returns the value given to EndDialog.
  // The close box arrives as SystemCommand::Close and ends nothing by itself. When it returns the
  // window is gone for the logic: its timers are removed and undelivered events dropped.
  // A dialog without a page (the About box) ends itself: its OK button with kResultOk, Escape
  // with kResultCancel.
  virtual int RunModal() = 0;
  // Also allowed while a dialog this one owns still runs modally (a download that ends under the
  // abort question): this one's RunModal then returns once that one has ended.
  virtual void EndDialog(int result) = 0;

  // Repeating timers on the user-interface thread, delivered through OnTimer while the window
  // exists, also while it is hidden and while a nested modal dialog runs.
  virtual void SetTimer(unsigned timerId, unsigned periodMs) = 0;
  virtual void KillTimer(unsigned timerId) = 0;

  virtual void Show(bool visible) = 0;
  virtual void SetTitle(const std::wstring& title) = 0;
  virtual void SetIcon(int iconId) = 0;
  // The native controls some templates carry over their page.
  virtual void SetPicture(int controlId, int bitmapId) = 0;
  virtual void SetProgress(int controlId, int percent) = 0;
};

// What a count-down message box tells its logic.
class IMessageBoxEvents {
 public:
  virtual ~IMessageBoxEvents() = default;
  virtual void OnInitDialog() = 0;
  virtual void OnTimer(unsigned timerId) = 0;
  // The OK button pressed or its keyboard equivalent (Return, Escape, Space, the close box);
  // returns true when the logic swallows it, so the box stays.
  virtual bool OnCommand() = 0;
};

// A small modal message window with a text, a caption and one OK button.
class IMessageBoxHost {
 public:
  virtual ~IMessageBoxHost() = default;
  virtual void RunModal() = 0;  // until Close, or until an OK that is not swallowed
  virtual void Close() = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  virtual void EnableOk(bool enabled) = 0;
  virtual void FocusOk() = 0;
  virtual void SetTimer(unsigned timerId, unsigned periodMs) = 0;
  virtual void KillTimer(unsigned timerId) = 0;
};

// Makes the windows. The program installs the GTK one; tests install a fake.
class IViewSystem {
 public:
  virtual ~IViewSystem() = default;
  // templateId and pageId as the resources number them; pageId 0 for a dialog without a page.
  // The owner (or null) is blocked while the new dialog runs modally.
  virtual std::unique_ptr<IPageDialogHost> CreatePageDialog(int templateId, int pageId,
                                                            IPageDialogEvents& events,
                                                            IPageDialogHost* owner) = 0;
  virtual std::unique_ptr<IMessageBoxHost> CreateMessageBox(const std::wstring& text,
                                                            const std::wstring& caption,
                                                            IMessageBoxEvents& events,
                                                            IPageDialogHost* owner) = 0;
};

}  // namespace EvarixView

namespace CVFirmwareLoader {
// Until a real view system is installed every dialog ends at once, so that nothing waits for a
// window that cannot appear.
template <>
EvarixView::IViewSystem& SeamStandIn<EvarixView::IViewSystem>();
}  // namespace CVFirmwareLoader

namespace EvarixView {

// The view system the dialogs use; installed once at start-up, or by a test.
inline IViewSystem& ViewSystem() {
  return CVFirmwareLoader::Seam<IViewSystem>::Get();
}

using ScopedViewSystem = CVFirmwareLoader::ScopedSeam<IViewSystem>;

}  // namespace EvarixView
