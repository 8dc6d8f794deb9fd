#include "value_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "config/number_text.h"

namespace cfgtool {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(text[i]) != word[i]) return false;
  return true;
}

// Integer syntax of the reader ("%i"), checked whole: optional sign, then
// 0x and hexadecimal digits, 0 and octal digits, or decimal digits. The
// magnitude is accumulated with overflow detection.
bool ReadWholeInteger(std::string_view text, bool* negative, uint64_t* magnitude, bool* overflow) {
  size_t i = 0;
  *negative = false;
  *magnitude = 0;
  *overflow = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) *negative = (text[i++] == '-');
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == '0') {
    base = 8;
  }
  size_t first = i;
  for (; i < text.size(); ++i) {
    char c = text[i];
    unsigned digit;
    if (IsDigit(c)) digit = static_cast<unsigned>(c - '0');
    else if (IsHexDigit(c)) digit = static_cast<unsigned>(Lower(c) - 'a' + 10);
    else return false;
    if (digit >= base) return false;
    if (*magnitude > (std::numeric_limits<uint64_t>::max() - digit) / base) *overflow = true;
    *magnitude = *magnitude * base + digit;
  }
  return i > first;
}

// Floating syntax of the reader ("%f"), checked whole: optional sign, digits
// with an optional point (at least one digit), optional exponent; or inf,
// infinity, nan in any case.
bool IsWholeFloat(std::string_view text, bool* nonFinite) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::string_view rest = text.substr(i);
  *nonFinite = true;
  if (rest.size() == 3 && (StartsWithNoCase(rest, "inf") || StartsWithNoCase(rest, "nan"))) return true;
  if (rest.size() == 8 && StartsWithNoCase(rest, "infinity")) return true;
  *nonFinite = false;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == text.size();
}

std::unique_ptr<cfg::Value> ParseInteger(cfg::ValueType type, std::string_view text, std::string* error) {
  bool negative, overflow;
  uint64_t magnitude;
  if (!ReadWholeInteger(text, &negative, &magnitude, &overflow)) {
    *error = "not an integer";
    return nullptr;
  }
  bool is64 = type == cfg::ValueType::Int64;
  uint64_t limit = is64 ? static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                        : static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  if (overflow || magnitude > limit + (negative ? 1 : 0)) {
    *error = is64 ? "out of the range of a 64-bit integer" : "out of the range of a 32-bit integer";
    return nullptr;
  }
  int64_t number = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  if (is64) return std::make_unique<cfg::Value>(number);
  return std::make_unique<cfg::Value>(static_cast<int32_t>(number));
}

std::unique_ptr<cfg::Value> ParseFloating(cfg::ValueType type, std::string_view text, std::string* error) {
  bool nonFinite;
  if (!IsWholeFloat(text, &nonFinite)) {
    *error = "not a floating-point number";
    return nullptr;
  }
  if (type == cfg::ValueType::Float) {
    float number = 0;
    if (!cfg::ParseFloat(text, &number)) {
      *error = "not a floating-point number";
      return nullptr;
    }
    if (std::isinf(number) && !nonFinite) {
      *error = "out of the range of a float";
      return nullptr;
    }
    return std::make_unique<cfg::Value>(number);
  }
  double number = 0;
  if (!cfg::ParseDouble(text, &number)) {
    *error = "not a floating-point number";
    return nullptr;
  }
  if (std::isinf(number) && !nonFinite) {
    *error = "out of the range of a double";
    return nullptr;
  }
  return std::make_unique<cfg::Value>(number);
}

std::unique_ptr<cfg::Value> ParseBytes(std::string_view text, std::string* error) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    std::string_view token = text.substr(start, i - start);
    // Byte-line syntax ("%X"), checked whole: optional sign, optional 0x, hex digits.
    std::string_view digits = token;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
      digits.remove_prefix(2);
    bool hex = !digits.empty();
    for (char c : digits) hex = hex && IsHexDigit(c);
    uint8_t byte = 0;
    if (!hex || !cfg::ParseHexByte(token, &byte)) {
      *error = "\"" + std::string(token) + "\" is not a hexadecimal byte";
      return nullptr;
    }
    bytes.push_back(byte);
  }
  if (bytes.empty()) {
    *error = "a byte array needs at least one byte (an empty one is not read back)";
    return nullptr;
  }
  return std::make_unique<cfg::Value>(bytes.data(), static_cast<int32_t>(bytes.size()));
}

}  // namespace

std::unique_ptr<cfg::Value> ParseValueText(cfg::ValueType type, std::string_view text,
                                           std::string* error) {
  switch (type) {
    case cfg::ValueType::Int:
    case cfg::ValueType::Int64:
      return ParseInteger(type, Trim(text), error);
    case cfg::ValueType::Float:
    case cfg::ValueType::Double:
      return ParseFloating(type, Trim(text), error);
    case cfg::ValueType::String:
      if (text.empty()) {
        *error = "an empty string is not read back";
        return nullptr;
      }
      if (text.find_first_of("\r\n") != std::string_view::npos) {
        *error = "a string can not hold a line break";
        return nullptr;
      }
      if (text.find('\0') != std::string_view::npos) {
        *error = "a string can not hold a NUL byte";
        return nullptr;
      }
      return std::make_unique<cfg::Value>(std::string(text).c_str());
    case cfg::ValueType::Binary:
      return ParseBytes(text, error);
    case cfg::ValueType::None:
      break;
  }
  *error = "unknown type";
  return nullptr;
}

const char* NameProblem(NameUse use, std::string_view name) {
  if (name.find_first_of("\r\n") != std::string_view::npos) return "it holds a line break";
  if (name.find('\0') != std::string_view::npos) return "it holds a NUL byte";
  bool leadingBlank = !name.empty() && (name[0] == ' ' || name[0] == '\t');
  switch (use) {
    case NameUse::Section:
      if (name.empty()) return "it is empty";
      if (leadingBlank) return "it begins with a blank";
      if (name.find(':') != std::string_view::npos) return "it holds \":\"";
      if (name.find(';') != std::string_view::npos) return "it holds \";\"";
      return nullptr;
    case NameUse::Record:
    case NameUse::ArrayRecord:
      if (name.empty()) return "it is empty";
      if (name.find('[') != std::string_view::npos) return "it holds \"[\"";
      if (name.find('=') != std::string_view::npos) return "it holds \"=\"";
      if (use == NameUse::ArrayRecord) {
        if (leadingBlank) return "it begins with a blank";
        if (name.find(':') != std::string_view::npos) return "it holds \":\"";
        if (name.find(';') != std::string_view::npos) return "it holds \";\"";
      }
      return nullptr;
    case NameUse::Value:
    case NameUse::ArrayValue:
      if (name.find(']') != std::string_view::npos) return "it holds \"]\"";
      if (name.find('=') != std::string_view::npos) return "it holds \"=\"";
      if (use == NameUse::ArrayValue) {
        if (name.find(':') != std::string_view::npos) return "it holds \":\"";
        if (name.find(';') != std::string_view::npos) return "it holds \";\"";
      }
      return nullptr;
  }
  return nullptr;
}

}  // namespace cfgtool
