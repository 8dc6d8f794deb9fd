// Names are equal when they differ in nothing but the case of ASCII letters.
// The comparison and the hash that agrees with it, a word at a time; each
// gives what the plain byte loop in its comment gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace cfg {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "HashName places a name's bytes in memory order");

namespace name_compare {
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;
// The bit that tells an ASCII capital from its small letter, in every byte.
constexpr uint64_t kCaseBits = 0x2020202020202020ull;
constexpr unsigned char kCaseBit = 0x20;
}  // namespace name_compare

// The name's byte with an ASCII capital made small.
inline unsigned char FoldByte(unsigned char c) {
  return static_cast<unsigned>(c - 'A') < 26u ? static_cast<unsigned char>(c | name_compare::kCaseBit) : c;
}

// Whether a and b are equal but for the case of ASCII letters: as
//   a.size() == b.size() && for every i, FoldByte(a[i]) == FoldByte(b[i]).
inline bool NamesEqual(std::string_view a, std::string_view b) {
  using namespace name_compare;
  if (a.size() != b.size()) return false;
  const size_t n = a.size();
  size_t i = 0;
  // A word at a time: equal words go on; words that differ in more than the
  // case bit of some byte cannot match (folding changes that bit alone); the
  // rest are decided byte by byte below. The last word of a name of four
  // bytes or more may overlap the one before, which only compares some
  // bytes twice.
  if (n >= 8) {
    for (; i + 8 <= n; i += 8) {
      uint64_t x, y;
      std::memcpy(&x, a.data() + i, 8);
      std::memcpy(&y, b.data() + i, 8);
      if (x == y) continue;
      if ((x ^ y) & ~kCaseBits) return false;
      break;
    }
    if (i + 8 > n && i < n) {
      uint64_t x, y;
      std::memcpy(&x, a.data() + n - 8, 8);
      std::memcpy(&y, b.data() + n - 8, 8);
      if (x == y) return true;
      if ((x ^ y) & ~kCaseBits) return false;
    }
  } else if (n >= 4) {
    uint32_t x0, y0, x1, y1;
    std::memcpy(&x0, a.data(), 4);
    std::memcpy(&y0, b.data(), 4);
    std::memcpy(&x1, a.data() + n - 4, 4);
    std::memcpy(&y1, b.data() + n - 4, 4);
    if (x0 == y0 && x1 == y1) return true;
    if (((x0 ^ y0) | (x1 ^ y1)) & ~static_cast<uint32_t>(kCaseBits)) return false;
  }
  for (; i < n; ++i) {
    if (a[i] != b[i] &&
        FoldByte(static_cast<unsigned char>(a[i])) != FoldByte(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// FoldByte of each of the word's eight bytes at once: a byte is a capital
// when its top bit is clear and, without its top bit, it is at least 'A'
// (adding 0x80 - 'A' sets the top bit) and not above 'Z' (adding
// 0x80 - 'Z' - 1 leaves the top bit clear). Without the top bits no sum
// carries into the next byte.
inline uint64_t FoldWord(uint64_t word) {
  using namespace name_compare;
  const uint64_t low = word & ~kHighs;
  const uint64_t atLeastA = low + kOnes * (0x80 - 'A');
  const uint64_t aboveZ = low + kOnes * (0x80 - 'Z' - 1);
  const uint64_t capitals = atLeastA & ~aboveZ & ~word & kHighs;
  return word | (capitals >> 2);  // the top bit moved to the case bit
}

// A hash of the name that NamesEqual names share: it hashes the folded bytes
// only, eight at a time, each word holding the bytes of the name in their
// places (the last word zero-filled above the name's end).
inline uint32_t HashName(std::string_view name) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;  // 2^64 / golden ratio
  constexpr unsigned kMixShift = 29;
  const char* p = name.data();
  const size_t n = name.size();
  uint64_t h = n * kMultiplier;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    h = (h ^ FoldWord(word)) * kMultiplier;
    h ^= h >> kMixShift;
  }
  if (i < n) {
    // The last bytes, in their places of a word: from the name's last eight
    // bytes shifted down, from its first and last four (which may overlap:
    // the overlapping bytes are the same), or one by one.
    const size_t rest = n - i;
    uint64_t word = 0;
    if (n >= 8) {
      std::memcpy(&word, p + n - 8, 8);
      word >>= 8 * (8 - rest);
    } else if (n >= 4) {
      uint32_t first, last;
      std::memcpy(&first, p, 4);
      std::memcpy(&last, p + n - 4, 4);
      word = first | (uint64_t{last} << (8 * (n - 4)));
    } else {
      for (size_t k = 0; k < n; ++k) word |= uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
    }
    h = (h ^ FoldWord(word)) * kMultiplier;
    h ^= h >> kMixShift;
  }
  return static_cast<uint32_t>(h >> 32);
}

}  // namespace cfg
