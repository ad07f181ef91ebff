#pragma once
// The outcome of one elevated relaunch.
#include <cstdint>
#include <string>

namespace vl {

struct ElevationOutcome {
  enum class Kind {
    Finished,  // the elevated copy ran and ended (exit_code; 0 when no process handle came back)
    Declined,  // the user refused the elevation prompt
    Failed,    // any other failure (message: the system's text)
  };
  Kind kind = Kind::Failed;
  uint32_t exit_code = 0;
  std::string message;

  static ElevationOutcome finished(uint32_t code) { return {Kind::Finished, code, {}}; }
  static ElevationOutcome declined() { return {Kind::Declined, 0, {}}; }
  static ElevationOutcome failed(std::string text) { return {Kind::Failed, 0, std::move(text)}; }
};

// HRESULT_FROM_WIN32(ERROR_CANCELLED): the user answered "No" to the elevation prompt.
inline constexpr uint32_t HRESULT_ELEVATION_CANCELLED = 0x800704C7u;

}  // namespace vl
