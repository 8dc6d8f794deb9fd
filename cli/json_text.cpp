#include "json_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace cfgtool {

namespace {

constexpr uint32_t kRawByteBase = 0xEF00;  // raw byte b is U+EF00 + b (b >= 0x80)

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Decodes one well-formed UTF-8 sequence (shortest form, no surrogates) at
// text[i]; its length, or 0 when the bytes there are not one.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* codePoint) {
  auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  uint8_t lead = byte(i);
  size_t length;
  uint32_t value;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF))
    return 0;
  *codePoint = value;
  return length;
}

bool IsRawByteCode(uint32_t codePoint) {
  return codePoint >= kRawByteBase + 0x80 && codePoint <= kRawByteBase + 0xFF;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The shortest "%.*g" text that reads back to the same number.
template <class T>
void AppendShortest(std::string& out, T number, int maxDigits) {
  if (std::isnan(number)) {
    out += "\"nan\"";
    return;
  }
  if (std::isinf(number)) {
    out += number < 0 ? "\"-inf\"" : "\"inf\"";
    return;
  }
  auto readsBack = [number](const char* text) {
    if constexpr (sizeof(T) == sizeof(float)) return std::strtof(text, nullptr) == number;
    else return std::strtod(text, nullptr) == number;
  };
  char buffer[400];
  int digits = 1;
  for (; digits <= maxDigits; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(number));
    if (readsBack(buffer)) break;
  }
  // Plain decimals rather than an exponent for everyday magnitudes, with the
  // same significant digits.
  double magnitude = std::fabs(static_cast<double>(number));
  if (std::strchr(buffer, 'e') != nullptr && magnitude >= 1e-4 && magnitude < 1e16) {
    int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
    int decimals = digits - 1 - exponent;
    char fixed[400];
    std::snprintf(fixed, sizeof fixed, "%.*f", decimals > 0 ? decimals : 0, static_cast<double>(number));
    if (readsBack(fixed)) std::strcpy(buffer, fixed);
  }
  std::string_view text(buffer);
  out += text;
  if (text.find_first_of(".e") == std::string_view::npos) out += ".0";
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view bytes) {
  out.push_back('"');
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            out += escape;
          } else {
            out.push_back(static_cast<char>(c));
          }
      }
      ++i;
      continue;
    }
    uint32_t codePoint = 0;
    size_t length = DecodeUtf8(bytes, i, &codePoint);
    if (length == 0 || IsRawByteCode(codePoint)) {
      AppendUtf8(out, kRawByteBase + c);  // one raw byte
      ++i;
    } else {
      out.append(bytes.data() + i, length);
      i += length;
    }
  }
  out.push_back('"');
}

std::string BytesFromJsonString(std::string_view utf8) {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    uint32_t codePoint = 0;
    size_t length = DecodeUtf8(utf8, i, &codePoint);
    if (length == 0) {  // not from a JSON parser; keep the byte
      bytes.push_back(utf8[i++]);
    } else if (IsRawByteCode(codePoint)) {
      bytes.push_back(static_cast<char>(codePoint - kRawByteBase));
      i += length;
    } else {
      bytes.append(utf8.data() + i, length);
      i += length;
    }
  }
  return bytes;
}

void AppendJsonFloat(std::string& out, float number) { AppendShortest(out, number, 9); }
void AppendJsonDouble(std::string& out, double number) { AppendShortest(out, number, 17); }

std::string HexPairs(const uint8_t* bytes, int32_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(static_cast<size_t>(count) * 2);
  for (int32_t i = 0; i < count; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

bool BytesFromHexPairs(std::string_view text, std::string* bytes) {
  if (text.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexValue(text[i]);
    int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

}  // namespace cfgtool
