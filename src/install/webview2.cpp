#include "install/webview2.h"

#include "product/product.h"
#include "sys/text.h"

namespace vl {

bool is_webview2_version(const std::optional<std::string>& pv) {
  return pv && !pv->empty() && *pv != "0.0.0.0";
}

std::string webview2_exit_code_text(uint32_t exit_code) {
  return format_text("WebView2 суулгах үед {} кодоор зогслоо. Үүнгүйгээр {} ажиллахгүй.",
                     {std::to_string(exit_code), PRODUCT_NAME});
}

}  // namespace vl
