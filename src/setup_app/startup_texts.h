#pragma once
// Texts of the message boxes shown before the window exists.
#include <cstdint>
#include <string>
#include <string_view>

#include "product/product.h"

namespace vl {

inline constexpr std::string_view PRODUCT_WEB_ADDRESS = "https://verilune.mn";
inline constexpr std::string_view ALREADY_RUNNING_TEXT = "Verilune суулгагч аль хэдийн ажиллаж байна.";

// The refusal text for Windows older than 10, naming the system's version numbers.
std::string old_windows_message(uint32_t major, uint32_t minor, uint32_t build);

}  // namespace vl
