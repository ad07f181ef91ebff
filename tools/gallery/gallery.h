#pragma once
// The page gallery: each page state drawn with Cairo at a DPI into a PNG, and the index page
// that sets the pictures side by side with their names.
#include <span>
#include <string>
#include <vector>

#include "cairo_surface.h"
#include "page_states.h"
#include "sys/result.h"

namespace gallery {

struct Picture {
  std::string state;
  float dpi = 96.0f;
  std::string file;  // name within the output folder
  int pixel_width = 0;
  int pixel_height = 0;
  bool animating = false;  // the last frame still asked for another
  std::vector<WineRegion> wine_regions;  // where Wine's Direct2D draws otherwise
  std::vector<vl::Rect> text_boxes;       // where texts were laid out
};

std::string picture_file(const std::string& state, float dpi);

// Draws the state's frames into `folder`/picture_file(...), and with `wine_mask` the pixels a
// Wine render gets wrong into `folder`/wine-mask/picture_file(...) (the folder must exist). A
// failure names what could not be drawn or written.
vl::Result<Picture> draw_state(CairoResources& resources, const PageState& state,
                               float dpi, std::span<const uint8_t> logo,
                               const std::string& folder, bool wine_mask = false);

// The index page: one row per state, its pictures at each DPI at their own pixel size, and
// every failure by name.
std::string index_html(const std::vector<Picture>& pictures,
                       const std::vector<std::string>& failures);

// What a comparison with a Wine render of each picture needs, in DIPs:
// {"NAME-96dpi.png": {"wine": [{"fault": "arc", "rect": [x, y, w, h]}, ...],
//                     "text": [[x, y, w, h], ...]}, ...}
std::string comparison_json(const std::vector<Picture>& pictures);

}  // namespace gallery
