#pragma once
// The Microsoft Edge WebView2 runtime that the application needs: where its presence is
// recorded, where its bootstrapper comes from, and the step's texts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "product/product_names.h"
#include "sys/file_trust.h"

namespace vl {

// The runtime's client key under EdgeUpdate (default registry view of a 32-bit process).
inline constexpr std::string_view WEBVIEW2_CLIENT_KEY =
    "Software\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
inline constexpr std::string_view WEBVIEW2_VERSION_VALUE = "pv";
// Microsoft's public link to the evergreen bootstrapper.
inline constexpr std::string_view WEBVIEW2_BOOTSTRAPPER_URL = "https://go.microsoft.com/fwlink/p/?LinkId=2124703";
inline constexpr std::string_view WEBVIEW2_BOOTSTRAPPER_FILE = "MicrosoftEdgeWebview2Setup.exe";
// The start of the name of the folder an elevated run downloads the bootstrapper into.
inline constexpr std::string_view WEBVIEW2_DOWNLOAD_FOLDER_PREFIX = VL_PRODUCT_NAME "-WebView2-";
inline constexpr std::string_view WEBVIEW2_BOOTSTRAPPER_ARGUMENTS = "/silent /install";

inline constexpr std::string_view TEXT_WEBVIEW2_DOWNLOADING = "WebView2 татаж байна…";
inline constexpr std::string_view TEXT_WEBVIEW2_INSTALLING = "WebView2 суулгаж байна…";
inline constexpr std::string_view TEXT_WEBVIEW2_DOWNLOAD_FAILED =
    "WebView2 татаж чадсангүй. Интернэт холболтоо шалгаад дахин оролдоно уу.";

// Whose signature an elevated process requires on the bootstrapper before it runs it: the
// signing certificate's common name and organisation, and the chain's root certificate given
// by its SHA-1 thumbprint (lowercase hex).
struct ExpectedSigner {
  std::string_view name;
  std::vector<std::string_view> root_thumbprints;
};

// Microsoft's own signature: "Microsoft Corporation" under Microsoft Root Certificate Authority
// 2010 or 2011, the roots of Microsoft's code-signing certificates.
inline constexpr std::string_view MICROSOFT_SIGNER_NAME = "Microsoft Corporation";
inline constexpr std::string_view MICROSOFT_ROOT_2010_THUMBPRINT =
    "3b1efd3a66ea28b16697394703a72ca340a05bd5";
inline constexpr std::string_view MICROSOFT_ROOT_2011_THUMBPRINT =
    "8f43288ad272f3103b6fb1428485ea3014c0bcfe";

// Why a checked bootstrapper must not run: unsigned, changed after signing, a check that
// failed, or a signer that is not `expected` (by name and organisation, or by root); nullopt
// when it may run.
std::optional<std::string> bootstrapper_refusal(const FileSignature& signature,
                                                const ExpectedSigner& expected);

// A "pv" value names an installed runtime unless it is missing, empty or "0.0.0.0".
bool is_webview2_version(const std::optional<std::string>& pv);

// "WebView2 суулгах үед {code} кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй." with the code
// as an unsigned decimal.
std::string webview2_exit_code_text(uint32_t exit_code);

}  // namespace vl
