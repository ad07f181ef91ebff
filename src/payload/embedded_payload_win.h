#pragma once
// The payload blob the build embeds in the executable (RCDATA resource "PAYLOAD") and the
// SHA-256 it recorded for that blob (RCDATA resource "PAYLOAD_SHA256", 64 hex digits).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

#include "payload/payload_source.h"
#include "sys/result.h"

namespace vl {

// The bytes of the RCDATA resource "PAYLOAD" of `module` (the running executable when null),
// read in place; empty when there is none.
std::span<const uint8_t> find_embedded_payload(HMODULE module = nullptr);

// The bytes of the RCDATA resource "PAYLOAD_SHA256" of `module`, likewise; empty when none.
std::span<const uint8_t> find_embedded_payload_digest(HMODULE module = nullptr);

// A source over `blob` (the running executable's embedded payload) that reads it from the
// executable's file, where the image places it, not from the mapped image: the file is opened
// once, shared for reading only (nobody writes, renames or deletes it while the source lives).
// Not yet verified. Fails when the file cannot be opened or is not laid out as the image says.
Result<std::unique_ptr<PayloadSource>> open_embedded_payload_file(std::span<const uint8_t> blob,
                                                                  bool recheck_chunks);

}  // namespace vl
