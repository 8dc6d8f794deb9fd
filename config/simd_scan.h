// Scans of a line sixteen bytes at a time (SSE2 vectors), each giving exactly what
// the plain byte loop beside it gives, which is also what machines without
// SSE2 run. The vectors may be read past the end of the line: the buffer the
// line lies in keeps sixteen readable bytes past its end (kLineSlack), and
// bits of bytes past the end are masked off or ignored.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "byte_scan.h"

namespace cfg {

constexpr size_t kSimdBytes = 16;

// The index of the first line feed in data[from, end), or end; sets *nul
// when a NUL byte comes before it, and *cr when a carriage return does.
// Reads only inside data[from, end).
inline size_t ScanLine(const char* data, size_t from, size_t end, bool* nul, bool* cr) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128();
  // The three bytes sought are all below 14: a vector whose bytes, less 13
  // with saturation, are none zero holds none of them, and one test passes it.
  const __m128i thirteen = _mm_set1_epi8(13);
  for (; i + kSimdBytes <= end; i += kSimdBytes) {
    const __m128i vec = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(vec, thirteen), zero)) == 0) continue;
    const unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(vec, lineFeed)));
    const unsigned nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(vec, zero)));
    const unsigned returns =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(vec, carriageReturn)));
    if (feeds != 0) {
      // Bit k stands for byte i + k: the bits below the first feed's are the
      // bytes before it.
      const unsigned before = (1u << __builtin_ctz(feeds)) - 1;
      if (nuls & before) *nul = true;
      if (returns & before) *cr = true;
      return i + static_cast<unsigned>(__builtin_ctz(feeds));
    }
    if (nuls != 0) *nul = true;
    if (returns != 0) *cr = true;
  }
#endif
  for (; i < end; ++i) {
    if (data[i] == '\n') return i;
    if (data[i] == '\0') *nul = true;
    if (data[i] == '\r') *cr = true;
  }
  return end;
}

// Index of the first byte of s at or after from that is neither blank nor
// tab, or s.size().
inline size_t SkipBlanksAndTabs(std::string_view s, size_t from) {
  if (from >= s.size()) return from;
#if defined(__SSE2__)
  // The first byte that is neither, found from the vector's bits; one past the
  // line's end may be, and is then cut back to s.size().
  for (size_t i = from; i < s.size(); i += kSimdBytes) {
    const __m128i vec = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
    const __m128i blanks = _mm_or_si128(_mm_cmpeq_epi8(vec, _mm_set1_epi8(' ')),
                                        _mm_cmpeq_epi8(vec, _mm_set1_epi8('\t')));
    const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(blanks)) & 0xFFFFu;
    if (other != 0) return std::min(i + static_cast<size_t>(__builtin_ctz(other)), s.size());
  }
  return s.size();
#else
  while (from < s.size() && (s[from] == ' ' || s[from] == '\t')) ++from;
  return from;
#endif
}

// Index of the first stop in s at or after from (s.size() when none), with
// *open and *shut set to the first open before it and the first shut between
// that open and the stop (each left as it is when absent).
inline size_t FindStopAndPair(std::string_view s, size_t from, char stop, char open, char shut,
                              size_t* openAt, size_t* shutAt) {
#if defined(__SSE2__)
  // Most stops come within one vector: one load finds all three. Bit k stands
  // for byte from + k; bits of bytes past the line are masked off.
  if (from < s.size()) {
    const __m128i vec = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + from));
    const size_t left = s.size() - from;
    const unsigned inLine = left >= kSimdBytes ? 0xFFFFu : (1u << left) - 1;
    const unsigned stops =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(vec, _mm_set1_epi8(stop)))) & inLine;
    if (stops != 0) {
      const unsigned stopAt = static_cast<unsigned>(__builtin_ctz(stops));
      const unsigned before = (1u << stopAt) - 1;
      const unsigned opens = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_cmpeq_epi8(vec, _mm_set1_epi8(open)))) & before;
      if (opens != 0) {
        const unsigned firstOpen = static_cast<unsigned>(__builtin_ctz(opens));
        // Bits of the bytes after the first open and before the stop.
        const unsigned between = before & ~((2u << firstOpen) - 1);
        const unsigned shuts = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(vec, _mm_set1_epi8(shut)))) & between;
        *openAt = from + firstOpen;
        if (shuts != 0) *shutAt = from + static_cast<unsigned>(__builtin_ctz(shuts));
      }
      return from + stopAt;
    }
  }
#endif
  size_t at = from < s.size() ? FindEitherIn(s.data(), from, s.size(), open, stop) : s.size();
  if (at < s.size() && s[at] == open) {
    *openAt = at;
    at = FindEitherIn(s.data(), at + 1, s.size(), shut, stop);
    if (at < s.size() && s[at] == shut) {
      *shutAt = at;
      at = FindByteIn(s.data(), at + 1, s.size(), stop);
    }
  }
  return at;
}

}  // namespace cfg
