#include "number_text.h"

#include <algorithm>
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

// The powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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

// Skips white space and an optional sign from *i on; true for a minus sign.
bool SkipSpaceAndSign(std::string_view t, size_t* i) {
  while (*i < t.size() && IsSpace(t[*i])) ++*i;
  if (*i < t.size() && (t[*i] == '+' || t[*i] == '-')) return t[(*i)++] == '-';
  return false;
}

// Whether the eight bytes of a word (in memory order) are all decimal digits.
inline bool EightDigits(uint64_t word) {
  return (word & 0xF0F0F0F0F0F0F0F0ull) == 0x3030303030303030ull &&
         ((word + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) == 0x3030303030303030ull;
}

// The number that eight digit bytes (in memory order, the first the most
// significant) spell: pairs, then fours, then the eight, each by one multiply.
inline uint64_t EightDigitsValue(uint64_t word) {
  word -= 0x3030303030303030ull;
  word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFull;
  word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFull;
  return (word * 10000 + (word >> 32)) & 0xFFFFFFFFull;
}

// Reads the "%i" syntax into a magnitude that saturates at limit; *end
// receives the index just past the digits. Returns false when no digit is
// found.
bool ParseIntegerMagnitude(std::string_view t, bool* negative, uint64_t* magnitude,
                           bool* overflow, size_t* end) {
  size_t i = 0, n = t.size();
  *negative = SkipSpaceAndSign(t, &i);
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
  if (base == 10) {
    // Nineteen decimal digits always fit in 64 bits: no overflow checks there,
    // and eight at a time while eight digits follow (the first eight can).
    const size_t safeEnd = std::min(n, i + 19);
    if (i + 8 <= safeEnd) {
      uint64_t eight;
      std::memcpy(&eight, t.data() + i, 8);
      if (EightDigits(eight)) {
        value = EightDigitsValue(eight);
        i += 8;
        if (i + 8 <= safeEnd) {
          std::memcpy(&eight, t.data() + i, 8);
          if (EightDigits(eight)) {
            value = value * 100000000u + EightDigitsValue(eight);
            i += 8;
          }
        }
      }
    }
    for (; i < safeEnd; ++i) {
      const unsigned d = static_cast<unsigned>(t[i] - '0');
      if (d > 9) break;
      value = value * 10 + d;
    }
  }
  for (; i < n; ++i) {
    const unsigned d = static_cast<unsigned>(DigitValue(t[i]));
    if (d >= base) break;
    if (__builtin_mul_overflow(value, base, &value) || __builtin_add_overflow(value, d, &value)) {
      *overflow = true;
      value = std::numeric_limits<uint64_t>::max();
    }
  }
  *magnitude = value;
  *end = i;
  return true;
}

template <class T>
bool ParseSignedSaturating(std::string_view text, T* out, NumberStop* stop) {
  bool negative = false, overflow = false;
  uint64_t magnitude = 0;
  size_t end = 0;
  if (!ParseIntegerMagnitude(text, &negative, &magnitude, &overflow, &end)) return false;
  const uint64_t maxPositive = static_cast<uint64_t>(std::numeric_limits<T>::max());
  if (stop != nullptr) {
    stop->end = end;
    stop->saturated = overflow || magnitude > maxPositive + (negative ? 1 : 0);
  }
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

// A decimal read in one pass: its digits as an integer (leading zeros
// dropped) and the power of ten that scales them.
struct Decimal {
  uint64_t mantissa = 0;
  int digits = 0;       // significant digits in mantissa
  int scale = 0;        // value = mantissa * 10^scale
  bool inexact = false; // digits beyond what mantissa holds were dropped
};

// Rounds a double that is the correctly rounded value of some decimal on to
// float. Rounding twice gives the correctly rounded float of that decimal
// unless the double lies within one unit of its last place of a point halfway
// between two floats; for those, for subnormals and for overflow, false.
bool NarrowSafely(double wide, float* out) {
  if (wide == 0) {
    *out = 0;
    return true;
  }
  const double magnitude = std::fabs(wide);
  if (!(magnitude >= std::numeric_limits<float>::min() &&
        magnitude < std::numeric_limits<float>::max())) {
    return false;
  }
  uint64_t bits;
  std::memcpy(&bits, &wide, sizeof bits);
  constexpr uint64_t kDropped = (uint64_t{1} << 29) - 1;  // the bits a float does not keep
  constexpr uint64_t kHalf = uint64_t{1} << 28;
  const uint64_t low = bits & kDropped;
  if (low + 1 >= kHalf && low <= kHalf + 1) return false;
  *out = static_cast<float>(wide);
  return true;
}

// Decimals with few digits and a small exponent convert exactly: the digits
// and the power of ten are both exact in a double, so one multiplication or
// division rounds once, correctly. A float goes through that double when its
// digits do not fit a float's mantissa. False for every other decimal.
template <class T>
bool FastDecimal(const Decimal& d, T* out) {
  constexpr int kMaxDigits = std::is_same_v<T, float> ? 7 : 15;  // below 2^24 / 2^53
  constexpr int kMaxPower = std::is_same_v<T, float> ? 10 : 22;  // 10^k exact in T
  if (d.inexact) return false;
  if (d.mantissa == 0) {
    *out = 0;
    return true;
  }
  if (d.digits <= kMaxDigits && d.scale >= -kMaxPower && d.scale <= kMaxPower) {
    const T m = static_cast<T>(d.mantissa);
    const T power = static_cast<T>(kExactPowers[d.scale < 0 ? -d.scale : d.scale]);
    *out = d.scale < 0 ? m / power : m * power;
    return true;
  }
  if constexpr (std::is_same_v<T, float>) {
    double wide;
    return FastDecimal(d, &wide) && NarrowSafely(wide, out);
  }
  return false;
}

template <class T>
bool ParseFloating(std::string_view t, T* out, NumberStop* stop) {
  size_t i = 0, n = t.size();
  const bool negative = SkipSpaceAndSign(t, &i);
  if (i < n && (t[i] | 0x20) == 'i' && StartsWithWord(t, i, "inf")) {
    *out = negative ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity();
    if (stop != nullptr) *stop = {StartsWithWord(t, i, "infinity") ? i + 8 : i + 3, false};
    return true;
  }
  if (i < n && (t[i] | 0x20) == 'n' && StartsWithWord(t, i, "nan")) {
    *out = std::numeric_limits<T>::quiet_NaN();
    if (stop != nullptr) *stop = {i + 3, false};
    return true;
  }
  const size_t start = i;
  Decimal d;
  bool anyDigit = false;
  auto digit = [&](unsigned v, bool fraction) {
    anyDigit = true;
    if (d.mantissa == 0 && v == 0) {
      if (fraction) --d.scale;  // a leading zero
    } else if (d.digits < 19) {
      d.mantissa = d.mantissa * 10 + v;
      ++d.digits;
      if (fraction) --d.scale;
    } else {
      d.inexact = true;
    }
  };
  for (; i < n && static_cast<unsigned>(t[i] - '0') <= 9; ++i) digit(t[i] - '0', false);
  if (i < n && t[i] == '.') {
    ++i;
    for (; i < n && static_cast<unsigned>(t[i] - '0') <= 9; ++i) digit(t[i] - '0', true);
  }
  if (!anyDigit) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < n && (t[j] == '+' || t[j] == '-')) negativeExponent = t[j++] == '-';
    if (j < n && static_cast<unsigned>(t[j] - '0') <= 9) {
      int exponent = 0;
      for (; j < n && static_cast<unsigned>(t[j] - '0') <= 9; ++j) {
        if (exponent < 100000) exponent = exponent * 10 + (t[j] - '0');
      }
      d.scale += negativeExponent ? -exponent : exponent;
      i = j;
    }
  }
  if (stop != nullptr) *stop = {i, false};
  T value{};
  if (FastDecimal(d, &value)) {
    *out = negative ? -value : value;
    return true;
  }
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
  if (stop != nullptr) stop->saturated = std::isinf(value);
  *out = negative ? -value : value;
  return true;
}

int WriteNonFinite(double number, char* buffer) {
  const char* text = std::isnan(number) ? "nan" : (number < 0 ? "-inf" : "inf");
  std::strcpy(buffer, text);
  return static_cast<int>(std::strlen(text));
}

}  // namespace

bool ParseInt32(std::string_view text, int32_t* out, NumberStop* stop) {
  return ParseSignedSaturating(text, out, stop);
}
bool ParseInt64(std::string_view text, int64_t* out, NumberStop* stop) {
  return ParseSignedSaturating(text, out, stop);
}
bool ParseFloat(std::string_view text, float* out, NumberStop* stop) { return ParseFloating(text, out, stop); }
bool ParseDouble(std::string_view text, double* out, NumberStop* stop) { return ParseFloating(text, out, stop); }

bool ParseHexByte(std::string_view t, uint8_t* out, NumberStop* stop) {
  size_t i = 0, n = t.size();
  // The writer's byte lines: one or two hexadecimal digits, then the line end.
  if (n > 0 && DigitValue(t[0]) < 16) {
    const unsigned high = static_cast<unsigned>(DigitValue(t[0]));
    if (n == 1 || t[1] == '\n' || t[1] == '\r') {
      *out = static_cast<uint8_t>(high);
      if (stop != nullptr) *stop = {1, false};
      return true;
    }
    if (DigitValue(t[1]) < 16 && (n == 2 || t[2] == '\n' || t[2] == '\r')) {
      *out = static_cast<uint8_t>(high << 4 | static_cast<unsigned>(DigitValue(t[1])));
      if (stop != nullptr) *stop = {2, false};
      return true;
    }
  }
  const bool negative = SkipSpaceAndSign(t, &i);
  if (i + 2 < n && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X') && DigitValue(t[i + 2]) < 16) {
    i += 2;
  }
  if (i >= n || DigitValue(t[i]) >= 16) return false;
  unsigned value = 0;
  for (; i < n && DigitValue(t[i]) < 16; ++i) value = (value << 4 | DigitValue(t[i])) & 0xFFu;
  if (stop != nullptr) *stop = {i, false};
  if (negative) value = (0u - value) & 0xFFu;
  *out = static_cast<uint8_t>(value);
  return true;
}

namespace {

// Digits of a shortest text from to_chars ("-1.25e-07", "0.001", "1200"):
// how many are significant, and how many decimals the fixed form needs.
struct ShortestShape {
  int significant = 0;
  int decimals = 0;
};

ShortestShape ShapeOf(const char* begin, const char* end) {
  ShortestShape shape;
  const char* exponent = std::find(begin, end, 'e');
  int afterPoint = 0, digits = 0, leading = 0, trailingZeros = 0;
  bool seenPoint = false, seenNonZero = false;
  for (const char* p = begin; p != exponent; ++p) {
    if (*p == '.') {
      seenPoint = true;
      continue;
    }
    if (*p < '0' || *p > '9') continue;
    if (seenPoint) ++afterPoint;
    if (*p == '0') {
      if (!seenNonZero) ++leading;
      ++trailingZeros;
    } else {
      seenNonZero = true;
      trailingZeros = 0;
    }
    ++digits;
  }
  int exp = 0;
  if (exponent != end) std::from_chars(exponent + 1 + (exponent[1] == '+'), end, exp);
  shape.significant = seenNonZero ? digits - leading - trailingZeros : 0;
  shape.decimals = std::max(0, afterPoint - exp);
  return shape;
}

// x rounded to an integer, halfway cases to even, for |x| below 2^62.
inline double RoundHalfEven(double x) {
  const double magnitude = std::fabs(x);
  auto whole = static_cast<int64_t>(magnitude);
  const double rest = magnitude - static_cast<double>(whole);
  if (rest > 0.5 || (rest == 0.5 && (whole & 1) != 0)) ++whole;
  return std::copysign(static_cast<double>(whole), x);
}

// The "%f" text of a float below 2^24 in magnitude: scaled is the float
// times 10^6 rounded half to even, which a double holds exactly (a 24-bit
// mantissa times 10^6 needs fewer than 53 bits).
int WriteFixedSix(float number, double scaled, char* buffer) {
  char* p = buffer;
  if (std::signbit(number)) *p++ = '-';
  const uint64_t whole = static_cast<uint64_t>(std::fabs(scaled));
  p = std::to_chars(p, p + 24, whole / 1000000u).ptr;
  *p++ = '.';
  uint32_t fraction = static_cast<uint32_t>(whole % 1000000u);
  for (int i = 5; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  p += 6;
  *p = '\0';
  return static_cast<int>(p - buffer);
}

}  // namespace

// "%f" shows the float rounded to six decimals; it is written when it reads
// back to the same float, else the shortest text that does. From 16 up, a
// float's spacing exceeds 1e-6, so the six-decimal rounding always reads back.
int FormatFloat(float number, char* buffer) {
  if (!std::isfinite(number)) return WriteNonFinite(number, buffer);
  const float magnitude = std::fabs(number);
  if (magnitude >= 16777216.0f) {
    auto r = std::to_chars(buffer, buffer + 63, static_cast<double>(number),
                           std::chars_format::fixed, 6);
    *r.ptr = '\0';
    return static_cast<int>(r.ptr - buffer);
  }
  const double scaled = RoundHalfEven(static_cast<double>(number) * 1e6);  // exact product
  if (magnitude >= 16.0f) return WriteFixedSix(number, scaled, buffer);
  // scaled / 10^6 is the six-decimal text's value correctly rounded to double.
  float back;
  const bool sure = NarrowSafely(scaled / 1e6, &back);
  if (sure && back == number) return WriteFixedSix(number, scaled, buffer);
  auto shortest = std::to_chars(buffer, buffer + 63, number);
  if (!sure && ShapeOf(buffer, shortest.ptr).decimals <= 6) {
    // Near a point halfway between two floats: the shortest text has at most
    // six decimals, so the six-decimal one reads back.
    return WriteFixedSix(number, scaled, buffer);
  }
  *shortest.ptr = '\0';
  return static_cast<int>(shortest.ptr - buffer);
}

namespace {

// Writes the "%G" layout of the decimal 0.d[first..last) * 10^(x + 1), whose
// first significant digit has the exponent x and which has at most six
// significant digits (no trailing zeros).
int LayoutG(bool negative, const char* digits, int first, int last, int x, char* buffer) {
  char* out = buffer;
  const int significant = last - first;
  if (negative) *out++ = '-';
  if (x < -4 || x >= 6) {
    *out++ = digits[first];
    if (significant > 1) {
      *out++ = '.';
      for (int i = first + 1; i < last; ++i) *out++ = digits[i];
    }
    *out++ = 'E';
    *out++ = x < 0 ? '-' : '+';
    const int magnitude = x < 0 ? -x : x;
    if (magnitude < 10) *out++ = '0';
    out = std::to_chars(out, out + 8, magnitude).ptr;
  } else if (x < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > x; --i) *out++ = '0';
    for (int i = first; i < last; ++i) *out++ = digits[i];
  } else {
    for (int i = 0; i <= x; ++i) *out++ = (first + i < last) ? digits[first + i] : '0';
    if (first + x + 1 < last) {
      *out++ = '.';
      for (int i = first + x + 1; i < last; ++i) *out++ = digits[i];
    }
  }
  *out = '\0';
  return static_cast<int>(out - buffer);
}

// The common case without a shortest-digits search: a nonzero finite double
// that a decimal of six significant digits, m * 10^(x - 5), reads back to.
// m and the power of ten are exact doubles, so one multiplication or division
// rounds that decimal correctly; when it gives the number back, the decimal
// is the one "%G" shows (no other six-digit decimal lies that close). Returns
// the length written, or 0 when the number needs the general path.
int SixDigitsG(double number, char* buffer) {
  const double a = std::fabs(number);
  if (!(a >= 1e-16 && a < 1e17)) return 0;  // the powers of ten used below stay exact
  uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const int binaryExponent = static_cast<int>(bits >> 52) - 1023;  // a is normal: 2^e <= a < 2^(e+1)
  // floor(log10(2^e)): the decimal exponent of a, or one less.
  int x = (binaryExponent * 78913) >> 18;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int shift = 5 - x;  // a * 10^shift has six digits before the point
    const double scaled = shift >= 0 ? a * kExactPowers[shift] : a / kExactPowers[-shift];
    // Halfway cases cannot come back as the number, whichever way they round.
    const double m = static_cast<double>(static_cast<int64_t>(scaled + 0.5));
    if (m >= 1e6) {
      ++x;
      continue;
    }
    if (m < 1e5) return 0;
    const double back = shift >= 0 ? m / kExactPowers[shift] : m * kExactPowers[-shift];
    if (back != a) return 0;
    char digits[8];
    uint32_t rest = static_cast<uint32_t>(m);
    for (int i = 5; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    int last = 6;
    while (last > 1 && digits[last - 1] == '0') --last;
    return LayoutG(std::signbit(number), digits, 0, last, x, buffer);
  }
  return 0;
}

}  // namespace

// "%G" reads back to the same double exactly when the shortest text that does
// has at most six significant digits; the "%G" text then shows those digits.
int FormatDouble(double number, char* buffer) {
  if (!std::isfinite(number)) return WriteNonFinite(number, buffer);
  if (int length = SixDigitsG(number, buffer)) return length;
  char shortest[64];
  auto r = std::to_chars(shortest, shortest + sizeof shortest, number);
  // Take the shortest text apart: sign, digits without the point, exponent.
  const char* p = shortest;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[32];
  int count = 0, pointAt = -1;
  const char* e = std::find(p, static_cast<const char*>(r.ptr), 'e');
  for (const char* q = p; q != e; ++q) {
    if (*q == '.') {
      pointAt = count;
    } else {
      digits[count++] = *q;
    }
  }
  if (pointAt < 0) pointAt = count;
  int exp10 = 0;
  if (e != r.ptr) std::from_chars(e + 1 + (e[1] == '+'), static_cast<const char*>(r.ptr), exp10);
  // value = 0.d1d2... * 10^(pointAt + exp10); drop leading and trailing zeros.
  int first = 0;
  while (first < count && digits[first] == '0') ++first;
  int last = count;
  while (last > first && digits[last - 1] == '0') --last;
  char* out = buffer;
  if (first == last) {  // zero
    if (negative) *out++ = '-';
    *out++ = '0';
    *out = '\0';
    return static_cast<int>(out - buffer);
  }
  if (last - first > 6) {
    for (char* q = shortest; q != r.ptr; ++q) *out++ = (*q == 'e') ? 'E' : *q;
    *out = '\0';
    return static_cast<int>(out - buffer);
  }
  if (std::fabs(number) < std::numeric_limits<double>::min()) {
    // A subnormal has fewer bits than six digits can tell apart, so its
    // shortest digits need not be the six that "%G" rounds to: round the
    // exact value to six digits instead.
    char six[32];
    auto sr = std::to_chars(six, six + sizeof six, number, std::chars_format::scientific, 5);
    const char* q = six + (negative ? 1 : 0);  // "d.ddddde-3xx"
    digits[0] = q[0];
    std::memcpy(digits + 1, q + 2, 5);
    int exponent = 0;
    std::from_chars(q + 9, static_cast<const char*>(sr.ptr), exponent);
    last = 6;
    while (last > 1 && digits[last - 1] == '0') --last;
    return LayoutG(negative, digits, 0, last, q[8] == '-' ? -exponent : exponent, buffer);
  }
  return LayoutG(negative, digits, first, last, pointAt + exp10 - first - 1, buffer);
}

int FormatInt64(int64_t number, char* buffer) {
  auto r = std::to_chars(buffer, buffer + 31, number);
  *r.ptr = '\0';
  return static_cast<int>(r.ptr - buffer);
}

}  // namespace cfg
