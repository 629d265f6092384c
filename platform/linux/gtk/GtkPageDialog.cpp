#include "platform/linux/gtk/GtkPageDialog.h"

#include <gio/gio.h>

#include <algorithm>
#include <utility>

#include "platform/linux/gtk/GtkViewSystem.h"
#include "platform/linux/gtk/PageScheme.h"
#include "platform/linux/gtk/Utf8.h"

namespace EvarixView::Gtk {
namespace {

constexpr const char* kClickChannel = "evarixClick";

// Page functions, run with their values passed as arguments so that no text of ours ever becomes
// script. A text area takes its text as its value: as inner text its line breaks would be lost.
constexpr const char* kSetText = R"(
  const element = document.getElementById(id);
  if (element === null) return false;
  if (element instanceof HTMLTextAreaElement || element instanceof HTMLInputElement) {
    element.value = text;
  } else {
    element.innerText = text;
  }
  return true;)";

constexpr const char* kSetAttribute = R"(
  const element = document.getElementById(id);
  if (element === null) return false;
  element.setAttribute(name, value);
  return true;)";

constexpr const char* kRemoveAttribute = R"(
  const element = document.getElementById(id);
  if (element === null) return false;
  element.removeAttribute(name);
  return true;)";

constexpr const char* kCollectIds =
    R"(return Array.from(document.querySelectorAll('[id]'), (element) => element.id).join('\n');)";

std::string TemplateCaption(const DialogTemplate& dialog) {
  return std::string(dialog.caption);
}

Text LoadBridgeScript() {
  Error error;
  const Bytes bytes(
      g_resources_lookup_data(kPageBridgePath, G_RESOURCE_LOOKUP_FLAGS_NONE, ErrorOut(error)));
  if (!bytes) {
    g_warning("The page bridge script is missing: %s", error ? error->message : "");
    return Text(g_strdup(""));
  }
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  return Text(g_strndup(data, size));
}

bool IsUtf8(const std::string& text) {
  return g_utf8_validate(text.data(), -1, nullptr) != 0;
}

}  // namespace

GtkPageDialog::GtkPageDialog(GtkViewSystem& system, const DialogTemplate& dialog,
                             const PageResource* page, IPageDialogEvents& events,
                             GtkPageDialog* owner)
    : system_(system),
      template_(dialog),
      page_(page),
      events_(events),
      units_(system.UnitsFor(dialog)),
      window_(owner != nullptr ? owner->Window() : nullptr,
              [this](unsigned timerId) { events_.OnTimer(timerId); }),
      cancellable_(Adopt(g_cancellable_new())) {
  GtkWindow* window = window_.Get();
  gtk_window_set_title(window, TemplateCaption(dialog).c_str());
  // Dialogs with a minimise box are ordinary windows; the others are dialogs, which window
  // managers give no minimise button.
  gtk_window_set_type_hint(
      window, dialog.minimizeBox ? GDK_WINDOW_TYPE_HINT_NORMAL : GDK_WINDOW_TYPE_HINT_DIALOG);
  connections_.emplace_back(window, "delete-event", G_CALLBACK(OnDeleteEvent), this);

  const int width = HorizontalPixels(dialog.width, units_);
  const int height = VerticalPixels(dialog.height, units_);
  // The template's size and no other: a window that merely cannot be resized takes its content's
  // natural size, and a web view's is that of its page.
  gtk_window_set_default_size(window, width, height);
  GdkGeometry limits{};
  limits.min_width = limits.max_width = width;
  limits.min_height = limits.max_height = height;
  gtk_window_set_geometry_hints(window, nullptr, &limits,
                                GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  if (page_ != nullptr) {
    GtkWidget* overlay = gtk_overlay_new();
    gtk_widget_set_size_request(overlay, width, height);
    BuildPage(overlay);
    AddNativeControls(overlay);
    gtk_container_add(GTK_CONTAINER(window), overlay);
  } else {
    gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(window)), "evarix-plain");
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, width, height);
    BuildPlainControls(fixed);
    gtk_container_add(GTK_CONTAINER(window), fixed);
    connections_.emplace_back(window, "key-press-event", G_CALLBACK(OnPlainKeyPress), this);
  }
  gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(window)));
}

GtkPageDialog::~GtkPageDialog() {
  g_cancellable_cancel(cancellable_.get());
  connections_.clear();
  if (webView_ != nullptr) {
    system_.ForgetWebView(webView_);
    // Stop the page before the window takes the view with it.
    webkit_web_view_stop_loading(webView_);
  }
}

void GtkPageDialog::BuildPage(GtkWidget* overlay) {
  pageUri_ = PageUri(page_->file);
  content_ = Adopt(webkit_user_content_manager_new());
  connections_.emplace_back(content_.get(),
                            (std::string("script-message-received::") + kClickChannel).c_str(),
                            G_CALLBACK(OnClickMessage), this);
  webkit_user_content_manager_register_script_message_handler(content_.get(), kClickChannel);
  const Text bridge = LoadBridgeScript();
  WebKitUserScript* script =
      webkit_user_script_new(bridge.get(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content_.get(), script);
  webkit_user_script_unref(script);

  aboutAction_ = Adopt(g_simple_action_new("about", nullptr));
  connections_.emplace_back(aboutAction_.get(), "activate", G_CALLBACK(OnAboutActivated), this);

  webView_ = system_.NewWebView(content_.get());
  GtkWidget* view = GTK_WIDGET(webView_);
  // Nothing dropped on a page is opened.
  gtk_drag_dest_unset(view);
  connections_.emplace_back(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  connections_.emplace_back(view, "load-failed", G_CALLBACK(OnLoadFailed), this);
  connections_.emplace_back(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  connections_.emplace_back(view, "context-menu", G_CALLBACK(OnContextMenu), this);
  connections_.emplace_back(view, "create", G_CALLBACK(OnCreate), this);
  connections_.emplace_back(view, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated),
                            this);
  gtk_container_add(GTK_CONTAINER(overlay), view);
  webkit_web_view_load_uri(webView_, pageUri_.c_str());
}

void GtkPageDialog::AddNativeControls(GtkWidget* overlay) {
  for (const DialogControl& control : template_.controls) {
    GtkWidget* widget = nullptr;
    if (control.kind == ControlKind::Picture) {
      // A picture control takes its bitmap's own size, from its top-left corner.
      widget = gtk_image_new_from_pixbuf(system_.Picture(control.resourceId));
      picture_ = widget;
    } else if (control.kind == ControlKind::ProgressBar) {
      widget = gtk_progress_bar_new();
      gtk_widget_set_size_request(widget, HorizontalPixels(control.width, units_),
                                  VerticalPixels(control.height, units_));
      gtk_style_context_add_class(gtk_widget_get_style_context(widget), "evarix-progress");
      progressBar_ = widget;
    } else {
      continue;
    }
    gtk_widget_set_halign(widget, GTK_ALIGN_START);
    gtk_widget_set_valign(widget, GTK_ALIGN_START);
    gtk_widget_set_margin_start(widget, HorizontalPixels(control.x, units_));
    gtk_widget_set_margin_top(widget, VerticalPixels(control.y, units_));
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), widget);
    // The controls only show things: clicks, and the right button's menu, go to the page.
    gtk_overlay_set_overlay_pass_through(GTK_OVERLAY(overlay), widget, TRUE);
  }
}

void GtkPageDialog::BuildPlainControls(GtkWidget* fixed) {
  for (const DialogControl& control : template_.controls) {
    const int width = HorizontalPixels(control.width, units_);
    const int height = VerticalPixels(control.height, units_);
    GtkWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::Icon:
      case ControlKind::Picture: {
        GdkPixbuf* picture = system_.Picture(control.resourceId);
        if (picture == nullptr) continue;  // not carried: the control shows nothing
        widget = gtk_image_new_from_pixbuf(picture);
        break;
      }
      case ControlKind::Text: {
        const std::string text(control.text);
        widget = gtk_label_new(text.c_str());
        gtk_label_set_xalign(GTK_LABEL(widget), 0.0F);
        gtk_widget_set_size_request(widget, width, height);
        break;
      }
      case ControlKind::DefaultButton: {
        const std::string text(control.text);
        widget = gtk_button_new_with_label(text.c_str());
        gtk_widget_set_size_request(widget, width, height);
        gtk_widget_set_can_default(widget, TRUE);
        gtk_window_set_default(window_.Get(), widget);
        gtk_window_set_focus(window_.Get(), widget);
        connections_.emplace_back(widget, "clicked", G_CALLBACK(OnOkClicked), this);
        break;
      }
      case ControlKind::ProgressBar:
        widget = gtk_progress_bar_new();
        gtk_widget_set_size_request(widget, width, height);
        progressBar_ = widget;
        break;
    }
    gtk_fixed_put(GTK_FIXED(fixed), widget, HorizontalPixels(control.x, units_),
                  VerticalPixels(control.y, units_));
  }
}

std::string GtkPageDialog::AboutItemLabel() {
  std::string label(kAboutItemText);
  std::erase(label, '&');
  return label;
}

bool GtkPageDialog::HasElement(const std::string& id) const {
  return order_.PageLoaded() && ids_.contains(id);
}

void GtkPageDialog::SetInnerText(const std::string& id, const std::wstring& text) {
  ApplyOrQueue({Operation::SetText, id, {}, ToUtf8(text)});
}

void GtkPageDialog::SetAttribute(const std::string& id, const std::string& name,
                                 const std::wstring& value) {
  ApplyOrQueue({Operation::SetAttribute, id, name, ToUtf8(value)});
}

void GtkPageDialog::RemoveAttribute(const std::string& id, const std::string& name) {
  ApplyOrQueue({Operation::RemoveAttribute, id, name, {}});
}

void GtkPageDialog::ApplyOrQueue(ElementOperation operation) {
  if (webView_ == nullptr) return;
  if (!IsUtf8(operation.id) || !IsUtf8(operation.name)) return;
  // Operations the page could not take yet are kept for it: a page that has not finished loading
  // drops them.
  order_.ApplyOrKeep(std::move(operation), [this](const ElementOperation& kept) { Apply(kept); });
}

void GtkPageDialog::Apply(const ElementOperation& operation) {
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&arguments, "{sv}", "id", g_variant_new_string(operation.id.c_str()));
  const char* body = nullptr;
  switch (operation.operation) {
    case Operation::SetText:
      body = kSetText;
      g_variant_builder_add(&arguments, "{sv}", "text",
                            g_variant_new_string(operation.value.c_str()));
      break;
    case Operation::SetAttribute:
      body = kSetAttribute;
      g_variant_builder_add(&arguments, "{sv}", "name",
                            g_variant_new_string(operation.name.c_str()));
      g_variant_builder_add(&arguments, "{sv}", "value",
                            g_variant_new_string(operation.value.c_str()));
      break;
    case Operation::RemoveAttribute:
      body = kRemoveAttribute;
      g_variant_builder_add(&arguments, "{sv}", "name",
                            g_variant_new_string(operation.name.c_str()));
      break;
  }
  const Variant values(g_variant_ref_sink(g_variant_builder_end(&arguments)));
  // Calls on one view run in the order they are made; nobody waits for their answers.
  webkit_web_view_call_async_javascript_function(webView_, body, -1, values.get(), nullptr, nullptr,
                                                 nullptr, nullptr, nullptr);
}

void GtkPageDialog::OnPageReady(std::set<std::string> ids) {
  ids_ = std::move(ids);
  if (order_.OnPageLoaded([this](const ElementOperation& kept) { Apply(kept); })) {
    DeliverDocumentComplete();
  }
}

void GtkPageDialog::DeliverDocumentComplete() {
  events_.OnDocumentComplete();
  // Shown only now, the window shows the page with the texts the logic has just written into it,
  // and is never drawn before the page can be: each such draw stalls the program while the page
  // engine waits for a picture of a page it has not yet laid out.
  window_.Reveal();
}

int GtkPageDialog::RunModal() {
  if (window_.Running()) return result_;
  const bool pageToCome = order_.OnDialogStarting() && page_ != nullptr;
  events_.OnInitDialog();
  if (order_.TakeNoticeDue()) {
    window_.Post([this] { DeliverDocumentComplete(); });
  }
  window_.Run(pageToCome ? ModalWindow::Showing::OnReveal : ModalWindow::Showing::AtOnce);
  // The window is gone as far as the logic knows: its timers and undelivered events go with it.
  window_.KillAllTimers();
  window_.DropPosted();
  return result_;
}

void GtkPageDialog::EndDialog(int result) {
  result_ = result;
  ++endings_;
  window_.Quit();
}

void GtkPageDialog::SetTimer(unsigned timerId, unsigned periodMs) {
  window_.SetTimer(timerId, periodMs);
}

void GtkPageDialog::KillTimer(unsigned timerId) {
  window_.KillTimer(timerId);
}

void GtkPageDialog::Show(bool visible) {
  window_.Show(visible);
}

void GtkPageDialog::SetTitle(const std::wstring& title) {
  gtk_window_set_title(window_.Get(), ToUtf8(title).c_str());
}

void GtkPageDialog::SetIcon(int iconId) {
  if (GdkPixbuf* icon = system_.Picture(iconId)) gtk_window_set_icon(window_.Get(), icon);
}

void GtkPageDialog::SetPicture(int controlId, int bitmapId) {
  const DialogControl* control = FindControl(template_, controlId);
  if (control == nullptr || control->kind != ControlKind::Picture || picture_ == nullptr) return;
  gtk_image_set_from_pixbuf(GTK_IMAGE(picture_), system_.Picture(bitmapId));
  RedrawPage();
}

void GtkPageDialog::SetProgress(int controlId, int percent) {
  const DialogControl* control = FindControl(template_, controlId);
  if (control == nullptr || control->kind != ControlKind::ProgressBar || progressBar_ == nullptr) {
    return;
  }
  const int clamped = std::clamp(percent, 0, 100);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progressBar_), clamped / 100.0);
  RedrawPage();
}

void GtkPageDialog::RedrawPage() {
  // A control laid over the page redraws the page under it, in its own rectangle only. Asked to
  // draw before it has a picture of the page, the engine waits for the page's first picture and
  // paints it in the rectangle asked for alone, never redrawing the rest: the page's other parts
  // would stay blank until they change. So whatever changes a control redraws the whole page.
  if (webView_ != nullptr) gtk_widget_queue_draw(GTK_WIDGET(webView_));
}

void GtkPageDialog::DeliverClicks(const std::vector<std::string>& ids) {
  // Stops once a handler has ended the dialog, as no further handler of a closed window runs.
  const unsigned endings = endings_;
  for (const std::string& id : ids) {
    if (endings_ != endings) break;
    events_.OnElementClicked(id);
  }
}

void GtkPageDialog::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* dialog = static_cast<GtkPageDialog*>(self);
  if (event == WEBKIT_LOAD_STARTED) {
    dialog->order_.OnPageUnloaded();
    dialog->ids_.clear();
  } else if (event == WEBKIT_LOAD_FINISHED) {
    // The ids present are collected once: the pages never add or remove elements.
    webkit_web_view_call_async_javascript_function(view, kCollectIds, -1, nullptr, nullptr, nullptr,
                                                   dialog->cancellable_.get(), OnIdsCollected,
                                                   dialog);
  }
}

gboolean GtkPageDialog::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri,
                                     GError* error, gpointer self) {
  g_warning("The page %s did not load: %s", uri, error != nullptr ? error->message : "");
  // A window waiting for its page would otherwise never show, and its modal run could not be
  // ended by the user: shown blank, it can at least be closed.
  static_cast<GtkPageDialog*>(self)->window_.Reveal();
  return FALSE;
}

void GtkPageDialog::OnIdsCollected(GObject* view, GAsyncResult* result, gpointer self) {
  Error error;
  JSCValue* raw = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view),
                                                                        result, ErrorOut(error));
  const Object<JSCValue> value(raw);
  // A cancelled call means the dialog is gone: self must not be touched.
  if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
  std::set<std::string> ids;
  if (value && jsc_value_is_string(value.get())) {
    const Text joined(jsc_value_to_string(value.get()));
    std::string_view rest(joined.get());
    while (!rest.empty()) {
      const auto end = rest.find('\n');
      ids.emplace(rest.substr(0, end));
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
  } else {
    g_warning("The page's element ids could not be read: %s", error ? error->message : "");
  }
  static_cast<GtkPageDialog*>(self)->OnPageReady(std::move(ids));
}

gboolean GtkPageDialog::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer self) {
  const auto* dialog = static_cast<const GtkPageDialog*>(self);
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
      // The engine is fit for trusted content only: the page the dialog was made with, and
      // nothing it might lead to.
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
      if (uri != nullptr && dialog->pageUri_ == uri) {
        webkit_policy_decision_use(decision);
      } else {
        webkit_policy_decision_ignore(decision);
      }
      return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
      webkit_policy_decision_ignore(decision);
      return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
      // Nothing is ever downloaded.
      if (webkit_response_policy_decision_is_mime_type_supported(
              WEBKIT_RESPONSE_POLICY_DECISION(decision))) {
        webkit_policy_decision_use(decision);
      } else {
        webkit_policy_decision_ignore(decision);
      }
      return TRUE;
  }
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

gboolean GtkPageDialog::OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                      WebKitHitTestResult*, gpointer self) {
  // The page's menu stands in for the window's system menu: it offers the About item alone.
  const auto* dialog = static_cast<const GtkPageDialog*>(self);
  webkit_context_menu_remove_all(menu);
  webkit_context_menu_append(
      menu, webkit_context_menu_item_new_from_gaction(G_ACTION(dialog->aboutAction_.get()),
                                                      AboutItemLabel().c_str(), nullptr));
  return FALSE;
}

GtkWidget* GtkPageDialog::OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) {
  return nullptr;
}

void GtkPageDialog::OnWebProcessTerminated(WebKitWebView* view,
                                           WebKitWebProcessTerminationReason reason,
                                           gpointer self) {
  auto* dialog = static_cast<GtkPageDialog*>(self);
  g_warning("The page engine's process for %s ended (reason %d); loading the page again",
            dialog->pageUri_.c_str(), static_cast<int>(reason));
  dialog->order_.OnPageUnloaded();
  dialog->ids_.clear();
  webkit_web_view_load_uri(view, dialog->pageUri_.c_str());
}

void GtkPageDialog::OnClickMessage(WebKitUserContentManager*, WebKitJavascriptResult* message,
                                   gpointer self) {
  auto* dialog = static_cast<GtkPageDialog*>(self);
  JSCValue* value = webkit_javascript_result_get_js_value(message);
  if (!jsc_value_is_array(value)) return;
  const Object<JSCValue> length(jsc_value_object_get_property(value, "length"));
  const int count = jsc_value_to_int32(length.get());
  std::vector<std::string> ids;
  for (int index = 0; index < count; ++index) {
    const Object<JSCValue> item(
        jsc_value_object_get_property_at_index(value, static_cast<guint>(index)));
    if (!jsc_value_is_string(item.get())) continue;
    const Text id(jsc_value_to_string(item.get()));
    ids.emplace_back(id.get());
  }
  dialog->window_.Post([dialog, ids = std::move(ids)] { dialog->DeliverClicks(ids); });
}

void GtkPageDialog::OnAboutActivated(GSimpleAction*, GVariant*, gpointer self) {
  auto* dialog = static_cast<GtkPageDialog*>(self);
  dialog->window_.Post([dialog] { dialog->events_.OnSystemCommand(SystemCommand::About); });
}

gboolean GtkPageDialog::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  // The close box asks; the logic decides. The window stays until the logic ends the dialog.
  auto* dialog = static_cast<GtkPageDialog*>(self);
  dialog->window_.Post([dialog] { dialog->events_.OnSystemCommand(SystemCommand::Close); });
  return TRUE;
}

void GtkPageDialog::OnOkClicked(GtkButton*, gpointer self) {
  // A plain dialog's default button ends it by itself, as the About box has no logic of its own.
  static_cast<GtkPageDialog*>(self)->EndDialog(kResultOk);
}

gboolean GtkPageDialog::OnPlainKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<GtkPageDialog*>(self)->EndDialog(kResultCancel);
  return TRUE;
}

}  // namespace EvarixView::Gtk
