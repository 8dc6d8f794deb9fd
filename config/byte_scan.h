// Short texts (names, value texts, line pieces): searching them for a byte
// and copying them, a word at a time and without a library call, never
// touching a byte outside the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace cfg {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "FindByteIn reads words in memory order");

// Index of the first c in p[from, n), or n.
inline size_t FindByteIn(const char* p, size_t from, size_t n, char c) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  const uint64_t pattern = kOnes * static_cast<unsigned char>(c);
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    const uint64_t x = word ^ pattern;  // a zero byte where c is
    const uint64_t found = (x - kOnes) & ~x & kHighs;
    // The lowest flagged byte is exact (borrows only run upwards), and on a
    // little-endian machine it is the first in memory.
    if (found != 0) return i + static_cast<size_t>(__builtin_ctzll(found) >> 3);
  }
  for (; i < n; ++i) {
    if (p[i] == c) return i;
  }
  return n;
}

// Index of the first byte in p[from, n) that is c1 or c2, or n.
inline size_t FindEitherIn(const char* p, size_t from, size_t n, char c1, char c2) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  const uint64_t first = kOnes * static_cast<unsigned char>(c1);
  const uint64_t second = kOnes * static_cast<unsigned char>(c2);
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    const uint64_t x = word ^ first, y = word ^ second;
    const uint64_t found = ((x - kOnes) & ~x & kHighs) | ((y - kOnes) & ~y & kHighs);
    // Each half's lowest flag is exact, so the lowest of both is too.
    if (found != 0) return i + static_cast<size_t>(__builtin_ctzll(found) >> 3);
  }
  for (; i < n; ++i) {
    if (p[i] == c1 || p[i] == c2) return i;
  }
  return n;
}

// Copies n bytes from src to dst (which do not overlap); returns dst + n.
inline char* CopyBytes(char* dst, const char* src, size_t n) {
  if (n > 32) {
    std::memcpy(dst, src, n);
  } else if (n > 16) {  // two blocks of sixteen that overlap in the middle
    char head[16], tail[16];
    std::memcpy(head, src, 16);
    std::memcpy(tail, src + n - 16, 16);
    std::memcpy(dst, head, 16);
    std::memcpy(dst + n - 16, tail, 16);
  } else if (n >= 8) {  // two words that overlap in the middle
    uint64_t head, tail;
    std::memcpy(&head, src, 8);
    std::memcpy(&tail, src + n - 8, 8);
    std::memcpy(dst, &head, 8);
    std::memcpy(dst + n - 8, &tail, 8);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, src, 4);
    std::memcpy(&tail, src + n - 4, 4);
    std::memcpy(dst, &head, 4);
    std::memcpy(dst + n - 4, &tail, 4);
  } else if (n > 0) {
    dst[0] = src[0];
    dst[n / 2] = src[n / 2];
    dst[n - 1] = src[n - 1];
  }
  return dst + n;
}

}  // namespace cfg
