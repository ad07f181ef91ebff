#pragma once
// The Microsoft Edge WebView2 runtime that the application needs: where its presence is
// recorded, where its bootstrapper comes from, and the step's texts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// The runtime's client key under EdgeUpdate (default registry view of a 32-bit process).
inline constexpr std::string_view WEBVIEW2_CLIENT_KEY =
    "Software\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
inline constexpr std::string_view WEBVIEW2_VERSION_VALUE = "pv";
// Microsoft's public link to the evergreen bootstrapper.
inline constexpr std::string_view WEBVIEW2_BOOTSTRAPPER_URL = "https://go.microsoft.com/fwlink/p/?LinkId=2124703";
inline constexpr std::string_view WEBVIEW2_BOOTSTRAPPER_FILE = "MicrosoftEdgeWebview2Setup.exe";
inline constexpr std::string_view WEBVIEW2_BOOTSTRAPPER_ARGUMENTS = "/silent /install";

inline constexpr std::string_view TEXT_WEBVIEW2_DOWNLOADING = "WebView2 татаж байна…";
inline constexpr std::string_view TEXT_WEBVIEW2_INSTALLING = "WebView2 суулгаж байна…";
inline constexpr std::string_view TEXT_WEBVIEW2_DOWNLOAD_FAILED =
    "WebView2 татаж чадсангүй. Интернэт холболтоо шалгаад дахин оролдоно уу.";

// A "pv" value names an installed runtime unless it is missing, empty or "0.0.0.0".
bool is_webview2_version(const std::optional<std::string>& pv);

// "WebView2 суулгах үед {code} кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй." with the code
// as an unsigned decimal.
std::string webview2_exit_code_text(uint32_t exit_code);

}  // namespace vl
