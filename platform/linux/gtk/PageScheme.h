#pragma once

#include <webkit2/webkit2.h>

#include <string>
#include <string_view>

// Where the compiled-in pages, pictures and scripts live, and the URI scheme that hands pages to
// the page engine. The engine's web process cannot read the program's own resources, so the
// program serves them itself; nothing else is ever loaded.
namespace EvarixView::Gtk {

inline constexpr const char* kPageScheme = "evarix-page";

// Resource paths inside the program.
inline constexpr std::string_view kPagesPath = "/evarix/pages/";
inline constexpr std::string_view kPicturesPath = "/evarix/pictures/";
inline constexpr const char* kPageBridgePath = "/evarix/view/page-bridge.js";

// The URI of a compiled-in page, by its file name: "evarix-page:///main.html".
std::string PageUri(std::string_view file);

// The content type a served file goes out with; empty for a name the scheme does not serve
// (only plain names with the extensions the pages use, so no path can climb out of the pages).
std::string_view ServedContentType(std::string_view name);

// Makes the context answer the scheme from the compiled-in pages, as a secure, local scheme.
void RegisterPageScheme(WebKitWebContext* context);

}  // namespace EvarixView::Gtk
