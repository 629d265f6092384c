#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "litehtml.h"

namespace EvarixView::Windows {

// A page's form controls, over whose boxes the native controls stand. Unlike litehtml's own
// elements they can also lose an attribute, as a button loses "disabled".
class FormControlElement final : public litehtml::html_tag {
 public:
  using html_tag::html_tag;
  void RemoveAttribute(const std::string& name) { m_attrs.erase(name); }
};

// Draws litehtml's pages with GDI, in CSS pixels (96 to the inch): whoever draws scales the DC
// for the window's DPI. Only what the program's pages use is drawn: text, fills, borders and list
// bullets; they carry no images, gradients or links.
class GdiContainer final : public litehtml::document_container {
 public:
  // Finds a style sheet the page links to, by its file name.
  using StyleSheetSource = std::function<std::optional<std::string>(const std::string& name)>;

  explicit GdiContainer(StyleSheetSource styleSheets);
  ~GdiContainer() override;
  GdiContainer(const GdiContainer&) = delete;
  GdiContainer& operator=(const GdiContainer&) = delete;

  void SetViewport(litehtml::pixel_t width, litehtml::pixel_t height);

  litehtml::uint_ptr create_font(const litehtml::font_description& description,
                                 const litehtml::document* document,
                                 litehtml::font_metrics* metrics) override;
  void delete_font(litehtml::uint_ptr font) override;
  litehtml::pixel_t text_width(const char* text, litehtml::uint_ptr font) override;
  void draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr font,
                 litehtml::web_color color, const litehtml::position& position) override;
  litehtml::pixel_t pt_to_px(float points) const override;
  litehtml::pixel_t get_default_font_size() const override;
  const char* get_default_font_name() const override;
  void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
  void load_image(const char*, const char*, bool) override {}
  void get_image_size(const char* source, const char* base, litehtml::size& size) override;
  void draw_image(litehtml::uint_ptr, const litehtml::background_layer&, const std::string&,
                  const std::string&) override {}
  void draw_solid_fill(litehtml::uint_ptr hdc, const litehtml::background_layer& layer,
                       const litehtml::web_color& color) override;
  void draw_linear_gradient(litehtml::uint_ptr, const litehtml::background_layer&,
                            const litehtml::background_layer::linear_gradient&) override {}
  void draw_radial_gradient(litehtml::uint_ptr, const litehtml::background_layer&,
                            const litehtml::background_layer::radial_gradient&) override {}
  void draw_conic_gradient(litehtml::uint_ptr, const litehtml::background_layer&,
                           const litehtml::background_layer::conic_gradient&) override {}
  void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                    const litehtml::position& box, bool root) override;
  void set_caption(const char*) override {}
  void set_base_url(const char*) override {}
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const char*, const litehtml::element::ptr&) override {}
  void on_mouse_event(const litehtml::element::ptr&, litehtml::mouse_event) override {}
  void set_cursor(const char*) override {}
  void transform_text(litehtml::string& text, litehtml::text_transform transform) override;
  void import_css(litehtml::string& text, const litehtml::string& url,
                  litehtml::string& base) override;
  void set_clip(const litehtml::position& box, const litehtml::border_radiuses& radii) override;
  void del_clip() override;
  void get_viewport(litehtml::position& viewport) const override;
  litehtml::element::ptr create_element(const char* tag, const litehtml::string_map& attributes,
                                        const std::shared_ptr<litehtml::document>& doc) override;
  void get_media_features(litehtml::media_features& media) const override;
  void get_language(litehtml::string& language, litehtml::string& culture) const override;

 private:
  std::wstring InstalledFace(const std::string& families) const;
  std::vector<INT> Advances(const std::wstring& text, HFONT font) const;
  void Fill(HDC hdc, const litehtml::position& box, const litehtml::web_color& color) const;

  HDC measuring_;  // a memory DC, for text metrics
  StyleSheetSource styleSheets_;
  std::set<std::wstring> faces_;  // lower case
  std::vector<litehtml::position> clips_;
  litehtml::position viewport_;
};

}  // namespace EvarixView::Windows
