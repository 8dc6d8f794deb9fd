// The word-at-a-time byte search against a plain loop, at every offset and
// length, with bytes that sit next to the one searched for (borrows between
// bytes are what such searches get wrong).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "config/byte_scan.h"

namespace {

TEST(ByteScan, FindsTheFirstMatchAtEveryOffset) {
  std::mt19937 random(3);
  const char alphabet[] = {'[', 'Z', '\\', '\0', '\x01', '\x80', '\xFF', 'a', '=', '<', '>'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    const char wanted = alphabet[random() % 4];
    for (size_t from = 0; from <= text.size(); ++from) {
      size_t expected = from;
      while (expected < text.size() && text[expected] != wanted) ++expected;
      ASSERT_EQ(cfg::FindByteIn(text.data(), from, text.size(), wanted), expected)
          << "round " << round << ", from " << from;
    }
  }
}

}  // namespace
