#pragma once
// The window's DirectWrite and WIC start-up on a thread of its own: the factories, the font
// families, the text formats of the styles the application draws, and one laid-out sample per
// format. DirectWrite reads and shapes a font face on its first layout; done here, that work
// overlaps the Direct2D factory and the window the caller makes meanwhile, and the first frame
// finds the faces loaded. The results are handed over once, after the thread has ended.
#include <windows.h>

#include <memory>
#include <vector>

#include "gfx/d2d_surface_win.h"
#include "gfx/graphics_factories_win.h"
#include "gfx/text_style.h"
#include "sys/threads.h"

namespace vl {

class GraphicsWarmup {
 public:
  // Starts the thread. The styles' texts must outlive it (string literals).
  explicit GraphicsWarmup(std::vector<TextStyle> styles);
  GraphicsWarmup(const GraphicsWarmup&) = delete;
  GraphicsWarmup& operator=(const GraphicsWarmup&) = delete;
  ~GraphicsWarmup();  // waits for a thread finish() has not waited for

  // Waits for the thread, then moves the DirectWrite and WIC factories and the font families
  // into `factories` and returns the formats. On failure, the failing step's HRESULT and
  // nothing moved. Called once.
  HRESULT finish(GraphicsFactories& factories, TextFormats& formats);

  struct Work;

 private:
  std::unique_ptr<Work> work_;
  Thread thread_;  // last: joined before the work it uses goes
};

}  // namespace vl
