#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sys/sha256.h"

namespace vl {
namespace {

std::string hex(const Sha256Digest& digest) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t byte : digest) out += {digits[byte >> 4], digits[byte & 15]};
  return out;
}

// The FIPS 180-4 examples: an empty message, one block, and messages whose padding needs a
// second block (56 bytes) or that span two whole blocks (112 bytes).
TEST(Sha256, MatchesTheStandardsExamples) {
  struct Case {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
       "opqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    auto bytes = reinterpret_cast<const uint8_t*>(c.message.data());
    EXPECT_EQ(hex(sha256({bytes, c.message.size()})), c.digest) << c.message.size() << " bytes";
    // In pieces that straddle the 64-byte blocks.
    Sha256 pieces;
    for (size_t at = 0; at < c.message.size(); at += 37)
      pieces.update({bytes + at, std::min<size_t>(37, c.message.size() - at)});
    EXPECT_EQ(hex(pieces.finish()), c.digest) << c.message.size() << " bytes in pieces";
  }
}

}  // namespace
}  // namespace vl
