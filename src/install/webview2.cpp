#include "install/webview2.h"

#include "product/product.h"
#include "sys/text.h"

namespace vl {

bool is_webview2_version(const std::optional<std::string>& pv) {
  return pv && !pv->empty() && *pv != "0.0.0.0";
}

std::optional<std::string> bootstrapper_refusal(const FileSignature& signature,
                                                const ExpectedSigner& expected) {
  switch (signature.state) {
    case FileSignature::State::Unsigned:
      return "Татаж авсан WebView2 суулгагч гарын үсэггүй тул ажиллуулсангүй.";
    case FileSignature::State::Altered:
      return "Татаж авсан WebView2 суулгагч гарын үсэг зурсны дараа өөрчлөгдсөн тул "
             "ажиллуулсангүй.";
    case FileSignature::State::Invalid:
      return format_text("Татаж авсан WebView2 суулгагчийн гарын үсгийг шалгаж чадсангүй: {}",
                         {signature.error});
    case FileSignature::State::Valid: break;
  }
  bool known_root = false;
  for (std::string_view root : expected.root_thumbprints)
    known_root |= signature.root_thumbprint == root;
  if (known_root && signature.signer_name == expected.name &&
      signature.signer_organization == expected.name) {
    return std::nullopt;
  }
  return format_text(
      "Татаж авсан WebView2 суулгагчийн гарын үсэг {}-ынх биш ({} / {}) тул ажиллуулсангүй.",
      {expected.name, signature.signer_name, signature.root_name});
}

std::string webview2_exit_code_text(uint32_t exit_code) {
  return format_text("WebView2 суулгах үед {} кодоор зогслоо. Үүнгүйгээр {} ажиллахгүй.",
                     {std::to_string(exit_code), PRODUCT_NAME});
}

}  // namespace vl
