#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/view/DialogTemplates.h"
#include "app/view/PageDialogHost.h"
#include "platform/linux/gtk/DialogUnits.h"
#include "platform/linux/gtk/GtkHandles.h"

namespace EvarixView::Gtk {

// The dialogs as GTK 3 windows, each page shown by a WebKitGTK web view.
//
// Start-up, on the user-interface thread and before anything else touches GTK:
//
//   if (!EvarixView::Gtk::GtkViewSystem::InitialiseToolkit()) { /* no display */ }
//   EvarixView::Gtk::GtkViewSystem views;
//   const EvarixView::ScopedViewSystem installed(&views);
//
// The view system must outlive every dialog it makes. All its windows share one web process and
// one ephemeral web context: the pages keep nothing on disk and load nothing from the network.
class GtkViewSystem final : public IViewSystem {
 public:
  // Settings the toolkit and the page engine read from the environment once, at start-up; a
  // value the user has set stays. Called by InitialiseToolkit.
  static void PrepareEnvironment();
  // PrepareEnvironment, then GTK's own start-up. False when there is no display to show on.
  static bool InitialiseToolkit();

  GtkViewSystem();
  ~GtkViewSystem() override;
  GtkViewSystem(const GtkViewSystem&) = delete;
  GtkViewSystem& operator=(const GtkViewSystem&) = delete;

  // For an unknown template or page: a plain dialog of the main template's size, so the logic
  // still gets a window and its events.
  std::unique_ptr<IPageDialogHost> CreatePageDialog(int templateId, int pageId,
                                                    IPageDialogEvents& events,
                                                    IPageDialogHost* owner) override;
  std::unique_ptr<IMessageBoxHost> CreateMessageBox(const std::wstring& text,
                                                    const std::wstring& caption,
                                                    IMessageBoxEvents& events,
                                                    IPageDialogHost* owner) override;

  // For the dialogs. A new web view for a page, sharing the web process of a view that is
  // already open; released with ForgetWebView.
  WebKitWebView* NewWebView(WebKitUserContentManager* content);
  void ForgetWebView(WebKitWebView* view);
  BaseUnits UnitsFor(const DialogTemplate& dialog);
  // A compiled-in picture by its resource number; null when the program carries none.
  GdkPixbuf* Picture(int pictureId);

 private:
  Object<WebKitWebContext> context_;
  Object<WebKitSettings> settings_;
  Object<GtkCssProvider> style_;
  std::vector<WebKitWebView*> openViews_;
  std::map<std::pair<std::string, int>, BaseUnits> units_;
  std::map<int, Object<GdkPixbuf>> pictures_;
};

}  // namespace EvarixView::Gtk
