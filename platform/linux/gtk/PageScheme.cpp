#include "platform/linux/gtk/PageScheme.h"

#include <gio/gio.h>

#include <array>
#include <utility>

#include "platform/linux/gtk/GtkHandles.h"

namespace EvarixView::Gtk {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kContentTypes{{
    {".html", "text/html"},
    {".css", "text/css"},
    {".png", "image/png"},
    {".svg", "image/svg+xml"},
}};

bool IsPlainName(std::string_view name) {
  if (name.empty() || name.front() == '.') return false;
  for (const char c : name) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    if (!allowed) return false;
  }
  return true;
}

void AnswerPageRequest(WebKitURISchemeRequest* request, gpointer) {
  std::string_view path = webkit_uri_scheme_request_get_path(request);
  if (!path.empty() && path.front() == '/') path.remove_prefix(1);
  const std::string_view contentType = ServedContentType(path);
  Error error;
  Bytes bytes;
  if (!contentType.empty()) {
    const std::string resource = std::string(kPagesPath) + std::string(path);
    bytes.reset(
        g_resources_lookup_data(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, ErrorOut(error)));
  }
  if (!bytes) {
    const Error notFound(g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No page %s",
                                     webkit_uri_scheme_request_get_uri(request)));
    webkit_uri_scheme_request_finish_error(request, notFound.get());
    return;
  }
  const auto size = static_cast<gint64>(g_bytes_get_size(bytes.get()));
  const auto stream = Adopt(g_memory_input_stream_new_from_bytes(bytes.get()));
  const std::string type(contentType);
  webkit_uri_scheme_request_finish(request, stream.get(), size, type.c_str());
}

}  // namespace

std::string PageUri(std::string_view file) {
  return std::string(kPageScheme) + ":///" + std::string(file);
}

std::string_view ServedContentType(std::string_view name) {
  if (!IsPlainName(name)) return {};
  for (const auto& [extension, type] : kContentTypes) {
    if (name.size() > extension.size() && name.ends_with(extension)) return type;
  }
  return {};
}

void RegisterPageScheme(WebKitWebContext* context) {
  webkit_web_context_register_uri_scheme(context, kPageScheme, AnswerPageRequest, nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, kPageScheme);
  webkit_security_manager_register_uri_scheme_as_local(security, kPageScheme);
}

}  // namespace EvarixView::Gtk
