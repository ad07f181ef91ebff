#pragma once
// The outcome of one elevated relaunch.
#include <cstdint>
#include <string>
#include <string_view>

namespace vl {

struct ElevationOutcome {
  enum class Kind {
    Finished,  // the elevated copy ran and ended with exit_code
    Declined,  // the user refused the elevation prompt
    Failed,    // any other failure, an unknown outcome included (message: its text)
  };
  Kind kind = Kind::Failed;
  uint32_t exit_code = 0;
  std::string message;

  static ElevationOutcome finished(uint32_t code) { return {Kind::Finished, code, {}}; }
  static ElevationOutcome declined() { return {Kind::Declined, 0, {}}; }
  static ElevationOutcome failed(std::string text) { return {Kind::Failed, 0, std::move(text)}; }
};

// The shell started the request but handed back no process: whether the elevated copy ran, and
// how it ended, cannot be known.
inline constexpr std::string_view TEXT_ELEVATED_COPY_UNKNOWN =
    "Админ эрхээр эхлүүлсэн програм ажилласан эсэх, хэрхэн дууссаныг мэдэх боломжгүй (Windows "
    "процессын handle өгсөнгүй).";

// HRESULT_FROM_WIN32(ERROR_CANCELLED): the user answered "No" to the elevation prompt.
inline constexpr uint32_t HRESULT_ELEVATION_CANCELLED = 0x800704C7u;

}  // namespace vl
