// Every named page state drawn as a person sees it, at 96, 144 and 192 DPI: on the recording
// surface, with texts measured as Pango measures them at that DPI (the gallery's own fonts), the
// last frame of each state is checked for what no page may do: texts cut or running out of
// their box or the window, something opaque drawn over a target that still takes clicks, and
// anything but the footer below the footer's top.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cairo_surface.h"
#include "native/recording_surface.h"
#include "wizard/theme.h"
#include "support/wizard_state_app.h"
#include "support/wizard_states.h"

namespace vl {
namespace {

constexpr float kTolerance = 0.5f;  // DIPs: rounding of the measured lines
// A widget's own drawing stays within its target, but for the hover lift and the focus ring.
constexpr float kOwnMargin = FOCUS_RING_GAP + FOCUS_RING_WIDTH + 0.5f;
// What is drawn at less than this alpha does not hide what lies under it (shadows, tints).
constexpr float kHidingAlpha = 0.5f;

class MeasuredSurface final : public RecordingSurface {
 public:
  explicit MeasuredSurface(gallery::CairoSurface& fonts) : fonts_(fonts) {}
  TextSize measure_text(const TextStyle& style, float max_width) override {
    return fonts_.measure_text(style, max_width);
  }

 private:
  gallery::CairoSurface& fonts_;
};

TextStyle style_of(const RecordedText& t, const Color& color) {
  TextStyle s;
  s.text = t.text;
  s.line_height = t.line_height;
  s.size = t.size;
  s.weight = t.weight;
  s.display = t.display;
  s.letter_spacing = t.letter_spacing;
  s.wrap = t.wrap;
  s.align = t.align;
  s.color = color;
  return s;
}

Rect intersect(const Rect& a, const Rect& b) {
  const float x = std::max(a.x, b.x);
  const float y = std::max(a.y, b.y);
  return Rect{x, y, std::max(0.0f, std::min(a.right(), b.right()) - x),
              std::max(0.0f, std::min(a.bottom(), b.bottom()) - y)};
}
bool inside(const Rect& inner, const Rect& outer) {
  return inner.x >= outer.x - kTolerance && inner.y >= outer.y - kTolerance &&
         inner.right() <= outer.right() + kTolerance &&
         inner.bottom() <= outer.bottom() + kTolerance;
}
bool overlaps(const Rect& a, const Rect& b) {
  const Rect i = intersect(a, b);
  return i.w > kTolerance && i.h > kTolerance;
}

// One drawn thing as the checks see it: where it shows (clipped) and whether it hides.
struct Drawn {
  const DrawCall* call;
  Rect shown;
  bool hides;
  bool ground;  // spans the window's width: background, glow, the card
};

Rect bounds(const DrawCall& c) {
  if (c.points.empty() || c.op == DrawOp::LinearGradient || c.op == DrawOp::RadialGradient) {
    return c.rect;
  }
  float x0 = c.points[0].x, y0 = c.points[0].y, x1 = x0, y1 = y0;
  for (const Point& p : c.points) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  const float r = c.radius + c.width / 2.0f;
  return Rect{x0 - r, y0 - r, x1 - x0 + 2 * r, y1 - y0 + 2 * r};
}

float alpha_of(const DrawCall& c) {
  if (c.op == DrawOp::Bitmap) return c.image_opacity;
  if (c.op == DrawOp::LinearGradient || c.op == DrawOp::RadialGradient) {
    float a = 0.0f;
    for (const GradientStop& s : c.stops) a = std::max(a, s.color.a);
    return a;
  }
  return c.color.a;
}

bool is_footer_target(uint32_t id) {
  return id == ACTION_PRIMARY || id == ACTION_BACK || id == ACTION_CLOSE || id == ACTION_RETRY ||
         id == ACTION_UNINSTALL;
}

struct Checked {
  std::vector<std::string> faults;
  void fault(const std::string& what, const DrawCall& c) {
    std::ostringstream out;
    out << what << " (" << draw_op_name(c.op);
    if (c.op == DrawOp::Text) out << " \"" << c.text.text << "\"";
    out << ")";
    faults.push_back(out.str());
  }
};

Checked check_frame(const std::vector<DrawCall>& calls, const std::vector<HitTarget>& targets,
                    gallery::CairoSurface& fonts, const WizardState& state, float W, float H) {
  Checked out;
  const Rect window{0, 0, W, H};
  std::vector<Rect> clips;
  std::vector<Drawn> drawn;
  for (const DrawCall& c : calls) {
    if (c.op == DrawOp::PushClip) {
      clips.push_back(clips.empty() ? c.rect : intersect(clips.back(), c.rect));
      continue;
    }
    if (c.op == DrawOp::PopClip) {
      if (!clips.empty()) clips.pop_back();
      continue;
    }
    Rect shown = bounds(c);
    if (c.op == DrawOp::Text) {
      const TextStyle style = style_of(c.text, c.color);
      const TextSize natural = fonts.measure_text(style, TEXT_TALL_LAYOUT);
      Rect box;
      if (style.wrap) {
        box = Rect{c.rect.x, c.rect.y, c.rect.w, fonts.measure_text(style, c.rect.w).height};
      } else {
        const float w = std::min(natural.width, c.rect.w);
        const Point o = text_origin(style, c.rect, natural.height);
        const float x = style.align == TextAlign::Leading  ? c.rect.x
                        : style.align == TextAlign::Center ? c.rect.x + (c.rect.w - w) / 2
                                                           : c.rect.right() - w;
        box = Rect{x, o.y, w, natural.height};
        // Only a folder path may lose its end to the ellipsis: it says where, not what.
        if (natural.width > c.rect.w + kTolerance && c.text.text != state.options.install_dir) {
          out.fault("cut by the ellipsis", c);
        }
      }
      const Rect clip = clips.empty() ? window : clips.back();
      shown = intersect(box, clip);
      if (!inside(shown, intersect(c.rect, clip))) out.fault("text outside its box", c);
      if (!inside(shown, window)) out.fault("text outside the window", c);
    } else if (!clips.empty()) {
      shown = intersect(shown, clips.back());
    }
    drawn.push_back({&c, shown, alpha_of(c) >= kHidingAlpha, c.rect.w >= W - kTolerance});
  }

  // The targets that still take clicks: those no later blocker shadows.
  size_t live_from = 0;
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].id == TARGET_BLOCKER) live_from = i + 1;
  }
  for (const Drawn& d : drawn) {
    if (!d.hides || d.ground) continue;
    for (size_t i = live_from; i < targets.size() && i < d.call->targets_before; ++i) {
      const Rect& t = targets[i].rect;
      if (overlaps(d.shown, t) && !inside(d.shown, t.grown(kOwnMargin))) {
        out.fault("covers live target " + std::to_string(targets[i].id), *d.call);
      }
    }
  }

  // Below the footer's top only the footer, unless an overlay lies over the whole page.
  std::optional<float> footer_top;
  std::vector<Rect> footer;
  for (const HitTarget& t : targets) {
    if (!is_footer_target(t.id)) continue;
    footer.push_back(t.rect.grown(kOwnMargin));
    footer_top = std::min(footer_top.value_or(t.rect.y), t.rect.y);
  }
  if (footer_top && live_from == 0) {
    for (const Drawn& d : drawn) {
      if (d.ground || !d.hides || d.shown.bottom() <= *footer_top + kTolerance ||
          d.shown.h <= 0.0f) {
        continue;
      }
      const bool in_footer = std::any_of(footer.begin(), footer.end(),
                                         [&](const Rect& f) { return inside(d.shown, f); });
      if (!in_footer) out.fault("drawn below the footer's top", *d.call);
    }
  }
  return out;
}

TEST(WizardLayout, EveryStateAtEveryDpiKeepsItsTextsTargetsAndFooterClear) {
  gallery::CairoResources resources;
  for (const float dpi : {96.0f, 144.0f, 192.0f}) {
    const int px_w = static_cast<int>(WINDOW_WIDTH * dpi / 96.0f);
    const int px_h = static_cast<int>(WINDOW_HEIGHT * dpi / 96.0f);
    gallery::CairoSurface fonts(resources, px_w, px_h, dpi);
    for (const page_states::WizardStateCase& c : page_states::wizard_state_cases()) {
      SCOPED_TRACE(c.name + " at " + std::to_string(static_cast<int>(dpi)) + " DPI");
      MeasuredSurface surface(fonts);
      DrawContext draw(surface);
      InteractionState input;
      surface.observe(&draw);
      surface.observe_targets(&input.building);
      page_states::WizardStateApp app(c, {});
      FramePlan plan = page_states::state_frames(c);
      plan.width = WINDOW_WIDTH;
      plan.height = WINDOW_HEIGHT;
      plan.dpi = dpi;
      const auto device = [&](const std::function<void()>& paint) {
        surface.clear();
        paint();
        return Status::success();
      };
      ASSERT_TRUE(run_frames(app, draw, input, plan, device));
      const Checked checked =
          check_frame(surface.calls, input.active, fonts, c.state, WINDOW_WIDTH, WINDOW_HEIGHT);
      for (const std::string& fault : checked.faults) ADD_FAILURE() << fault;
    }
  }
}

}  // namespace
}  // namespace vl
