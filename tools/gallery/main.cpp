// Draws every page state at each DPI into PNGs with an index page:
//   gallery --out=DIR [--dpi=96,144,192] [--state=NAME] [--logo=PNG] [--json=FILE]
//           [--wine-masks]
// Writes DIR/index.html and DIR/comparison.json (and with --wine-masks the pixels each Wine
// render gets wrong into DIR/wine-mask/); --json writes {"passed": N, "failed": M}
// (pictures drawn and not drawn) for the test summary. Exit status 1 when any state could not
// be drawn (or there was none), 2 on bad arguments.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "gallery.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

std::vector<float> parse_dpis(std::string_view list) {
  std::vector<float> dpis;
  std::stringstream in{std::string(list)};
  std::string item;
  while (std::getline(in, item, ',')) {
    try {
      const float dpi = std::stof(item);
      if (!(dpi >= 48.0f && dpi <= 960.0f)) return {};
      dpis.push_back(dpi);
    } catch (const std::exception&) {
      return {};
    }
  }
  return dpis;
}

int usage() {
  std::fprintf(stderr, "usage: gallery --out=DIR [--dpi=96,144,192] [--state=NAME] "
                       "[--logo=PNG] [--json=FILE] [--wine-masks]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out;
  std::string only;
  std::string json;
  std::string logo_path = VL_LOGO_PNG;
  bool wine_masks = false;
  std::vector<float> dpis{96.0f, 144.0f, 192.0f};
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view name) -> std::optional<std::string> {
      if (arg.substr(0, name.size()) != name) return std::nullopt;
      return std::string(arg.substr(name.size()));
    };
    if (auto v = value("--out=")) {
      out = *v;
    } else if (auto v = value("--state=")) {
      only = *v;
    } else if (auto v = value("--json=")) {
      json = *v;
    } else if (auto v = value("--logo=")) {
      logo_path = *v;
    } else if (arg == "--wine-masks") {
      wine_masks = true;
    } else if (auto v = value("--dpi=")) {
      dpis = parse_dpis(*v);
      if (dpis.empty()) return usage();
    } else {
      return usage();
    }
  }
  if (out.empty()) return usage();
  const std::vector<uint8_t> logo = read_file(logo_path);
  if (logo.empty()) {
    std::fprintf(stderr, "gallery: «%s» cannot be read\n", logo_path.c_str());
    return 1;
  }

  std::vector<gallery::PageState> states = gallery::page_states();
  if (!only.empty()) {
    std::erase_if(states, [&](const gallery::PageState& s) { return s.name != only; });
    if (states.empty()) {
      std::fprintf(stderr, "gallery: no page state named %s\n", only.c_str());
      return 2;
    }
  }

  if (wine_masks) std::filesystem::create_directories(out + "/wine-mask");
  gallery::CairoResources resources;
  std::vector<gallery::Picture> pictures;
  std::vector<std::string> failures;
  for (const gallery::PageState& state : states) {
    for (float dpi : dpis) {
      vl::Result<gallery::Picture> picture =
          gallery::draw_state(resources, state, dpi, logo, out, wine_masks);
      if (picture) {
        pictures.push_back(std::move(*picture));
      } else {
        failures.push_back(picture.error());
        std::fprintf(stderr, "gallery: %s\n", picture.error().c_str());
      }
    }
  }
  if (!write_file(out + "/index.html", gallery::index_html(pictures, failures)) ||
      !write_file(out + "/comparison.json", gallery::comparison_json(pictures))) {
    failures.push_back("«" + out + "» cannot be written");
    std::fprintf(stderr, "gallery: «%s» cannot be written\n", out.c_str());
  }
  if (!json.empty()) {
    write_file(json, "{\"passed\": " + std::to_string(pictures.size()) + ", \"failed\": " +
                         std::to_string(failures.size() + (pictures.empty() ? 1 : 0)) +
                         ", \"skipped\": 0}\n");
  }
  std::printf("%zu pictures of %zu states, %zu not drawn: %s/index.html\n", pictures.size(),
              states.size(), failures.size(), out.c_str());
  return failures.empty() && !pictures.empty() ? 0 : 1;
}
