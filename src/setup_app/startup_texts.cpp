#include "setup_app/startup_texts.h"

#include "product/installed_state.h"

namespace vl {

std::string old_windows_message(uint32_t major, uint32_t minor, uint32_t build) {
  std::string text;
  text += std::string(PRODUCT_NAME) + " " + std::string(OWN_VERSION) +
          " нь Windows 10 болон түүнээс дээш хувилбар дээр ажиллана.";
  text += "\r\n\r\nТаны систем: Windows " + std::to_string(major) + "." + std::to_string(minor) +
          " (build " + std::to_string(build) + ")";
  text += "\r\n\r\nMicrosoft нь Windows 7 / 8 / 8.1 дээрх WebView2-ийн дэмжлэгээ 2023 оны 1-р сард "
          "зогсоосон тул эдгээр систем дээр суулгах боломжгүй.";
  text += "\r\n\r\nДэлгэрэнгүй мэдээллийг " + std::string(PRODUCT_WEB_ADDRESS) + " хаягаас авна уу.";
  return text;
}

}  // namespace vl
