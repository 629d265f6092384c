#include "platform/windows/view/GdiContainer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwctype>
#include <string_view>
#include <utility>

#include "platform/windows/view/Utf8.h"

namespace EvarixView::Windows {
namespace {

constexpr litehtml::pixel_t kCssPixelsPerInch = 96;
constexpr litehtml::pixel_t kPointsPerInch = 72;

// CSS's generic families and the faces every Windows has for them.
constexpr std::array<std::pair<std::wstring_view, std::wstring_view>, 5> kGenericFaces{{
    {L"sans-serif", L"Arial"},
    {L"serif", L"Times New Roman"},
    {L"monospace", L"Courier New"},
    {L"cursive", L"Comic Sans MS"},
    {L"fantasy", L"Impact"},
}};

// The elements a native control stands in for.
constexpr std::array<std::string_view, 2> kFormControlTags{"button", "textarea"};

int Px(litehtml::pixel_t value) {
  return static_cast<int>(std::lround(value));
}

RECT ToRect(const litehtml::position& box) {
  return RECT{Px(box.left()), Px(box.top()), Px(box.right()), Px(box.bottom())};
}

COLORREF ToColorRef(const litehtml::web_color& color) {
  return RGB(color.red, color.green, color.blue);
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM faces) {
  reinterpret_cast<std::set<std::wstring>*>(faces)->insert(Lower(font->lfFaceName));
  return 1;
}

// Limits drawing to the boxes litehtml has asked to clip to, for one drawing call.
class ClipScope {
 public:
  ClipScope(HDC hdc, const std::vector<litehtml::position>& clips) : hdc_(hdc) {
    if (clips.empty()) return;
    saved_ = SaveDC(hdc_);
    for (const litehtml::position& clip : clips) {
      const RECT box = ToRect(clip);
      IntersectClipRect(hdc_, box.left, box.top, box.right, box.bottom);
    }
  }
  ~ClipScope() {
    if (saved_ != 0) RestoreDC(hdc_, saved_);
  }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  HDC hdc_;
  int saved_ = 0;
};

HDC ToDc(litehtml::uint_ptr hdc) {
  return reinterpret_cast<HDC>(hdc);
}

}  // namespace

GdiContainer::GdiContainer(StyleSheetSource styleSheets)
    : measuring_(CreateCompatibleDC(nullptr)), styleSheets_(std::move(styleSheets)) {
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(measuring_, &all, CollectFace, reinterpret_cast<LPARAM>(&faces_), 0);
}

GdiContainer::~GdiContainer() {
  DeleteDC(measuring_);
}

void GdiContainer::SetViewport(litehtml::pixel_t width, litehtml::pixel_t height) {
  viewport_ = litehtml::position(0, 0, width, height);
}

std::wstring GdiContainer::InstalledFace(const std::string& families) const {
  for (std::string family : litehtml::split_string(families, ",", "", "\"'")) {
    litehtml::trim(family, " \t\"'");
    const std::wstring face = FromUtf8(family);
    const std::wstring lower = Lower(face);
    for (const auto& [generic, windowsFace] : kGenericFaces) {
      if (lower == generic) return std::wstring(windowsFace);
    }
    if (faces_.contains(lower)) return face;
  }
  return FromUtf8(get_default_font_name());
}

litehtml::uint_ptr GdiContainer::create_font(const litehtml::font_description& description,
                                             const litehtml::document*,
                                             litehtml::font_metrics* metrics) {
  LOGFONTW font{};
  font.lfHeight = -Px(description.size);
  font.lfWeight = description.weight;
  font.lfItalic = description.style == litehtml::font_style_italic;
  font.lfUnderline = (description.decoration_line & litehtml::text_decoration_line_underline) != 0;
  font.lfStrikeOut =
      (description.decoration_line & litehtml::text_decoration_line_line_through) != 0;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring face = InstalledFace(description.family);
  face.copy(font.lfFaceName, LF_FACESIZE - 1);
  HFONT handle = CreateFontIndirectW(&font);

  if (metrics != nullptr) {
    const HGDIOBJ previous = SelectObject(measuring_, handle);
    TEXTMETRICW text{};
    GetTextMetricsW(measuring_, &text);
    SIZE zero{};
    GetTextExtentPoint32W(measuring_, L"0", 1, &zero);
    SelectObject(measuring_, previous);
    metrics->font_size = description.size;
    metrics->ascent = static_cast<litehtml::pixel_t>(text.tmAscent);
    metrics->descent = static_cast<litehtml::pixel_t>(text.tmDescent);
    metrics->height = static_cast<litehtml::pixel_t>(text.tmHeight);
    metrics->x_height = static_cast<litehtml::pixel_t>(text.tmAscent - text.tmInternalLeading) / 2;
    metrics->ch_width = static_cast<litehtml::pixel_t>(zero.cx);
    // The gaps between words need not be drawn unless a line runs through them.
    metrics->draw_spaces = font.lfUnderline || font.lfStrikeOut;
    metrics->sub_shift = description.size / 5;
    metrics->super_shift = description.size / 3;
  }
  return reinterpret_cast<litehtml::uint_ptr>(handle);
}

void GdiContainer::delete_font(litehtml::uint_ptr font) {
  DeleteObject(reinterpret_cast<HFONT>(font));
}

litehtml::pixel_t GdiContainer::text_width(const char* text, litehtml::uint_ptr font) {
  const std::wstring wide = FromUtf8(text);
  const HGDIOBJ previous = SelectObject(measuring_, reinterpret_cast<HFONT>(font));
  SIZE size{};
  GetTextExtentPoint32W(measuring_, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(measuring_, previous);
  return static_cast<litehtml::pixel_t>(size.cx);
}

std::vector<INT> GdiContainer::Advances(const std::wstring& text, HFONT font) const {
  // Each character where the measure placed it. Left to itself, a DC that draws differently from
  // the one that measured (Wine's, for one) draws a word narrower than its box, and the gap after
  // it shows wider than the others.
  std::vector<INT> advances(text.size());
  if (text.empty()) return advances;
  const HGDIOBJ previous = SelectObject(measuring_, font);
  SIZE size{};
  GetTextExtentExPointW(measuring_, text.c_str(), static_cast<int>(text.size()), 0, nullptr,
                        advances.data(), &size);
  SelectObject(measuring_, previous);
  // The extents run from the start of the text; the advances are their differences.
  for (size_t at = advances.size() - 1; at > 0; --at) advances[at] -= advances[at - 1];
  return advances;
}

void GdiContainer::draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr font,
                             litehtml::web_color color, const litehtml::position& position) {
  if (color.alpha == 0) return;
  const ClipScope clip(ToDc(hdc), clips_);
  const std::wstring wide = FromUtf8(text);
  const std::vector<INT> advances = Advances(wide, reinterpret_cast<HFONT>(font));
  const HGDIOBJ previous = SelectObject(ToDc(hdc), reinterpret_cast<HFONT>(font));
  SetBkMode(ToDc(hdc), TRANSPARENT);
  SetTextColor(ToDc(hdc), ToColorRef(color));
  SetTextAlign(ToDc(hdc), TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ExtTextOutW(ToDc(hdc), Px(position.x), Px(position.y), 0, nullptr, wide.c_str(),
              static_cast<UINT>(wide.size()), advances.data());
  SelectObject(ToDc(hdc), previous);
}

litehtml::pixel_t GdiContainer::pt_to_px(float points) const {
  return points * kCssPixelsPerInch / kPointsPerInch;
}

litehtml::pixel_t GdiContainer::get_default_font_size() const {
  return 16;
}

const char* GdiContainer::get_default_font_name() const {
  return "Times New Roman";
}

void GdiContainer::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
  const ClipScope clip(ToDc(hdc), clips_);
  const RECT box = ToRect(marker.pos);
  const COLORREF color = ToColorRef(marker.color);
  switch (marker.marker_type) {
    case litehtml::list_style_type_disc:
    case litehtml::list_style_type_circle: {
      const HGDIOBJ pen = SelectObject(ToDc(hdc), CreatePen(PS_SOLID, 1, color));
      const HGDIOBJ brush =
          SelectObject(ToDc(hdc), marker.marker_type == litehtml::list_style_type_disc
                                      ? CreateSolidBrush(color)
                                      : GetStockObject(NULL_BRUSH));
      Ellipse(ToDc(hdc), box.left, box.top, box.right, box.bottom);
      DeleteObject(SelectObject(ToDc(hdc), brush));
      DeleteObject(SelectObject(ToDc(hdc), pen));
      break;
    }
    case litehtml::list_style_type_square:
      Fill(ToDc(hdc), marker.pos, marker.color);
      break;
    default:
      // Numbered and lettered lists: the pages have none.
      break;
  }
}

void GdiContainer::get_image_size(const char*, const char*, litehtml::size& size) {
  size = litehtml::size();
}

void GdiContainer::draw_solid_fill(litehtml::uint_ptr hdc, const litehtml::background_layer& layer,
                                   const litehtml::web_color& color) {
  const ClipScope clip(ToDc(hdc), clips_);
  litehtml::position box = layer.border_box;
  box = box.intersect(layer.clip_box);
  Fill(ToDc(hdc), box, color);
}

void GdiContainer::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                                const litehtml::position& box, bool) {
  const ClipScope clip(ToDc(hdc), clips_);
  const auto side = [&](const litehtml::border& border, litehtml::position edge) {
    if (border.width <= 0 || border.style == litehtml::border_style_none ||
        border.style == litehtml::border_style_hidden) {
      return;
    }
    Fill(ToDc(hdc), edge, border.color);
  };
  side(borders.top, {box.x, box.y, box.width, borders.top.width});
  side(borders.bottom,
       {box.x, box.bottom() - borders.bottom.width, box.width, borders.bottom.width});
  side(borders.left, {box.x, box.y, borders.left.width, box.height});
  side(borders.right, {box.right() - borders.right.width, box.y, borders.right.width, box.height});
}

void GdiContainer::Fill(HDC hdc, const litehtml::position& box,
                        const litehtml::web_color& color) const {
  if (color.alpha == 0 || box.empty()) return;
  const RECT rect = ToRect(box);
  const HBRUSH brush = CreateSolidBrush(ToColorRef(color));
  FillRect(hdc, &rect, brush);
  DeleteObject(brush);
}

void GdiContainer::transform_text(litehtml::string& text, litehtml::text_transform transform) {
  std::wstring wide = FromUtf8(text);
  const auto length = static_cast<DWORD>(wide.size());
  if (transform == litehtml::text_transform_uppercase) CharUpperBuffW(wide.data(), length);
  if (transform == litehtml::text_transform_lowercase) CharLowerBuffW(wide.data(), length);
  if (transform == litehtml::text_transform_capitalize && !wide.empty()) {
    CharUpperBuffW(wide.data(), 1);
  }
  text = ToUtf8(wide);
}

void GdiContainer::import_css(litehtml::string& text, const litehtml::string& url,
                              litehtml::string&) {
  const std::string name = url.substr(url.find_last_of('/') + 1);
  if (const auto sheet = styleSheets_(name)) text = *sheet;
}

void GdiContainer::set_clip(const litehtml::position& box, const litehtml::border_radiuses&) {
  clips_.push_back(box);
}

void GdiContainer::del_clip() {
  if (!clips_.empty()) clips_.pop_back();
}

void GdiContainer::get_viewport(litehtml::position& viewport) const {
  viewport = viewport_;
}

litehtml::element::ptr GdiContainer::create_element(
    const char* tag, const litehtml::string_map&, const std::shared_ptr<litehtml::document>& doc) {
  const std::string_view name(tag);
  if (std::find(kFormControlTags.begin(), kFormControlTags.end(), name) == kFormControlTags.end()) {
    return nullptr;
  }
  return std::make_shared<FormControlElement>(doc);
}

void GdiContainer::get_media_features(litehtml::media_features& media) const {
  media.type = litehtml::media_type_screen;
  media.width = viewport_.width;
  media.height = viewport_.height;
  media.device_width = static_cast<litehtml::pixel_t>(GetSystemMetrics(SM_CXSCREEN));
  media.device_height = static_cast<litehtml::pixel_t>(GetSystemMetrics(SM_CYSCREEN));
  media.color = 8;
  media.color_index = 0;
  media.monochrome = 0;
  media.resolution = kCssPixelsPerInch;
}

void GdiContainer::get_language(litehtml::string& language, litehtml::string& culture) const {
  language = "en";
  culture = "";
}

}  // namespace EvarixView::Windows
