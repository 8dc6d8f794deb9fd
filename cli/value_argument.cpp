#include "value_argument.h"

#include <cstdio>
#include <vector>

#include "config/number_text.h"

namespace cfgtool {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads text, the whole of it, as one number with the reader's own parser.
// false when it is no number or something follows the number.
template <class T>
bool ReadWhole(bool (*parse)(std::string_view, T*, cfg::NumberStop*), std::string_view text, T* number,
               cfg::NumberStop* stop) {
  return parse(text, number, stop) && stop->end == text.size();
}

std::unique_ptr<cfg::Value> ParseInteger(cfg::ValueType type, std::string_view text, std::string* error) {
  const bool is64 = type == cfg::ValueType::Int64;
  cfg::NumberStop stop;
  int64_t wide = 0;
  int32_t narrow = 0;
  if (is64 ? !ReadWhole(cfg::ParseInt64, text, &wide, &stop) : !ReadWhole(cfg::ParseInt32, text, &narrow, &stop)) {
    *error = "not an integer";
    return nullptr;
  }
  if (stop.saturated) {
    *error = is64 ? "out of the range of a 64-bit integer" : "out of the range of a 32-bit integer";
    return nullptr;
  }
  if (is64) return std::make_unique<cfg::Value>(wide);
  return std::make_unique<cfg::Value>(narrow);
}

std::unique_ptr<cfg::Value> ParseFloating(cfg::ValueType type, std::string_view text, std::string* error) {
  const bool isFloat = type == cfg::ValueType::Float;
  cfg::NumberStop stop;
  float narrow = 0;
  double wide = 0;
  if (isFloat ? !ReadWhole(cfg::ParseFloat, text, &narrow, &stop) : !ReadWhole(cfg::ParseDouble, text, &wide, &stop)) {
    *error = "not a floating-point number";
    return nullptr;
  }
  if (stop.saturated) {
    *error = isFloat ? "out of the range of a float" : "out of the range of a double";
    return nullptr;
  }
  if (isFloat) return std::make_unique<cfg::Value>(narrow);
  return std::make_unique<cfg::Value>(wide);
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
    uint8_t byte = 0;
    cfg::NumberStop stop;
    if (!ReadWhole(cfg::ParseHexByte, token, &byte, &stop)) {
      *error = "\"" + std::string(token) + "\" is not a hexadecimal byte";
      return nullptr;
    }
    bytes.push_back(byte);
  }
  return std::make_unique<cfg::Value>(bytes.data(), static_cast<int32_t>(bytes.size()));
}

}  // namespace

std::string TypeWordList() {
  std::string list;
  const size_t count = std::size(cfg::kValueTypes);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) list += i + 1 == count ? " or " : ", ";
    list += cfg::kValueTypes[i].word;
  }
  return list;
}

std::unique_ptr<cfg::Value> ParseValueArgument(cfg::ValueType type, std::string_view text,
                                           std::string* error) {
  switch (type) {
    case cfg::ValueType::Int:
    case cfg::ValueType::Int64:
      return ParseInteger(type, Trim(text), error);
    case cfg::ValueType::Float:
    case cfg::ValueType::Double:
      return ParseFloating(type, Trim(text), error);
    case cfg::ValueType::String:
      return std::make_unique<cfg::Value>(text.data(), text.size());
    case cfg::ValueType::Binary:
      return ParseBytes(text, error);
    case cfg::ValueType::None:
      break;
  }
  *error = "unknown type";
  return nullptr;
}

}  // namespace cfgtool
