#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace cfg {
namespace {

inline bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');  // blank, \t \n \v \f \r
}

struct DigitTable {
  unsigned char value[256];
  constexpr DigitTable() : value() {
    for (int c = 0; c < 256; ++c) value[c] = 99;
    for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<unsigned char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) value[c] = static_cast<unsigned char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) value[c] = static_cast<unsigned char>(c - 'A' + 10);
  }
};
constexpr DigitTable kDigits;

inline int DigitValue(char c) { return kDigits.value[static_cast<unsigned char>(c)]; }

// Reads the "%i" syntax into a magnitude that saturates at limit.
// Returns false when no digit is found.
bool ParseIntegerMagnitude(std::string_view t, bool* negative, uint64_t* magnitude,
                           bool* overflow) {
  size_t i = 0, n = t.size();
  while (i < n && IsSpace(t[i])) ++i;
  *negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) {
    *negative = t[i] == '-';
    ++i;
  }
  if (i >= n || t[i] < '0' || t[i] > '9') return false;
  unsigned base = 10;
  if (t[i] == '0') {
    if (i + 2 < n + 0 && (t[i + 1] == 'x' || t[i + 1] == 'X') && DigitValue(t[i + 2]) < 16) {
      base = 16;
      i += 2;
    } else {
      base = 8;
    }
  }
  uint64_t value = 0;
  *overflow = false;
  for (; i < n; ++i) {
    unsigned d = static_cast<unsigned>(DigitValue(t[i]));
    if (d >= base) break;
    if (value > (std::numeric_limits<uint64_t>::max() - d) / base) {
      *overflow = true;
    } else {
      value = value * base + d;
    }
  }
  *magnitude = value;
  return true;
}

template <class T>
bool ParseSignedSaturating(std::string_view text, T* out) {
  bool negative = false, overflow = false;
  uint64_t magnitude = 0;
  if (!ParseIntegerMagnitude(text, &negative, &magnitude, &overflow)) return false;
  const uint64_t maxPositive = static_cast<uint64_t>(std::numeric_limits<T>::max());
  if (negative) {
    if (overflow || magnitude > maxPositive + 1) {
      *out = std::numeric_limits<T>::min();
    } else if (magnitude == maxPositive + 1) {
      *out = std::numeric_limits<T>::min();
    } else {
      *out = static_cast<T>(-static_cast<int64_t>(magnitude));
    }
  } else {
    *out = (overflow || magnitude > maxPositive) ? std::numeric_limits<T>::max()
                                                 : static_cast<T>(magnitude);
  }
  return true;
}

bool StartsWithWord(std::string_view t, size_t i, const char* word) {
  size_t len = std::strlen(word);
  if (t.size() - i < len) return false;
  for (size_t k = 0; k < len; ++k) {
    char c = t[i + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[k]) return false;
  }
  return true;
}

template <class T>
bool ParseFloating(std::string_view t, T* out) {
  size_t i = 0, n = t.size();
  while (i < n && IsSpace(t[i])) ++i;
  bool negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) {
    negative = t[i] == '-';
    ++i;
  }
  if (StartsWithWord(t, i, "inf")) {
    *out = negative ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity();
    return true;
  }
  if (StartsWithWord(t, i, "nan")) {
    *out = std::numeric_limits<T>::quiet_NaN();
    return true;
  }
  size_t start = i, digits = 0;
  while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    size_t j = i + 1;
    if (j < n && (t[j] == '+' || t[j] == '-')) ++j;
    if (j < n && t[j] >= '0' && t[j] <= '9') {
      while (j < n && t[j] >= '0' && t[j] <= '9') ++j;
      i = j;
    }
  }
  T value{};
  auto result = std::from_chars(t.data() + start, t.data() + i, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow gives an infinity, underflow zero, as strtod does.
    std::string copy(t.data() + start, i - start);
    if constexpr (std::is_same_v<T, float>) {
      value = std::strtof(copy.c_str(), nullptr);
    } else {
      value = std::strtod(copy.c_str(), nullptr);
    }
  } else if (result.ec != std::errc()) {
    return false;
  }
  *out = negative ? -value : value;
  return true;
}

template <class T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

int WriteNonFinite(double number, char* buffer) {
  const char* text = std::isnan(number) ? "nan" : (number < 0 ? "-inf" : "inf");
  std::strcpy(buffer, text);
  return static_cast<int>(std::strlen(text));
}

void UpperExponent(char* begin, char* end) {
  for (char* p = begin; p != end; ++p) {
    if (*p == 'e') *p = 'E';
  }
}

}  // namespace

bool ParseInt32(std::string_view text, int32_t* out) { return ParseSignedSaturating(text, out); }
bool ParseInt64(std::string_view text, int64_t* out) { return ParseSignedSaturating(text, out); }
bool ParseFloat(std::string_view text, float* out) { return ParseFloating(text, out); }
bool ParseDouble(std::string_view text, double* out) { return ParseFloating(text, out); }

bool ParseHexByte(std::string_view t, uint8_t* out) {
  size_t i = 0, n = t.size();
  while (i < n && IsSpace(t[i])) ++i;
  bool negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) {
    negative = t[i] == '-';
    ++i;
  }
  if (i + 2 < n && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X') && DigitValue(t[i + 2]) < 16) {
    i += 2;
  }
  if (i >= n || DigitValue(t[i]) >= 16) return false;
  unsigned value = 0;
  for (; i < n && DigitValue(t[i]) < 16; ++i) value = (value << 4 | DigitValue(t[i])) & 0xFFu;
  if (negative) value = (0u - value) & 0xFFu;
  *out = static_cast<uint8_t>(value);
  return true;
}

int FormatFloat(float number, char* buffer) {
  if (!std::isfinite(number)) return WriteNonFinite(number, buffer);
  char* end = buffer + 63;
  auto r = std::to_chars(buffer, end, static_cast<double>(number), std::chars_format::fixed, 6);
  float back = 0;
  if (ParseFloat(std::string_view(buffer, r.ptr - buffer), &back) && SameBits(back, number)) {
    *r.ptr = '\0';
    return static_cast<int>(r.ptr - buffer);
  }
  r = std::to_chars(buffer, end, number);
  *r.ptr = '\0';
  return static_cast<int>(r.ptr - buffer);
}

int FormatDouble(double number, char* buffer) {
  if (!std::isfinite(number)) return WriteNonFinite(number, buffer);
  char* end = buffer + 63;
  auto r = std::to_chars(buffer, end, number, std::chars_format::general, 6);
  UpperExponent(buffer, r.ptr);
  double back = 0;
  if (ParseDouble(std::string_view(buffer, r.ptr - buffer), &back) && SameBits(back, number)) {
    *r.ptr = '\0';
    return static_cast<int>(r.ptr - buffer);
  }
  r = std::to_chars(buffer, end, number);
  UpperExponent(buffer, r.ptr);
  *r.ptr = '\0';
  return static_cast<int>(r.ptr - buffer);
}

int FormatInt64(int64_t number, char* buffer) {
  auto r = std::to_chars(buffer, buffer + 31, number);
  *r.ptr = '\0';
  return static_cast<int>(r.ptr - buffer);
}

}  // namespace cfg
