#include "gallery.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "gfx/draw_context.h"
#include "ui/frame_cycle.h"
#include "ui/interaction.h"
#include "ui/window_geometry.h"

namespace gallery {
namespace {

std::string html_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::string picture_file(const std::string& state, float dpi) {
  return state + "-" + number(dpi) + "dpi.png";
}

vl::Result<Picture> draw_state(CairoResources& resources, const PageState& state, float dpi,
                               std::span<const uint8_t> logo, const std::string& folder,
                               bool wine_mask) {
  std::unique_ptr<vl::WindowApp> app = state.make_app(logo);
  const vl::SizeF size = app->window_size();
  Picture picture{state.name, dpi, picture_file(state.name, dpi),
                  std::max(1, vl::dips_to_pixels(size.width, dpi)),
                  std::max(1, vl::dips_to_pixels(size.height, dpi))};
  CairoSurface surface(resources, picture.pixel_width, picture.pixel_height, dpi);
  vl::DrawContext draw(surface);
  vl::InteractionState input;
  vl::FramePlan plan = state.frames;
  plan.width = size.width;
  plan.height = size.height;
  plan.dpi = dpi;
  // A page that throws is a state that cannot be drawn, reported like any other failure.
  const vl::Result<vl::FrameRun> run = [&]() -> vl::Result<vl::FrameRun> {
    try {
      return vl::run_frames(*app, draw, input, plan, [&](const auto& paint) -> vl::Status {
        surface.clear_notes();  // the picture is the last frame's
        paint();
        return surface.status();
      });
    } catch (const std::exception& e) {
      return vl::fail(e.what());
    }
  }();
  if (!run) return vl::fail(state.name + " at " + number(dpi) + " DPI: " + run.error());
  if (vl::Status written = surface.write_png(folder + "/" + picture.file); !written) {
    return written.failure();
  }
  if (wine_mask) {
    if (vl::Status written = surface.write_wine_mask_png(folder + "/wine-mask/" + picture.file);
        !written) {
      return written.failure();
    }
  }
  picture.animating = run->last_frame_animates;
  picture.wine_regions = surface.wine_regions();
  picture.text_boxes = surface.text_boxes();
  return picture;
}

std::string index_html(const std::vector<Picture>& pictures,
                       const std::vector<std::string>& failures) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"mn\"><head><meta charset=\"utf-8\">"
      "<title>Verilune Setup: page gallery</title><style>"
      "body{font-family:sans-serif;background:#e9edf2;margin:16px}"
      "section{margin:0 0 28px}h2{font-size:16px;margin:0 0 8px}"
      ".row{display:flex;gap:16px;align-items:flex-start;overflow-x:auto}"
      "figure{margin:0}figcaption{font-size:12px;color:#444;margin-top:4px}"
      "img{display:block;box-shadow:0 1px 4px rgba(0,0,0,.25)}"
      ".failed{color:#b00020}</style></head><body>\n"
      "<h1>Verilune Setup: page gallery</h1>\n";
  for (const std::string& failure : failures) {
    html += "<p class=\"failed\">Not drawn: " + html_escaped(failure) + "</p>\n";
  }
  std::string open_state;
  for (const Picture& p : pictures) {
    if (p.state != open_state) {
      if (!open_state.empty()) html += "</div></section>\n";
      open_state = p.state;
      html += "<section id=\"" + html_escaped(p.state) + "\"><h2>" + html_escaped(p.state) +
              "</h2><div class=\"row\">\n";
    }
    html += "<figure><img src=\"" + html_escaped(p.file) + "\" width=\"" +
            std::to_string(p.pixel_width) + "\" height=\"" + std::to_string(p.pixel_height) +
            "\" alt=\"" + html_escaped(p.state) + "\"><figcaption>" + html_escaped(p.state) +
            " — " + number(p.dpi) + " DPI (" + std::to_string(p.pixel_width) + " × " +
            std::to_string(p.pixel_height) + ")" + (p.animating ? ", still moving" : "") +
            "</figcaption></figure>\n";
  }
  if (!open_state.empty()) html += "</div></section>\n";
  html += "</body></html>\n";
  return html;
}

std::string comparison_json(const std::vector<Picture>& pictures) {
  const auto rect = [](const vl::Rect& r) {
    return "[" + number(r.x) + ", " + number(r.y) + ", " + number(r.w) + ", " + number(r.h) + "]";
  };
  std::string json = "{";
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    json += (i == 0 ? "\n  \"" : ",\n  \"") + p.file + "\": {\"wine\": [";
    for (size_t k = 0; k < p.wine_regions.size(); ++k) {
      const WineRegion& r = p.wine_regions[k];
      json += std::string(k == 0 ? "" : ", ") + "{\"fault\": \"" + wine_fault_name(r.fault) +
              "\", \"rect\": " + rect(r.rect) + "}";
    }
    json += "], \"text\": [";
    for (size_t k = 0; k < p.text_boxes.size(); ++k) {
      json += std::string(k == 0 ? "" : ", ") + rect(p.text_boxes[k]);
    }
    json += "]}";
  }
  json += "\n}\n";
  return json;
}

}  // namespace gallery
