#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <set>
#include <string>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "app/view/PageDialogHost.h"
#include "app/view/PageLoadOrder.h"
#include "platform/linux/gtk/DialogUnits.h"
#include "platform/linux/gtk/GtkHandles.h"
#include "platform/linux/gtk/ModalWindow.h"

namespace EvarixView::Gtk {

class GtkViewSystem;

// One dialog: a window of its template's size and caption showing one compiled-in page in a web
// view, with the template's native controls laid over the page; or, without a page, a plain
// dialog built from the template's controls (the About box).
//
// The page is loaded as soon as the dialog is made; OnInitDialog comes when RunModal starts and
// OnDocumentComplete once both have happened, in that order. The window of a page shows once
// OnDocumentComplete has returned. Clicks, the close box and the context menu's About item reach
// the logic from the main loop, never from inside the page engine, so a handler may run another
// dialog modally.
class GtkPageDialog final : public IPageDialogHost {
 public:
  // page is null for a plain dialog; owner may be null.
  GtkPageDialog(GtkViewSystem& system, const DialogTemplate& dialog, const PageResource* page,
                IPageDialogEvents& events, GtkPageDialog* owner);
  ~GtkPageDialog() override;
  GtkPageDialog(const GtkPageDialog&) = delete;
  GtkPageDialog& operator=(const GtkPageDialog&) = delete;

  bool IsPageLoaded() const override { return order_.PageLoaded(); }
  bool HasElement(const std::string& id) const override;
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
  GtkWindow* Window() const { return window_.Get(); }
  WebKitWebView* WebView() const { return webView_; }
  const DialogTemplate& Template() const { return template_; }
  // The label of the About item the page's context menu offers.
  static std::string AboutItemLabel();

 private:
  enum class Operation { SetText, SetAttribute, RemoveAttribute };
  struct ElementOperation {
    Operation operation;
    std::string id;
    std::string name;
    std::string value;
  };

  void BuildPage(GtkWidget* overlay);
  void BuildPlainControls(GtkWidget* fixed);
  void AddNativeControls(GtkWidget* overlay);
  void RedrawPage();
  void Apply(const ElementOperation& operation);
  void ApplyOrQueue(ElementOperation operation);
  void OnPageReady(std::set<std::string> ids);
  void DeliverDocumentComplete();
  void DeliverClicks(const std::vector<std::string>& ids);

  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, const char* uri,
                               GError* error, gpointer self);
  static void OnIdsCollected(GObject* view, GAsyncResult* result, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static gboolean OnContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                     gpointer self);
  static void OnClickMessage(WebKitUserContentManager* content, WebKitJavascriptResult* message,
                             gpointer self);
  static void OnAboutActivated(GSimpleAction* action, GVariant* parameter, gpointer self);
  static gboolean OnDeleteEvent(GtkWidget* window, GdkEvent* event, gpointer self);
  static void OnOkClicked(GtkButton* button, gpointer self);
  static gboolean OnPlainKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self);

  GtkViewSystem& system_;
  const DialogTemplate& template_;
  const PageResource* page_;
  IPageDialogEvents& events_;
  std::string pageUri_;
  BaseUnits units_;

  ModalWindow window_;
  WebKitWebView* webView_ = nullptr;  // owned by the window
  GtkWidget* picture_ = nullptr;      // owned by the window
  GtkWidget* progressBar_ = nullptr;  // owned by the window
  Object<WebKitUserContentManager> content_;
  Object<GSimpleAction> aboutAction_;
  Object<GCancellable> cancellable_;

  unsigned endings_ = 0;  // EndDialog calls so far
  int result_ = 0;
  std::set<std::string> ids_;
  PageLoadOrder<ElementOperation> order_;

  // Last, so that they are disconnected before anything they reach goes.
  std::vector<SignalConnection> connections_;
};

}  // namespace EvarixView::Gtk
