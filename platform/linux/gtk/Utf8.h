#pragma once

#include <string>
#include <string_view>

namespace EvarixView::Gtk {

// Wide text as the UTF-8 that GTK and the page engine take, whatever the process's locale; a
// value that is no Unicode character becomes U+FFFD.
std::string ToUtf8(std::wstring_view wide);

}  // namespace EvarixView::Gtk
