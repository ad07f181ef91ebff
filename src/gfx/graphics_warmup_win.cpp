#include "gfx/graphics_warmup_win.h"

#include <utility>

#include "sys/phase_times.h"
#include "sys/text_win.h"

namespace vl {

struct GraphicsWarmup::Work {
  std::vector<TextStyle> styles;
  GraphicsFactories factories;
  TextFormats formats;
  HRESULT result = E_PENDING;

  void run() {
    phase::Timed timed("warm-up: text and image factories, formats");
    result = create_text_and_image_factories(factories);
    if (FAILED(result)) return;
    for (const TextStyle& style : styles) {
      const TextFormatKey key = text_format_key(style);
      if (formats.contains(key)) continue;
      ComPtr<IDWriteTextFormat> format =
          make_text_format(factories.dwrite.get(), factories.families, style);
      if (!format) continue;  // the surface tries again when it draws the style
      // Metrics make DirectWrite load the face and shape the text; the layout itself is not
      // kept (the surface's layouts are keyed by their box).
      const std::wstring text = to_wide(style.text);
      ComPtr<IDWriteTextLayout> layout;
      DWRITE_TEXT_METRICS metrics{};
      if (SUCCEEDED(factories.dwrite->CreateTextLayout(
              text.c_str(), static_cast<UINT32>(text.size()), format.get(), TEXT_TALL_LAYOUT,
              TEXT_TALL_LAYOUT, layout.put())) &&
          layout) {
        layout->GetMetrics(&metrics);
      }
      formats.emplace(key, std::move(format));
    }
  }
};

GraphicsWarmup::GraphicsWarmup(std::vector<TextStyle> styles) : work_(std::make_unique<Work>()) {
  work_->styles = std::move(styles);
  thread_.start([work = work_.get()] {
#if __cpp_exceptions
    try {
      work->run();
    } catch (...) {  // nothing crosses the thread's edge; finish() reports the failure
      work->result = E_OUTOFMEMORY;
    }
#else
    work->run();  // built without exceptions: out of memory ends the process instead
#endif
  });
}

GraphicsWarmup::~GraphicsWarmup() = default;

HRESULT GraphicsWarmup::finish(GraphicsFactories& factories, TextFormats& formats) {
  thread_.join();
  if (FAILED(work_->result)) return work_->result;
  factories.dwrite_module = std::move(work_->factories.dwrite_module);
  factories.wic_module = std::move(work_->factories.wic_module);
  factories.dwrite = std::move(work_->factories.dwrite);
  factories.wic = std::move(work_->factories.wic);
  factories.families = std::move(work_->factories.families);
  formats = std::move(work_->formats);
  return S_OK;
}

}  // namespace vl
