#include "platform/linux/gtk/GtkMessageBox.h"

#include "platform/linux/gtk/GtkPageDialog.h"
#include "platform/linux/gtk/Utf8.h"

namespace EvarixView::Gtk {
namespace {

constexpr int kTextMargin = 24;
constexpr int kBandPadding = 10;
constexpr int kButtonWidth = 88;
constexpr int kMinimumWidth = 240;

}  // namespace

GtkMessageBox::GtkMessageBox(const std::wstring& text, const std::wstring& caption,
                             IMessageBoxEvents& events, GtkPageDialog* owner)
    : events_(events),
      window_(owner != nullptr ? owner->Window() : nullptr,
              [this](unsigned timerId) { events_.OnTimer(timerId); }) {
  GtkWindow* window = window_.Get();
  gtk_window_set_title(window, ToUtf8(caption).c_str());
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(window)), "evarix-message");

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_size_request(column, kMinimumWidth, -1);

  GtkWidget* label = gtk_label_new(ToUtf8(text).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_style_context_add_class(gtk_widget_get_style_context(label), "evarix-message-text");
  g_object_set(label, "margin", kTextMargin, nullptr);
  gtk_box_pack_start(GTK_BOX(column), label, TRUE, TRUE, 0);

  GtkWidget* band = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_style_context_add_class(gtk_widget_get_style_context(band), "evarix-message-band");
  okButton_ = gtk_button_new_with_label("OK");
  gtk_widget_set_size_request(okButton_, kButtonWidth, -1);
  g_object_set(okButton_, "margin", kBandPadding, nullptr);
  gtk_widget_set_can_default(okButton_, TRUE);
  gtk_box_pack_end(GTK_BOX(band), okButton_, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), band, FALSE, FALSE, 0);

  gtk_container_add(GTK_CONTAINER(window), column);
  gtk_widget_show_all(column);
  gtk_window_set_default(window, okButton_);
  gtk_window_set_focus(window, okButton_);

  connections_.emplace_back(okButton_, "clicked", G_CALLBACK(OnOkClicked), this);
  connections_.emplace_back(window, "key-press-event", G_CALLBACK(OnKeyPress), this);
  connections_.emplace_back(window, "delete-event", G_CALLBACK(OnDeleteEvent), this);
}

GtkMessageBox::~GtkMessageBox() {
  connections_.clear();
}

void GtkMessageBox::RunModal() {
  events_.OnInitDialog();
  window_.Run(ModalWindow::Showing::AtOnce);
  window_.KillAllTimers();
  window_.DropPosted();
}

void GtkMessageBox::Close() {
  window_.Quit();
}

void GtkMessageBox::SetCaption(const std::wstring& caption) {
  gtk_window_set_title(window_.Get(), ToUtf8(caption).c_str());
}

void GtkMessageBox::EnableOk(bool enabled) {
  gtk_widget_set_sensitive(okButton_, enabled);
}

void GtkMessageBox::FocusOk() {
  gtk_widget_grab_focus(okButton_);
}

void GtkMessageBox::SetTimer(unsigned timerId, unsigned periodMs) {
  window_.SetTimer(timerId, periodMs);
}

void GtkMessageBox::KillTimer(unsigned timerId) {
  window_.KillTimer(timerId);
}

void GtkMessageBox::Command() {
  if (!events_.OnCommand()) Close();
}

void GtkMessageBox::OnOkClicked(GtkButton*, gpointer self) {
  static_cast<GtkMessageBox*>(self)->Command();
}

gboolean GtkMessageBox::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  // The keys that dismiss a message box come to the logic before the focused button sees them,
  // so that a swallowed key does nothing at all.
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
    case GDK_KEY_Escape:
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
      static_cast<GtkMessageBox*>(self)->Command();
      return TRUE;
    default:
      return FALSE;
  }
}

gboolean GtkMessageBox::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<GtkMessageBox*>(self)->Command();
  return TRUE;
}

}  // namespace EvarixView::Gtk
